// The time zone a system.dat names (System\CurrentControlSet\Control\TimeZoneInformation), as
// a clock: UTC to the machine's local time and back, with daylight saving time by the zone's
// yearly rules. Times that Windows 9x keeps in local time (DOS dates, SYSTEMTIME) become UTC
// through it, and UTC times (FILETIME) are shown in the machine's own time beside UTC.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "browse/hive_view.h"
#include "facts/time_decode.h"

namespace quarvex::facts {

struct HiveZone {
  std::string standardName, daylightName;  // UTF-8, as stored
  std::int32_t bias = 0;                   // minutes: UTC = local time + bias
  std::int32_t standardBias = 0, daylightBias = 0;
  std::vector<std::uint8_t> standardStart, daylightStart;  // SYSTEMTIME rules, 16 bytes or empty
  std::optional<std::int32_t> activeBias;                  // the bias in force when Windows last wrote it

  // Whether daylight saving time is in force at a UTC time, by the yearly rules (year 0) or the
  // rule of that year; false without two valid rules.
  bool DaylightAt(Seconds utc) const;
  // The machine's local time at a UTC time.
  Seconds ToLocal(Seconds utc) const;
  // A local time as UTC. In the hour a change of clocks repeats, the standard reading is taken.
  Seconds ToUtc(Seconds local) const;
  // "Tokyo Standard Time" or the daylight name, as in force at a UTC time.
  std::string NameAt(Seconds utc) const;
  // "Tokyo Standard Time, UTC+09:00 (bias -540 minutes), no daylight saving time" or with the rules.
  std::string Describe() const;
};

// The zone of a system.dat (nullopt when the key or its Bias is missing).
std::optional<HiveZone> ZoneOf(const browse::HiveView& view);

// "UTC+09:00" for minutes east of UTC.
std::string UtcOffsetText(std::int64_t minutesEast);

}  // namespace quarvex::facts
