// The record-index pre-scan: walks every data block's record chain once and enters each
// numbered record into the record index, optionally tracing the walk into the report.
#pragma once

#include <functional>
#include <string_view>

#include "hive/hive_state.h"

namespace quarvex::hive {

struct PreScanOutput {
  bool trace = false;  // write the per-block trace lines
  std::function<void(std::string_view line)> appendLine;
  std::function<void(std::string_view text)> showStatus;
};

// Needs the block table. Never fails on a bad record: the block's walk ends, its trace line
// says "*GetFail*" (header cut short by the end of the image) or "*OutOfArea*" (a link that
// leads outside the block, or that does not move forward), and the next block follows.
void PreScanDataBlocks(Hive& hive, const PreScanOutput& output);

}  // namespace quarvex::hive
