// The record-index pre-scan: walks every data block's record chain once and enters each
// numbered record into the record index. It can keep what it saw of each chain (the trace),
// for the report to print.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "hive/hive_state.h"

namespace quarvex::hive {

// What the walk of one block's chain saw.
struct PreScanBlockTrace {
  enum class End {
    Counted,    // the block's highest record number was counted down
    GetFail,    // a record header was cut short by the end of the image
    OutOfArea,  // a link led outside the block, or did not move forward
  };
  bool located = false;                      // the block table had the block
  std::uint16_t maxRecordNumber = 0;         // wMaxRecNo of its header
  std::vector<std::uint16_t> recordNumbers;  // Rec# of every record walked, 0xFFFF included
  End end = End::Counted;
};

struct PreScanTrace {
  std::vector<PreScanBlockTrace> blocks;
};

struct PreScanOptions {
  // Receives (Blk#, Rec#) of every numbered record as it is indexed, for a progress line.
  std::function<void(std::uint16_t block, std::uint16_t record)> onRecord;
  // Filled with every block's walk when given.
  PreScanTrace* trace = nullptr;
};

// Needs the block table. Never fails on a bad record: the block's walk ends (at a header cut
// short by the end of the image, or at a link that leads outside the block or does not move
// forward) and the next block follows.
void PreScanDataBlocks(Hive& hive, const PreScanOptions& options);

}  // namespace quarvex::hive
