#include "generation/input_validation.h"

#include <array>

#include "text/unicode.h"

namespace reportword {

std::optional<std::string> ValidateInputs(JobState& job, wordproc::Backend& backend) {
  job.TemplatePath1 = text::TrimmedCopy(job.TemplatePath1);
  job.TemplatePath2 = text::TrimmedCopy(job.TemplatePath2);
  job.ReportFilePath = text::TrimmedCopy(job.ReportFilePath);

  wordproc::FileSystem& file_system = UseFileSystem(job, backend);
  if (!file_system.FileExists(job.TemplatePath1)) return kTemplateMissingMessage;
  if (!file_system.FileExists(job.TemplatePath2)) return kTemplateMissingMessage;
  if (!file_system.FileExists(job.ReportFilePath)) return kReportMissingMessage;
  if (text::IsBlank(job.TargetPath1)) return kTargetMissingMessage;
  if (text::IsBlank(job.TargetPath2)) return kTargetMissingMessage;

  // Saving over an input would destroy a template or the report, and two equal
  // targets would leave only the second document; refuse both before anything
  // is written. The targets are compared as stored, since that is what is saved;
  // the file system compares them by identity, not by spelling.
  const std::array<const std::string*, 3> inputs{&job.TemplatePath1, &job.TemplatePath2,
                                                 &job.ReportFilePath};
  for (const std::string* target : {&job.TargetPath1, &job.TargetPath2}) {
    for (const std::string* input : inputs) {
      if (file_system.SameFile(*target, *input)) return kTargetIsInputMessage;
    }
  }
  if (file_system.SameFile(job.TargetPath1, job.TargetPath2)) return kTargetIsInputMessage;

  // The inputs as they are now, so that no save replaces one of them even
  // where a target's name leads to it only later; template 2 is read only
  // after document 1 is saved.
  for (const std::string* input : inputs) {
    if (std::optional<wordproc::FileIdentity> identity = file_system.IdentityOf(*input))
      job.OwnFiles.Add(*identity);
  }
  return std::nullopt;
}

std::string MessageOf(FailedInputCheck check) {
  switch (check) {
    case FailedInputCheck::kReportMissing:
      return kReportMissingMessage;
    case FailedInputCheck::kTargetIsInput:
      return kTargetIsInputMessage;
  }
  return kTargetIsInputMessage;
}

std::optional<std::string> RecheckSecondTarget(JobState& job, wordproc::Backend& backend) {
  if (UseFileSystem(job, backend).SameFile(job.TargetPath2, job.TargetPath1))
    return kTargetIsInputMessage;
  return std::nullopt;
}

}  // namespace reportword
