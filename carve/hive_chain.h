// A registry file followed from its header through a source, block by block: the 32-byte CREG
// header names where the first data block lies (iRGDB1st) and how many there are (wDBblks), the
// key-node block at +32 gives its own size (iBlkSize), and each data block its size, the next
// following it directly with no alignment. A file whose clusters were contiguous and untouched
// is found whole; one whose clusters were reused or scattered breaks at the first block that is
// not where the sizes before it say, and the chain says which and why.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "carve/byte_source.h"
#include "hive/format.h"

namespace quarvex::carve {

// No registry file is larger: the format's offsets are signed 32-bit.
inline constexpr std::uint64_t kLargestCarvedHive = 0x7FFFFFFF;

enum class BlockKind { FileHeader, KeyNodes, Data };

struct ChainBlock {
  BlockKind kind = BlockKind::Data;
  std::uint64_t offset = 0;  // in the source
  std::uint64_t size = 0;    // as its header says (32 for the file header)
  std::uint32_t number = 0;  // a data block's place in the file (0, 1, ...)
};

struct HiveChain {
  std::uint64_t start = 0;
  hive::CregHeader header;
  std::vector<ChainBlock> blocks;  // file header, key-node block, data blocks, as far as found
  bool whole = false;              // every block the header announces, each where it belongs
  std::string broken;              // where and why the chain stops (empty when whole)

  std::uint64_t End() const { return blocks.empty() ? start : blocks.back().offset + blocks.back().size; }
  bool HasKeyNodes() const { return blocks.size() >= 2; }
  std::uint32_t DataBlocksFound() const {
    return blocks.size() > 2 ? static_cast<std::uint32_t>(blocks.size() - 2) : 0;
  }
};

// Follows the chain of the file whose header is at `at`; every block must lie inside
// `readable` (the bytes a carve may use). Reads the headers only: 32 bytes per block.
HiveChain FollowChain(const ByteSource& source, const RangeSet& readable, std::uint64_t at);

// The bytes of the whole file whose header is at `at`; nullopt with the reason in error when
// its chain breaks.
std::optional<std::vector<std::uint8_t>> ReadCarvedHive(const ByteSource& source, std::uint64_t at, std::string& error);

// "0x01A2B000", the form carved offsets are written in (in addresses too).
std::string OffsetText(std::uint64_t offset);

}  // namespace quarvex::carve
