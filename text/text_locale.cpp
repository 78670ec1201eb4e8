#include "text/text_locale.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

#if !defined(_WIN32)
#include <langinfo.h>
#include <locale.h>
#endif

#include "text/printf.h"

namespace quarvex::text {

LocalDateTime CurrentLocalDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#if defined(_WIN32)
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

RoundedDecimal RoundDecimal(double value, int decimals) {
  RoundedDecimal out;
  if (!std::isfinite(value)) value = 0;
  const bool negative = value < 0;
  const double magnitude = std::fabs(value);
  // First the value as a person reads it: 15 significant digits, which turns the binary
  // 12.3499999999999996 back into 12.35. Then round that text half away from zero.
  const int integerWidth = magnitude >= 1 ? static_cast<int>(std::floor(std::log10(magnitude))) + 1 : 1;
  const int precision = std::max(decimals, 15 - integerWidth);
  std::string text = Printf("%.*f", precision, magnitude);
  const std::size_t point = text.find('.');
  std::string digits = text.substr(0, point) + (point == std::string::npos ? "" : text.substr(point + 1));
  const std::size_t integerLength = point == std::string::npos ? text.size() : point;
  std::size_t keep = integerLength + static_cast<std::size_t>(decimals);
  const bool roundUp = keep < digits.size() && digits[keep] >= '5';
  digits.resize(std::min(keep, digits.size()), '0');
  while (digits.size() < keep) digits += '0';
  if (roundUp) {
    std::size_t i = digits.size();
    for (;;) {
      if (i == 0) {
        digits.insert(digits.begin(), '1');
        ++keep;
        break;
      }
      --i;
      if (digits[i] == '9') {
        digits[i] = '0';
      } else {
        ++digits[i];
        break;
      }
    }
  }
  const std::size_t intLength = digits.size() - static_cast<std::size_t>(decimals);
  out.integerDigits = digits.substr(0, intLength);
  out.fractionDigits = digits.substr(intLength);
  const std::size_t firstNonZero = out.integerDigits.find_first_not_of('0');
  out.integerDigits = firstNonZero == std::string::npos ? "0" : out.integerDigits.substr(firstNonZero);
  out.negative = negative && digits.find_first_not_of('0') != std::string::npos;
  return out;
}

std::string TextLocale::Number(double value, int decimals) const {
  const RoundedDecimal r = RoundDecimal(value, decimals);
  std::string out = r.negative ? "-" : "";
  const std::size_t n = r.integerDigits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += thousandsSeparator;
    out += r.integerDigits[i];
  }
  if (decimals > 0) out += decimalPoint + r.fractionDigits;
  return out;
}

std::string TextLocale::Amount(double value) const { return Number(value, 0); }
std::string TextLocale::Percentage(double value) const { return Number(value, 1); }

std::string TextLocale::DateTime(const LocalDateTime& t) const {
  const bool midnight = t.hour == 0 && t.minute == 0 && t.second == 0;
  if (dateFormat.empty() || timeFormat.empty()) {
    std::string text = Printf("%04d/%02d/%02d", t.year, t.month, t.day);
    if (!midnight) AppendPrintf(text, " %d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
  }
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  char buffer[128];
  std::string text;
  if (std::strftime(buffer, sizeof buffer, dateFormat.c_str(), &tm) > 0) text = buffer;
  if (!midnight && std::strftime(buffer, sizeof buffer, timeFormat.c_str(), &tm) > 0) text += std::string(" ") + buffer;
  return text;
}

TextLocale TextLocale::Japanese() { return TextLocale{}; }

#if !defined(_WIN32)
namespace {
// The locale name that decides a category, as POSIX looks it up.
std::string_view LocaleNameFor(const char* category) {
  for (const char* name : {"LC_ALL", category, "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return "";
}

bool IsPlainC(std::string_view name) {
  return name.empty() || name == "C" || name == "POSIX" || name.starts_with("C.");
}
}  // namespace
#endif

TextLocale TextLocale::FromEnvironment() {
  TextLocale locale = Japanese();
#if !defined(_WIN32)
  const std::string numericName(LocaleNameFor("LC_NUMERIC"));
  if (!IsPlainC(numericName)) {
    if (locale_t loc = newlocale(LC_NUMERIC_MASK, numericName.c_str(), nullptr)) {
      locale.thousandsSeparator = nl_langinfo_l(THOUSEP, loc);
      locale.decimalPoint = nl_langinfo_l(RADIXCHAR, loc);
      if (locale.decimalPoint.empty()) locale.decimalPoint = ".";
      freelocale(loc);
    }
  }
  const std::string timeName(LocaleNameFor("LC_TIME"));
  if (!IsPlainC(timeName)) {
    if (locale_t loc = newlocale(LC_TIME_MASK, timeName.c_str(), nullptr)) {
      locale.dateFormat = nl_langinfo_l(D_FMT, loc);
      locale.timeFormat = nl_langinfo_l(T_FMT, loc);
      freelocale(loc);
    }
  }
#endif
  return locale;
}

}  // namespace quarvex::text
