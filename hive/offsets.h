// The format's addressing bases, each a type of its own.
//
// A registry file addresses its bytes from three places: the start of the file (the header's
// iRGDB1st, the record index's entries), the start of the key-node block (every key-node link:
// UprOfs, LwrOfs, NextOfs, iRec1stOfs, iERecOfs of RGKN) and the start of one data block (a
// block's iERecOfs and the free records' NextOfs). Mixing them up reads the wrong bytes
// without any error, so each base has its own type and the conversions between them are named
// functions: a block-relative offset cannot be passed where a file offset is wanted.
#pragma once

#include <compare>
#include <cstdint>

namespace quarvex::hive {

// An absolute position in the file.
struct FileOffset {
  std::int64_t value = 0;
  constexpr FileOffset() = default;
  constexpr explicit FileOffset(std::int64_t v) : value(v) {}
  constexpr FileOffset Plus(std::int64_t bytes) const { return FileOffset(value + bytes); }
  friend constexpr auto operator<=>(FileOffset, FileOffset) = default;
};

// The key-node block starts right after the 32-byte file header.
inline constexpr FileOffset kKeyNodeBlockFileOffset{32};

// An offset relative to the start of the key-node block, as its links store it (-1: none).
struct KeyNodeOffset {
  std::int32_t value = 0;
  constexpr KeyNodeOffset() = default;
  constexpr explicit KeyNodeOffset(std::int32_t v) : value(v) {}
  constexpr bool IsNone() const { return value == -1; }
  constexpr FileOffset InFile() const { return kKeyNodeBlockFileOffset.Plus(value); }
  friend constexpr auto operator<=>(KeyNodeOffset, KeyNodeOffset) = default;
};

// An offset relative to the start of one data block, as its free-record links store it.
struct BlockOffset {
  std::int32_t value = 0;
  constexpr BlockOffset() = default;
  constexpr explicit BlockOffset(std::int32_t v) : value(v) {}
  constexpr bool IsNone() const { return value == -1; }
  friend constexpr auto operator<=>(BlockOffset, BlockOffset) = default;
};

// Where a block-relative offset lies in the file, given where its block starts.
constexpr FileOffset InBlock(FileOffset blockStart, BlockOffset offset) { return blockStart.Plus(offset.value); }

// Where a file offset lies in the key-node block. Only for offsets known to be inside it.
constexpr KeyNodeOffset ToKeyNodeOffset(FileOffset offset) {
  return KeyNodeOffset(static_cast<std::int32_t>(offset.value - kKeyNodeBlockFileOffset.value));
}

}  // namespace quarvex::hive
