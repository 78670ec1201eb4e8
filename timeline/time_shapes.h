// Times found by their shape in values that no fact definition covers: a FILETIME filling an
// 8-byte value or the second half of a 16-byte one (the UserAssist layout), a SYSTEMTIME
// filling a 16-byte value whose day of the week agrees with its date. Only times from 1990 up
// to 2037 count, the years these systems and their backups were in use: a random 8 bytes seldom
// falls there, but it may, so every such time is of low confidence. Text values are never
// read for shapes, nor are 4-byte values (any DWORD would pass for a Unix time or a DOS date).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "facts/time_decode.h"
#include "hive/byte_cursor.h"

namespace quarvex::timeline {

struct ShapeTime {
  facts::DecodedTime time;
  std::string_view shape;  // "FILETIME filling an 8-byte value" ...
};

std::vector<ShapeTime> FindTimeShapes(hive::Bytes data, std::uint16_t type);

}  // namespace quarvex::timeline
