// Decoding of the values that hold more than text: MRU lists, RecentDocs entries and the time
// zone's bias and transition rules. Every decoder reads only the bytes it is given and says why
// when they do not have the expected shape.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hive/byte_cursor.h"
#include "text/codepage.h"

namespace quarvex::facts {

struct Decoded {
  std::string text;     // UTF-8, control characters escaped; empty when the data did not fit
  std::string problem;  // why it did not fit: "4 bytes expected, 3 found"
};

// The entry names of an MRUList text ("cab": entry "c" is the most recent), in order. A letter
// that repeats is kept once, at its first place; bytes outside a-z and A-Z are skipped.
std::vector<std::string> MruListOrder(hive::Bytes data);
// The entry names of an MRUListEx (little-endian DWORD indexes up to 0xFFFFFFFF), as decimal
// texts, in order; a trailing part shorter than 4 bytes is ignored.
std::vector<std::string> MruListExOrder(hive::Bytes data);

// A Run dialog entry: text up to its first zero byte, without the trailing "\1".
Decoded RunCommand(hive::Bytes data, text::CodePage codePage);
// A RecentDocs entry: the file name it starts with, zero-terminated, in the code page; entries
// written as UTF-16 (the later form, MRUListEx) are read as UTF-16.
Decoded RecentDoc(hive::Bytes data, text::CodePage codePage);
// A signed count of minutes from 4 bytes (a DWORD or 4 binary bytes, as Windows 95 and 98 store
// them): "-540 minutes (UTC+09:00)" with withUtc, else "-60 minutes".
Decoded Bias(hive::Bytes data, bool withUtc);
// A 16-byte SYSTEMTIME rule of the time zone. Year 0: a yearly rule where wDay is the week of
// the month (5: the last) and wDayOfWeek the day: "the last Sunday of October at 03:00";
// month 0: "none (no daylight saving time)"; else a date: "1998-04-05 02:00".
Decoded TransitionDate(hive::Bytes data);
// The TZI of a Time Zones entry, 44 bytes: LONG Bias, LONG StandardBias, LONG DaylightBias,
// SYSTEMTIME StandardDate, SYSTEMTIME DaylightDate (the order differs from the active zone's
// values). "UTC+09:00 (bias -540 minutes); no daylight saving time" or "UTC+01:00 (bias -60
// minutes); standard time (+0 minutes) from the last Sunday of October at 03:00; daylight time
// (-60 minutes) from the last Sunday of March at 02:00".
Decoded TimeZoneTzi(hive::Bytes data);
// The active zone's values in TZI order, for comparing with a Time Zones entry; nullopt when one
// is missing or of the wrong size.
std::optional<std::vector<std::uint8_t>> ActiveTzi(hive::Bytes bias, hive::Bytes standardBias, hive::Bytes daylightBias,
                                                   hive::Bytes standardStart, hive::Bytes daylightStart);
// "192.168.0.5"; "0.0.0.0 (by DHCP)".
Decoded IpAddress(std::string_view text);

}  // namespace quarvex::facts
