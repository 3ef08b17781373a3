#include "report/road_line_parser.h"

#include <array>

#include "report/line_fields.h"
#include "text/unicode.h"

namespace reportword {

void RoadLineParser::ParseRoadLine(const std::string& line, JobState& job) {
  const bool second_section = RoadSection != 0 || text::IsBlank(line);
  std::array<std::string_view, 5> first_fields{};
  std::array<std::string_view, 2> second_fields{};
  if (second_section) {
    report::SplitFields(line, second_fields);
  } else {
    report::SplitFields(line, first_fields);
  }
  if (second_section) RoadSection = 1;

  report::AssignWhileBlank(job.BuildNumber, first_fields[0]);
  CollectDesignation(job.ObjectDesignation, first_fields[2]);

  if (!second_section) {
    report::AppendRow(job.TableText1, {first_fields[1], first_fields[3], first_fields[4]});
  } else if (report::PassSkippedLines(RoadSkipCount)) {
    report::AppendRow(job.TableText2, {second_fields[0], second_fields[1]});
  }
}

void RoadLineParser::CollectDesignation(std::string& designation, std::string_view value) {
  // The remembered values hold only while the designation grew by our own
  // appends; a different or shortened text starts afresh.
  if (known_values_target_ != &designation || designation.size() < known_values_target_size_) {
    known_values_.clear();
    known_values_target_ = &designation;
  }
  if (value.empty()) {
    // An empty value is found in any text but an empty one.
    if (designation.empty()) designation.push_back(' ');
  } else if (!known_values_.contains(value)) {
    if (designation.empty() || text::FindIgnoreCase(designation, value) == std::string_view::npos) {
      designation += std::string(" ").append(value);  // all of it or nothing
    }
    known_values_.emplace(value);
  }
  known_values_target_size_ = designation.size();
}

}  // namespace reportword
