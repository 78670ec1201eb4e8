// Number and date-time texts as the report writes them, in the conventions of a locale.
//
// Amounts use the pattern "0," (a whole number with thousands separators), percentages
// "0.,0" (one decimal place). Both round half away from zero on the value as a person reads
// it: 6.25 gives 6.3 and 12.35 gives 12.4, although 12.35 is stored as 12.3499... in binary.
// A value that rounds to zero has no minus sign. Date-times are the short date, one blank
// and the long time; at exactly midnight the date stands alone.
#pragma once

#include <string>

namespace quarvex::text {

struct LocalDateTime {
  int year = 2000, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
};

// The current local time of this machine.
LocalDateTime CurrentLocalDateTime();

class TextLocale {
 public:
  enum class DateOrder { YearMonthDay, MonthDayYear, DayMonthYear };

  // The conventions of a Japanese Windows host: "," and ".", YYYY/MM/DD and H:MM:SS.
  static TextLocale Japanese();
  // The host's locale (LC_ALL / LC_NUMERIC / LC_TIME / LANG) where one is set; the Japanese
  // conventions for the C and POSIX locales, and wherever the locale cannot be read.
  static TextLocale FromEnvironment();

  std::string Amount(double value) const;      // "0,"
  std::string Percentage(double value) const;  // "0.,0"
  std::string DateTime(const LocalDateTime& t) const;

  std::string thousandsSeparator = ",";
  std::string decimalPoint = ".";
  // When set, strftime formats of the host locale replace the fixed Japanese forms.
  std::string dateFormat;  // e.g. "%m/%d/%Y"
  std::string timeFormat;  // e.g. "%I:%M:%S %p"

 private:
  std::string Number(double value, int decimals) const;
};

// Rounds the decimal text of value to `decimals` places, half away from zero, and returns
// the digits without sign or grouping, plus whether the result is negative and non-zero.
struct RoundedDecimal {
  std::string integerDigits;
  std::string fractionDigits;
  bool negative = false;
};
RoundedDecimal RoundDecimal(double value, int decimals);

}  // namespace quarvex::text
