// The reportword executable: a thin shell over the program entry.
#include <csignal>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/generation_error.h"
#include "core/message_box.h"
#include "docgen/date_text.h"
#include "main/platform.h"
#include "main/program.h"
#include "main/check_commands.h"
#include "text/translate.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
  // A write past the file-size limit then fails with an error that the save
  // reports and cleans up after, instead of killing the process half-way.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  reportword::text::ChooseMessageLanguage();
  const std::vector<std::string> arguments = reportword::ProgramArguments(argc, argv);
  if (reportword::IsTemplateCheckCommand(arguments)) {
    return reportword::RunTemplateCheckCommand(arguments, std::cout, std::cerr);
  }
  if (reportword::IsReportCheckCommand(arguments)) {
    return reportword::RunReportCheckCommand(arguments, std::cout, std::cerr);
  }
  if (const char* argument = reportword::ArgumentLostInTheText(argc, argv)) {
    reportword::PrintDiagnostic(
        std::cerr, reportword::text::Format(
                       reportword::text::Translate(
                           "the argument \"{0}\" holds a double quote, which would end its path "
                           "early; rename the file or folder without the double quote"),
                       argument));
    return reportword::kExitIncompleteCommandLine;
  }
  const std::string argument_text = reportword::ProgramArgumentText(argc, argv);
  try {
    std::unique_ptr<reportword::wordproc::Backend> backend = reportword::CreateDefaultBackend();
    reportword::LocaleDateSource dates;
    reportword::ConsoleMessageDisplay messages;
    reportword::ProgramEnvironment env{*backend, dates, messages, std::cerr, std::cout};
    return reportword::Main(argument_text, env);
  } catch (const std::exception& failure) {
    reportword::PrintDiagnostic(std::cerr, reportword::DescribeFailure(failure));
    return reportword::kExitGenerationError;
  }
}
