#pragma once

#include <optional>
#include <string>

#include "app/job_state.h"
#include "docgen/wordproc/word_processor.h"

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
// nothing when all pass. A failing file-system query throws GenerationError.
std::optional<std::string> ValidateInputs(JobState& job, wordproc::Backend& backend);

}  // namespace reportword
