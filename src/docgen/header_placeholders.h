#pragma once

#include <string>

#include "app/job_state.h"
#include "docgen/date_text.h"
#include "docgen/document_plan.h"
#include "docgen/wordproc/word_processor.h"

namespace reportword {

// Fills "<objektbezeichnung>", "<Datum>" and "<Bau-Nummer>" / "<filename>" in
// the primary header of the first section, as the document's plan says.
void ReplaceHeaderPlaceholders(wordproc::Document& document, const DocumentPlan& plan,
                               JobState& job, DateSource& dates);

// One find-and-replace in the first section's primary header, through a freshly
// obtained object chain.
void ReplaceInHeader(wordproc::Document& document, const std::string& find_text,
                     const wordproc::ReplacementText& replacement);

}  // namespace reportword
