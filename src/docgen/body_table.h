#pragma once

#include "app/job_state.h"
#include "docgen/wordproc/word_processor.h"

namespace reportword {

// Replaces the body of `document` by its table text and converts it into a
// full-width, borderless table. Returns the body table.
std::unique_ptr<wordproc::Table> LayOutBodyTable(wordproc::Document& document, int document_number,
                                                 JobState& job, wordproc::Backend& backend);

}  // namespace reportword
