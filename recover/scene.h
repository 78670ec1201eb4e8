// What the stages of recovery share: a bounded reader over the image, the live keys indexed
// by node and by record number, the candidate records found in the data blocks and the key
// nodes that once were. Internal to recover/: the stages are split by job (scanning the data
// blocks, the key-node block, pairing, live copies, slack, judging) and meet here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hive/byte_cursor.h"
#include "hive/format.h"
#include "hive/key_links.h"
#include "recover/recover.h"
#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::recover::detail {

inline constexpr std::int64_t kFirstNodeRel = hive::kFirstKeyNode;
inline constexpr std::int64_t kNode = static_cast<std::int64_t>(hive::KeyNode::kSize);
inline constexpr std::int64_t kHeader = static_cast<std::int64_t>(hive::DataRecordHeader::kSize);
inline constexpr std::int64_t kFreeView = static_cast<std::int64_t>(hive::FreeDataRecord::kSize);
inline constexpr std::int64_t kEntry = static_cast<std::int64_t>(hive::ValueEntry::kSize);
// Value types a 9x registry uses: none, text, expandable text, binary, DWORD, big-endian
// DWORD, link, multi-text, resource list, full resource descriptor, requirements, QWORD.
inline constexpr std::uint16_t kHighestKnownType = 11;
inline constexpr std::uint16_t kDwordType = 4;
inline constexpr std::uint16_t kBigEndianDwordType = 5;

std::string Dec(std::uint64_t v);
std::string HexI(std::int64_t v);
std::string NameText(hive::Bytes name);  // up to the first zero byte, in the hive's bytes

// Reads that never leave the image (0 or empty outside it), with a work budget for the scans
// of free space: adversarial bytes cannot make recovery quadratic.
class ImageReader {
 public:
  ImageReader(hive::Bytes image, text::CodePage codePage);
  std::int64_t Size() const { return size_; }
  // A number field of the record at `at` (a field of hive/record_fields.h), 0 where the field
  // does not lie wholly inside the image.
  template <auto Field>
  hive::FieldType<Field> Read(std::int64_t at) const {
    return hive::FieldAt<Field>(image_, at).value_or(0);
  }
  // Whether the record at `at` has the numbers of a free record: Rec# and Blk# both 0xFFFF.
  bool NumbersLost(std::int64_t at) const {
    return Read<hive::FreeDataRecordField::RecNo>(at) == hive::kNoNumber &&
           Read<hive::FreeDataRecordField::BlkNo>(at) == hive::kNoNumber;
  }
  hive::Bytes Slice(std::int64_t at, std::int64_t length) const;
  hive::KeyNode NodeAt(hive::KeyNodeOffset node) const;  // bytes past the image's end read as 0
  bool Spend(std::uint64_t work);
  bool CapReached() const { return capReached_; }
  // A name a key or value could have: at least one byte, every character printable in the
  // code page, no backslash (the path separator) and no zero byte.
  bool PrintableName(hive::Bytes name) const;
  const text::LeadByteSet& LeadBytes() const { return leadBytes_; }
  text::CodePage CodePage() const { return codePage_; }

 private:
  hive::Bytes image_;
  std::int64_t size_;
  text::CodePage codePage_;
  text::LeadByteSet leadBytes_;
  std::uint64_t budget_;
  bool capReached_ = false;
};

// A candidate record and what was read of it.
struct Candidate {
  std::int64_t at = 0;
  std::uint32_t block = 0;
  Source source = Source::FreeRecord;
  bool numbersLost = false;  // a free view: Rec#, Blk# and RecSize are overwritten
  std::optional<std::uint16_t> recNo;
  std::int64_t regionEnd = 0;   // the bytes it may have kept end here
  std::int64_t claimedEnd = 0;  // at + RecSize, or at + Size of the free view
  std::int32_t lostKey = salvage::kNoIndex;
  std::int32_t listPosition = -1;  // its place on the block's free list, 0 the head (the newest)
  bool absorbedFreeView = false;   // its free area holds another free view behind it (a merge)
  bool absorbedSplit = false;      // ... one standing over no record (space allocated since)
  std::int64_t absorbedAt = -1;    // where that free view stands
  // read
  hive::Bytes name;
  bool nameCut = false;
  std::uint16_t datN = 0;
  std::vector<RecoveredValue> values;
  bool whole = false;  // the name and all DatN values lie inside the region
  bool typesKnown = true;
  bool sizesFit = true;
  std::int64_t chainEnd = 0;
  std::int64_t cutAt = -1;  // where the surviving bytes end, when not whole
  // tied to
  std::int32_t oldNode = -1;
  Link link = Link::None;
  std::int32_t orderRank = -1;            // Link::Order: its place among the block's pairings, 0 the newest
  std::vector<std::string> pairingNotes;  // doubts and support found while pairing
  bool doubtful = false;                  // a pairing that another reading could contradict
  // a live key with this name and values (or an older set of them)
  std::int32_t copyOf = salvage::kNoIndex;
  bool copyIdentical = false;
  std::size_t copyMatches = 0;  // live keys it could be a copy of
};

// A key node that once was: on the free list, or inside a free area of the key-node block.
struct OldNode {
  std::int32_t rel = 0;
  hive::KeyNode fields;
  bool checksumSurvives = false;   // not at a free view's start: its first 12 bytes are its own
  std::int32_t listPosition = -1;  // its place on the key-node free list, 0 the head
  std::int32_t candidate = -1;
  Link link = Link::None;
};

// A free area of a data block's free list whose start reads as no record: the rest of a free
// area that an allocation split (space used again since the deletions behind it).
struct SplitTrace {
  std::uint32_t block = 0;
  std::int32_t listPosition = 0;
  std::optional<std::uint16_t> allocated;  // Rec# of the record in use right in front of it (the allocation)
};

struct Scene {
  Scene(const salvage::SalvagedHive& h, const RecoverOptions& o);

  const salvage::SalvagedHive& hive;
  RecoverOptions options;
  ImageReader in;
  std::int64_t nodeAreaEnd = 0;
  std::vector<Candidate> candidates;
  std::vector<OldNode> oldNodes;  // by offset
  std::vector<SplitTrace> splits;
  std::vector<std::vector<std::int64_t>> freeLists;  // per block: file offsets of its free list, the head first

  std::int32_t LiveKeyAt(hive::KeyNodeOffset node) const;  // salvaged key whose node is there
  bool NumberInUse(std::uint32_t block, std::uint16_t recNo) const;
  std::int32_t OldNodeAt(hive::KeyNodeOffset node) const;
  // The values of a live key as the salvage reader read them.
  std::vector<const salvage::SalvagedValue*> LiveValues(std::int32_t key) const;

 private:
  std::vector<std::pair<std::int32_t, std::int32_t>> liveNodes_;  // node offset -> salvaged key
  std::vector<std::uint64_t> usedNumbers_;                        // block << 16 | Rec# of records in use
};

}  // namespace quarvex::recover::detail
