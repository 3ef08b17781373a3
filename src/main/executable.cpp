#include <csignal>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "generation/date_text.h"
#include "job/generation_error.h"
#include "job/message_box.h"
#include "main/check_commands.h"
#include "main/platform.h"
#include "main/program.h"
#include "text/translate.h"

namespace reportword {

int RunExecutable(int argc, char** argv) {
#ifdef SIGXFSZ
  // A write past the file-size limit then fails with an error that the save
  // reports and cleans up after, instead of killing the process half-way.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  text::ChooseMessageLanguage();
  const std::vector<std::string> arguments = ProgramArguments(argc, argv);
  if (IsTemplateCheckCommand(arguments)) {
    return RunTemplateCheckCommand(arguments, std::cout, std::cerr);
  }
  if (IsReportCheckCommand(arguments)) {
    return RunReportCheckCommand(arguments, std::cout, std::cerr);
  }
  if (const char* argument = ArgumentLostInTheText(argc, argv)) {
    PrintDiagnostic(std::cerr, text::Format(text::Translate("the argument \"{0}\" holds a double "
                                                            "quote, which would end its path "
                                                            "early; rename the file or folder "
                                                            "without the double quote"),
                                            argument));
    return kExitIncompleteCommandLine;
  }
  const std::string argument_text = ProgramArgumentText(argc, argv);
  try {
    std::unique_ptr<wordproc::Backend> backend = CreateDefaultBackend();
    LocaleDateSource dates;
    ConsoleMessageDisplay messages;
    ProgramEnvironment env{*backend, dates, messages, std::cerr, std::cout};
    return Main(argument_text, env);
  } catch (const std::exception& failure) {
    PrintDiagnostic(std::cerr, DescribeFailure(failure));
    return kExitGenerationError;
  }
}

}  // namespace reportword
