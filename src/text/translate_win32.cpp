#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "text/message_catalog.h"
#include "text/translate.h"
#include "text/unicode.h"

namespace reportword::text {

// Made by the build from po/*.po (cmake/embed_catalogs.cmake).
std::string_view BuiltInCatalog(std::string_view language);

namespace {

std::optional<MessageCatalog>& Catalog() {
  static std::optional<MessageCatalog> catalog;
  return catalog;
}

bool english_only = false;  // an EnglishMessages lives

// The message locale as gettext takes it: LC_ALL, LC_MESSAGES, LANG, and
// without them the language of the user's Windows display ("de-DE").
std::string MessageLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  const LCID user_language = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
  if (LCIDToLocaleName(user_language, name, LOCALE_NAME_MAX_LENGTH, 0) <= 0) return "C";
  return Utf16ToUtf8(reinterpret_cast<const char16_t*>(name));
}

}  // namespace

// Windows's C library has no gettext, and the program is one self-contained
// file: its catalogs are built into it and read from memory.
void ChooseMessageLanguage() {
  const std::string locale = MessageLocale();
  const std::string language = locale.substr(0, locale.find_first_of("_-.@"));
  Catalog().emplace(BuiltInCatalog(language));
}

const char* Translate(const char* english) {
  const std::optional<MessageCatalog>& catalog = Catalog();
  if (!catalog || english_only) return english;
  const char* translated = catalog->Find(english);
  return translated != nullptr ? translated : english;
}

// System error texts (FormatMessageW) stay in the system's language.
EnglishMessages::EnglishMessages() : previous_(english_only ? "1" : "") {
  english_only = true;
}

EnglishMessages::~EnglishMessages() {
  english_only = !previous_.empty();
}

}  // namespace reportword::text
