// JSON string literals for the check's machine-readable form.
#pragma once

#include <string>
#include <string_view>

namespace reportword::check {

// `text` as a JSON string literal, quotes included: quote, backslash and
// control characters escaped, bytes that are not UTF-8 replaced by U+FFFD, so
// that the result is always valid JSON in UTF-8.
std::string JsonString(std::string_view text);

}  // namespace reportword::check
