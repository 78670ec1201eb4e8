// The counts every face gives of one hive, each defined once: the keys (with and without the
// root), the values, the findings by grade, and how the bytes of each block and of the whole
// file are used. `check`, `summary`, `stats`, the salvage export's summary line, their JSON and
// the windows all take them from here, so no two of them can say two numbers for one thing.
//
// The space columns are those of the report's Using Rate table and mean what they mean there:
//   in use    the key nodes the key tree reaches (28 bytes each, the root's too) and the
//             records of their keys (RecSize); in the whole-file row also every header;
//   free      the entries of the block's free list (the report's Empty);
//   dead gap  the rest: slack, page-end gaps, free records no list reaches, records no key
//             refers to, key nodes no link reaches.
// On a sound hive every row equals the report's. Where the report's readers would stop (a list
// that loops, leaves its block, or is headed by 0), the list is counted up to there instead, as
// the salvage reader reads it, so a damaged file is counted too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "salvage/salvage.h"

namespace quarvex::salvage {

struct SpaceCounts {
  std::int64_t inUse = 0;
  std::int64_t free = 0;
  std::int64_t deadGap = 0;
  std::int64_t Total() const { return inUse + free + deadGap; }
  friend bool operator==(const SpaceCounts&, const SpaceCounts&) = default;
};

struct HiveCounts {
  // Keys: every key the salvage reader found, linked or lost, but the unnamed root, which is the
  // hive itself (HKEY_USERS, HKEY_LOCAL_MACHINE) and no key of it: the keys `ls -R` lists.
  std::uint64_t keys = 0;
  std::uint64_t keyNodes = 0;        // key nodes in use: the keys and the unnamed root
  std::uint64_t lostKeys = 0;        // of keys: found between the nodes, no link reaches them
  std::uint64_t unreadableKeys = 0;  // of keys: no data record found, so no name and no values
  // Values of those keys as read (whole or cut), each record's once; the root's are not counted.
  std::uint64_t values = 0;
  std::uint64_t valuesUnreadable = 0;  // announced by their record (DatN) but not readable
  std::uint64_t blocks = 0;            // data blocks found
  std::uint64_t bytesLost = 0;         // skipped because of damage (the salvage reader's count)
  std::uint64_t bytesPastEnd = 0;      // of bytesLost: what a cut took off the end of the file
  bool bytesLostAtLeast = false;       // whole blocks are past the end: bytesLost is a least count
  // Findings by grade: the salvage reader's and those added about the file as a whole (the code
  // page chosen, what the report makes of the file), as `check` lists them.
  std::uint64_t damage = 0;
  std::uint64_t warnings = 0;
  std::uint64_t notes = 0;
  SpaceCounts keyNodeBlock;             // the RGKN block without its 32-byte header
  std::vector<SpaceCounts> dataBlocks;  // each RGDB block without its 32-byte header
  SpaceCounts whole;                    // the file header and every block, headers in use
};

// Whether keys[0] is the unnamed root the views show as the hive's top (IsUnnamedRoot).
bool HasUnnamedRoot(const SalvagedHive& hive);

HiveCounts CountHive(const SalvagedHive& hive);

// "12.1": part of whole in percent with one decimal, rounded as the report prints its shares
// ("%.1f"); "0.0" of a whole of nothing.
std::string Share(std::int64_t part, std::int64_t whole);

}  // namespace quarvex::salvage
