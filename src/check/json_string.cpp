#include "check/json_string.h"

#include "text/unicode.h"

namespace reportword::check {

std::string JsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (std::size_t pos = 0; pos < text.size();) {
    const char32_t cp = text::DecodeUtf8(text, pos);
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
