#include "facts/time_decode.h"

#include "text/civil_time.h"

#include <array>
#include <cstdio>

#include "browse/value_text.h"
#include "text/text_encoding.h"

namespace quarvex::facts {

namespace {

constexpr std::array<const char*, 7> kDays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};

std::uint16_t U16(hive::Bytes b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }

std::uint32_t U32(hive::Bytes b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint64_t U64(hive::Bytes b, std::size_t at) {
  return static_cast<std::uint64_t>(U32(b, at)) | static_cast<std::uint64_t>(U32(b, at + 4)) << 32;
}

std::string SizeProblem(std::string_view expected, std::size_t found) {
  return std::string(expected) + " bytes expected, " + std::to_string(found) + " found";
}

// A DOS date and time (two 16-bit words) as local seconds, or why not.
std::optional<Seconds> DosSeconds(std::uint16_t date, std::uint16_t time, std::string& problem) {
  const unsigned year = 1980 + (date >> 9), month = (date >> 5) & 15, day = date & 31;
  const unsigned hour = time >> 11, minute = (time >> 5) & 63, second = (time & 31) * 2;
  if (month == 0 || month > 12) {
    problem = "month " + std::to_string(month) + " is no month";
  } else if (day == 0 || day > DaysInMonth(year, month)) {
    problem = "day " + std::to_string(day) + " is not in " + std::to_string(year) + "-" + std::to_string(month);
  } else if (hour > 23 || minute > 59 || second > 59) {
    problem =
        "time " + std::to_string(hour) + ":" + std::to_string(minute) + ":" + std::to_string(second) + " out of range";
  } else {
    return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  }
  return std::nullopt;
}

}  // namespace

unsigned DaysInMonth(std::int64_t year, unsigned month) {
  static constexpr std::array<unsigned, 12> kLength{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kLength[month - 1];
}

unsigned WeekdayOf(std::int64_t days) {
  return static_cast<unsigned>(days >= -4 ? (days + 4) % 7 : (days + 5) % 7 + 6);
}

std::string FormatTime(Seconds seconds) { return text::CivilTimeText(seconds); }

std::string_view TimeEncodingName(TimeEncoding encoding) {
  switch (encoding) {
    case TimeEncoding::FileTime:
      return "FILETIME";
    case TimeEncoding::DosDateTime:
      return "DOS date and time";
    case TimeEncoding::SystemTime:
      return "SYSTEMTIME";
    case TimeEncoding::UnixTime:
      return "Unix time";
    case TimeEncoding::TextDate:
      break;
  }
  return "text date";
}

std::optional<Seconds> FileTimeSeconds(std::uint64_t filetime) {
  if (filetime == 0) return std::nullopt;
  // 11644473600 seconds lie between 1601-01-01 and 1970-01-01.
  return static_cast<Seconds>(filetime / 10000000) - 11644473600LL;
}

TimeReading FileTime(hive::Bytes data) {
  if (data.size() != 8) return {std::nullopt, {{}, SizeProblem("8", data.size())}};
  const std::optional<Seconds> seconds = FileTimeSeconds(U64(data, 0));
  if (!seconds) return {std::nullopt, {"0 (never)", {}}};
  return {DecodedTime{*seconds, true, TimeEncoding::FileTime}, {FormatTime(*seconds) + " UTC", {}}};
}

TimeReading DosDateTime(hive::Bytes data) {
  if (data.size() != 4) return {std::nullopt, {{}, SizeProblem("4", data.size())}};
  std::string problem;
  const std::optional<Seconds> seconds = DosSeconds(U16(data, 2), U16(data, 0), problem);
  if (!seconds) return {std::nullopt, {{}, "DOS date and time: " + problem}};
  return {DecodedTime{*seconds, false, TimeEncoding::DosDateTime}, {FormatTime(*seconds) + " (local time)", {}}};
}

TimeReading SystemTime(hive::Bytes data) {
  if (data.size() != 16) return {std::nullopt, {{}, SizeProblem("16", data.size())}};
  const unsigned year = U16(data, 0), month = U16(data, 2), weekday = U16(data, 4), day = U16(data, 6),
                 hour = U16(data, 8), minute = U16(data, 10), second = U16(data, 12), milliseconds = U16(data, 14);
  if (year == 0) return {std::nullopt, {{}, "year 0: a yearly rule, not a time"}};
  if (month == 0 || month > 12 || day == 0 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
      second > 59 || milliseconds > 999 || weekday > 6)
    return {std::nullopt, {{}, "SYSTEMTIME: a field out of range"}};
  const std::int64_t days = DaysFromCivil(year, month, day);
  const Seconds seconds = days * 86400 + hour * 3600 + minute * 60 + second;
  std::string text = FormatTime(seconds) + " (" + kDays[weekday] + ", local time)";
  std::string problem;
  if (WeekdayOf(days) != weekday)
    problem = std::string("the date is a ") + kDays[WeekdayOf(days)] + ", the day of the week says " + kDays[weekday];
  return {DecodedTime{seconds, false, TimeEncoding::SystemTime}, {text, problem}};
}

TimeReading UnixTime(hive::Bytes data) {
  if (data.size() != 4) return {std::nullopt, {{}, SizeProblem("4", data.size())}};
  const Seconds seconds = U32(data, 0);
  if (seconds == 0) return {std::nullopt, {"0 (never)", {}}};
  return {DecodedTime{seconds, true, TimeEncoding::UnixTime}, {FormatTime(seconds) + " UTC", {}}};
}

TimeReading TextDate(std::string_view text) {
  if (text.size() != 8 || text.find_first_not_of("0123456789") != std::string_view::npos)
    return {std::nullopt, {browse::EscapeControls(text), "not a date of the form YYYYMMDD"}};
  const unsigned year = static_cast<unsigned>(std::stoul(std::string(text.substr(0, 4))));
  const unsigned month = static_cast<unsigned>(std::stoul(std::string(text.substr(4, 2))));
  const unsigned day = static_cast<unsigned>(std::stoul(std::string(text.substr(6, 2))));
  if (month == 0 || month > 12 || day == 0 || day > DaysInMonth(year, month))
    return {std::nullopt, {std::string(text), "not a date of the form YYYYMMDD"}};
  const Seconds seconds = DaysFromCivil(year, month, day) * 86400;
  return {DecodedTime{seconds, false, TimeEncoding::TextDate}, {FormatTime(seconds).substr(0, 10), {}}};
}

std::string Rot13(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>('a' + (c - 'a' + 13) % 26);
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>('A' + (c - 'A' + 13) % 26);
  }
  return out;
}

UserAssistEntry UserAssist(std::string_view storedName, hive::Bytes data) {
  UserAssistEntry entry;
  entry.name = Rot13(storedName);
  if (data.size() != 8 && data.size() != 16) {
    entry.problem = SizeProblem("8 or 16", data.size());
    return entry;
  }
  entry.session = U32(data, 0);
  entry.count = U32(data, 4);
  if (data.size() == 16) entry.lastRun = FileTime(data.subspan(8, 8));
  return entry;
}

ShellItemPath ShellItems(hive::Bytes data, text::CodePage codePage) {
  ShellItemPath result;
  std::string path;
  std::size_t at = 0;
  const auto add = [&](const std::string& part) {
    if (!path.empty() && path.back() != '\\') path += '\\';
    path += part;
  };
  while (true) {
    if (at + 2 > data.size()) {
      result.shown.problem = "the list ends without its terminating size of 0";
      break;
    }
    const std::size_t size = U16(data, at);
    if (size == 0) break;
    if (size < 3 || size > data.size() - at) {
      result.shown.problem =
          "item at byte " + std::to_string(at) + " of size " + std::to_string(size) + " runs past the data";
      break;
    }
    const hive::Bytes item = data.subspan(at, size);
    const std::uint8_t type = item[2];
    const auto nameAt = [&](std::size_t from) {
      std::string_view raw(reinterpret_cast<const char*>(item.data()) + from, item.size() - from);
      raw = raw.substr(0, std::min(raw.find('\0'), raw.size()));
      return browse::EscapeControls(text::CodePageToUtf8(raw, codePage));
    };
    // 0x1F: a folder at the desktop's level; 0x2E: one inside My Computer (Control Panel,
    // Printers): both a CLSID at byte 4.
    if ((type == 0x1F || type == 0x2E) && size >= 20) {
      static constexpr std::array<std::pair<const char*, const char*>, 7> kFolders{
          {{"20d04fe03aea1069a2d808002b30309d", "My Computer"},
           {"450d8fbaad2511d098a80800361b1103", "My Documents"},
           {"208d2c603aea1069a2d708002b30309d", "Network Neighborhood"},
           {"645ff0405081101b9f0800aa002f954e", "Recycle Bin"},
           {"21ec20203aea1069a2dd08002b30309d", "Control Panel"},
           {"2227a2803aea1069a2de08002b30309d", "Printers"},
           {"992cffa0f557101a88ec00dd010ccc48", "Dial-Up Networking"}}};
      // The CLSID as its text form reads it: the first three groups are little-endian.
      char clsid[33];
      std::snprintf(clsid, sizeof clsid, "%08x%04x%04x%02x%02x%02x%02x%02x%02x%02x%02x", U32(item, 4), U16(item, 8),
                    U16(item, 10), item[12], item[13], item[14], item[15], item[16], item[17], item[18], item[19]);
      std::string name = std::string("{") + clsid + "}";
      for (const auto& [id, folder] : kFolders)
        if (std::string_view(id) == clsid) name = folder;
      add(name);
    } else if (type >= 0x20 && type <= 0x2F && type != 0x2E && size > 3) {
      add(nameAt(3));
    } else if (type >= 0x30 && type <= 0x3F && size > 14) {
      add(nameAt(14));
      std::string problem;
      if (const std::optional<Seconds> s = DosSeconds(U16(item, 8), U16(item, 10), problem))
        result.times.push_back({*s, false, TimeEncoding::DosDateTime});
    } else {
      char unknown[16];
      std::snprintf(unknown, sizeof unknown, "<item 0x%02X>", type);
      add(unknown);
    }
    at += size;
  }
  result.shown.text = path;
  return result;
}

}  // namespace quarvex::facts
