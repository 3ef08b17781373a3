#include <windows.h>

#include "generation/month_names.h"
#include "text/unicode.h"

namespace reportword {

// The month name as the Windows locale gives it: the user's default locale,
// or the one named ("de_DE.UTF-8" and "de-DE" both name German (Germany)).
std::string AbbreviatedMonthName(int month_index, const std::string& locale_name) {
  std::string name = locale_name.substr(0, locale_name.find('.'));
  for (char& c : name) {
    if (c == '_') c = '-';
  }
  if (name == "C" || name == "POSIX") return kCMonthNames[month_index];
  const std::u16string wide_name = text::Utf8ToUtf16(name);
  SYSTEMTIME date{};
  date.wYear = 2000;
  date.wMonth = static_cast<WORD>(month_index + 1);
  date.wDay = 1;
  wchar_t buffer[64] = {};
  const int n = GetDateFormatEx(
      name.empty() ? LOCALE_NAME_USER_DEFAULT : reinterpret_cast<const wchar_t*>(wide_name.c_str()),
      0, &date, L"MMM", buffer, 64, nullptr);
  if (n <= 1) return "";
  return text::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(buffer),
                                               static_cast<std::size_t>(n - 1)));
}

std::tm LocalDate(std::time_t when) {
  std::tm local{};
  localtime_s(&local, &when);
  return local;
}

}  // namespace reportword
