#include "facts/time_zone.h"

#include <cstdio>

#include "browse/value_text.h"
#include "facts/decode.h"

namespace quarvex::facts {

namespace {

constexpr std::string_view kZoneKey = "System\\CurrentControlSet\\Control\\TimeZoneInformation";

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::optional<std::int32_t> Minutes(const salvage::SalvagedValue* v) {
  if (!v || v->data.size() != 4) return std::nullopt;
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(v->data[0]) | static_cast<std::uint32_t>(v->data[1]) << 8 |
      static_cast<std::uint32_t>(v->data[2]) << 16 | static_cast<std::uint32_t>(v->data[3]) << 24);
}

// When a rule takes effect in a year, in the local clock it is written in (seconds since 1970);
// nullopt for no rule or one out of range. Year 0: the wDay-th (5: last) wDayOfWeek of wMonth.
std::optional<Seconds> RuleTime(const std::vector<std::uint8_t>& rule, std::int64_t year) {
  if (rule.size() != 16) return std::nullopt;
  const unsigned ruleYear = U16(rule, 0), month = U16(rule, 2), weekday = U16(rule, 4), day = U16(rule, 6),
                 hour = U16(rule, 8), minute = U16(rule, 10);
  if (month == 0 || month > 12 || hour > 23 || minute > 59) return std::nullopt;
  std::int64_t days = 0;
  if (ruleYear == 0) {
    if (weekday > 6 || day < 1 || day > 5) return std::nullopt;
    const std::int64_t first = DaysFromCivil(year, month, 1);
    unsigned dayOfMonth = 1 + (weekday + 7 - WeekdayOf(first)) % 7 + (day - 1) * 7;
    while (dayOfMonth > DaysInMonth(year, month)) dayOfMonth -= 7;
    days = first + dayOfMonth - 1;
  } else {
    if (ruleYear != year || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
    days = DaysFromCivil(year, month, day);
  }
  return days * 86400 + hour * 3600 + minute * 60;
}

// The calendar year of a time ("-0044-..." and "12000-..." as FormatTime writes them too).
std::int64_t YearOf(Seconds s) {
  const std::string text = FormatTime(s);
  return std::stoll(text.substr(0, text.find('-', 1)));
}

}  // namespace

std::string UtcOffsetText(std::int64_t minutesEast) {
  const std::int64_t magnitude = minutesEast < 0 ? -minutesEast : minutesEast;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "UTC%c%02lld:%02lld", minutesEast < 0 ? '-' : '+',
                static_cast<long long>(magnitude / 60), static_cast<long long>(magnitude % 60));
  return buffer;
}

bool HiveZone::DaylightAt(Seconds utc) const {
  const std::int64_t year = YearOf(utc - static_cast<Seconds>(bias) * 60);
  const std::optional<Seconds> start = RuleTime(daylightStart, year), end = RuleTime(standardStart, year);
  if (!start || !end) return false;
  // Daylight time begins at a time of the standard clock and ends at one of the daylight clock.
  const Seconds startUtc = *start + static_cast<Seconds>(bias + standardBias) * 60;
  const Seconds endUtc = *end + static_cast<Seconds>(bias + daylightBias) * 60;
  // South of the equator the daylight months span the turn of the year.
  return startUtc < endUtc ? utc >= startUtc && utc < endUtc : utc >= startUtc || utc < endUtc;
}

Seconds HiveZone::ToLocal(Seconds utc) const {
  return utc - static_cast<Seconds>(bias + (DaylightAt(utc) ? daylightBias : standardBias)) * 60;
}

Seconds HiveZone::ToUtc(Seconds local) const {
  const Seconds standard = local + static_cast<Seconds>(bias + standardBias) * 60;
  if (!DaylightAt(standard)) return standard;
  const Seconds daylight = local + static_cast<Seconds>(bias + daylightBias) * 60;
  return DaylightAt(daylight) ? daylight : standard;
}

std::string HiveZone::NameAt(Seconds utc) const {
  const std::string& name = DaylightAt(utc) ? daylightName : standardName;
  return name.empty() ? UtcOffsetText((ToLocal(utc) - utc) / 60) : name;
}

std::string HiveZone::Describe() const {
  std::string text = (standardName.empty() ? std::string("a zone without a name") : standardName) + ", " +
                     UtcOffsetText(-static_cast<std::int64_t>(bias)) + " (bias " + std::to_string(bias) + " minutes)";
  const bool rules = standardStart.size() == 16 && daylightStart.size() == 16 && U16(standardStart, 2) != 0 &&
                     U16(daylightStart, 2) != 0;
  if (!rules) return text + ", no daylight saving time";
  const Decoded dst = TransitionDate(daylightStart), std = TransitionDate(standardStart);
  return text + ", daylight time (" + std::to_string(daylightBias) + " minutes) from " + dst.text + " to " + std.text;
}

std::optional<HiveZone> ZoneOf(const browse::HiveView& view) {
  const browse::Lookup found = view.Find(kZoneKey);
  if (!found.key || *found.key == browse::kTop) return std::nullopt;
  const std::int32_t key = *found.key;
  const std::optional<std::int32_t> bias = Minutes(view.FindValue(key, "Bias"));
  if (!bias) return std::nullopt;
  HiveZone zone;
  zone.bias = *bias;
  zone.standardBias = Minutes(view.FindValue(key, "StandardBias")).value_or(0);
  zone.daylightBias = Minutes(view.FindValue(key, "DaylightBias")).value_or(0);
  zone.activeBias = Minutes(view.FindValue(key, "ActiveTimeBias"));
  const auto text = [&](std::string_view name) {
    const salvage::SalvagedValue* v = view.FindValue(key, name);
    return v ? browse::EscapeControls(browse::DataSearchText(*v, view.CodePage())) : std::string();
  };
  zone.standardName = text("StandardName");
  zone.daylightName = text("DaylightName");
  for (const auto& [name, rule] :
       {std::pair{"StandardStart", &zone.standardStart}, std::pair{"DaylightStart", &zone.daylightStart}})
    if (const salvage::SalvagedValue* v = view.FindValue(key, name); v && v->data.size() == 16)
      rule->assign(v->data.begin(), v->data.end());
  return zone;
}

}  // namespace quarvex::facts
