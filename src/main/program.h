// The program entry: reads the command line into a fresh job state and, when
// all five paths were given, has the two documents generated; "--help" and
// "--version" alone print the help or the version. Returns the process exit
// status.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "generation/date_text.h"
#include "job/message_box.h"
#include "wordproc/word_processor.h"

namespace reportword {

enum ExitStatus : int {
  kExitSuccess = 0,          // both documents written
  kExitGenerationError = 1,  // report, template, engine or save failed
  kExitIncompleteCommandLine = 2,
  kExitInputCheckFailed = 3,  // a template, the report or a target is missing
  kExitTemplateFindings = 4,  // the template check found something to fix
};

struct ProgramEnvironment {
  wordproc::Backend& backend;
  DateSource& dates;
  MessageDisplay& messages;
  std::ostream& diagnostics;  // one-line diagnostics (usage, generation errors)
  std::ostream& output;       // what was asked for: the help or the version
};

int Main(std::string_view argument_text, ProgramEnvironment& env);

// The executable's whole run from its arguments, on the real console, file
// system and backend: the template check or a run. Returns the exit status.
int RunExecutable(int argc, char** argv);

// Writes "Velam_Analyse: MESSAGE" as one line: control characters in the
// message (a file name's above all) are escaped, so that nothing can end the
// line early or reach the terminal. Never throws.
void PrintDiagnostic(std::ostream& diagnostics, std::string_view message) noexcept;

}  // namespace reportword
