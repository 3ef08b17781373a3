#include "app/program.h"

namespace reportword {

int Main(std::string_view, ProgramEnvironment&) { return kExitGenerationError; }

}  // namespace reportword
