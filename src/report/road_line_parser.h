#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "job/job_state.h"
#include "report/substring_index.h"

namespace reportword {

// Parses the lines of a road-renovation report (the format: report_reader.h),
// the twin of NetworkLineParser. Use one parser per report.
class RoadLineParser {
 public:
  // Throws std::overflow_error when the line has 32,767 tabs or more, or when
  // the collected designation would pass kMaxDesignationBytes; nothing of that
  // line is then written and the section state stays as it was.
  void ParseRoadLine(const std::string& line, JobState& job);

  std::int16_t RoadSection = 0;
  std::int16_t RoadSkipCount = 0;

  // A page header cannot show more; a report that collects more is refused
  // rather than searched and held without bound.
  static constexpr std::size_t kMaxDesignationBytes = 65536;

 private:
  void CollectDesignation(std::string& designation, std::string_view value);

  // The folded designation, so that each value's search costs its own length
  // rather than the designation's. It follows the designation as long as that
  // grows only by this parser's appends; any other change rebuilds it.
  report::SubstringIndex index_;
  const std::string* indexed_ = nullptr;
  std::size_t indexed_size_ = 0;
};

}  // namespace reportword
