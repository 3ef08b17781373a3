#pragma once

#include <string>

#include "core/job_state.h"
#include "docgen/date_text.h"
#include "docgen/document_plan.h"
#include "wordproc/word_processor.h"

namespace reportword {

// The placeholders of the page header, as the replacement looks for them
// (letter case ignored).
inline constexpr const char* kObjectDesignationPlaceholder = "<objektbezeichnung>";
inline constexpr const char* kDatePlaceholder = "<Datum>";
inline constexpr const char* kBuildNumberPlaceholder = "<Bau-Nummer>";  // network runs
inline constexpr const char* kFileNamePlaceholder = "<filename>";       // road-renovation runs

// Fills "<objektbezeichnung>", "<Datum>" and "<Bau-Nummer>" / "<filename>" in
// the primary header of the first section, as the document's plan says.
void ReplaceHeaderPlaceholders(wordproc::Document& document, const DocumentPlan& plan,
                               JobState& job, DateSource& dates);

}  // namespace reportword
