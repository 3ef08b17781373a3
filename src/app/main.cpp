// The reportword executable: a thin shell over the core library.
#include <csignal>
#include <iostream>
#include <string>

#include "app/command_line.h"
#include "app/message_box.h"
#include "app/program.h"
#include "docgen/date_text.h"

#ifdef REPORTWORD_AUTOMATION
#include "docgen/wordproc/automation/automation_backend.h"
#else
#include "docgen/wordproc/docx/docx_engine.h"
#endif

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
#ifdef SIGXFSZ
  // A write past the file-size limit then fails with an error that the save
  // reports and cleans up after, instead of killing the process half-way.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
#ifdef _WIN32
  // The caller's own command line, quotes and all, in UTF-16.
  (void)argc;
  (void)argv;
  const wchar_t* raw = GetCommandLineW();
  const std::wstring_view wide(raw ? raw : L"");
  const std::string argument_text = reportword::ArgumentTextFromWindowsCommandLine(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
#else
  const std::string argument_text = reportword::BuildArgumentText(argc, argv);
#endif
  try {
#ifdef REPORTWORD_AUTOMATION
    // Starting COM can fail before any document step; that is a generation error too.
    reportword::automation::AutomationBackend backend;
#else
    reportword::docx::DocxBackend backend;
#endif
    reportword::LocaleDateSource dates;
    reportword::ConsoleMessageDisplay messages;
    reportword::ProgramEnvironment env{backend, dates, messages, std::cerr};
    return reportword::Main(argument_text, env);
  } catch (const std::exception& failure) {
    std::cerr << reportword::kProgramTitle << ": " << failure.what() << std::endl;
    return reportword::kExitGenerationError;
  }
}
