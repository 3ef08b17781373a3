// The header placeholders and what the runs of each mode do with them: only
// the first section's primary header is searched, every search replaces the
// first occurrence left, and how many searches each document makes.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace reportword::check {

struct PlaceholderRule {
  std::string text;          // as the search looks for it
  bool network = false;      // replaced by network runs
  bool road = false;         // replaced by road-renovation runs
  bool needs_value = false;  // only when the value for it is not blank
  // How many occurrences documents 1 and 2 replace.
  std::array<int, 2> replaced_per_document = {1, 1};
};

// The four placeholders, in the order a run fills them.
const std::vector<PlaceholderRule>& PlaceholderRules();

}  // namespace reportword::check
