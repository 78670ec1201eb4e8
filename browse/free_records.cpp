#include "browse/free_records.h"

#include <algorithm>

namespace quarvex::browse {

std::vector<FreeRecord> FreeRecords(const salvage::SalvagedHive& hive) {
  std::vector<FreeRecord> out;
  const auto size = static_cast<std::int64_t>(hive.image.size());
  constexpr auto kFreeView = static_cast<std::int64_t>(hive::FreeDataRecord::kSize);
  for (std::size_t b = 0; b < hive.blocks.size(); ++b) {
    const salvage::SalvagedBlock& block = hive.blocks[b];
    const std::int64_t end = std::min(block.end, size);
    std::int64_t p = block.offset.value + static_cast<std::int64_t>(hive::RgdbHeader::kSize);
    // Each step moves forward by at least a free view's 12 bytes and never past the block's
    // end, so the walk ends within end / 12 steps whatever the bytes say.
    while (p >= 0 && p + kFreeView <= end) {
      hive::ByteCursor cursor(hive.image, static_cast<std::uint64_t>(p));
      const std::int64_t next = cursor.I32();
      const std::uint16_t recNo = cursor.U16();
      if (!cursor || next < kFreeView || next > end - p) break;
      if (recNo == hive::kNoNumber) out.push_back({p, next, static_cast<std::uint32_t>(b)});
      p += next;
    }
  }
  // Blocks found by their signature may lie out of order, and a damaged header may make two
  // blocks share bytes: the first record to claim a byte keeps it, so that a lookup is exact.
  std::sort(out.begin(), out.end(), [](const FreeRecord& a, const FreeRecord& b) { return a.offset < b.offset; });
  std::vector<FreeRecord> apart;
  for (const FreeRecord& r : out)
    if (apart.empty() || r.offset >= apart.back().offset + apart.back().size) apart.push_back(r);
  return apart;
}

std::optional<FreeRecord> FreeRecordAt(const std::vector<FreeRecord>& records, std::int64_t offset) {
  auto after = std::upper_bound(records.begin(), records.end(), offset,
                                [](std::int64_t at, const FreeRecord& r) { return at < r.offset; });
  if (after == records.begin()) return std::nullopt;
  const FreeRecord& r = *std::prev(after);
  if (offset - r.offset < r.size) return r;
  return std::nullopt;
}

}  // namespace quarvex::browse
