// UTF-8 text helpers shared by every layer. All case-insensitive comparisons of
// the program go through here, so that they agree with each other and are
// Unicode-aware rather than ASCII-only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace reportword::text {

// Removes leading and trailing U+0020 only; tabs and other white space stay.
std::string_view TrimSpaces(std::string_view s);
std::string TrimmedCopy(std::string_view s);
inline bool IsBlank(std::string_view s) {
  return TrimSpaces(s).empty();
}

// Simple (one-to-one) Unicode case folding of a whole UTF-8 text. Bytes that are
// not valid UTF-8 fold to themselves, so any byte string can be compared.
std::u32string FoldCase(std::string_view utf8);

// Equality ignoring case, by simple case folding ("Äußere" equals "äUßERE",
// but "ß" does not equal "ss").
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view s);

// Appends the UTF-8 encoding of one code point.
void AppendUtf8(std::string& out, char32_t cp);

// Decodes the code point at `pos` and advances `pos` past it; false, with `pos`
// unchanged, when the bytes there are not a well-formed sequence.
bool TryDecodeUtf8(std::string_view s, std::size_t& pos, char32_t& cp);

// The number of ASCII bytes at the start of `bytes` (checked eight at a time:
// reports are mostly ASCII).
std::size_t AsciiPrefixLength(std::string_view bytes);

// Decodes one code point at `pos`; advances `pos`. Returns U+FFFD for a byte
// that does not start a well-formed sequence and advances by one byte.
char32_t DecodeUtf8(std::string_view s, std::size_t& pos);

// UTF-16 (the Windows API's text) to UTF-8 and back. An unpaired surrogate
// becomes U+FFFD; invalid UTF-8 bytes become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);
std::u16string Utf8ToUtf16(std::string_view utf8);

// UTF-32 to UTF-8; a value that is not a character becomes U+FFFD.
std::string Utf32ToUtf8(std::u32string_view utf32);

// Whether a code point is white space: a space separator (also the no-break
// ones), tab or line end.
bool IsWhiteSpace(char32_t cp);

// Whether a code point is a letter or a digit of any script.
bool IsLetterOrDigit(char32_t cp);

// The columns a text takes in a terminal: wide East Asian characters count
// two, combining marks none.
std::size_t DisplayWidth(std::string_view utf8);

// The first character upper-cased (Unicode simple mapping), the rest unchanged.
std::string UpperCaseFirstCharacter(std::string_view s);

}  // namespace reportword::text
