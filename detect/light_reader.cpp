#include "detect/light_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "detect/checksum_vote.h"
#include "hive/key_links.h"
#include "hive/keyname.h"

namespace quarvex::detect {

using namespace quarvex::hive;

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

Bytes Slice(Bytes image, std::int64_t at, std::int64_t length) {
  const auto size = static_cast<std::int64_t>(image.size());
  if (at < 0 || at >= size || length <= 0) return {};
  return image.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(std::min(length, size - at)));
}

// Whether the bytes equal the ASCII name with a-z folded; a byte above 0x7F never matches (the
// detection compares names read as Latin-1 in UTF-8, where such a byte becomes two).
bool SameAsciiName(Bytes bytes, std::string_view name) {
  if (bytes.size() != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto b = bytes[i];
    if (b >= 0x80 || UpperAscii(static_cast<char>(b)) != UpperAscii(name[i])) return false;
  }
  return true;
}

// One bit per byte of the key-node block, for the stretches nothing covers.
class Coverage {
 public:
  explicit Coverage(std::int64_t size) : size_(size), words_(static_cast<std::size_t>(size + 63) / 64, 0) {}
  void Mark(std::int64_t begin, std::int64_t end) {
    for (std::int64_t i = std::max<std::int64_t>(begin, 0); i < std::min(end, size_);) {
      const auto word = static_cast<std::size_t>(i / 64);
      const auto bit = static_cast<unsigned>(i % 64);
      const std::int64_t take = std::min<std::int64_t>(64 - bit, std::min(end, size_) - i);
      const std::uint64_t bits = take == 64 ? ~std::uint64_t{0} : ((std::uint64_t{1} << take) - 1) << bit;
      words_[word] |= bits;
      i += take;
    }
  }
  // Calls gap(begin, end) for every stretch of unmarked bytes in [from, size).
  template <typename Gap>
  void ForEachGap(std::int64_t from, Gap&& gap) const {
    std::int64_t i = from;
    while (i < size_) {
      while (i < size_ && Marked(i)) i = NextUnmarked(i);
      if (i >= size_) return;
      const std::int64_t begin = i;
      while (i < size_ && !Marked(i)) ++i;
      gap(begin, i);
    }
  }

 private:
  bool Marked(std::int64_t i) const { return (words_[static_cast<std::size_t>(i / 64)] >> (i % 64)) & 1u; }
  std::int64_t NextUnmarked(std::int64_t i) const {
    // Skips whole marked words at once.
    auto word = static_cast<std::size_t>(i / 64);
    std::uint64_t w = ~words_[word] & (~std::uint64_t{0} << (i % 64));
    while (w == 0) {
      if (++word >= words_.size()) return size_;
      w = ~words_[word];
    }
    return std::min<std::int64_t>(static_cast<std::int64_t>(word * 64 + static_cast<std::size_t>(std::countr_zero(w))),
                                  size_);
  }

  std::int64_t size_;
  std::vector<std::uint64_t> words_;
};

}  // namespace

LightReader::LightReader(Bytes image) : image_(image), size_(static_cast<std::int64_t>(image.size())) {
  pathsReadable_ = ReadHeaders() && ReadBlocks() && WalkKeyTree();
  sound_ = pathsReadable_ && NoRoomForLostKeys() && LinksAsWritten();
  if (pathsReadable_ && !sound_) MarkRecordsInDoubt();
}

void LightReader::MarkRecordsInDoubt() {
  recordInDoubt_.assign(records_.size(), false);
  // A number two records of a block share: the first found holds it, the others are in doubt
  // with it.
  for (std::size_t r = 0; r < records_.size(); ++r) {
    const std::int32_t holder = FindRecord(records_[r].block, records_[r].number);
    if (holder != static_cast<std::int32_t>(r)) {
      recordInDoubt_[r] = true;
      if (holder >= 0) recordInDoubt_[static_cast<std::size_t>(holder)] = true;
    }
  }
  std::vector<std::uint8_t> links(records_.size(), 0);
  for (const Key& key : keys_)
    if (key.record >= 0 && links[static_cast<std::size_t>(key.record)]++ > 0)
      recordInDoubt_[static_cast<std::size_t>(key.record)] = true;
}

bool LightReader::ReadsAsWritten(std::int32_t key) const {
  if (sound_) return true;
  const Key& k = keys_[static_cast<std::size_t>(key)];
  if (k.record < 0 || recordInDoubt_[static_cast<std::size_t>(k.record)]) return false;
  // Summed as the detection's salvage reader sums it: no lead bytes.
  const NameChecksums sums = KeyNameChecksums(NameOf(k), text::LeadByteSet{});
  return sums.system == k.chksum || sums.plain == k.chksum;
}

bool LightReader::NodeInBlock(std::int64_t rel, std::int64_t size) const {
  return hive::InsideKeyNodeBlock(rel, size, keyAreaEnd_);
}

bool LightReader::ReadHeaders() {
  auto signatureAt = [&](std::int64_t at, const Signature& sig) {
    return at >= 0 && at + 4 <= size_ && std::memcmp(image_.data() + at, sig.data(), 4) == 0;
  };
  if (!signatureAt(0, kCregSignature) || !signatureAt(hive::kKeyNodeBlockStart, kRgknSignature)) return false;
  if (size_ < static_cast<std::int64_t>(CregHeader::kSize + RgknHeader::kSize)) return false;
  creg_ = DecodeAt<CregHeader>(image_, 0);
  rgkn_ = DecodeAt<RgknHeader>(image_, hive::kKeyNodeBlockStart);
  // The key-node block's size and the file header's first data block must agree, and the
  // block must lie inside the file.
  if (rgkn_.iBlkSize < static_cast<std::int32_t>(RgknHeader::kSize)) return false;
  const std::int64_t rgknEnd = hive::kKeyNodeBlockStart + rgkn_.iBlkSize;
  if (rgknEnd != creg_.iRGDB1st || rgknEnd > size_) return false;
  keyAreaEnd_ = rgknEnd;
  return true;
}

bool LightReader::ReadBlocks() {
  auto signatureAt = [&](std::int64_t at) {
    return at >= 0 && at + 4 <= size_ && std::memcmp(image_.data() + at, kRgdbSignature.data(), 4) == 0;
  };
  // Room for a record per 64 bytes of data blocks, more than real files hold, so the list is
  // seldom copied while it grows; pages of it never written cost no memory.
  records_.reserve(static_cast<std::size_t>(std::max<std::int64_t>(0, size_ - keyAreaEnd_)) / 64);
  // Of records sharing a number in a block, the first in chain order is the one a lookup finds;
  // a hive that has such records is left to the salvage reader (LinksAsWritten).
  numbers_.Reset(0, hive::RecordIndex::Duplicates::FirstWins);
  std::uint32_t block = 0;
  for (std::int64_t at = keyAreaEnd_; at < size_; ++block) {
    if (at + static_cast<std::int64_t>(RgdbHeader::kSize) > size_) return false;  // cut inside a header
    const std::int64_t claimed = FieldAt<RgdbHeaderField::iBlkSize>(image_, at).value_or(0);
    const std::int64_t end = at + claimed;
    if (claimed < static_cast<std::int64_t>(RgdbHeader::kSize)) return false;
    if (end != size_ && !(end < size_ && signatureAt(end))) return false;
    if (block > 0xFFFF) return false;
    numbers_.AddBlock();
    if (!ReadRecordChain(static_cast<std::uint16_t>(block), at + static_cast<std::int64_t>(RgdbHeader::kSize), end))
      return false;
    at = end;
  }
  return true;
}

bool LightReader::ReadRecordChain(std::uint16_t block, std::int64_t p, std::int64_t end) {
  while (p < end) {
    // Fewer bytes than a header before the block's end end the chain (no record is lost).
    if (end - p < static_cast<std::int64_t>(DataRecordHeader::kSize)) break;
    const std::int32_t next = FieldAt<DataRecordField::NextOfs>(image_, p).value_or(0);
    const std::uint16_t number = FieldAt<DataRecordField::RecNo>(image_, p).value_or(0);
    const bool isFree = number == kNoNumber;
    const std::int64_t least = static_cast<std::int64_t>(isFree ? FreeDataRecord::kSize : DataRecordHeader::kSize);
    if (next < least || p + next > end) return false;  // a break in the chain
    if (!isFree) {
      numbers_.Store(block, number, static_cast<std::int32_t>(records_.size()));
      Record record{p, p + next};
      record.block = block;
      record.number = number;
      // The name's length, and whether it can tell the checksum rules apart, found while the
      // walk is here (the chain runs through the file in order; the keys later jump about in it).
      const Bytes name = NameIn(record);
      record.nameLength = static_cast<std::uint16_t>(name.size());
      record.highName = IsHighName(name);
      records_.push_back(record);
    }
    p += next;
  }
  numbers_.FinishBlock(block);
  return true;
}

std::int32_t LightReader::FindRecord(std::uint16_t block, std::uint16_t number) const {
  return numbers_.Find(block, number).value_or(-1);
}

bool LightReader::WalkKeyTree() {
  std::vector<bool> visited;
  keys_.reserve(static_cast<std::size_t>(std::max<std::int64_t>(0, keyAreaEnd_ - hive::kKeyNodeBlockStart)) /
                KeyNode::kSize);
  auto onNode = [&](const hive::KeyLink& link, const KeyNode& node) {
    Key key{link.target, link.parent, -1, node.Chksum};
    // A key's record: none when both numbers are none or the block does not exist.
    const bool noNumbers = node.RecNo == kNoNumber && node.BlkNo == kNoNumber;
    if (!noNumbers) key.record = FindRecord(node.BlkNo, node.RecNo);
    if (key.record < 0 && !(noNumbers && link.parent < 0)) linkFindsNothing_ = true;
    keys_.push_back(key);
    return static_cast<std::int32_t>(keys_.size() - 1);
  };
  // A link out of the block or back to a node already read: the salvage reader cuts it.
  auto onCut = [](const hive::KeyLink&, hive::LinkCut) { return false; };
  if (!hive::WalkKeyLinks(image_, rgkn_.iRec1stOfs, keyAreaEnd_, visited, onNode, onCut)) return false;
  // The root names no level: no record (Windows 98, Me), or one whose name is empty (a zero
  // byte, Windows 95), as the salvage reader takes it (salvage::IsUnnamedRoot).
  if (!keys_.empty() && keys_[0].parent < 0 &&
      (keys_[0].record < 0 || records_[static_cast<std::size_t>(keys_[0].record)].nameLength == 0))
    hiddenRoot_ = 0;
  return true;
}

bool LightReader::NoRoomForLostKeys() {
  const std::int64_t areaEnd = keyAreaEnd_ - hive::kKeyNodeBlockStart;
  Coverage covered(areaEnd);
  for (const Key& key : keys_) covered.Mark(key.node, key.node + static_cast<std::int64_t>(KeyNode::kSize));
  // The free key-node list, whole: each area inside the block, none listed twice. A list
  // head of 0 is read as empty.
  std::int32_t f = rgkn_.iERecOfs;
  if (f != 0) {
    std::vector<bool> seen(static_cast<std::size_t>(std::max<std::int64_t>(0, areaEnd)), false);
    while (f != kNoOffset) {
      if (!NodeInBlock(f, static_cast<std::int64_t>(FreeKeyNode::kSize)) || seen[static_cast<std::size_t>(f)])
        return false;
      seen[static_cast<std::size_t>(f)] = true;
      const FreeKeyNode free = DecodeAt<FreeKeyNode>(image_, hive::kKeyNodeBlockStart + f);
      const std::int64_t size = free.Size;
      if (size < static_cast<std::int64_t>(FreeKeyNode::kSize) || hive::kKeyNodeBlockStart + f + size > keyAreaEnd_)
        return false;
      covered.Mark(f, f + size);
      f = free.NextOfs;
    }
  }
  // A stretch with room for a key node on a 4-byte boundary is where a lost key might be.
  bool room = false;
  covered.ForEachGap(hive::kFirstKeyNode, [&](std::int64_t begin, std::int64_t end) {
    room = room || (begin + 3) / 4 * 4 + static_cast<std::int64_t>(KeyNode::kSize) <= end;
  });
  return !room;
}

// Where a key's record link reads wrong, the salvage reader does not take it as it stands but
// weighs the node's checksum against the records no key links (salvage/record_evidence.h):
// a link that finds no record, a number two records of a block share, a record two keys link,
// a key whose name does not give its checksum while a record no key links gives it. Any of
// them, and this reader steps aside.
bool LightReader::LinksAsWritten() const {
  if (linkFindsNothing_) return false;
  for (std::size_t r = 0; r < records_.size(); ++r)
    if (FindRecord(records_[r].block, records_[r].number) != static_cast<std::int32_t>(r)) return false;
  std::vector<std::uint8_t> links(records_.size(), 0);
  for (const Key& key : keys_)
    if (key.record >= 0 && links[static_cast<std::size_t>(key.record)]++ > 0) return false;
  // The checksums of the records no key links, as the detection's salvage reader computes them
  // (no lead bytes); only where there are such records are the keys' names summed.
  const text::LeadByteSet single;
  std::vector<std::uint32_t> orphanSums;
  for (std::size_t r = 0; r < records_.size(); ++r) {
    if (links[r] > 0) continue;
    const NameChecksums sums = KeyNameChecksums(NameIn(records_[r]), single);
    orphanSums.push_back(sums.system);
    orphanSums.push_back(sums.plain);
  }
  if (orphanSums.empty()) return true;
  std::sort(orphanSums.begin(), orphanSums.end());
  for (const Key& key : keys_) {
    if (key.record < 0) continue;
    const NameChecksums sums = KeyNameChecksums(NameOf(key), single);
    if (sums.system != key.chksum && sums.plain != key.chksum &&
        std::binary_search(orphanSums.begin(), orphanSums.end(), key.chksum))
      return false;
  }
  return true;
}

Bytes LightReader::NameOf(const Key& key) const {
  const Record& r = records_[static_cast<std::size_t>(key.record)];
  return image_.subspan(static_cast<std::size_t>(r.offset) + DataRecordHeader::kSize, r.nameLength);
}

Bytes LightReader::NameIn(const Record& r) const {
  const std::int64_t keyL = FieldAt<DataRecordField::KeyL>(image_, r.offset).value_or(0);
  const std::int64_t q = r.offset + static_cast<std::int64_t>(DataRecordHeader::kSize);
  return UpToFirstZero(Slice(image_, q, q + keyL > r.end ? r.end - q : keyL));
}

bool LightReader::NameIs(const Key& key, std::string_view asciiName) const {
  return key.record >= 0 && SameAsciiName(NameOf(key), asciiName);
}

// The first key in key order that names a record owns its values; a later key naming the
// same record shows none. Asked for the few keys whose values the detection reads.
bool LightReader::OwnsItsRecord(std::int32_t key) const {
  const std::int32_t record = keys_[static_cast<std::size_t>(key)].record;
  for (std::int32_t k = 0; k < key; ++k)
    if (keys_[static_cast<std::size_t>(k)].record == record) return false;
  return true;
}

std::optional<std::string> LightReader::TextValue(std::string_view path, std::string_view name) const {
  // The key: each part matched among the children of the one before, the first in key order.
  std::int32_t at = -1;
  for (std::size_t begin = 0; begin <= path.size();) {
    const std::size_t end = std::min(path.find('\\', begin), path.size());
    const std::string_view part = path.substr(begin, end - begin);
    begin = end + 1;
    if (part.empty()) continue;
    std::int32_t found = -1;
    // Keys are in pre-order, so a key's children lie in the run after it that ends at the
    // first key whose parent comes before it.
    for (std::size_t k = at < 0 ? 0 : static_cast<std::size_t>(at) + 1;
         k < keys_.size() && found < 0 && (at < 0 || keys_[k].parent >= at); ++k) {
      const auto index = static_cast<std::int32_t>(k);
      if (index == hiddenRoot_) continue;
      const std::int32_t parent = keys_[k].parent == hiddenRoot_ ? -1 : keys_[k].parent;
      if (parent == at && NameIs(keys_[k], part)) found = index;
    }
    if (found < 0 || !ReadsAsWritten(found)) return std::nullopt;
    at = found;
  }
  if (at < 0) return std::nullopt;
  // Its values, when the key owns its record, read as the salvage reader reads them: up to the
  // record's end, a value cut there taken as far as it goes and the last one read.
  const Key& key = keys_[static_cast<std::size_t>(at)];
  if (key.record < 0) return std::nullopt;
  if (!OwnsItsRecord(at)) return std::nullopt;
  const Record& r = records_[static_cast<std::size_t>(key.record)];
  const DataRecordHeader h = DecodeAt<DataRecordHeader>(image_, r.offset);
  std::int64_t q = r.offset + static_cast<std::int64_t>(DataRecordHeader::kSize);
  q = q + h.KeyL > r.end ? r.end : q + h.KeyL;
  for (std::uint32_t i = 0; i < h.DatN; ++i) {
    if (q + static_cast<std::int64_t>(ValueEntry::kSize) > r.end) break;
    const ValueEntry v = DecodeAt<ValueEntry>(image_, q);
    const std::int64_t nameAt = q + static_cast<std::int64_t>(ValueEntry::kSize);
    const std::int64_t dataAt = nameAt + v.NL;
    if (SameAsciiName(Slice(image_, nameAt, std::min<std::int64_t>(v.NL, r.end - nameAt)), name)) {
      const Bytes data = Slice(image_, dataAt, std::min<std::int64_t>(v.VL, r.end - dataAt));
      std::string text(reinterpret_cast<const char*>(data.data()), data.size());
      if (const std::size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
      const std::size_t last = text.find_last_not_of(" \t");
      text.resize(last == std::string::npos ? 0 : last + 1);
      text.erase(0, std::min(text.find_first_not_of(" \t"), text.size()));
      return text;
    }
    if (dataAt + v.VL > r.end) break;
    q = dataAt + v.VL;
  }
  return std::nullopt;
}

}  // namespace quarvex::detect
