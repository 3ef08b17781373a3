// The date placed in the page header: "dd-MMM-yyyy" with the abbreviated month
// name of the user's locale (LC_TIME), e.g. "06-Dez-2026" under de_DE.
#pragma once

#include <ctime>
#include <functional>
#include <string>

namespace reportword {

class DateSource {
 public:
  virtual ~DateSource() = default;
  // The current date as text, formed anew on every call.
  virtual std::string DateText() = 0;
};

// Reads the clock on every call and formats with the month names of a locale.
class LocaleDateSource : public DateSource {
 public:
  using Clock = std::function<std::time_t()>;
  // An empty `locale_name` takes LC_TIME from the environment (LC_ALL, LC_TIME,
  // LANG); a name that is not installed falls back to the C locale.
  explicit LocaleDateSource(std::string locale_name = "", Clock clock = nullptr);
  std::string DateText() override;

 private:
  std::string locale_name_;
  Clock clock_;
};

// Formats a broken-down local date; the month name comes from `locale_name`
// ("" meaning the environment's LC_TIME) and is returned as UTF-8.
std::string FormatDateText(const std::tm& date, const std::string& locale_name);

}  // namespace reportword
