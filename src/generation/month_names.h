// The platform side of the header date: the local calendar date and the
// abbreviated month names of a locale. One implementation per platform
// (month_names_posix.cpp, month_names_win32.cpp).
#pragma once

#include <ctime>
#include <string>

namespace reportword {

// The month names of the C locale, also the fallback when a locale has none.
inline constexpr const char* kCMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The abbreviated name of month `month_index` (0 to 11) in the locale named
// `locale_name` ("" meaning the user's own), as UTF-8; "" when the locale
// cannot give it.
std::string AbbreviatedMonthName(int month_index, const std::string& locale_name);

// `when` as a broken-down local date.
std::tm LocalDate(std::time_t when);

}  // namespace reportword
