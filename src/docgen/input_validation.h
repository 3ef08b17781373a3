#pragma once

#include <optional>
#include <string>

#include "app/job_state.h"
#include "docgen/wordproc/word_processor.h"

namespace reportword {

// Trims the template and report paths in the job state, then runs the input
// checks in order. Returns the message of the first check that fails, or
// nothing when all pass.
std::optional<std::string> ValidateInputs(JobState& job, wordproc::Backend& backend);

}  // namespace reportword
