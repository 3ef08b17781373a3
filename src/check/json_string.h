// JSON string literals for the check's machine-readable form.
#pragma once

#include <string>
#include <string_view>

namespace reportword::check {

// `text` as a JSON string literal, quotes included: quote, backslash and
// control characters escaped, and each byte that is not part of well-formed
// UTF-8 written as the escape of the lone surrogate U+DC00 + byte ("\udcff"
// for 0xFF), so that the result is UTF-8 and no two texts give the same
// literal.
std::string JsonString(std::string_view text);

}  // namespace reportword::check
