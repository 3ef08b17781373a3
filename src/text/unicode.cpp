#include "text/unicode.h"

#include <utf8proc.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace reportword::text {
namespace {

// Bytes outside well-formed UTF-8 are mapped to lone surrogates U+DC80..U+DCFF
// for comparison purposes: distinct from every real character and from each
// other, and never produced by decoding valid text.
char32_t DecodeForComparison(std::string_view s, std::size_t& pos) {
  char32_t cp = 0;
  if (TryDecodeUtf8(s, pos, cp)) return cp;
  return 0xDC00u + static_cast<unsigned char>(s[pos++]);
}

char32_t FoldCodePoint(char32_t cp) {
  if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
  if (cp >= 0xD800 && cp <= 0xDFFF) return cp;
  utf8proc_int32_t folded[4];
  int last_boundclass = 0;
  utf8proc_ssize_t n = utf8proc_decompose_char(static_cast<utf8proc_int32_t>(cp), folded, 4,
                                               UTF8PROC_CASEFOLD, &last_boundclass);
  if (n == 1) return static_cast<char32_t>(folded[0]);
  // Full folding would expand (ß -> ss); simple folding maps one to one.
  return static_cast<char32_t>(utf8proc_tolower(static_cast<utf8proc_int32_t>(cp)));
}

}  // namespace

std::string_view TrimSpaces(std::string_view s) {
  std::size_t begin = s.find_first_not_of(' ');
  if (begin == std::string_view::npos) return {};
  std::size_t end = s.find_last_not_of(' ');
  return s.substr(begin, end - begin + 1);
}

std::string TrimmedCopy(std::string_view s) {
  return std::string(TrimSpaces(s));
}

std::u32string FoldCase(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();)
    out.push_back(FoldCodePoint(DecodeForComparison(utf8, pos)));
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return FoldCase(a) == FoldCase(b);
}

bool IsValidUtf8(std::string_view s) {
  char32_t cp = 0;
  for (std::size_t pos = AsciiPrefixLength(s); pos < s.size();) {
    if (!TryDecodeUtf8(s, pos, cp)) return false;
    pos += AsciiPrefixLength(s.substr(pos));
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
  utf8proc_uint8_t buffer[4];
  utf8proc_ssize_t n = utf8proc_encode_char(static_cast<utf8proc_int32_t>(cp), buffer);
  if (n <= 0) {
    n = utf8proc_encode_char(0xFFFD, buffer);
  }
  out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
}

// The one place that decodes UTF-8.
bool TryDecodeUtf8(std::string_view s, std::size_t& pos, char32_t& cp) {
  utf8proc_int32_t value = 0;
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(s.data() + pos);
  const utf8proc_ssize_t n =
      utf8proc_iterate(bytes, static_cast<utf8proc_ssize_t>(s.size() - pos), &value);
  if (n <= 0) return false;
  pos += static_cast<std::size_t>(n);
  cp = static_cast<char32_t>(value);
  return true;
}

std::size_t AsciiPrefixLength(std::string_view bytes) {
  std::size_t pos = 0;
  for (; pos + 8 <= bytes.size(); pos += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + pos, sizeof word);
    if (word & 0x8080808080808080u) break;
  }
  while (pos < bytes.size() && static_cast<unsigned char>(bytes[pos]) < 0x80) ++pos;
  return pos;
}

char32_t DecodeUtf8(std::string_view s, std::size_t& pos) {
  char32_t cp = 0;
  if (TryDecodeUtf8(s, pos, cp)) return cp;
  ++pos;
  return 0xFFFD;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = DecodeUtf8(utf8, pos);
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf32ToUtf8(std::u32string_view utf32) {
  std::string out;
  out.reserve(utf32.size());
  for (const char32_t cp : utf32) AppendUtf8(out, cp);
  return out;
}

bool IsWhiteSpace(char32_t cp) {
  if (cp == '\t' || cp == '\n' || cp == '\r' || cp == '\v' || cp == '\f') return true;
  return utf8proc_category(static_cast<utf8proc_int32_t>(cp)) == UTF8PROC_CATEGORY_ZS;
}

bool IsLetterOrDigit(char32_t cp) {
  switch (utf8proc_category(static_cast<utf8proc_int32_t>(cp))) {
    case UTF8PROC_CATEGORY_LU:
    case UTF8PROC_CATEGORY_LL:
    case UTF8PROC_CATEGORY_LT:
    case UTF8PROC_CATEGORY_LM:
    case UTF8PROC_CATEGORY_LO:
    case UTF8PROC_CATEGORY_ND:
    case UTF8PROC_CATEGORY_NL:
    case UTF8PROC_CATEGORY_NO:
      return true;
    default:
      return false;
  }
}

std::size_t DisplayWidth(std::string_view utf8) {
  std::size_t width = 0;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const int columns = utf8proc_charwidth(static_cast<utf8proc_int32_t>(DecodeUtf8(utf8, pos)));
    width += columns > 0 ? static_cast<std::size_t>(columns) : 0;
  }
  return width;
}

std::string UpperCaseFirstCharacter(std::string_view s) {
  std::size_t pos = 0;
  char32_t cp = 0;
  if (!TryDecodeUtf8(s, pos, cp)) return std::string(s);  // not a character: leave the bytes alone
  std::string out;
  AppendUtf8(out, static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(cp))));
  out.append(s.substr(pos));
  return out;
}

}  // namespace reportword::text
