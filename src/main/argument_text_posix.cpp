#include "job/command_line.h"
#include "main/platform.h"

namespace reportword {

// The shell removed the quotes; they are put back around every argument.
std::string ProgramArgumentText(int argc, char** argv) {
  return BuildArgumentText(argc, argv);
}

const char* ArgumentLostInTheText(int argc, char** argv) {
  return ArgumentWithDoubleQuote(argc, argv);
}

}  // namespace reportword
