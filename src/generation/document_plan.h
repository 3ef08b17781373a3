// What sets the two documents of a run apart, settled once from the job state.
// The generation sequence, the header step and the table step run the same
// code for both documents and read every difference from here.
#pragma once

#include <array>
#include <string>

#include "job/job_state.h"
#include "wordproc/word_processor.h"

namespace reportword {

struct DocumentPlan {
  int number;  // 1 or 2
  const std::string& template_path;
  const std::string& target_path;
  const std::string& table_text;  // the job state's own, laid out where it lies
  // Only the first document turns the word processor's alerts off.
  bool turns_alerts_off;
  // Columns, fixed widths, the road reports' empty first row, and whether the
  // second document selects its own content before the table is made.
  wordproc::TableLayout table;
};

// The plans of document 1 and document 2 of the job. The build number is
// settled here, once for both documents: its first character upper-cased in
// the job state, as document 1 of a run has always left it for document 2.
std::array<DocumentPlan, 2> PlanDocuments(JobState& job);

}  // namespace reportword
