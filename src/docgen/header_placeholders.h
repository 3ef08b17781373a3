#pragma once

#include <string>

#include "app/job_state.h"
#include "docgen/date_text.h"
#include "docgen/wordproc/word_processor.h"

namespace reportword {

// Fills "<objektbezeichnung>", "<Datum>" and "<Bau-Nummer>" / "<filename>" in
// the primary header of the first section. `document_number` is 1 or 2.
void ReplaceHeaderPlaceholders(wordproc::Document& document, int document_number, JobState& job,
                               DateSource& dates);

// One find-and-replace in the first section's primary header, through a freshly
// obtained object chain.
void ReplaceInHeader(wordproc::Document& document, const std::string& find_text,
                     const wordproc::ReplacementText& replacement);

}  // namespace reportword
