// Text that a person reads as a placeholder but the search does not find: a
// character wrong, missing or extra, spaces inside the brackets, other bracket
// characters, or a bracket missing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace reportword::check {

struct NearMiss {
  std::size_t begin = 0;  // code points of the text
  std::size_t end = 0;
  std::size_t placeholder = 0;  // index into the placeholders
  unsigned reasons = 0;         // NearMissReason bits
};

// The near misses in one paragraph's case-folded text. `placeholders` are
// case folded and include their angle brackets. A text counts when it stands
// between bracket characters (or has a bracket on one side and a word on the
// other) and is at most two edits away from a placeholder.
std::vector<NearMiss> FindNearMisses(std::u32string_view folded,
                                     const std::vector<std::u32string>& placeholders);

// The Levenshtein distance on code points, counted up to `cap` at most.
std::size_t EditDistance(std::u32string_view a, std::u32string_view b, std::size_t cap);

}  // namespace reportword::check
