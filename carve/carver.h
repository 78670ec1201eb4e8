// The carver: finds registry files and what is left of them in bytes no file system names any
// more (or in any bytes, for a raw device). One pass over the bytes it is given, in order:
//
//  * "CREG" at a sector start (every 512 bytes): a file header. Its chain is followed
//    (carve/hive_chain.h); a whole chain is a carved hive, a broken one a fragment that starts
//    at its header. A file begins at a cluster, and clusters begin at sectors.
//  * "RGKN" 32 bytes after a sector start with no "CREG" there: a key-node block whose file
//    header was overwritten; noted, its bytes kept with the data blocks after it.
//  * "RGDB" at any byte: a data block. Blocks follow each other inside a file with no
//    alignment, so after the first reused cluster no surviving block starts at a sector; the
//    pass reads every byte anyway, and looking at each costs nothing more. A block is taken
//    when its size fits (32 bytes to 1 MiB, inside the bytes given) and its first record's
//    header is plausible; blocks that follow each other directly form one group.
//
// Groups of loose blocks become fragments: after a broken chain, one whose blocks carry numbers
// the chain is missing joins it (a data record names its block's number, Blk#), so its keys get
// paths from the surviving key-node block. Bytes reached once are never reached again: a whole
// hive's blocks are not found again as loose blocks. The work is linear in the bytes: each byte
// is looked at once, each chain reads 32 bytes per block, and the number of blocks kept is
// capped.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "carve/byte_source.h"
#include "carve/hive_chain.h"

namespace quarvex::carve {

inline constexpr std::uint64_t kSectorSize = 512;
// A data block of a real file holds 20 to 60 KiB; a loose "RGDB" claiming more than this is
// not taken as one.
inline constexpr std::uint64_t kLargestLooseBlock = 1u << 20;
// At most this many loose blocks are kept (adversarial bytes could plant one every 32 bytes),
// and at most this many file headers and key-node blocks (one could stand at every sector).
inline constexpr std::size_t kMostLooseBlocks = 100'000;
inline constexpr std::size_t kMostHeaders = 100'000;
// Headers with nothing else of their file are noted, the first this many one by one.
inline constexpr std::size_t kMostLoneHeaderNotes = 100;

struct LooseBlock {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;               // as its header says, or cut where a file header begins
  std::optional<std::uint16_t> number;  // Blk# of its records in use, when any
  bool cut = false;                     // a carved file's header lies inside its claimed size
};

struct Fragment {
  std::uint64_t offset = 0;                            // its first byte
  std::optional<HiveChain> chain;                      // the broken chain it starts with, when it has a header
  std::optional<std::uint64_t> keyNodesWithoutHeader;  // "RGKN" found where the file header is lost
  std::vector<LooseBlock> blocks;                      // data blocks found by their signature, in offset order
  std::vector<std::string> missing;                    // what the file had and is not found: "data blocks 3-5 of 9"
};

struct CarveResult {
  std::vector<HiveChain> hives;     // whole, in offset order
  std::vector<Fragment> fragments;  // in offset order
  std::uint64_t bytesScanned = 0;
  std::vector<std::string> notes;  // a cap reached, a read that failed
};

// Told after each piece searched: the bytes searched so far and the bytes to search. Returning
// false stops the search there (a window closed while it ran); the result then holds what was
// found up to that point, with a note that the search was stopped.
using CarveProgress = std::function<bool(std::uint64_t searched, std::uint64_t total)>;

CarveResult Carve(const ByteSource& source, const RangeSet& scan, const CarveProgress& progress = {});

}  // namespace quarvex::carve
