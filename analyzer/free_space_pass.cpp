// The free lists of the analysis: free areas of the key-node block, and every data block's
// free records with the block's share of the file.
#include "analyzer/space_tally.h"
#include "hive/link_guard.h"
#include "text/printf.h"

namespace quarvex::analyzer {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;

using text::Printf;

namespace {

// Ends the run when a free list comes back to an entry it has already counted: from there
// it would go round for ever. The finding names the entry whose link led back.
bool FirstVisit(VisitedOffsets& visited, FileOffset at, Hive& hive, Finding loop) {
  if (visited.Mark(at.value)) return true;
  loop.found += " (an entry already counted)";
  loop.expected = "0xFFFFFFFF or an entry not yet counted";
  return hive.Fail(code::kLinkLoop, std::move(loop));
}

}  // namespace

// Free areas are linked by offsets relative to the key-node block. The list ends only at -1:
// unlike the tree's links, 0 and other negative offsets are followed (and fail to read when
// they lead outside the file).
bool PassKeyNodeBlock(const stage::StageContext& context, const RgknHeader& rgkn, SpaceTally& tally) {
  Hive& hive = context.hive;
  VisitedOffsets visited(hive.hiveImage.Size());
  tally.keyNode.Empty = 0;
  // Where the link now followed was read: the block header's iERecOfs, then each area's NextOfs.
  Finding link = FindingAt(Structure::RgknHeader, kKeyNodeBlockFileOffset, FieldName(RgknHeaderField::iERecOfs));
  for (KeyNodeOffset current(rgkn.iERecOfs);;) {
    context.Progress(Printf("ANA:KN(%.8X)_E", static_cast<std::uint32_t>(current.value)));
    if (current.IsNone()) break;
    link.found = Hex32(static_cast<std::uint32_t>(current.value));
    if (!FirstVisit(visited, current.InFile(), hive, link)) return false;
    FreeKeyNode free;
    if (!hive.ReadFreeKeyNode(current, free)) return false;
    tally.keyNode.Empty += free.Size;
    link = FindingAt(Structure::FreeKeyNode, current.InFile(), FieldName(FreeKeyNodeField::NextOfs));
    current = KeyNodeOffset(free.NextOfs);
  }
  tally.keyNode.DeadGap =
      std::int64_t{rgkn.iBlkSize} - (tally.keyNode.Using + std::int64_t{RgknHeader::kSize} + tally.keyNode.Empty);
  return true;
}

// Free records are linked by offsets relative to their block's start; -1 ends the list.
bool PassDataBlocks(const stage::StageContext& context, SpaceTally& tally) {
  Hive& hive = context.hive;
  VisitedOffsets visited(hive.hiveImage.Size());
  for (std::uint32_t i = 0; i < tally.blockCount; ++i) {
    const auto b = static_cast<std::uint16_t>(i);
    context.Progress(Printf("ANA:DB(%.4X)_E", i));
    const FileOffset base = hive.DataBlockOffset(b);
    if (hive.errorCode != code::kOk) return false;
    RgdbHeader header;
    hive.ReadDataBlockHeader(base, header);  // read whole before, when the block table was built
    SpaceUsage& usage = tally.blocks[b];
    visited.Reset();
    Finding link = FindingAt(Structure::RgdbHeader, base, FieldName(RgdbHeaderField::iERecOfs), i);
    for (BlockOffset f(header.iERecOfs); !f.IsNone();) {
      const FileOffset at = InBlock(base, f);
      link.found = Hex32(static_cast<std::uint32_t>(f.value));
      if (!FirstVisit(visited, at, hive, link)) return false;
      FreeDataRecord free;
      if (!hive.ReadFreeDataRecord(at, b, free)) return false;
      tally.freeRecords.push_back({b, f, free.Size});
      usage.Empty += free.Size;
      link = FindingAt(Structure::FreeDataRecord, at, FieldName(FreeDataRecordField::NextOfs), i);
      f = BlockOffset(free.NextOfs);
    }
    usage.DeadGap = std::int64_t{header.iBlkSize} - usage.Using - usage.Empty - std::int64_t{RgdbHeader::kSize};
    tally.whole.Using += usage.Using + std::int64_t{RgdbHeader::kSize};
    tally.whole.Empty += usage.Empty;
    tally.whole.DeadGap += usage.DeadGap;
  }
  return true;
}

}  // namespace quarvex::analyzer
