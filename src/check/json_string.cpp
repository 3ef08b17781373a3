#include "check/json_string.h"

#include "text/unicode.h"

namespace reportword::check {

std::string JsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t cp = 0;
    if (!text::TryDecodeUtf8(text, pos, cp)) {
      // A byte that is not UTF-8 (a Linux file name may hold any) becomes the
      // lone surrogate U+DC00 + byte, as Python's "surrogateescape" has it: no
      // UTF-8 text holds a surrogate, so different names stay different.
      const auto byte = static_cast<unsigned char>(text[pos++]);
      out += "\\udc";
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0xF]);
      continue;
    }
    switch (cp) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (cp < 0x20) {
          out += "\\u00";
          out.push_back(kHex[cp >> 4]);
          out.push_back(kHex[cp & 0xF]);
        } else {
          text::AppendUtf8(out, cp);
        }
    }
  }
  return out + "\"";
}

}  // namespace reportword::check
