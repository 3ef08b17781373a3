#include "generation/date_text.h"

#include <cstdio>
#include <utility>

#include "generation/month_names.h"

namespace reportword {

std::string FormatDateText(const std::tm& date, const std::string& locale_name) {
  char day[8];
  char year[16];
  std::snprintf(day, sizeof day, "%02d", date.tm_mday);
  std::snprintf(year, sizeof year, "%04d", date.tm_year + 1900);
  std::string month = "???";
  if (date.tm_mon >= 0 && date.tm_mon <= 11) {
    month = AbbreviatedMonthName(date.tm_mon, locale_name);
    if (month.empty()) month = kCMonthNames[date.tm_mon];
  }
  return std::string(day) + "-" + month + "-" + year;
}

LocaleDateSource::LocaleDateSource(std::string locale_name, Clock clock)
    : locale_name_(std::move(locale_name)), clock_(std::move(clock)) {}

std::string LocaleDateSource::DateText() {
  const std::time_t now = clock_ ? clock_() : std::time(nullptr);
  return FormatDateText(LocalDate(now), locale_name_);
}

}  // namespace reportword
