#pragma once

#include <cstdint>
#include <string>

#include "app/job_state.h"

namespace reportword {

// Parses the lines of a road-renovation report; the twin of NetworkLineParser
// with other table columns and a collected object designation.
class RoadLineParser {
 public:
  // Throws std::overflow_error when the line has 32,767 tabs or more.
  void ParseRoadLine(const std::string& line, JobState& job);

  std::int16_t RoadSection = 0;
  std::int16_t RoadSkipCount = 0;
};

}  // namespace reportword
