// Reads the command line into the job state.
#pragma once

#include <string>
#include <string_view>

#include "job/job_state.h"
#include "job/message_box.h"

namespace reportword {

// The result of reading the command line; the values are those callers of
// the original program saw.
enum class CommandLineResult : int {
  kIncomplete = 0,
  kComplete = 3,  // five quoted fields were opened
  kEmpty = 4,     // empty or blanks only
};

// Sets the network name and the mode as the code `first_word` asks: one of
// the network codes, the road-renovation keyword, or any other word (a network
// run without a network name).
void ApplyCode(std::string_view first_word, JobState& job);

// Parses the argument text (the command line without the program's name).
// A
// run-time error inside (the quoted-field counter passing 32767) is shown
// through `messages` and gives kIncomplete.
CommandLineResult ParseCommandLine(std::string_view argument_text, JobState& job,
                                   MessageDisplay& messages);

// The argument text on systems whose shell already removed the double quotes:
// the first argument as it stands, then every further argument in double
// quotes, joined by single blanks. argv[0] (the program) is not included.
std::string BuildArgumentText(int argc, const char* const* argv);

// The first argument after the code (argv[2] on) that holds a double quote, or
// nullptr. The argument text cannot carry such an argument: its quote would end
// the path early and let the rest of it stand as further paths.
const char* ArgumentWithDoubleQuote(int argc, const char* const* argv);

// The argument text on Windows: the raw command line (as GetCommandLineW gives
// it) without the program's name, split off as Windows splits argv[0] (up to
// the closing quote when it starts with one, else up to the first blank or
// tab), and without the blanks that separate it from the arguments.
std::string ArgumentTextFromWindowsCommandLine(std::u16string_view command_line);

}  // namespace reportword
