#include "carve/fragment_reader.h"

#include <algorithm>
#include <map>
#include <optional>

#include "detect/checksum_vote.h"
#include "hive/format.h"

namespace quarvex::carve {

namespace {

using hive::Severity;

// At most this many missing blocks get a stand-in each.
constexpr std::size_t kMostStandIns = 1024;

// A block of the stand-in file: where its bytes come from in the source (none: a stand-in).
struct Slot {
  std::optional<std::uint64_t> source;
  std::uint64_t size = 32;
  std::uint64_t at = 0;  // in the stand-in file
};

bool Append(const ByteSource& source, std::uint64_t from, std::uint64_t size, std::vector<std::uint8_t>& image) {
  const std::size_t at = image.size();
  image.resize(at + static_cast<std::size_t>(size));
  return source.Read(from, std::span(image.data() + at, static_cast<std::size_t>(size)));
}

}  // namespace

FragmentContents ReadFragment(const ByteSource& source, const Fragment& fragment, std::optional<text::CodePage> named) {
  FragmentContents out;
  // The data blocks by number; blocks with no record in use (no number) after the numbered ones.
  std::map<std::uint32_t, Slot> numbered;
  std::vector<Slot> unnumbered;
  if (fragment.chain)
    for (const ChainBlock& b : fragment.chain->blocks)
      if (b.kind == BlockKind::Data) numbered[b.number] = {b.offset, b.size, 0};
  for (const LooseBlock& b : fragment.blocks) {
    if (b.number && !numbered.count(*b.number))
      numbered[*b.number] = {b.offset, b.size, 0};
    else
      unnumbered.push_back({b.offset, b.size, 0});
  }
  std::vector<Slot> slots;
  const std::uint32_t count = numbered.empty() ? 0 : numbered.rbegin()->first + 1;
  // Stand-ins for the missing blocks, unless the numbers ask for more than a real file has (a
  // 14 MB hive has 400 blocks): then the blocks are laid one after the other, their records'
  // block numbers no longer match their places, and no key node is used (it would lead to
  // the wrong records).
  const bool inPlace = count - numbered.size() <= kMostStandIns;
  if (inPlace) {
    for (std::uint32_t n = 0; n < count; ++n) {
      const auto it = numbered.find(n);
      slots.push_back(it == numbered.end() ? Slot{} : it->second);
    }
  } else {
    for (const auto& [number, slot] : numbered) slots.push_back(slot);
  }
  for (const Slot& s : unnumbered) slots.push_back(s);

  // The file header and the key-node block.
  std::vector<std::uint8_t>& image = out.image;
  image.assign(hive::CregHeader::kSize, 0);
  if (fragment.chain && !source.Read(fragment.chain->start, std::span(image.data(), image.size()))) {
    out.unreadable = "the file header at " + OffsetText(fragment.chain->start) + " cannot be read";
    return out;
  }
  hive::StoreSignature(image, hive::CregHeaderField::signature, hive::kCregSignature);
  std::optional<ByteRange> keyNodes;
  if (fragment.chain && fragment.chain->HasKeyNodes())
    keyNodes =
        ByteRange{fragment.chain->blocks[1].offset, fragment.chain->blocks[1].offset + fragment.chain->blocks[1].size};
  if (fragment.keyNodesWithoutHeader) {
    std::array<std::uint8_t, 8> head{};
    if (source.Read(*fragment.keyNodesWithoutHeader, head)) {
      const std::int64_t size = hive::FieldAt<hive::RgknHeaderField::iBlkSize>(head, 0).value_or(0);
      if (size >= 32 && *fragment.keyNodesWithoutHeader + static_cast<std::uint64_t>(size) <= source.Size())
        keyNodes = ByteRange{*fragment.keyNodesWithoutHeader,
                             *fragment.keyNodesWithoutHeader + static_cast<std::uint64_t>(size)};
    }
  }
  if (!inPlace) keyNodes.reset();
  if (keyNodes) {
    if (!Append(source, keyNodes->begin, keyNodes->Size(), image)) {
      out.unreadable = "the key-node block at " + OffsetText(keyNodes->begin) + " cannot be read";
      return out;
    }
  } else {
    // An empty key-node block: no root, no free list.
    using F = hive::RgknHeaderField;
    const std::size_t at = image.size();
    image.resize(at + hive::RgknHeader::kSize, 0);
    const std::span<std::uint8_t> rgkn = std::span(image).subspan(at);
    hive::StoreSignature(rgkn, F::signature, hive::kRgknSignature);
    hive::StoreField<F::iBlkSize>(rgkn, static_cast<std::int32_t>(hive::RgknHeader::kSize));
    hive::StoreField<F::iRec1stOfs>(rgkn, hive::kNoOffset);
    hive::StoreField<F::iERecOfs>(rgkn, hive::kNoOffset);
  }
  hive::StoreField<hive::CregHeaderField::iRGDB1st>(image, static_cast<std::int32_t>(image.size()));
  hive::StoreField<hive::CregHeaderField::wDBblks>(
      image, static_cast<std::uint16_t>(std::min<std::size_t>(slots.size(), 0xFFFF)));
  for (Slot& slot : slots) {
    slot.at = image.size();
    if (slot.source) {
      if (!Append(source, *slot.source, slot.size, image)) {
        out.unreadable = "the data block at " + OffsetText(*slot.source) + " cannot be read";
        return out;
      }
      // A block cut short keeps its surviving bytes; its size says so, so that the next block
      // is found where it is.
      hive::StoreField<hive::RgdbHeaderField::iBlkSize>(std::span(image).subspan(static_cast<std::size_t>(slot.at)),
                                                        static_cast<std::int32_t>(slot.size));
    } else {
      image.resize(image.size() + hive::RgdbHeader::kSize, 0);
      const std::span<std::uint8_t> block = std::span(image).subspan(static_cast<std::size_t>(slot.at));
      hive::StoreSignature(block, hive::RgdbHeaderField::signature, hive::kRgdbSignature);
      hive::StoreField<hive::RgdbHeaderField::iBlkSize>(block, static_cast<std::int32_t>(hive::RgdbHeader::kSize));
      hive::StoreField<hive::RgdbHeaderField::iERecOfs>(block, hive::kNoOffset);
    }
  }

  for (const Slot& slot : slots) out.places.push_back({slot.at, slot.size, slot.source});
  salvage::SalvageOptions options;
  options.codePage = named.value_or(text::CodePage::Cp1252);
  out.hive = salvage::Salvage(hive::Bytes(image), options);
  if (!named) {
    const std::optional<detect::VoteOutcome> vote =
        detect::CodePageFromVotes(out.hive, detect::CountChecksumVotes(out.hive));
    if (vote && vote->codePage != options.codePage) {
      options.codePage = vote->codePage;
      out.hive = salvage::Salvage(hive::Bytes(image), options);
    }
  }
  out.codePage = options.codePage;
  // Damage found inside a record: its fields disagree, so it is not listed.
  std::vector<std::int64_t> damaged;
  for (const hive::Finding& f : out.hive.findings)
    if (f.severity == Severity::Damage &&
        (f.structure == hive::Structure::DataRecord || f.structure == hive::Structure::Value) &&
        (inPlace || f.field != FieldName(hive::DataRecordField::BlkNo)))
      damaged.push_back(f.offset.value);
  std::sort(damaged.begin(), damaged.end());
  // Where a block's record chain breaks, or the next record is damaged: the record before it
  // may run into bytes written over it (another file's cluster begins inside it) with its
  // own fields intact.
  std::vector<std::int64_t> breaks;
  for (const hive::Finding& f : out.hive.findings)
    if (f.severity == Severity::Damage &&
        (f.structure == hive::Structure::DataRecord || f.structure == hive::Structure::FreeDataRecord) &&
        (f.field == "header" ||
         f.field == (f.structure == hive::Structure::DataRecord ? FieldName(hive::DataRecordField::NextOfs)
                                                                : FieldName(hive::FreeDataRecordField::NextOfs))))
      breaks.push_back(f.offset.value);
  std::sort(breaks.begin(), breaks.end());
  // A key node whose checksum does not match the record's name names another record: the
  // record joined from a loose block may belong to another file, so its path is not taken.
  std::vector<std::int64_t> otherName;
  for (const hive::Finding& f : out.hive.findings)
    if (f.structure == hive::Structure::KeyNode && f.field == FieldName(hive::KeyNodeField::Chksum) &&
        f.severity != Severity::Note)
      otherName.push_back(f.offset.value);
  std::sort(otherName.begin(), otherName.end());
  for (std::size_t i = 0; i < out.hive.records.size(); ++i) {
    const salvage::SalvagedRecord& r = out.hive.records[i];
    if (r.block >= slots.size() || !slots[r.block].source) continue;
    const auto first = std::lower_bound(damaged.begin(), damaged.end(), r.offset.value);
    if (first != damaged.end() && *first < r.offset.value + std::max<std::int64_t>(r.extent, 1)) {
      ++out.recordsSkipped;
      continue;
    }
    const Slot& slot = slots[r.block];
    const std::uint64_t from = *slot.source + static_cast<std::uint64_t>(r.offset.value) - slot.at;
    const std::uint64_t to = from + static_cast<std::uint64_t>(std::max<std::int64_t>(r.extent, 1));
    const std::int64_t next = r.offset.value + r.extent;  // the next record of the chain
    if ((std::binary_search(breaks.begin(), breaks.end(), next) ||
         std::binary_search(damaged.begin(), damaged.end(), next)) &&
        from / kSectorSize != (to - 1) / kSectorSize) {
      ++out.recordsSkipped;  // its bytes past a sector start may be another file's
      continue;
    }
    FragmentKey key;
    key.record = i;
    key.offset = *slot.source + static_cast<std::uint64_t>(r.offset.value) - slot.at;
    key.block = r.header.BlkNo;
    const bool hasPath = r.key != salvage::kNoIndex &&
                         !std::binary_search(otherName.begin(), otherName.end(),
                                             out.hive.keys[static_cast<std::size_t>(r.key)].node.InFile().value);
    if (hasPath) {
      key.path = out.hive.KeyPathBytes(static_cast<std::size_t>(r.key));
      key.pathKnown = true;
    } else {
      key.path.assign(reinterpret_cast<const char*>(r.name.data()), r.name.size());
    }
    out.keys.push_back(std::move(key));
  }
  std::sort(out.keys.begin(), out.keys.end(),
            [](const FragmentKey& a, const FragmentKey& b) { return a.offset < b.offset; });
  return out;
}

std::optional<std::uint64_t> FragmentContents::SourceOffset(std::int64_t standIn) const {
  if (standIn < 0) return std::nullopt;
  const auto at = static_cast<std::uint64_t>(standIn);
  for (const BlockPlace& place : places)
    if (place.source && at >= place.at && at < place.at + place.size) return *place.source + (at - place.at);
  return std::nullopt;
}

}  // namespace quarvex::carve
