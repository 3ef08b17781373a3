#include "docgen/header_placeholders.h"

#include "text/unicode.h"

namespace reportword {

void ReplaceHeaderPlaceholders(wordproc::Document& document, const DocumentPlan& plan,
                               JobState& job, DateSource& dates) {
  // A placeholder missing from the header is not an error, so whether each
  // replacement found its placeholder is of no interest.
  if (!text::IsBlank(job.ObjectDesignation)) {
    if (job.NetworkName.empty()) {
      document.ReplaceInPrimaryHeader(kObjectDesignationPlaceholder, {job.ObjectDesignation, true});
    } else {
      document.ReplaceInPrimaryHeader(kObjectDesignationPlaceholder,
                                      {job.ObjectDesignation + " " + job.NetworkName, false});
    }
  }

  // Counted per header of the first section, every turn still addresses the
  // primary header. The date is read anew for each call.
  const int date_calls =
      plan.date_calls == DateCalls::kOncePerHeader ? document.FirstSectionHeaderCount() : 1;
  for (int turn = 0; turn < date_calls; ++turn) {
    document.ReplaceInPrimaryHeader(kDatePlaceholder, {dates.DateText(), false});
  }

  if (!text::IsBlank(job.BuildNumber)) {
    if (plan.upper_cases_build_number) {
      job.BuildNumber = text::UpperCaseFirstCharacter(job.BuildNumber);
    }
    document.ReplaceInPrimaryHeader(
        job.RoadRenovationMode ? kFileNamePlaceholder : kBuildNumberPlaceholder,
        {job.BuildNumber, true});
  }
}

}  // namespace reportword
