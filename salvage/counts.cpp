#include "salvage/counts.h"

#include <algorithm>
#include <cstdio>

namespace quarvex::salvage {

using namespace quarvex::hive;

namespace {

// The file header, the key-node block's and each data block's: all three are 32 bytes.
constexpr std::int64_t kHeader = static_cast<std::int64_t>(CregHeader::kSize);
static_assert(RgknHeader::kSize == CregHeader::kSize && RgdbHeader::kSize == CregHeader::kSize);
constexpr std::int32_t kEndOfList = -1;

// The bytes of a header that lie in [begin, end): all 32 unless the file is cut inside it.
std::int64_t HeaderBytes(std::int64_t begin, std::int64_t end) {
  return std::clamp<std::int64_t>(end - begin, 0, kHeader);
}

// Where the key-node block ends: where the salvage reader found the first data block, else
// where its header says, never past the file.
std::int64_t KeyNodeBlockEnd(const SalvagedHive& hive) {
  const auto fileEnd = static_cast<std::int64_t>(hive.image.size());
  std::int64_t end = fileEnd;
  if (!hive.blocks.empty())
    end = hive.blocks.front().offset.value;
  else if (hive.rgkn.iBlkSize >= static_cast<std::int32_t>(RgknHeader::kSize))
    end = hive::kKeyNodeBlockStart + hive.rgkn.iBlkSize;
  return std::clamp<std::int64_t>(end, std::min<std::int64_t>(fileEnd, hive::kKeyNodeBlockStart), fileEnd);
}

// The free key-node list: each area's Size, bounded by the block, until the list ends, leaves
// the block or comes back. A head of 0 is an empty list (the salvage reader's reading).
std::int64_t FreeKeyNodeBytes(const SalvagedHive& hive, std::int64_t blockEnd) {
  const std::int64_t room = blockEnd - hive::kKeyNodeBlockStart;
  if (room <= 0 || hive.rgkn.iERecOfs == 0) return 0;
  std::vector<bool> seen(static_cast<std::size_t>(room), false);
  std::int64_t bytes = 0;
  for (std::int32_t f = hive.rgkn.iERecOfs; f != kEndOfList;) {
    const std::int64_t at = hive::kKeyNodeBlockStart + f;
    if (f < static_cast<std::int32_t>(RgknHeader::kSize) ||
        at + static_cast<std::int64_t>(FreeKeyNode::kSize) > blockEnd)
      break;
    if (seen[static_cast<std::size_t>(f)]) break;
    seen[static_cast<std::size_t>(f)] = true;
    const FreeKeyNode node = DecodeAt<FreeKeyNode>(hive.image, at);
    bytes += std::clamp<std::int64_t>(node.Size, 0, blockEnd - at);
    f = node.NextOfs;
  }
  return bytes;
}

// A data block's free-record list, likewise; an entry where a numbered record stands ends it.
std::int64_t FreeRecordBytes(const SalvagedHive& hive, const SalvagedBlock& block, std::int64_t blockEnd,
                             const std::vector<std::int64_t>& recordOffsets) {
  const std::int64_t start = block.offset.value;
  const std::int64_t room = blockEnd - start;
  if (room <= 0 || block.header.iERecOfs == 0) return 0;
  std::vector<bool> seen(static_cast<std::size_t>(room), false);
  std::int64_t bytes = 0;
  for (std::int32_t f = block.header.iERecOfs; f != kEndOfList;) {
    const std::int64_t at = start + f;
    if (f < static_cast<std::int32_t>(RgdbHeader::kSize) ||
        at + static_cast<std::int64_t>(FreeDataRecord::kSize) > blockEnd)
      break;
    if (seen[static_cast<std::size_t>(f)]) break;
    seen[static_cast<std::size_t>(f)] = true;
    if (std::binary_search(recordOffsets.begin(), recordOffsets.end(), at)) break;
    const FreeDataRecord record = DecodeAt<FreeDataRecord>(hive.image, at);
    bytes += std::clamp<std::int64_t>(record.Size, 0, blockEnd - at);
    f = record.NextOfs;
  }
  return bytes;
}

void CountFindings(const SalvagedHive& hive, HiveCounts& c) {
  for (const Finding& f : hive.findings) {
    switch (f.severity) {
      case Severity::Damage:
        ++c.damage;
        break;
      case Severity::Warning:
        ++c.warnings;
        break;
      case Severity::Note:
        ++c.notes;
        break;
    }
  }
}

void CountKeysAndValues(const SalvagedHive& hive, HiveCounts& c) {
  const std::size_t first = HasUnnamedRoot(hive) ? 1 : 0;
  c.keyNodes = hive.keys.size();
  c.keys = hive.keys.size() - first;
  for (std::size_t k = first; k < hive.keys.size(); ++k) {
    const SalvagedKey& key = hive.keys[k];
    c.lostKeys += key.lost ? 1 : 0;
    if (key.record == kNoIndex) {
      ++c.unreadableKeys;
      continue;
    }
    const SalvagedRecord& r = hive.records[static_cast<std::size_t>(key.record)];
    if (r.key != static_cast<std::int32_t>(k)) continue;  // another key's record: its values are that key's
    c.values += r.valueCount;
    if (r.header.DatN > r.valueCount) c.valuesUnreadable += r.header.DatN - r.valueCount;
  }
}

void CountSpace(const SalvagedHive& hive, HiveCounts& c) {
  const auto fileEnd = static_cast<std::int64_t>(hive.image.size());
  const std::int64_t keyEnd = KeyNodeBlockEnd(hive);
  std::int64_t linkedNodes = 0;
  for (const SalvagedKey& key : hive.keys) linkedNodes += key.lost ? 0 : 1;
  SpaceCounts& nodes = c.keyNodeBlock;
  const std::int64_t nodeRoom = std::max<std::int64_t>(0, keyEnd - hive::kKeyNodeBlockStart - kHeader);
  nodes.inUse = std::min(nodeRoom, linkedNodes * static_cast<std::int64_t>(KeyNode::kSize));
  nodes.free = std::min(nodeRoom - nodes.inUse, FreeKeyNodeBytes(hive, keyEnd));
  nodes.deadGap = nodeRoom - nodes.inUse - nodes.free;

  // Records in use are those a linked key refers to; every numbered record ends a free list.
  std::vector<std::int64_t> inUse(hive.blocks.size(), 0);
  std::vector<std::vector<std::int64_t>> recordOffsets(hive.blocks.size());
  for (const SalvagedRecord& r : hive.records) {
    if (r.block >= hive.blocks.size()) continue;
    recordOffsets[r.block].push_back(r.offset.value);
    if (r.key == kNoIndex || hive.keys[static_cast<std::size_t>(r.key)].lost) continue;
    inUse[r.block] += std::clamp<std::int64_t>(r.header.RecSize, 0, std::max<std::int64_t>(r.extent, 0));
  }
  c.whole.inUse = HeaderBytes(0, fileEnd) + HeaderBytes(hive::kKeyNodeBlockStart, keyEnd) + nodes.inUse;
  c.whole.free = nodes.free;
  c.whole.deadGap = nodes.deadGap;
  for (std::size_t b = 0; b < hive.blocks.size(); ++b) {
    const SalvagedBlock& block = hive.blocks[b];
    const std::int64_t end = std::min(block.end, fileEnd);
    std::vector<std::int64_t>& offsets = recordOffsets[b];
    std::sort(offsets.begin(), offsets.end());
    SpaceCounts row;
    const std::int64_t room = std::max<std::int64_t>(0, end - block.offset.value - kHeader);
    row.inUse = std::min(room, inUse[b]);
    row.free = std::min(room - row.inUse, FreeRecordBytes(hive, block, end, offsets));
    row.deadGap = room - row.inUse - row.free;
    c.dataBlocks.push_back(row);
    c.whole.inUse += HeaderBytes(block.offset.value, end) + row.inUse;
    c.whole.free += row.free;
    c.whole.deadGap += row.deadGap;
  }
}

}  // namespace

bool HasUnnamedRoot(const SalvagedHive& hive) { return !hive.keys.empty() && IsUnnamedRoot(hive.keys[0]); }

HiveCounts CountHive(const SalvagedHive& hive) {
  HiveCounts c;
  CountFindings(hive, c);
  c.bytesLost = hive.summary.bytesLost;
  c.bytesPastEnd = hive.summary.bytesPastEnd;
  c.bytesLostAtLeast = hive.summary.blocksPastEnd;
  if (!hive.isHive) return c;
  c.blocks = hive.blocks.size();
  CountKeysAndValues(hive, c);
  CountSpace(hive, c);
  return c;
}

std::string Share(std::int64_t part, std::int64_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f",
                whole == 0 ? 0.0 : static_cast<double>(part) * 100.0 / static_cast<double>(whole));
  return text;
}

}  // namespace quarvex::salvage
