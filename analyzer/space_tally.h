// The running totals of one analysis and the passes that fill them. Internal to analyzer/.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "analyzer/analysis_result.h"
#include "hive/format.h"
#include "stage/stage_context.h"

namespace quarvex::analyzer {

// Usage per data block number. A data record's bytes are counted under the block number its
// own header names, which a damaged file may set to anything up to 65535; the table grows to
// take it, so no count ever lands outside it. It starts with room for 1001 blocks (or the
// file's block count when that is more), which is all a sound file needs.
class BlockUsageTable {
 public:
  static constexpr std::size_t kInitialRows = 1001;
  explicit BlockUsageTable(std::size_t blockCount) : rows_(std::max(kInitialRows, blockCount)) {}
  SpaceUsage& operator[](std::uint16_t block) {
    if (block >= rows_.size()) rows_.resize(std::size_t{block} + 1);
    return rows_[block];
  }
  // Rows 0 to the file's block count - 1 always exist; a row never written reads as zero.
  SpaceUsage At(std::uint16_t block) const { return block < rows_.size() ? rows_[block] : SpaceUsage{}; }
  std::size_t Size() const { return rows_.size(); }

 private:
  std::vector<SpaceUsage> rows_;
};

struct SpaceTally {
  explicit SpaceTally(std::uint16_t count) : blockCount(count), blocks(count) {}
  std::uint16_t blockCount;  // wDBblks of the file header
  SpaceUsage keyNode;
  BlockUsageTable blocks;
  SpaceUsage whole;
  std::vector<KeyRecordFact> keys;
  std::vector<FreeRecordFact> freeRecords;
};

// Each pass returns false when the run must end; the hive's code then says why.

// Walks the key tree: 28 bytes per visited node, record sizes, checksum verdicts.
bool WalkKeys(const stage::StageContext& context, const hive::RgknHeader& rgkn, SpaceTally& tally);
// Follows the free key-node list into keyNode.Empty, then the block's dead gap.
bool PassKeyNodeBlock(const stage::StageContext& context, const hive::RgknHeader& rgkn, SpaceTally& tally);
// Every data block: its free-record list, its dead gap, and its share of `whole`.
bool PassDataBlocks(const stage::StageContext& context, SpaceTally& tally);

}  // namespace quarvex::analyzer
