// The whole document run: input checks, report reading, the two documents and
// the error path.
#pragma once

#include "generation/date_text.h"
#include "job/job_state.h"
#include "job/message_box.h"
#include "wordproc/word_processor.h"

namespace reportword {

struct GenerationContext {
  wordproc::Backend& backend;
  DateSource& dates;
  MessageDisplay& messages;
};

enum class GenerationOutcome {
  kDocumentsWritten,
  // The check's message was shown. Nothing was read or written, unless a save
  // found its target turned into one of the run's own files: document 1 stays.
  kInputCheckFailed,
};

// Any failure, a file check that could not be made included, tells the word
// processor to quit (the document in progress is not saved) and reaches the
// caller as a GenerationError; other std::exceptions are wrapped into one.
GenerationOutcome GenerateReports(JobState& job, GenerationContext& context);

}  // namespace reportword
