#pragma once

#include <string>

#include "core/job_state.h"
#include "docgen/date_text.h"
#include "docgen/document_plan.h"
#include "wordproc/word_processor.h"

namespace reportword {

// Fills the placeholders of the first section's primary header as their rules
// (docgen/placeholder_rules.h) and the document's plan say.
void ReplaceHeaderPlaceholders(wordproc::Document& document, const DocumentPlan& plan,
                               JobState& job, DateSource& dates);

}  // namespace reportword
