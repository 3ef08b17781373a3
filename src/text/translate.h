// Messages in the reader's language. Every message the program writes itself
// is written in English in the code, marked with Translate, and looked up in the
// program's message catalog (po/<language>.po, compiled into
// locale/<language>/LC_MESSAGES/reportword.mo). Without a catalog for the
// language, or before ChooseMessageLanguage, the English text is used.
//
// A message is translated whole: values go into placeholders of one sentence,
// never sentences glued from translated pieces, since word order differs
// between languages:
//
//   Format(Translate("cannot save \"{0}\": {1}"), path, reason)
//
// Placeholders are numbered, so that a translation may put them in another
// order; a test checks that each translation keeps every one.
#pragma once

#include <array>
#include <concepts>
#include <span>
#include <string>
#include <string_view>

namespace reportword::text {

// Takes the message language from the environment (LC_ALL, LC_MESSAGES, LANG,
// as setlocale reads them) and finds the program's catalog. Call once at the
// start of the program, before any other thread runs; it changes no other
// locale category, so number formats and dates are not affected.
void ChooseMessageLanguage();

// The translation of `english` into the chosen language, or `english` itself.
// `english` is a string literal: the catalog is found by its exact text, and
// the extraction of messages (scripts/update-po.sh) reads it from the source.
const char* Translate(const char* english);

// While one lives, messages are English whatever the reader's language: the
// program's own (Translate gives `english`) and, where the system translates
// them, its error texts. For output that scripts read. Not for use while other
// threads translate.
class EnglishMessages {
 public:
  EnglishMessages();
  ~EnglishMessages();
  EnglishMessages(const EnglishMessages&) = delete;
  EnglishMessages& operator=(const EnglishMessages&) = delete;

 private:
  std::string previous_;  // the message locale to go back to
};

namespace format_detail {
inline std::string Text(std::string_view value) {
  return std::string(value);
}
template <std::integral Number>
std::string Text(Number value) {
  return std::to_string(value);
}
std::string FormatTexts(std::string_view pattern, std::span<const std::string> values);
}  // namespace format_detail

// `pattern` with each "{N}" replaced by the N-th value (counting from 0) and
// "{{" and "}}" by single braces. Values are texts or integers. A placeholder
// without a value stays as it is.
template <typename... Values>
std::string Format(std::string_view pattern, const Values&... values) {
  const std::array<std::string, sizeof...(Values)> texts{format_detail::Text(values)...};
  return format_detail::FormatTexts(pattern, texts);
}

}  // namespace reportword::text
