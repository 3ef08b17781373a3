#include "generation/header_placeholders.h"

#include "generation/placeholder_rules.h"
#include "text/unicode.h"

namespace reportword {
namespace {

// Whether the job has a value for a placeholder that needs one.
bool HasValue(PlaceholderValue value, const JobState& job) {
  switch (value) {
    case PlaceholderValue::kObjectDesignation:
      return !text::IsBlank(job.ObjectDesignation);
    case PlaceholderValue::kBuildNumber:
      return !text::IsBlank(job.BuildNumber);
    case PlaceholderValue::kDate:
      break;
  }
  return true;
}

std::string DesignationText(const JobState& job) {
  if (job.NetworkName.empty()) return job.ObjectDesignation;
  return job.ObjectDesignation + " " + job.NetworkName;
}

// What a placeholder is replaced with. Values the job keeps go by reference;
// the date is read anew for every replacement.
wordproc::Replacement ReplacementFor(PlaceholderValue value, const JobState& job,
                                     DateSource& dates) {
  switch (value) {
    case PlaceholderValue::kObjectDesignation:
      return {DesignationText(job), job.NetworkName.empty()};
    case PlaceholderValue::kDate:
      return {dates.DateText(), false};
    case PlaceholderValue::kBuildNumber:
      break;
  }
  return {job.BuildNumber, true};
}

}  // namespace

std::string FilledHeaderText(PlaceholderValue value, const JobState& job) {
  if (value == PlaceholderValue::kDate || !HasValue(value, job)) return "";
  // As PlanDocuments settles it.
  if (value == PlaceholderValue::kBuildNumber)
    return text::UpperCaseFirstCharacter(job.BuildNumber);
  return DesignationText(job);
}

void ReplaceHeaderPlaceholders(wordproc::Document& document, const DocumentPlan& plan,
                               const JobState& job, DateSource& dates) {
  for (const PlaceholderRule& rule : kPlaceholderRules) {
    if (!FilledInMode(rule, job.RoadRenovationMode) ||
        (rule.needs_value && !HasValue(rule.value, job))) {
      continue;
    }
    // Counted per header of the first section, every search still addresses
    // the primary header.
    const int searches = rule.searches[plan.number - 1] == Searches::kOncePerHeader
                             ? document.FirstSectionHeaderCount()
                             : 1;
    // A placeholder missing from the header is not an error, so whether each
    // replacement found its placeholder is of no interest.
    for (int search = 0; search < searches; ++search) {
      document.ReplaceInPrimaryHeader(rule.text, ReplacementFor(rule.value, job, dates));
    }
  }
}

}  // namespace reportword
