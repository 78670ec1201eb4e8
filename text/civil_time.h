// Calendar dates and times of day as seconds since 1970-01-01 00:00 of the same clock (UTC, or a
// local wall clock as FAT entries, cabinet members and DOS dates hold it): the proleptic
// Gregorian calendar, any year.
#pragma once

#include <cstdint>
#include <string>

namespace quarvex::text {

// Days from 1970-01-01 to year-month-day (month 1-12, day 1-31; not checked).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);

// "2001-06-14 08:00:00" of seconds since 1970.
std::string CivilTimeText(std::int64_t seconds);

}  // namespace quarvex::text
