// The free records of each data block, for telling what lies at a file offset.
//
// A data block's records follow one another, each one's NextOfs the distance to the next;
// one whose Rec# reads 0xFFFF is free (its 12-byte free view: the size, then the free list's
// link). Neighbouring free records are merged, so a free record is often a free area holding
// the remains of several older records. The salvage reader counts the free records but keeps
// only those in use; this walks each block's chain again from its first record and keeps the
// free ones, so that a window can say "free record, block 3, size 120" of an offset that no
// record in use covers.
//
// The walk follows the chain forward only, within the block and the file, and stops where the
// chain breaks (the salvage reader's finding says why): a free record behind a break is not
// listed. Nothing here includes Qt.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "salvage/salvage.h"

namespace quarvex::browse {

struct FreeRecord {
  std::int64_t offset = 0;  // file offset of its free view
  std::int64_t size = 0;    // its NextOfs: the bytes up to the next record of the chain
  std::uint32_t block = 0;  // index into hive.blocks
};

// Every free record of every block's chain, by file offset; none overlaps another.
std::vector<FreeRecord> FreeRecords(const salvage::SalvagedHive& hive);

// The free record whose bytes hold offset, if any (records as FreeRecords gives them).
std::optional<FreeRecord> FreeRecordAt(const std::vector<FreeRecord>& records, std::int64_t offset);

}  // namespace quarvex::browse
