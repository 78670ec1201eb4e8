// Number patterns and date-time texts of the report.
#include <gtest/gtest.h>

#include <cstdlib>

#include "text/text_locale.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

TEST(TextLocale, AmountsAndPercentagesRoundHalfAwayFromZeroAsWritten) {
  struct Case {
    double value;
    const char* amount;
    const char* percentage;
  };
  const Case cases[] = {
      {0, "0", "0.0"},
      {12345.6, "12,346", "12,345.6"},
      {85.449, "85", "85.4"},
      {6.25, "6", "6.3"},
      {12.35, "12", "12.4"},  // stored as 12.3499999..., read as 12.35
      {0.05, "0", "0.1"},
      {-0.04, "0", "0.0"},  // rounds to zero: no minus sign
      {-3.96, "-4", "-4.0"},
      {2.5, "3", "2.5"},
      {-2.5, "-3", "-2.5"},
      {999.95, "1,000", "1,000.0"},
      {1000000000, "1,000,000,000", "1,000,000,000.0"},
      {-1234567, "-1,234,567", "-1,234,567.0"},
      {123456789, "123,456,789", "123,456,789.0"},
  };
  const TextLocale jp = TextLocale::Japanese();
  for (const Case& c : cases) {
    EXPECT_EQ(jp.Amount(c.value), c.amount) << c.value;
    EXPECT_EQ(jp.Percentage(c.value), c.percentage) << c.value;
  }
  EXPECT_EQ(jp.Amount(-0.4), "0");
}

TEST(TextLocale, SeparatorsOfAnotherLocale) {
  TextLocale de;
  de.thousandsSeparator = ".";
  de.decimalPoint = ",";
  EXPECT_EQ(de.Amount(1234567), "1.234.567");
  EXPECT_EQ(de.Percentage(85.449), "85,4");
}

TEST(TextLocale, DateTimeIsShortDateBlankLongTimeAndDateAloneAtMidnight) {
  const TextLocale jp = TextLocale::Japanese();
  EXPECT_EQ(jp.DateTime({2026, 12, 7, 10, 0, 0}), "2026/12/07 10:00:00");
  EXPECT_EQ(jp.DateTime({1999, 1, 2, 9, 5, 3}), "1999/01/02 9:05:03");
  EXPECT_EQ(jp.DateTime({2000, 2, 29, 0, 0, 0}), "2000/02/29");
  EXPECT_EQ(jp.DateTime({2000, 2, 29, 0, 0, 1}), "2000/02/29 0:00:01");

  TextLocale us;
  us.dateFormat = "%m/%d/%Y";
  us.timeFormat = "%I:%M:%S %p";
  EXPECT_EQ(us.DateTime({2026, 12, 7, 15, 4, 5}), "12/07/2026 03:04:05 PM");
  EXPECT_EQ(us.DateTime({2026, 12, 7, 0, 0, 0}), "12/07/2026");
}

// The C and POSIX locales fall back to the conventions of the Japanese host.
TEST(TextLocale, PlainCLocaleUsesTheJapaneseConventions) {
  const char* saved = std::getenv("LC_ALL");
  const std::string restore = saved ? saved : "";
  for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
    setenv("LC_ALL", name, 1);
    const TextLocale l = TextLocale::FromEnvironment();
    EXPECT_EQ(l.Amount(1234567), "1,234,567") << name;
    EXPECT_EQ(l.DateTime({2026, 12, 7, 10, 0, 0}), "2026/12/07 10:00:00") << name;
  }
  if (saved) {
    setenv("LC_ALL", restore.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
}

}  // namespace
}  // namespace quarvex::testing
