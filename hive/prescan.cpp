#include "hive/prescan.h"

#include "text/printf.h"

namespace quarvex::hive {

using namespace quarvex::text;


namespace {
std::int32_t WrappingAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
}  // namespace

void PreScanDataBlocks(Hive& hive, const PreScanOutput& output) {
  const bool trace = output.trace && output.appendLine;
  const std::uint16_t blockCount = hive.hiveHeader.wDBblks;
  hive.indexedRecordCount = 0;
  hive.recordIndex.Reset(blockCount);
  if (trace) output.appendLine("<<<<< Pre-Scanning Status of each RGDB records >>>>>");

  for (std::uint32_t i = 0; i < blockCount; ++i) {
    const auto block = static_cast<std::uint16_t>(i);
    if (trace) output.appendLine(Printf(" RGDB(%.4X) =====", i));
    const std::int32_t base = hive.DataBlockOffset(block);
    if (hive.errorCode != code::kOk) continue;
    RgdbHeader header;
    hive.ReadDataBlockHeader(base, header);

    const std::int32_t first = WrappingAdd(base, 32);
    const std::int32_t end = WrappingAdd(base, header.iBlkSize);
    std::int32_t current = first;
    std::int32_t remaining = header.wMaxRecNo;
    if (trace) output.appendLine(Printf("  Includes MAYBE %.4X record(s)...", unsigned{header.wMaxRecNo}));
    std::string walk;

    // Every step moves strictly forward inside [first, end] (a link that is not positive
    // counts as leading out of the block), so the walk ends after at most iBlkSize steps
    // even when unnumbered records never count `remaining` down.
    while (remaining >= 0) {
      DataRecordHeader record;
      if (!hive.ReadDataRecordHeader(current, record)) {
        if (trace) walk += "*GetFail*";
        break;
      }
      const std::int32_t next = WrappingAdd(current, record.NextOfs);
      if (record.NextOfs <= 0 || next < first || next > end) {
        if (trace) walk += "*OutOfArea*";
        break;
      }
      if (next == end) remaining = 0;
      if (trace) AppendPrintf(walk, "%.4X,", unsigned{record.RecNo});
      if (record.RecNo != kNoNumber) {
        if (output.showStatus)
          output.showStatus(Printf("DB_rec_pre:%.4X%.4X", unsigned{record.BlkNo}, unsigned{record.RecNo}));
        hive.recordIndex.Store(block, record.RecNo, current);
        ++hive.indexedRecordCount;
        --remaining;
      }
      current = next;
    }
    hive.recordIndex.FinishBlock(block);
    if (trace) output.appendLine(walk + ">END");
  }

  if (trace) {
    output.appendLine("<<<<< ---------------------------------------- >>>>>");
    output.appendLine("");
  }
}

}  // namespace quarvex::hive
