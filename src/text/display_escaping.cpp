#include "text/display_escaping.h"

#include "text/unicode.h"

namespace reportword::text {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendByteEscape(std::string& out, unsigned char byte) {
  out += "\\x";
  out.push_back(kHex[byte >> 4]);
  out.push_back(kHex[byte & 0xF]);
}

}  // namespace

std::string EscapeForDisplay(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t cp = 0;
    const std::size_t start = pos;
    if (!TryDecodeUtf8(text, pos, cp)) {
      AppendByteEscape(out, static_cast<unsigned char>(text[pos]));
      ++pos;
      continue;
    }
    switch (cp) {
      case '\n':
        out += "\\n";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\t':
        out += "\\t";
        continue;
      default:
        break;
    }
    if (cp < 0x20 || cp == 0x7F) {
      AppendByteEscape(out, static_cast<unsigned char>(cp));
    } else if ((cp >= 0x80 && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029) {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(cp >> shift) & 0xF]);
    } else {
      out.append(text.substr(start, pos - start));
    }
  }
  return out;
}

}  // namespace reportword::text
