// The salvage reader's working state (salvage/salvage.h reads a hive through it): one reading
// of one file, in phases that Run() calls in order. Locating the blocks, their record chains and
// free records is in salvage_blocks.cpp; the key tree, the free key nodes and the lost keys in
// salvage_key_tree.cpp; the run, its findings and the cross checks in salvage.cpp.
#pragma once

#include "salvage/salvage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <optional>
#include <string_view>
#include <utility>

#include "hive/key_links.h"
#include "hive/keyname.h"
#include "salvage/record_evidence.h"
#include "text/text_encoding.h"

namespace quarvex::salvage {

using namespace quarvex::hive;

// Value types a 9x registry uses: none, text, expandable text, binary, DWORD, big-endian
// DWORD, link, multi-text, resource list, full resource descriptor, requirements, QWORD.
inline constexpr std::uint16_t kHighestKnownType = 11;

inline std::string Dec(std::uint64_t value) { return std::to_string(value); }
inline std::string HexI(std::int64_t value) { return Hex32(static_cast<std::uint32_t>(value)); }
inline std::string Sig(const Signature& s) { return Quoted(std::string_view(s.data(), s.size())); }

class Salvager {
 public:
  Salvager(Bytes image, const SalvageOptions& options)
      : image_(image),
        size_(static_cast<std::int64_t>(image.size())),
        options_(options),
        leadBytes_(text::LeadByteSet::For(options.codePage)) {
    out_.image = image;
  }

  SalvagedHive Run();

 private:
  // ---- small helpers -------------------------------------------------------------------

  // A root whose record names it with nothing (Windows 95 writes one zero byte) is read as the
  // unnamed root: said once, so that a path that starts below it is not taken for a lost level.
  void NoteRootRecord();

  Finding& Add(Severity severity, Structure structure, std::int64_t offset, std::string_view field,
               std::string found = {}, std::string expected = {});
  // The key's path is written into the finding at the end, when every key's record is known.
  Finding& AddForKey(Severity severity, Structure structure, std::int64_t offset, std::size_t key,
                     std::string_view field, std::string found = {}, std::string expected = {}) {
    Finding& f = Add(severity, structure, offset, field, std::move(found), std::move(expected));
    findingKey_.back() = static_cast<std::int32_t>(key);
    return f;
  }
  std::string PathText(std::size_t key) const {
    return text::CodePageToUtf8(out_.KeyPathBytes(key), options_.codePage);
  }
  Finding& AddForRecord(Severity severity, Structure structure, std::int64_t offset, std::uint32_t block,
                        std::uint16_t recNo, std::string_view field, std::string found = {},
                        std::string expected = {}) {
    Finding& f = Add(severity, structure, offset, field, std::move(found), std::move(expected));
    f.block = block;
    if (recNo != kNoNumber) f.record = recNo;
    return f;
  }

  bool HasSignature(std::int64_t at, const Signature& sig) const {
    return at >= 0 && at + 4 <= size_ && std::memcmp(image_.data() + at, sig.data(), 4) == 0;
  }
  // The next "RGDB" at or after from, or -1. Each search starts past the previous hit, so the
  // searches of one file cover it about once.
  std::int64_t FindBlockSignature(std::int64_t from) const {
    if (from < 0 || from >= size_) return -1;
    const auto begin = image_.begin() + static_cast<std::ptrdiff_t>(from);
    const auto it = std::search(begin, image_.end(), kRgdbSignature.begin(), kRgdbSignature.end());
    return it == image_.end() ? -1 : static_cast<std::int64_t>(it - image_.begin());
  }
  // Decodes a record from the bytes at `at`; bytes past the end of the image read as zero.
  template <typename T>
  T DecodeAt(std::int64_t at) const {
    return hive::DecodeAt<T>(image_, at);
  }
  Bytes Slice(std::int64_t at, std::int64_t length) const {
    if (at < 0 || at >= size_ || length <= 0) return {};
    return image_.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(std::min(length, size_ - at)));
  }
  std::string BlockRange(std::size_t b) const {
    return "inside data block " + Dec(b) + " (0x" + HexI(out_.blocks[b].offset.value).substr(2) + "-0x" +
           HexI(out_.blocks[b].end).substr(2) + ")";
  }
  std::string NodeRange() const {
    return "a key node inside the key-node block (0x" + HexI(hive::kFirstKeyNode).substr(2) + "-0x" +
           HexI(keyAreaEnd_ - hive::kKeyNodeBlockStart - static_cast<std::int64_t>(KeyNode::kSize)).substr(2) + ")";
  }

  // ---- the file header and the key-node block header -----------------------------------

  bool ReadFileHeader();

  bool ReadKeyNodeHeader();

  // ---- data blocks ---------------------------------------------------------------------

  void LocateBlocks();

  // A data block header whose size leads to the next signature or to the file's end, though
  // its own signature may be damaged.
  bool HeaderLeadsOn(std::int64_t at) const {
    const std::optional<std::int32_t> size = FieldAt<RgdbHeaderField::iBlkSize>(image_, at);
    if (!size) return false;
    return *size >= static_cast<std::int32_t>(RgdbHeader::kSize) &&
           (at + *size == size_ || HasSignature(at + *size, kRgdbSignature));
  }

  void CheckBlockCount();

  // Bytes a header places between the file's end and `end`: taken away by a cut.
  void LosePastEnd(std::int64_t end) {
    if (end <= size_) return;
    const auto past = static_cast<std::uint64_t>(end - size_);
    out_.summary.bytesPastEnd += past;
    out_.summary.bytesLost += past;
  }

  void LoseTail(std::int64_t from) {
    out_.summary.bytesLost += static_cast<std::uint64_t>(size_ - from);
    Add(Severity::Damage, Structure::File, from, "bytes after the key-node block",
        Dec(static_cast<std::uint64_t>(size_ - from)), "a data block (\"RGDB\")");
  }

  // A plausible record header at q in block b, for picking the chain up again after a break.
  bool PlausibleRecord(std::int64_t q, std::int64_t end, std::uint16_t b) const {
    const DataRecordHeader h = DecodeAt<DataRecordHeader>(q);
    if (h.NextOfs < static_cast<std::int32_t>(FreeDataRecord::kSize) || q + h.NextOfs > end) return false;
    if (h.RecNo == kNoNumber) return h.BlkNo == kNoNumber;
    return h.BlkNo == b && h.NextOfs >= static_cast<std::int32_t>(DataRecordHeader::kSize) &&
           h.RecSize >= static_cast<std::int32_t>(DataRecordHeader::kSize) + h.KeyL && h.RecSize <= h.NextOfs;
  }

  void ReadRecordChain(std::size_t b);

  void ReadRecord(std::size_t b, std::int64_t p, const DataRecordHeader& h, std::int64_t extent);

  // Record numbers are unique per block; the first of a duplicate is the one keys get.
  void IndexRecords();

  std::int32_t FindRecord(std::uint16_t block, std::uint16_t recNo) const {
    const std::uint64_t key = (std::uint64_t{block} << 16) | recNo;
    const auto it =
        std::lower_bound(index_.begin(), index_.end(), key, [](const auto& e, std::uint64_t k) { return e.first < k; });
    return it != index_.end() && it->first == key ? it->second : kNoIndex;
  }

  void WalkFreeRecords(std::size_t b);

  bool InUseRecordAt(std::size_t b, std::int64_t at) const;

  // ---- key nodes -------------------------------------------------------------------------

  bool NodeInBlock(std::int32_t rel, std::int64_t size) const {
    return hive::InsideKeyNodeBlock(rel, size, keyAreaEnd_);
  }
  std::size_t Slot(std::int32_t rel) const { return static_cast<std::size_t>(rel); }

  std::size_t AddKey(std::int32_t rel, const KeyNode& node, std::int32_t parent, bool lost);

  // Decides the records of every key the walk read, all at once, so that where two nodes link
  // one record the evidence, not the walk's order, says whose it is; then says what it found.
  // Each key's findings keep the place in the order the key was read at.
  void ChooseRecords();

  // A key found later (a lost node) is joined to its record against the choices made so far.
  void ChooseRecord(std::size_t k) {
    const std::size_t keys[] = {k};
    ReportRecordChoice(evidence_->Choose(keys).front());
  }

  // The findings of a key's record link, and of its name against the node's checksum.
  void ReportRecordChoice(const RecordChoice& c);

  void WalkKeyTree();

  // The last finding, about a link stored in a key node, names that key's path.
  void NameOwner(std::int64_t owner) {
    if (owner < hive::kKeyNodeBlockStart + hive::kFirstKeyNode) return;
    findingKey_.back() = KeyAtNode(static_cast<std::int32_t>(owner - hive::kKeyNodeBlockStart));
  }

  std::int32_t KeyAtNode(std::int32_t rel) const;

  void WalkFreeKeyNodes();

  // Sweeps the key-node block: reachable nodes and free areas must not overlap, and what lies
  // between them is either a lost key node (taken in), a dead gap too small for a node, or
  // bytes nothing accounts for.
  void ScanKeyNodeArea();

  void ReportUnaccounted(std::int64_t from, std::int64_t to, std::uint64_t& deadCount, std::uint64_t& deadBytes,
                         std::int64_t& firstDead);

  // A key node in a gap that looks whole: links that are none or inside the block, and either
  // a parent already known or a record that no key has claimed.
  bool TakeLostNode(std::int32_t rel);

  // ---- cross checks ----------------------------------------------------------------------

  void ReportOrphans();

  // Findings about a record or its values were made before the keys were known: name the key
  // that owns the record now.
  void NameRecordKeys();

  SalvagedHive Finish();

  // By file offset; at one offset, in the order they were made, a key's record findings at the
  // place the key was read.
  void SortFindings();

  Bytes image_;
  std::int64_t size_;
  SalvageOptions options_;
  text::LeadByteSet leadBytes_;
  SalvagedHive out_;
  std::int64_t rgknEnd_ = 0;     // where the key-node block ends by its headers (may pass the file's end)
  std::int64_t keyAreaEnd_ = 0;  // the same, bounded by the file
  std::int64_t firstBlock_ = -1;
  std::vector<std::vector<std::int32_t>> freeInChain_;          // per block: block-relative offsets
  std::vector<std::pair<std::uint64_t, std::int32_t>> index_;   // (block << 16 | RecNo) -> record
  std::vector<bool> visited_;                                   // per key-node block byte
  std::vector<std::pair<std::int32_t, std::int32_t>> nodeKey_;  // node offset -> key
  bool nodeKeySorted_ = false;
  std::uint64_t keysPastEnd_ = 0;
  std::vector<std::pair<std::int64_t, std::int64_t>> freeAreas_;  // relative [begin, end)
  std::optional<RecordEvidence> evidence_;                        // from the end of the key tree's walk
  // Per finding: its place among those at one offset, and the key whose path it is to name.
  std::vector<std::uint64_t> findingOrder_;
  std::vector<std::int32_t> findingKey_;
  std::uint64_t nextOrder_ = 0;
  std::optional<std::uint64_t> orderFor_;  // the place of the findings being made, when not the next
  std::vector<std::uint64_t> keyOrder_;    // per key: the place of its record's findings
};

}  // namespace quarvex::salvage
