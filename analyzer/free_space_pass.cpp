// The free lists of the analysis: free areas of the key-node block, and every data block's
// free records with the block's share of the file.
#include <string>

#include "analyzer/space_tally.h"
#include "hive/link_guard.h"
#include "text/printf.h"
#include "job/analysis_job.h"

namespace quarvex::analyzer {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;


namespace {

// Ends the run when a free list comes back to an entry it has already counted: from there
// it would go round for ever.
bool FirstVisit(VisitedOffsets& visited, std::int64_t fileOffset, Hive& hive) {
  if (visited.Mark(fileOffset)) return true;
  hive.errorCode = code::kLinkLoop;
  return false;
}

void AddUsageBars(ChartSeriesSet& series, const SpaceUsage& usage, const std::string& label) {
  series[SeriesId::Series2].Add(static_cast<double>(usage.Using), label, kBlue);
  series[SeriesId::Series3].Add(static_cast<double>(usage.Empty), label, kGreen);
  series[SeriesId::Series4].Add(static_cast<double>(usage.DeadGap), label, kRed);
}

}  // namespace

// Free areas are linked by offsets relative to the key-node block. The list ends only at -1:
// unlike the tree's links, 0 and other negative offsets are followed (and fail to read when
// they lead outside the file).
bool PassKeyNodeBlock(AnalysisJob& job, const RgknHeader& rgkn, SpaceTally& tally) {
  Hive& hive = job.hive;
  VisitedOffsets visited(hive.hiveImage.Size());
  tally.keyNode.Empty = 0;
  for (std::int32_t current = rgkn.iERecOfs;;) {
    job.ShowProgress(Printf("ANA:KN(%.8X)_E", static_cast<std::uint32_t>(current)));
    if (current == kNoOffset) break;
    if (!FirstVisit(visited, KeyNodeFileOffset(current), hive)) return false;
    FreeKeyNode free;
    if (!hive.ReadFreeKeyNode(current, free)) return false;
    tally.keyNode.Empty += free.Size;
    current = free.NextOfs;
  }
  tally.keyNode.DeadGap = std::int64_t{rgkn.iBlkSize} - (tally.keyNode.Using + std::int64_t{RgknHeader::kSize} +
                                                         tally.keyNode.Empty);
  AddUsageBars(job.chartSeries, tally.keyNode, "KN");
  return true;
}

// Free records are linked by offsets relative to their block's start; -1 ends the list.
bool PassDataBlocks(AnalysisJob& job, SpaceTally& tally) {
  Hive& hive = job.hive;
  ChartSeries& freeSizes = job.chartSeries[SeriesId::Series8];
  VisitedOffsets visited(hive.hiveImage.Size());
  for (std::uint32_t i = 0; i < tally.blockCount; ++i) {
    const auto b = static_cast<std::uint16_t>(i);
    job.ShowProgress(Printf("ANA:DB(%.4X)_E", i));
    const std::int32_t base = hive.DataBlockOffset(b);
    if (hive.errorCode != code::kOk) return false;
    RgdbHeader header;
    hive.ReadDataBlockHeader(base, header);  // read whole before, when the block table was built
    SpaceUsage& usage = tally.blocks[b];
    visited.Reset();
    for (std::int32_t f = header.iERecOfs; f != kNoOffset;) {
      const std::int64_t at = std::int64_t{base} + f;
      if (!FirstVisit(visited, at, hive)) return false;
      FreeDataRecord free;
      if (!hive.ReadFreeDataRecord(at, free)) return false;
      freeSizes.Add(free.Size, std::to_string(f), kRed);
      usage.Empty += free.Size;
      f = free.NextOfs;
    }
    usage.DeadGap = std::int64_t{header.iBlkSize} - usage.Using - usage.Empty - std::int64_t{RgdbHeader::kSize};
    AddUsageBars(job.chartSeries, usage, std::to_string(i));
    tally.whole.Using += usage.Using + std::int64_t{RgdbHeader::kSize};
    tally.whole.Empty += usage.Empty;
    tally.whole.DeadGap += usage.DeadGap;
  }
  return true;
}

}  // namespace quarvex::analyzer
