#include "app/command_line.h"
#include "app/entry/platform.h"

namespace reportword {

// The shell removed the quotes; they are put back around every argument.
std::string ProgramArgumentText(int argc, char** argv) {
  return BuildArgumentText(argc, argv);
}

const char* ArgumentLostInTheText(int argc, char** argv) {
  return ArgumentWithDoubleQuote(argc, argv);
}

}  // namespace reportword
