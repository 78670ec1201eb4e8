#include "facts/decode.h"

#include <array>
#include <cstdio>

#include "browse/value_text.h"
#include "text/text_encoding.h"
#include "text/utf16.h"

namespace quarvex::facts {

namespace {

std::string_view AsText(hive::Bytes bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

std::string_view UpToZero(std::string_view s) { return s.substr(0, std::min(s.find('\0'), s.size())); }

std::uint16_t U16(hive::Bytes b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }

std::int32_t I32(hive::Bytes b) {
  const std::uint32_t u = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                          static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  return static_cast<std::int32_t>(u);
}

// UTF-16LE up to its first zero unit; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(hive::Bytes data) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    const auto unit = static_cast<char16_t>(U16(data, i));
    if (unit == 0) break;
    units += unit;
  }
  return text::Utf16ToUtf8(units);
}

std::string TwoDigits(unsigned n) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02u", n % 100);
  return buffer;
}

}  // namespace

std::vector<std::string> MruListOrder(hive::Bytes data) {
  std::vector<std::string> order;
  std::array<bool, 128> seen{};
  for (const std::uint8_t b : data) {
    if (b == 0) break;
    if (!((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z')) || seen[b]) continue;
    seen[b] = true;
    order.emplace_back(1, static_cast<char>(b));
  }
  return order;
}

std::vector<std::string> MruListExOrder(hive::Bytes data) {
  std::vector<std::string> order;
  for (std::size_t i = 0; i + 4 <= data.size(); i += 4) {
    const auto index = static_cast<std::uint32_t>(I32(data.subspan(i, 4)));
    if (index == 0xFFFFFFFFu) break;
    const std::string name = std::to_string(index);
    bool repeated = false;
    for (const std::string& n : order) repeated = repeated || n == name;
    if (!repeated) order.push_back(name);
  }
  return order;
}

Decoded RunCommand(hive::Bytes data, text::CodePage codePage) {
  std::string_view raw = UpToZero(AsText(data));
  if (raw.size() >= 2 && raw.substr(raw.size() - 2) == "\\1") raw.remove_suffix(2);
  return {browse::EscapeControls(text::CodePageToUtf8(raw, codePage)), {}};
}

Decoded RecentDoc(hive::Bytes data, text::CodePage codePage) {
  if (data.empty()) return {{}, "empty entry"};
  // A UTF-16 name starts with a character below U+0100 on every system these files come from
  // (a drive letter or an ASCII name), so its second byte is zero; a code-page name never has
  // a zero second byte unless it is one character long.
  const bool utf16 = data.size() >= 4 && data[0] != 0 && data[1] == 0 && data[2] != 0 && data[3] == 0;
  std::string name = utf16 ? Utf16ToUtf8(data) : text::CodePageToUtf8(UpToZero(AsText(data)), codePage);
  if (name.empty()) return {{}, "no file name at the start of the entry"};
  return {browse::EscapeControls(name), {}};
}

Decoded Bias(hive::Bytes data, bool withUtc) {
  if (data.size() != 4) return {{}, "4 bytes expected, " + std::to_string(data.size()) + " found"};
  const std::int32_t minutes = I32(data);
  std::string text = std::to_string(minutes) + (minutes == 1 || minutes == -1 ? " minute" : " minutes");
  if (withUtc) {
    // UTC = local time + bias, so local time is UTC - bias.
    const std::int64_t offset = -static_cast<std::int64_t>(minutes);
    const std::uint64_t magnitude = static_cast<std::uint64_t>(offset < 0 ? -offset : offset);
    if (magnitude <= 24 * 60) {
      text += " (UTC" + std::string(offset < 0 ? "-" : "+") + TwoDigits(static_cast<unsigned>(magnitude / 60)) + ":" +
              TwoDigits(static_cast<unsigned>(magnitude % 60)) + ")";
    } else {
      return {text, "more than a day from UTC"};
    }
  }
  return {text, {}};
}

Decoded TransitionDate(hive::Bytes data) {
  if (data.size() != 16) return {{}, "16 bytes expected, " + std::to_string(data.size()) + " found"};
  const unsigned year = U16(data, 0), month = U16(data, 2), weekday = U16(data, 4), day = U16(data, 6),
                 hour = U16(data, 8), minute = U16(data, 10);
  if (month == 0) return {"none (no daylight saving time)", {}};
  static constexpr std::array<const char*, 12> kMonths{"January",   "February", "March",    "April",
                                                       "May",       "June",     "July",     "August",
                                                       "September", "October",  "November", "December"};
  static constexpr std::array<const char*, 7> kDays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                    "Thursday", "Friday", "Saturday"};
  static constexpr std::array<const char*, 5> kWeeks{"first", "second", "third", "fourth", "last"};
  if (month > 12 || hour > 23 || minute > 59) return {{}, "month, hour or minute out of range"};
  const std::string at = TwoDigits(hour) + ":" + TwoDigits(minute);
  if (year == 0) {
    if (weekday > 6 || day < 1 || day > 5) return {{}, "day of week or week of month out of range"};
    return {std::string("the ") + kWeeks[day - 1] + " " + kDays[weekday] + " of " + kMonths[month - 1] + " at " + at,
            {}};
  }
  if (day < 1 || day > 31) return {{}, "day out of range"};
  return {std::to_string(year) + "-" + TwoDigits(month) + "-" + TwoDigits(day) + " " + at, {}};
}

Decoded TimeZoneTzi(hive::Bytes data) {
  if (data.size() != 44) return {{}, "44 bytes expected, " + std::to_string(data.size()) + " found"};
  const Decoded bias = Bias(data.subspan(0, 4), true);
  if (!bias.problem.empty()) return {{}, "Bias " + bias.text + ": " + bias.problem};
  const Decoded standardBias = Bias(data.subspan(4, 4), false), daylightBias = Bias(data.subspan(8, 4), false);
  const Decoded standard = TransitionDate(data.subspan(12, 16)), daylight = TransitionDate(data.subspan(28, 16));
  if (!standard.problem.empty()) return {{}, "StandardDate: " + standard.problem};
  if (!daylight.problem.empty()) return {{}, "DaylightDate: " + daylight.problem};
  // "-540 minutes (UTC+09:00)" becomes "UTC+09:00 (bias -540 minutes)".
  const std::size_t paren = bias.text.find(" (");
  std::string text =
      bias.text.substr(paren + 2, bias.text.size() - paren - 3) + " (bias " + bias.text.substr(0, paren) + ")";
  // Month 0 in either rule: the zone keeps standard time all year.
  if (U16(data, 12 + 2) == 0 || U16(data, 28 + 2) == 0) return {text + "; no daylight saving time", {}};
  const auto signedMinutes = [](const std::string& s) { return s[0] == '-' ? s : "+" + s; };
  text += "; standard time (" + signedMinutes(standardBias.text) + ") from " + standard.text + "; daylight time (" +
          signedMinutes(daylightBias.text) + ") from " + daylight.text;
  return {text, {}};
}

std::optional<std::vector<std::uint8_t>> ActiveTzi(hive::Bytes bias, hive::Bytes standardBias, hive::Bytes daylightBias,
                                                   hive::Bytes standardStart, hive::Bytes daylightStart) {
  if (bias.size() != 4 || standardBias.size() != 4 || daylightBias.size() != 4 || standardStart.size() != 16 ||
      daylightStart.size() != 16)
    return std::nullopt;
  std::vector<std::uint8_t> tzi;
  for (const hive::Bytes part : {bias, standardBias, daylightBias, standardStart, daylightStart})
    tzi.insert(tzi.end(), part.begin(), part.end());
  return tzi;
}

Decoded IpAddress(std::string_view text) {
  const std::string shown = browse::EscapeControls(text);
  if (text == "0.0.0.0") return {shown + " (by DHCP)", {}};
  return {shown, {}};
}

}  // namespace quarvex::facts
