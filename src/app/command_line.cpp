#include "app/command_line.h"

namespace reportword {

int ParseCommandLine(std::string_view, JobState&, MessageDisplay&) { return kCommandLineIncomplete; }
std::string BuildArgumentText(int, const char* const*) { return {}; }

}  // namespace reportword
