// The whole document run: input checks, report reading, the two documents and
// the error path.
#pragma once

#include "app/job_state.h"
#include "app/message_box.h"
#include "docgen/date_text.h"
#include "docgen/wordproc/word_processor.h"

namespace reportword {

struct GenerationContext {
  wordproc::Backend& backend;
  DateSource& dates;
  MessageDisplay& messages;
};

enum class GenerationOutcome {
  kDocumentsWritten,
  kInputCheckFailed,  // the check's message was shown; nothing was read or written
};

// On a failure after the checks the engine is told to quit (the document in
// progress is not saved) and the GenerationError is rethrown to the caller.
GenerationOutcome GenerateReports(JobState& job, GenerationContext& context);

}  // namespace reportword
