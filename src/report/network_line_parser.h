#pragma once

#include <cstdint>
#include <string>

#include "job/job_state.h"

namespace reportword {

// Parses the lines of a network report (the format: report_reader.h), one
// call per line from line 2 on. Keeps the section state of one report; use
// one parser per report.
class NetworkLineParser {
 public:
  // Throws std::overflow_error when the line has 32,767 tabs or more; nothing
  // of that line is then written and the section state stays as it was.
  void ParseNetworkLine(const std::string& line, JobState& job);

  std::int16_t NetworkSection = 0;    // 0 first section, 1 second section
  std::int16_t NetworkSkipCount = 0;  // lines of the second section skipped so far
};

}  // namespace reportword
