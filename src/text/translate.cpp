// The parts of translation that every platform shares; the catalog lookup is in
// translate_posix.cpp and translate_win32.cpp.
#include "text/translate.h"

namespace reportword::text::format_detail {

std::string FormatTexts(std::string_view pattern, std::span<const std::string> values) {
  std::string out;
  out.reserve(pattern.size());
  std::size_t pos = 0;
  while (pos < pattern.size()) {
    const char c = pattern[pos];
    if ((c == '{' || c == '}') && pos + 1 < pattern.size() && pattern[pos + 1] == c) {
      out.push_back(c);
      pos += 2;
      continue;
    }
    if (c == '{') {
      const std::size_t close = pattern.find('}', pos + 1);
      const std::string_view index_text = close == std::string_view::npos
                                              ? std::string_view()
                                              : pattern.substr(pos + 1, close - pos - 1);
      std::size_t index = 0;
      bool is_index = !index_text.empty() && index_text.size() <= 3;
      for (char digit : index_text) {
        if (digit < '0' || digit > '9') is_index = false;
        index = index * 10 + static_cast<std::size_t>(digit - '0');
      }
      if (is_index && index < values.size()) {
        out += values[index];
        pos = close + 1;
        continue;
      }
    }
    out.push_back(c);
    ++pos;
  }
  return out;
}

}  // namespace reportword::text::format_detail
