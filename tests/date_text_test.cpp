#include "generation/date_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace reportword {
namespace {

std::tm Date(int year, int month, int day) {
  std::tm date{};
  date.tm_year = year - 1900;
  date.tm_mon = month - 1;
  date.tm_mday = day;
  return date;
}

// An unknown locale gives the English month names.
TEST(DateTextTest, FormatsWithTwoDigitDayAndFourDigitYear) {
  EXPECT_EQ(FormatDateText(Date(2026, 12, 6), "C"), "06-Dec-2026");
  EXPECT_EQ(FormatDateText(Date(2026, 1, 31), "C"), "31-Jan-2026");
  EXPECT_EQ(FormatDateText(Date(987, 5, 1), "C"), "01-May-0987");
  EXPECT_EQ(FormatDateText(Date(2026, 10, 3), "xx_NOPE.UTF-8"), "03-Oct-2026") << "English names";
}

TEST(DateTextTest, UsesTheMonthNamesOfTheLocaleAsUtf8) {
  if (!test::LocaleInstalled("de_DE.UTF-8")) {
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed on this machine";
  }
  EXPECT_EQ(FormatDateText(Date(2026, 12, 6), "de_DE.UTF-8"), "06-Dez-2026");
  EXPECT_EQ(FormatDateText(Date(2026, 3, 15), "de_DE.UTF-8"), "15-Mär-2026");
}

TEST(DateTextTest, LocaleDateSourceReadsTheClockOnEveryCall) {
  // Noon UTC gives the same local date in every zone from UTC-11 to UTC+11.
  const std::vector<std::time_t> noon_times{1796558400, 1796644800};  // 6 and 7 Dec 2026
  std::size_t reads = 0;
  LocaleDateSource dates("C", [&] { return noon_times[reads++ % noon_times.size()]; });
  EXPECT_EQ(dates.DateText(), "06-Dec-2026");
  EXPECT_EQ(dates.DateText(), "07-Dec-2026");
  EXPECT_EQ(reads, 2u);
}

}  // namespace
}  // namespace reportword
