// The reportword executable: a thin shell over the core library.
#include <csignal>
#include <iostream>
#include <string>

#include "app/command_line.h"
#include "app/message_box.h"
#include "app/program.h"
#include "docgen/date_text.h"
#include "docgen/wordproc/docx/docx_engine.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
  // A write past the file-size limit then fails with an error that the save
  // reports and cleans up after, instead of killing the process half-way.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  const std::string argument_text = reportword::BuildArgumentText(argc, argv);
  reportword::docx::DocxBackend backend;
  reportword::LocaleDateSource dates;
  reportword::ConsoleMessageDisplay messages;
  reportword::ProgramEnvironment env{backend, dates, messages, std::cerr};
  return reportword::Main(argument_text, env);
}
