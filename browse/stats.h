// The numbers a user asks for first about a hive: how many keys and values, of which types,
// how deep, the largest keys, the longest names, and how the file's bytes are used.
#pragma once

#include <cstdint>
#include <algorithm>
#include <map>
#include <vector>

#include "browse/hive_view.h"
#include "salvage/counts.h"

namespace quarvex::browse {

struct RankedKey {
  std::int32_t key = kTop;
  std::uint64_t amount = 0;
  const salvage::SalvagedValue* value = nullptr;  // for rankings of values
};

struct TypeCount {
  std::size_t values = 0;
  std::uint64_t dataBytes = 0;
};

// The counts (keys, values, findings, space) are salvage/counts.h's, as every command has
// them; the rest is what only stats shows.
struct HiveStats {
  salvage::HiveCounts counts;
  std::uint64_t fileBytes = 0;
  std::size_t keys = 0;  // counts.keys: every key shown (the unnamed root not counted)
  std::size_t lostKeys = 0;
  std::size_t unreadableKeys = 0;  // no data record: no name, no values
  std::size_t values = 0;
  std::map<std::uint16_t, TypeCount> byType;
  int depth = 0;  // of the deepest key, 1 for a top-level key
  std::int32_t deepestKey = kTop;
  std::vector<RankedKey> mostValues;       // keys by number of values
  std::vector<RankedKey> mostBytes;        // keys by bytes of value names and data
  std::vector<RankedKey> longestKeyNames;  // keys by name length (bytes in the code page)
  std::vector<RankedKey> longestValueNames;
  std::vector<RankedKey> largestValues;  // values by data length
  // Space, as the report's table counts it (salvage/counts.h): the key-node block and the data
  // blocks without their headers, and what of them is in use.
  std::uint64_t keyNodeBlockBytes = 0;
  std::uint64_t keyNodeBytesInUse = 0;  // 28 bytes per key node the tree reaches
  std::uint64_t dataBlockBytes = 0;
  std::uint64_t dataBytesInUse = 0;  // RecSize of the records of those keys
  // On the free lists (the report's Empty); the dead gap is apart, as in the report.
  std::uint64_t FreeBytes() const { return static_cast<std::uint64_t>(counts.whole.free); }
  std::uint64_t DeadGapBytes() const { return static_cast<std::uint64_t>(counts.whole.deadGap); }
  std::size_t damage = 0, warnings = 0, notes = 0;
};

// top: how many of each ranking to keep.
HiveStats ComputeStats(const HiveView& view, std::size_t top = 5);

}  // namespace quarvex::browse
