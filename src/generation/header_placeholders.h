#pragma once

#include <string>

#include "generation/date_text.h"
#include "generation/document_plan.h"
#include "generation/placeholder_rules.h"
#include "job/job_state.h"
#include "wordproc/word_processor.h"

namespace reportword {

// Fills the placeholders of the first section's primary header as their rules
// (docgen/placeholder_rules.h) and the document's plan say.
void ReplaceHeaderPlaceholders(wordproc::Document& document, const DocumentPlan& plan,
                               const JobState& job, DateSource& dates);

// What the designation or the build number of `job` stands as in a filled
// header: the designation with the network name after it, the build number
// with its first character upper-cased. Empty when the value is blank: its
// placeholder is then left as written. (The date is not asked for here.)
std::string FilledHeaderText(PlaceholderValue value, const JobState& job);

}  // namespace reportword
