#include "check/placeholder_rules.h"

#include "core/job_state.h"
#include "docgen/document_plan.h"
#include "docgen/header_placeholders.h"
#include "docx/sections.h"

namespace reportword::check {
namespace {

// The date is searched once per header kind the engine counts in the first
// section, or once, as each document's plan says.
std::array<int, 2> DateSearches() {
  JobState job;
  std::array<int, 2> searches{};
  const std::array<DocumentPlan, 2> plans = PlanDocuments(job);
  for (std::size_t i = 0; i < plans.size(); ++i) {
    searches[i] = plans[i].date_calls == DateCalls::kOncePerHeader ? docx::kHeaderFooterKinds : 1;
  }
  return searches;
}

}  // namespace

const std::vector<PlaceholderRule>& PlaceholderRules() {
  static const std::vector<PlaceholderRule> rules = {
      {kObjectDesignationPlaceholder, true, true, true, {1, 1}},
      {kDatePlaceholder, true, true, false, DateSearches()},
      {kBuildNumberPlaceholder, true, false, true, {1, 1}},
      {kFileNamePlaceholder, false, true, true, {1, 1}},
  };
  return rules;
}

}  // namespace reportword::check
