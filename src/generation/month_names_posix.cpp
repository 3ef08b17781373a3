#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cstdlib>

#include "generation/month_names.h"
#include "text/unicode.h"

namespace reportword {
namespace {

// The environment's LC_TIME setting, resolved as setlocale would.
std::string EnvironmentTimeLocale() {
  for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

// Converts a text in the locale's character set to UTF-8. Month names are
// short; a failed conversion keeps only the ASCII bytes rather than passing
// bytes of another encoding on.
std::string ToUtf8(const std::string& text, const char* codeset) {
  if (text::IsValidUtf8(text)) return text;
  std::string out;
  iconv_t cd = iconv_open("UTF-8", codeset);
  if (cd != reinterpret_cast<iconv_t>(-1)) {
    std::string input = text;
    char* in = input.data();
    std::size_t in_left = input.size();
    char buffer[256];
    char* dst = buffer;
    std::size_t out_left = sizeof buffer;
    if (iconv(cd, &in, &in_left, &dst, &out_left) != static_cast<std::size_t>(-1)) {
      out.assign(buffer, static_cast<std::size_t>(dst - buffer));
    }
    iconv_close(cd);
    if (!out.empty() && text::IsValidUtf8(out)) return out;
  }
  out.clear();
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x80) out.push_back(c);
  }
  return out;
}

}  // namespace

std::string AbbreviatedMonthName(int month_index, const std::string& locale_name) {
  const std::string name = locale_name.empty() ? EnvironmentTimeLocale() : locale_name;
  locale_t loc = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, name.c_str(), static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) {
    loc = newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(0));
  }
  if (loc == static_cast<locale_t>(0)) return "";
  std::string month = nl_langinfo_l(static_cast<nl_item>(ABMON_1 + month_index), loc);
  const std::string codeset = nl_langinfo_l(CODESET, loc);
  freelocale(loc);
  return ToUtf8(month, codeset.c_str());
}

std::tm LocalDate(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  return local;
}

}  // namespace reportword
