#pragma once

#include <memory>

#include "core/job_state.h"
#include "docgen/document_plan.h"
#include "wordproc/word_processor.h"

namespace reportword {

// The conversion of tab-separated body text into a table of `columns`
// columns, as every document of a run asks for it.
wordproc::ConvertToTableArgs TableConversion(short columns);

// Replaces the body of `document` by the plan's table text and converts it
// into a full-width, borderless table. In road-renovation mode the table text
// is first given an empty leading row, stored back in the job state. Returns
// the body table.
std::unique_ptr<wordproc::Table> LayOutBodyTable(wordproc::Document& document,
                                                 const DocumentPlan& plan, JobState& job,
                                                 wordproc::Backend& backend);

}  // namespace reportword
