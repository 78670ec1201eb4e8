#include "hive/record_index.h"

#include <algorithm>

namespace quarvex::hive {

void RecordIndex::Reset(std::size_t blockCount, Duplicates duplicates) {
  blocks_.clear();
  blocks_.resize(blockCount);
  duplicates_ = duplicates;
}

void RecordIndex::Store(std::uint16_t block, std::uint16_t record, std::int32_t fileOffset) {
  if (block < blocks_.size()) blocks_[block].pending.emplace_back(record, fileOffset);
}

void RecordIndex::FinishBlock(std::uint16_t block) {
  if (block >= blocks_.size()) return;
  Block& b = blocks_[block];
  std::size_t highest = 0;
  for (const auto& entry : b.pending) highest = std::max<std::size_t>(highest, entry.first);
  const std::size_t directSize = b.pending.empty() ? 0 : highest + 1;
  const bool firstWins = duplicates_ == Duplicates::FirstWins;
  if (directSize <= 4 * b.pending.size() + 256) {
    b.direct.assign(directSize, kEmpty);
    for (const auto& [record, offset] : b.pending)
      if (!firstWins || b.direct[record] == kEmpty) b.direct[record] = offset;
  } else {
    // Keep the first or the last entry of each number: a stable sort keeps arrival order
    // within a number.
    std::stable_sort(b.pending.begin(), b.pending.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    for (std::size_t i = 0; i < b.pending.size(); ++i) {
      const bool kept = firstWins ? i == 0 || b.pending[i - 1].first != b.pending[i].first
                                  : i + 1 == b.pending.size() || b.pending[i + 1].first != b.pending[i].first;
      if (kept) b.sorted.push_back(b.pending[i]);
    }
  }
  b.pending.clear();
  b.pending.shrink_to_fit();
}

std::size_t RecordIndex::PositionCount(std::uint16_t block) const {
  std::size_t count = 256;
  if (block >= blocks_.size()) return count;
  const Block& b = blocks_[block];
  count = std::max(count, b.direct.size());
  if (!b.sorted.empty()) count = std::max<std::size_t>(count, b.sorted.back().first + 1u);
  return count;
}

std::optional<std::int32_t> RecordIndex::Find(std::uint16_t block, std::uint16_t record) const {
  if (block >= blocks_.size()) return std::nullopt;
  const Block& b = blocks_[block];
  if (record < b.direct.size()) {
    if (b.direct[record] != kEmpty) return b.direct[record];
    return std::nullopt;
  }
  auto it = std::lower_bound(b.sorted.begin(), b.sorted.end(), record,
                             [](const auto& entry, std::uint16_t r) { return entry.first < r; });
  if (it != b.sorted.end() && it->first == record) return it->second;
  return std::nullopt;
}

}  // namespace quarvex::hive
