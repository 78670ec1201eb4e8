// The times a Windows 9x hive holds in its values, and the other encoded values that carry them:
// FILETIME (100 ns since 1601, UTC), DOS date and time (local time, two-second steps),
// SYSTEMTIME (eight 16-bit fields), Unix time (seconds since 1970), UserAssist entries (a ROT13
// name, a run count and a FILETIME) and shell item lists (StreamMRU). Every decoder reads only
// the bytes it is given and says why when they do not have the expected shape.
#pragma once

#include "text/civil_time.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "facts/decode.h"
#include "hive/byte_cursor.h"
#include "text/codepage.h"

namespace quarvex::facts {

// A point in time as seconds since 1970-01-01 00:00:00 of its clock: UTC for FILETIME and Unix
// time, the machine's local time for DOS dates and SYSTEMTIME (as Windows 9x stores them).
using Seconds = std::int64_t;

// "2015-05-24 22:44:13" (proleptic Gregorian calendar; years before 1 or after 9999 as numbers).
std::string FormatTime(Seconds seconds);
// Days since 1970-01-01 of a civil date, and the other way round.
using text::DaysFromCivil;  // text/civil_time.h
// 28 to 31; month 1 to 12.
unsigned DaysInMonth(std::int64_t year, unsigned month);
// 0 Sunday ... 6 Saturday.
unsigned WeekdayOf(std::int64_t days);

// The kind of encoding a time was read from, as the timeline names it.
enum class TimeEncoding { FileTime, DosDateTime, SystemTime, UnixTime, TextDate };
std::string_view TimeEncodingName(TimeEncoding encoding);  // "FILETIME", "DOS date and time" ...

// One time read from a value: when, whether it is UTC or the machine's local time, how it was
// encoded. A value that says "never" (a FILETIME of 0) gives no time at all.
struct DecodedTime {
  Seconds seconds = 0;
  bool utc = true;
  TimeEncoding encoding = TimeEncoding::FileTime;
};

// A FILETIME as an 8-byte little-endian count; nullopt for 0 (Windows writes 0 for "never").
std::optional<Seconds> FileTimeSeconds(std::uint64_t filetime);

// Each decoder: the time (if the bytes hold one) and the text shown for the value.
struct TimeReading {
  std::optional<DecodedTime> time;
  Decoded shown;
};

// 8 bytes: "2015-05-24 22:44:13 UTC"; 0: "0 (never)".
TimeReading FileTime(hive::Bytes data);
// A DWORD (or 4 binary bytes): the date in the high word (bits 15-9 years since 1980, 8-5
// month, 4-0 day), the time in the low word (15-11 hour, 10-5 minute, 4-0 seconds / 2), local
// time: "2015-05-22 17:45:02 (local time)". Month 0, day 0 or a field out of range: a problem.
TimeReading DosDateTime(hive::Bytes data);
// 16 bytes: wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds, local
// time: "2001-06-15 13:45:30 (Friday, local time)". A day of the week that the date does not
// fall on is said; a year of 0 is a yearly rule (see TransitionDate), not a time.
TimeReading SystemTime(hive::Bytes data);
// A DWORD of seconds since 1970 (UTC): "2001-06-15 13:45:30 UTC".
TimeReading UnixTime(hive::Bytes data);
// A date written as text, "YYYYMMDD" (as installers write InstallDate): "2015-05-22".
TimeReading TextDate(std::string_view text);

// ROT13 of the ASCII letters; every other byte as it is.
std::string Rot13(std::string_view text);

// A UserAssist entry: the value's name ROT13-coded, its data 16 bytes (DWORD session, DWORD run
// count, FILETIME of the last run) or 8 bytes (DWORD session, DWORD count: the UEME_CTLSESSION
// and counter entries, which hold no time).
struct UserAssistEntry {
  std::string name;  // decoded, as stored otherwise
  std::optional<std::uint32_t> count;
  std::optional<std::uint32_t> session;
  TimeReading lastRun;  // no time when the FILETIME is 0 or absent
  std::string problem;  // "8 or 16 bytes expected, 5 found"
};
UserAssistEntry UserAssist(std::string_view storedName, hive::Bytes data);

// A shell item list (an ITEMIDLIST, as StreamMRU and other Explorer keys keep folders): each
// item a 16-bit size and its bytes, the list ended by a size of 0. Known items become a path
// ("My Computer\C:\WINDOWS\DESKTOP"): the root folders by their CLSID, drives by their letter,
// files and folders by their 8.3 name (with the DOS date and time of the entry), the rest as
// "<item 0xNN>"; a list that ends early or runs over says so. The times of file and folder
// items are returned in order.
struct ShellItemPath {
  Decoded shown;
  std::vector<DecodedTime> times;
};
ShellItemPath ShellItems(hive::Bytes data, text::CodePage codePage);

}  // namespace quarvex::facts
