// What a fragment still tells: its data blocks read by the salvage reader, each where its
// records say it belongs (a data record names its block's number, Blk#), behind the surviving
// key-node block when there is one (then keys get their paths) or an empty one when not.
//
// The blocks are laid out as a registry file would hold them: the file header (the surviving
// one, or a stand-in), the key-node block, and per missing data block a 32-byte stand-in that
// holds no record. Only records read from the surviving bytes are listed, and only those whose
// fields agree with each other (the block number, the sizes of the name, the values and the
// record): a data block's end may run into bytes another file has since written, and what lies
// there is not taken for a key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "carve/byte_source.h"
#include "carve/carver.h"
#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::carve {

struct FragmentKey {
  std::size_t record = 0;    // index into hive.records
  std::uint64_t offset = 0;  // of the record in the source
  std::uint32_t block = 0;   // its data block's number
  std::string path;          // in the code page's bytes; just the name when no path is known
  bool pathKnown = false;    // a key node of the surviving key-node block names the record
};

// Where a data block of the stand-in file came from.
struct BlockPlace {
  std::uint64_t at = 0;  // in the stand-in file
  std::uint64_t size = 0;
  std::optional<std::uint64_t> source;  // in the source; none for a missing block's stand-in
};

struct FragmentContents {
  std::vector<std::uint8_t> image;                   // the stand-in file the salvage reader read
  salvage::SalvagedHive hive;                        // views image
  std::vector<FragmentKey> keys;                     // in source offset order
  std::size_t recordsSkipped = 0;                    // records partly overwritten: not listed
  std::string unreadable;                            // why the fragment could not be read (empty when it was)
  text::CodePage codePage = text::CodePage::Cp1252;  // the names' and texts' code page
  std::vector<BlockPlace> places;                    // the data blocks of the stand-in file, in order

  // Where a byte of the stand-in file lies in the source: only bytes of surviving data blocks.
  std::optional<std::uint64_t> SourceOffset(std::int64_t standIn) const;
};

// Reads a fragment's blocks from the source (never past it) and salvages them. With no code
// page named, the key nodes' stored name checksums choose it where the key-node block
// survives (as for a whole hive), else 1252.
FragmentContents ReadFragment(const ByteSource& source, const Fragment& fragment,
                              std::optional<text::CodePage> named = std::nullopt);

}  // namespace quarvex::carve
