#include "docgen/header_placeholders.h"

#include "text/unicode.h"

namespace reportword {

void ReplaceInHeader(wordproc::Document& document, const std::string& find_text,
                     const wordproc::ReplacementText& replacement) {
  wordproc::FindExecuteArgs args;
  args.find_text = find_text;
  args.match_case = false;
  args.replace_with = replacement;
  // A placeholder missing from the header is not an error, so the found flag
  // is of no interest.
  document.GetSections()
      ->Item(1)
      ->GetHeaders()
      ->Item(wordproc::kHeaderFooterPrimary)
      ->GetRange()
      ->GetFind()
      ->Execute(args);
}

void ReplaceHeaderPlaceholders(wordproc::Document& document, const DocumentPlan& plan,
                               JobState& job, DateSource& dates) {
  if (!text::IsBlank(job.ObjectDesignation)) {
    if (job.NetworkName.empty()) {
      ReplaceInHeader(document, kObjectDesignationPlaceholder, {job.ObjectDesignation, true});
    } else {
      ReplaceInHeader(document, kObjectDesignationPlaceholder,
                      {job.ObjectDesignation + " " + job.NetworkName, false});
    }
  }

  // Counted per header of the first section, every turn still addresses the
  // primary header. The date is read anew for each call.
  const int date_calls = plan.date_calls == DateCalls::kOncePerHeader
                             ? document.GetSections()->Item(1)->GetHeaders()->Count()
                             : 1;
  for (int turn = 0; turn < date_calls; ++turn) {
    ReplaceInHeader(document, kDatePlaceholder, {dates.DateText(), false});
  }

  if (!text::IsBlank(job.BuildNumber)) {
    if (plan.upper_cases_build_number) {
      job.BuildNumber = text::UpperCaseFirstCharacter(job.BuildNumber);
    }
    ReplaceInHeader(document,
                    job.RoadRenovationMode ? kFileNamePlaceholder : kBuildNumberPlaceholder,
                    {job.BuildNumber, true});
  }
}

}  // namespace reportword
