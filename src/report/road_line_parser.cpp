#include "report/road_line_parser.h"

#include <array>
#include <stdexcept>
#include <string>

#include "report/line_fields.h"
#include "text/translate.h"
#include "text/unicode.h"

namespace reportword {

void RoadLineParser::ParseRoadLine(const std::string& line, JobState& job) {
  const report::SectionLine split = report::SplitSectionLine(line, RoadSection);
  const bool second_section = split.second_section;
  const auto& first_fields = split.first;
  const auto& second_fields = split.second;
  // The designation first: it is the step that can refuse the line.
  CollectDesignation(job.ObjectDesignation, first_fields[2]);
  if (second_section) RoadSection = 1;
  report::AssignWhileBlank(job.BuildNumber, first_fields[0]);

  if (!second_section) {
    report::AppendTextRow(job.TableText1, {first_fields[1], first_fields[3], first_fields[4]});
  } else if (report::IsRowPastTheSkippedLines(RoadSkipCount)) {
    report::AppendTextRow(job.TableText2, {second_fields[0], second_fields[1]});
  }
}

void RoadLineParser::CollectDesignation(std::string& designation, std::string_view value) {
  if (indexed_ != &designation || indexed_size_ != designation.size()) {
    index_.Clear();
    index_.Append(text::FoldCase(designation));
    indexed_ = &designation;
  }
  if (value.empty()) {
    // An empty value is found in any text but an empty one.
    if (!designation.empty()) return;
  } else if (!designation.empty() && index_.Contains(text::FoldCase(value))) {
    return;
  }
  const std::string added = " " + std::string(value);
  if (designation.size() + added.size() > kMaxDesignationBytes) {
    throw std::overflow_error(text::Format(
        text::Translate("the object designation collected from field 3 would pass {0} bytes"),
        kMaxDesignationBytes));
  }
  designation += added;
  index_.Append(text::FoldCase(added));
  indexed_size_ = designation.size();
}

}  // namespace reportword
