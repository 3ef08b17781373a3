#pragma once

#include <memory>

#include "app/job_state.h"
#include "docgen/wordproc/word_processor.h"

namespace reportword {

// Replaces the body of `document` by its table text (TableText1 for document 1,
// TableText2 for document 2) and converts it into a full-width, borderless
// table. In road-renovation mode the table text is first given an empty
// leading row, stored back in the job state. Returns the body table.
std::unique_ptr<wordproc::Table> LayOutBodyTable(wordproc::Document& document, int document_number,
                                                 JobState& job, wordproc::Backend& backend);

}  // namespace reportword
