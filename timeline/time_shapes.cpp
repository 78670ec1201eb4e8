#include "timeline/time_shapes.h"

namespace quarvex::timeline {

namespace {

// 1990-01-01 and 2038-01-01 00:00:00 UTC.
constexpr facts::Seconds kEarliest = 631152000, kLatest = 2145916800;

bool Plausible(facts::Seconds s) { return s >= kEarliest && s < kLatest; }

bool IsText(std::uint16_t type) { return type == 1 || type == 2 || type == 7; }

}  // namespace

std::vector<ShapeTime> FindTimeShapes(hive::Bytes data, std::uint16_t type) {
  std::vector<ShapeTime> found;
  if (IsText(type)) return found;
  if (data.size() == 8) {
    const facts::TimeReading r = facts::FileTime(data);
    if (r.time && Plausible(r.time->seconds)) found.push_back({*r.time, "FILETIME filling an 8-byte value"});
  } else if (data.size() == 16) {
    const facts::TimeReading system = facts::SystemTime(data);
    if (system.time && system.shown.problem.empty() && Plausible(system.time->seconds))
      found.push_back({*system.time, "SYSTEMTIME filling a 16-byte value"});
    const facts::TimeReading tail = facts::FileTime(data.subspan(8, 8));
    if (tail.time && Plausible(tail.time->seconds))
      found.push_back({*tail.time, "FILETIME in the second half of a 16-byte value"});
  }
  return found;
}

}  // namespace quarvex::timeline
