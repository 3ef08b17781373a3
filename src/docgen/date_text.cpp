#include "docgen/date_text.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "text/unicode.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#endif

namespace reportword {
namespace {

#ifdef _WIN32

// The month name as the Windows locale gives it: the user's default locale,
// or the one named ("de_DE.UTF-8" and "de-DE" both name German (Germany)).
std::string AbbreviatedMonthName(int month_index, const std::string& locale_name) {
  static const char* const kCMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (month_index < 0 || month_index > 11) return "???";
  std::string name = locale_name.substr(0, locale_name.find('.'));
  for (char& c : name) {
    if (c == '_') c = '-';
  }
  if (name == "C" || name == "POSIX") return kCMonths[month_index];
  const std::u16string wide_name = text::Utf8ToUtf16(name);
  SYSTEMTIME date{};
  date.wYear = 2000;
  date.wMonth = static_cast<WORD>(month_index + 1);
  date.wDay = 1;
  wchar_t buffer[64] = {};
  const int n = GetDateFormatEx(
      name.empty() ? LOCALE_NAME_USER_DEFAULT : reinterpret_cast<const wchar_t*>(wide_name.c_str()),
      0, &date, L"MMM", buffer, 64, nullptr);
  if (n <= 1) return kCMonths[month_index];
  return text::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(buffer),
                                               static_cast<std::size_t>(n - 1)));
}

#else

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

std::string AbbreviatedMonthName(int month_index, const std::string& locale_name) {
  static const char* const kCMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (month_index < 0 || month_index > 11) return "???";
  const std::string name = locale_name.empty() ? EnvironmentTimeLocale() : locale_name;
  locale_t loc = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, name.c_str(), static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) {
    loc = newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(0));
  }
  if (loc == static_cast<locale_t>(0)) return kCMonths[month_index];
  std::string month = nl_langinfo_l(static_cast<nl_item>(ABMON_1 + month_index), loc);
  std::string codeset = nl_langinfo_l(CODESET, loc);
  freelocale(loc);
  month = ToUtf8(month, codeset.c_str());
  return month.empty() ? kCMonths[month_index] : month;
}

#endif

}  // namespace

std::string FormatDateText(const std::tm& date, const std::string& locale_name) {
  char day[8];
  char year[16];
  std::snprintf(day, sizeof day, "%02d", date.tm_mday);
  std::snprintf(year, sizeof year, "%04d", date.tm_year + 1900);
  return std::string(day) + "-" + AbbreviatedMonthName(date.tm_mon, locale_name) + "-" + year;
}

LocaleDateSource::LocaleDateSource(std::string locale_name, Clock clock)
    : locale_name_(std::move(locale_name)), clock_(std::move(clock)) {}

std::string LocaleDateSource::DateText() {
  const std::time_t now = clock_ ? clock_() : std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return FormatDateText(local, locale_name_);
}

}  // namespace reportword
