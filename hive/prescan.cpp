#include "hive/prescan.h"

namespace quarvex::hive {

namespace {
std::int32_t WrappingAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
}  // namespace

void PreScanDataBlocks(Hive& hive, const PreScanOptions& options) {
  const std::uint16_t blockCount = hive.hiveHeader.wDBblks;
  hive.indexedRecordCount = 0;
  hive.recordIndex.Reset(blockCount);
  if (options.trace) options.trace->blocks.assign(blockCount, {});

  for (std::uint32_t i = 0; i < blockCount; ++i) {
    const auto block = static_cast<std::uint16_t>(i);
    PreScanBlockTrace* trace = options.trace ? &options.trace->blocks[i] : nullptr;
    const FileOffset located = hive.DataBlockOffset(block);
    if (hive.errorCode != code::kOk) continue;
    const auto base = static_cast<std::int32_t>(located.value);
    RgdbHeader header;
    hive.ReadDataBlockHeader(located, header);
    if (trace) {
      trace->located = true;
      trace->maxRecordNumber = header.wMaxRecNo;
    }

    // Offsets wrap as the format's signed 32-bit arithmetic does.
    const std::int32_t first = WrappingAdd(base, 32);
    const std::int32_t end = WrappingAdd(base, header.iBlkSize);
    std::int32_t current = first;
    std::int32_t remaining = header.wMaxRecNo;

    // Every step moves strictly forward inside [first, end] (a link that is not positive
    // counts as leading out of the block), so the walk ends after at most iBlkSize steps
    // even when unnumbered records never count `remaining` down.
    while (remaining >= 0) {
      DataRecordHeader record;
      if (!hive.ReadDataRecordHeader(FileOffset(current), record)) {
        if (trace) trace->end = PreScanBlockTrace::End::GetFail;
        break;
      }
      const std::int32_t next = WrappingAdd(current, record.NextOfs);
      if (record.NextOfs <= 0 || next < first || next > end) {
        if (trace) trace->end = PreScanBlockTrace::End::OutOfArea;
        break;
      }
      if (next == end) remaining = 0;
      if (trace) trace->recordNumbers.push_back(record.RecNo);
      if (record.RecNo != kNoNumber) {
        if (options.onRecord) options.onRecord(record.BlkNo, record.RecNo);
        hive.recordIndex.Store(block, record.RecNo, current);
        ++hive.indexedRecordCount;
        --remaining;
      }
      current = next;
    }
    hive.recordIndex.FinishBlock(block);
  }
}

}  // namespace quarvex::hive
