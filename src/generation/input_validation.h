#pragma once

#include <optional>
#include <string>

#include "job/job_state.h"
#include "text/failure.h"
#include "wordproc/word_processor.h"

namespace reportword {

// The messages of the input checks, shown to the user as they stand.
inline constexpr const char* kTemplateMissingMessage =
    "Vorlage existiert nicht.Dokument kann nicht generiert werden";
inline constexpr const char* kReportMissingMessage =
    "Report file existiert nicht. Dokument kann nicht generiert werden";
inline constexpr const char* kTargetMissingMessage =
    "Ziel nicht angegeben. Dokument kann nicht generiert werden";
inline constexpr const char* kTargetIsInputMessage =
    "Ziel ist eine Eingabedatei. Dokument kann nicht generiert werden";

// Trims the template and report paths in the job state, then runs the input
// checks in order. Returns the message of the first check that fails, or
// nothing when all pass, and then adds the inputs to job.OwnFiles. A failing
// file-system query throws GenerationError.
std::optional<std::string> ValidateInputs(JobState& job, wordproc::Backend& backend);

// The message of an input check that failed only where a file was opened or
// saved.
std::string MessageOf(FailedInputCheck check);

// Compares target 2 with target 1 once more, just before document 2 is saved:
// target 1 exists by then, so a second spelling of it that only the file
// system knows (a folder that folds case) is caught by identity. Returns the
// message of the equal-targets check when they are one file.
std::optional<std::string> RecheckSecondTarget(JobState& job, wordproc::Backend& backend);

}  // namespace reportword
