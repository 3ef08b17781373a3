#pragma once

#include <cstdint>
#include <string>

#include "app/job_state.h"

namespace reportword {

// Parses the lines of a network report, one call per line from line 2 on.
// Lines up to the first blank line give rows of TableText1 (fields 3 to 5);
// that blank line and the next are skipped; every later line gives a row of
// TableText2 (fields 1 and 2). Fields 1 and 2 of the first section feed
// BuildNumber and ObjectDesignation while those are blank.
// Keeps the section state of one report; use one parser per report.
class NetworkLineParser {
 public:
  // Throws std::overflow_error when the line has 32,767 tabs or more; nothing
  // of that line is then written and the section state stays as it was.
  void ParseNetworkLine(const std::string& line, JobState& job);

  std::int16_t NetworkSection = 0;    // 0 first section, 1 second section
  std::int16_t NetworkSkipCount = 0;  // lines of the second section skipped so far
};

}  // namespace reportword
