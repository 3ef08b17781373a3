#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "app/job_state.h"

namespace reportword {

// Parses the lines of a road-renovation report; the twin of NetworkLineParser
// with other TableText1 columns (fields 2, 4 and 5) and an ObjectDesignation
// that collects every field 3 it does not already contain, ignoring case, each
// after a space. Use one parser per report.
class RoadLineParser {
 public:
  // Throws std::overflow_error when the line has 32,767 tabs or more; nothing
  // of that line is then written and the section state stays as it was.
  void ParseRoadLine(const std::string& line, JobState& job);

  std::int16_t RoadSection = 0;
  std::int16_t RoadSkipCount = 0;

 private:
  void CollectDesignation(std::string& designation, std::string_view value);

  struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  // Values already known to occur in the designation. It only ever grows at
  // its end, so a value found once stays found; remembering them saves
  // searching the whole designation again for every line that repeats one.
  std::unordered_set<std::string, StringHash, std::equal_to<>> known_values_;
  const std::string* known_values_target_ = nullptr;
  std::size_t known_values_target_size_ = 0;
};

}  // namespace reportword
