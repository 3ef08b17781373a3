#include "main/program.h"

#include <exception>

#include "generation/report_generator.h"
#include "job/command_line.h"
#include "job/generation_error.h"
#include "job/job_state.h"
#include "text/display_escaping.h"
#include "text/translate.h"

namespace reportword {
namespace {

using text::Translate;

const char* Usage() {
  return Translate(
      "usage: reportword <9520e000|9570e000|9500e000|STRAßENSANIERUNG> \"template1\" \"template2\" "
      "\"report\" \"target1\" \"target2\"");
}

void PrintHelp(std::ostream& out) {
  out << Usage() << "\n"
      << Translate(
             "       reportword --help | --version\n"
             "       reportword --check-template [--json] TEMPLATE...\n"
             "       reportword --check-report [--json] CODE REPORT...\n"
             "\n"
             "Makes two Word documents from a tab-separated analysis report, each from its own\n"
             "template, and saves them under the two targets.\n"
             "\n"
             "Codes (letter case is ignored):\n"
             "  9520e000          network run, Niederspannungsnetz\n"
             "  9570e000          network run, Signalkabelnetz\n"
             "  9500e000          network run, Hochspannung\n"
             "  STRAßENSANIERUNG  road-renovation run (also STRASSENSANIERUNG)\n"
             "  any other code    network run without a network name\n"
             "\n"
             "--check-template reads templates and writes nothing: it lists every\n"
             "placeholder with whether network and road runs fill it, then every finding\n"
             "(what will show wrong in the documents), one line each with its fix; --json\n"
             "gives the same as one JSON document. Exit status: 0 no findings, 4 findings,\n"
             "1 a template cannot be read, 2 wrong command line.\n"
             "\n"
             "--check-report reads reports as a run with CODE reads them and writes\n"
             "nothing: how the bytes are read, which lines give which table, the header\n"
             "values and the first rows, then every finding (a row lost or cut, a stray\n"
             "byte, mixed line ends), with the same statuses and --json.\n"
             "\n"
             "Exit status:\n"
             "  0  both documents written\n"
             "  1  generation error: the report, a template, a conversion or a save failed\n"
             "  2  empty or incomplete command line\n"
             "  3  an input check failed; nothing was read or written\n"
             "\n"
             "The manual: man reportword (on Windows: README.md beside the program).\n");
}

}  // namespace

// Writing the diagnostic must not turn a reported failure into an escaping one.
void PrintDiagnostic(std::ostream& diagnostics, std::string_view message) noexcept {
  try {
    diagnostics << kProgramTitle << ": " << text::EscapeForDisplay(message) << std::endl;
  } catch (...) {
  }
}

int Main(std::string_view argument_text, ProgramEnvironment& env) {
  try {
    // Only as the sole argument: "--help x" and every other command line are
    // read as a job, as callers have always had them read.
    if (argument_text == "--help" || argument_text == "--version") {
      if (argument_text == "--help") {
        PrintHelp(env.output);
      } else {
        env.output << "reportword " REPORTWORD_VERSION "\n";
      }
      env.output.flush();
      // Output that could not be written is a failure, not a success.
      return env.output ? kExitSuccess : kExitGenerationError;
    }
    JobState job;
    if (ParseCommandLine(argument_text, job, env.messages) != CommandLineResult::kComplete) {
      PrintDiagnostic(env.diagnostics, Usage());
      return kExitIncompleteCommandLine;
    }
    GenerationContext context{env.backend, env.dates, env.messages};
    switch (GenerateReports(job, context)) {
      case GenerationOutcome::kDocumentsWritten:
        return kExitSuccess;
      case GenerationOutcome::kInputCheckFailed:
        return kExitInputCheckFailed;
    }
    PrintDiagnostic(env.diagnostics, Translate("unexpected generation outcome"));
    return kExitGenerationError;
  } catch (const std::exception& failure) {
    // GenerationError included: its message already names the file concerned.
    PrintDiagnostic(env.diagnostics, DescribeFailure(failure));
    return kExitGenerationError;
  } catch (...) {
    PrintDiagnostic(env.diagnostics, Translate("unknown failure"));
    return kExitGenerationError;
  }
}

}  // namespace reportword
