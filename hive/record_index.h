// Record index: (data block number, record number) -> file offset of the record's header.
//
// Each block keeps its own table, so a record number of 256 or more can never spill into
// another block's entries. A block's table is a direct array indexed by record number
// (constant-time lookup, as real files with numbers 0-254 always get) unless its numbers are
// so sparse that the array would be mostly empty; then it is a sorted list, so that a
// damaged block claiming record 65534 costs a few bytes, not a quarter megabyte per block.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace quarvex::hive {

class RecordIndex {
 public:
  // Which of two records with the same numbers a lookup finds: the later one, as the pre-scan
  // has it (each record found overwrites the slot of its numbers), or the first one, as the
  // salvage reader and the detection's light reader have it.
  enum class Duplicates { LaterWins, FirstWins };

  // Empties the index and makes room for blockCount blocks.
  void Reset(std::size_t blockCount, Duplicates duplicates = Duplicates::LaterWins);
  // One more block, numbered BlockCount() - 1, for a reader that learns the blocks as it goes.
  void AddBlock() { blocks_.emplace_back(); }

  // Enters a record found while walking block `block`: its file offset, or whatever 32-bit
  // value the reader finds it by. Entries of a block are final after FinishBlock.
  void Store(std::uint16_t block, std::uint16_t record, std::int32_t fileOffset);
  void FinishBlock(std::uint16_t block);

  std::optional<std::int32_t> Find(std::uint16_t block, std::uint16_t record) const;

  std::size_t BlockCount() const { return blocks_.size(); }
  // Record numbers a listing of the block runs through: 0 to 255 as in a real file, or up
  // to the highest number the block holds when that is higher.
  std::size_t PositionCount(std::uint16_t block) const;

  // Calls visit(recordNumber, fileOffset) for every record of block, numbers ascending.
  template <typename Visit>
  void ForEachInBlock(std::uint16_t block, Visit&& visit) const {
    if (block >= blocks_.size()) return;
    const Block& b = blocks_[block];
    for (std::size_t r = 0; r < b.direct.size(); ++r)
      if (b.direct[r] != kEmpty) visit(static_cast<std::uint16_t>(r), b.direct[r]);
    for (const auto& [r, offset] : b.sorted) visit(r, offset);
  }

 private:
  static constexpr std::int32_t kEmpty = -1;
  struct Block {
    std::vector<std::int32_t> direct;                             // by record number
    std::vector<std::pair<std::uint16_t, std::int32_t>> sorted;   // sparse blocks
    std::vector<std::pair<std::uint16_t, std::int32_t>> pending;  // while walking
  };
  std::vector<Block> blocks_;
  Duplicates duplicates_ = Duplicates::LaterWins;
};

}  // namespace quarvex::hive
