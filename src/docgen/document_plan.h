// What sets the two documents of a run apart, settled once from the job state.
// The generation sequence, the header step and the table step run the same
// code for both documents and read every difference from here.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/job_state.h"

namespace reportword {

// How often the first section's primary header gets the date.
enum class DateCalls {
  kOncePerHeader,  // once for every header of the first section (that many calls)
  kOnce,
};

struct DocumentPlan {
  int number;  // 1 or 2
  const std::string& template_path;
  const std::string& target_path;
  // The job state's table text: a road run puts an empty row in front of it.
  std::string& table_text;
  short columns;
  // Only the first document turns the word processor's alerts off.
  bool turns_alerts_off;
  DateCalls date_calls;
  // The first document upper-cases the build number's first character and
  // stores it back; the second uses the stored value.
  bool upper_cases_build_number;
  // The second document selects its own content before the table is made; the
  // first relies on the selection lying in the document just created.
  bool selects_content;
  // Fixed column widths in points, from column 1 on; empty for none.
  std::vector<float> column_widths_points;
};

// The plans of document 1 and document 2 of the job.
std::array<DocumentPlan, 2> PlanDocuments(JobState& job);

}  // namespace reportword
