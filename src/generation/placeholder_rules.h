// The placeholders of the page header and how a run fills each of them. The
// run replaces them from this table, and the template check predicts from it
// what a run will do, so the two cannot drift apart.
#pragma once

#include <array>

namespace reportword {

// The job's value a placeholder is replaced with.
enum class PlaceholderValue {
  kObjectDesignation,  // with the network name after it, when there is one
  kDate,               // today's date, read anew for every search
  kBuildNumber,
};

// How often a document searches for a placeholder; each search replaces the
// first occurrence still left in the first section's primary header.
enum class Searches {
  kOnce,
  kOncePerHeader,  // once for every header of the first section
};

struct PlaceholderRule {
  const char* text;  // as the search looks for it (letter case ignored)
  bool network;      // filled by network runs
  bool road;         // filled by road-renovation runs
  PlaceholderValue value;
  // Only searched for when the job's value for it is not blank.
  bool needs_value;
  std::array<Searches, 2> searches;  // by documents 1 and 2
};

// In the order a run fills them.
inline constexpr std::array<PlaceholderRule, 4> kPlaceholderRules = {{
    {"<objektbezeichnung>",
     true,
     true,
     PlaceholderValue::kObjectDesignation,
     true,
     {Searches::kOnce, Searches::kOnce}},
    {"<Datum>",
     true,
     true,
     PlaceholderValue::kDate,
     false,
     {Searches::kOncePerHeader, Searches::kOnce}},
    {"<Bau-Nummer>",
     true,
     false,
     PlaceholderValue::kBuildNumber,
     true,
     {Searches::kOnce, Searches::kOnce}},
    {"<filename>",
     false,
     true,
     PlaceholderValue::kBuildNumber,
     true,
     {Searches::kOnce, Searches::kOnce}},
}};

// Whether runs of the mode fill the placeholder.
constexpr bool FilledInMode(const PlaceholderRule& rule, bool road_renovation_mode) {
  return road_renovation_mode ? rule.road : rule.network;
}

}  // namespace reportword
