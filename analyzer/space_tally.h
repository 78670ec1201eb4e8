// The running totals of one analysis and the passes that fill them. Internal to analyzer/.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "analyzer/analysis_summary.h"
#include "hive/format.h"

namespace quarvex::analyzer {

class AnalysisJob;

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
  std::int32_t goodCount = 0;
  std::int32_t badCount = 0;
  std::int32_t ghostCount = 0;
  std::vector<std::int32_t> badKeys;    // key-node offsets, in walk order
  std::vector<std::int32_t> ghostKeys;
  std::int64_t usingAverage = 0;
  std::int64_t emptyAverage = 0;
};

// Each pass returns false when the run must end; the job's code then says why.

// Walks the key tree: 28 bytes per visited node, record sizes, checksum verdicts.
bool WalkKeys(AnalysisJob& job, const hive::RgknHeader& rgkn, SpaceTally& tally);
// Follows the free key-node list into keyNode.Empty, then the block's dead gap and its bars.
bool PassKeyNodeBlock(AnalysisJob& job, const hive::RgknHeader& rgkn, SpaceTally& tally);
// Every data block: its free-record list, its bars, its dead gap, and its share of `whole`.
bool PassDataBlocks(AnalysisJob& job, SpaceTally& tally);

// The report section, from the finished tally. Paths are the resolved key paths (the
// report's own bytes) of badKeys and ghostKeys, in the same order.
void WriteAnalyzerReport(AnalysisJob& job, const SpaceTally& tally, const std::vector<std::string>& badPaths,
                         const std::vector<std::string>& ghostPaths);

// The job's summary of the finished run (paths as above, converted to UTF-8 inside).
AnalysisSummary SummarizeAnalysis(const AnalysisJob& job, const SpaceTally& tally,
                                  const std::vector<std::string>& badPaths,
                                  const std::vector<std::string>& ghostPaths);

}  // namespace quarvex::analyzer
