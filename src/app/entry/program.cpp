#include "app/entry/program.h"

#include <exception>

#include "app/command_line.h"
#include "app/generation_error.h"
#include "app/job_state.h"
#include "docgen/report_generator.h"

namespace reportword {
namespace {

constexpr const char* kUsage =
    "usage: reportword <9520e000|9570e000|9500e000|STRAßENSANIERUNG> \"template1\" \"template2\" "
    "\"report\" \"target1\" \"target2\"";

// Writing the diagnostic must not turn a reported failure into an escaping one.
void PrintDiagnostic(std::ostream& diagnostics, const char* text) noexcept {
  try {
    diagnostics << kProgramTitle << ": " << text << std::endl;
  } catch (...) {
  }
}

}  // namespace

int Main(std::string_view argument_text, ProgramEnvironment& env) {
  try {
    JobState job;
    if (ParseCommandLine(argument_text, job, env.messages) != CommandLineResult::kComplete) {
      PrintDiagnostic(env.diagnostics, kUsage);
      return kExitIncompleteCommandLine;
    }
    GenerationContext context{env.backend, env.dates, env.messages};
    switch (GenerateReports(job, context)) {
      case GenerationOutcome::kDocumentsWritten:
        return kExitSuccess;
      case GenerationOutcome::kInputCheckFailed:
        return kExitInputCheckFailed;
    }
    PrintDiagnostic(env.diagnostics, "unexpected generation outcome");
    return kExitGenerationError;
  } catch (const std::exception& failure) {
    // GenerationError included: its message already names the file concerned.
    PrintDiagnostic(env.diagnostics, failure.what());
    return kExitGenerationError;
  } catch (...) {
    PrintDiagnostic(env.diagnostics, "unknown failure");
    return kExitGenerationError;
  }
}

}  // namespace reportword
