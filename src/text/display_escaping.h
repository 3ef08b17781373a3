// Text from outside (file names above all) made safe to print inside a
// one-line message: nothing in it may end the line or reach the terminal as a
// control sequence.
#pragma once

#include <string>
#include <string_view>

namespace reportword::text {

// `text` with every control character (C0, DEL, C1) and the Unicode line and
// paragraph separators written as an escape: "\n", "\r", "\t", "\x1b",
// "\u0085", "\u2028". Each byte that is not part of well-formed UTF-8 becomes
// "\xNN", so that two different names never print alike. A backslash stays as
// it is: Windows paths are full of them.
std::string EscapeForDisplay(std::string_view text);

}  // namespace reportword::text
