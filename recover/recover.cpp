#include "recover/recover.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <utility>

#include "hive/finding.h"
#include "hive/format.h"
#include "hive/keyname.h"

namespace quarvex::recover {

using namespace quarvex::hive;

std::string_view ConfidenceName(Confidence c) {
  switch (c) {
    case Confidence::High: return "high";
    case Confidence::Medium: return "medium";
    case Confidence::Low: return "low";
  }
  return "low";
}

std::optional<Confidence> ParseConfidence(std::string_view text) {
  if (text == "high") return Confidence::High;
  if (text == "medium") return Confidence::Medium;
  if (text == "low") return Confidence::Low;
  return std::nullopt;
}

std::string_view SourceName(Source s) {
  switch (s) {
    case Source::FreeRecord: return "free record";
    case Source::InFreeArea: return "inside a free area";
    case Source::DeadGap: return "dead gap";
    case Source::OrphanRecord: return "orphan record";
    case Source::LostKey: return "lost key node";
  }
  return "free record";
}

namespace {

// One comparison object out of two lambdas, for the searches that compare in both directions.
template <typename... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

constexpr std::int64_t kRgknStart = 32;
constexpr std::int64_t kFirstNodeRel = 32;
constexpr std::int64_t kNode = static_cast<std::int64_t>(KeyNode::kSize);
constexpr std::int64_t kHeader = static_cast<std::int64_t>(DataRecordHeader::kSize);
constexpr std::int64_t kFreeView = static_cast<std::int64_t>(FreeDataRecord::kSize);
constexpr std::int64_t kEntry = static_cast<std::int64_t>(ValueEntry::kSize);
// Value types a 9x registry uses: none, text, expandable text, binary, DWORD, big-endian
// DWORD, link, multi-text, resource list, full resource descriptor, requirements, QWORD.
constexpr std::uint16_t kHighestKnownType = 11;
constexpr std::uint16_t kDwordType = 4;
constexpr std::uint16_t kBigEndianDwordType = 5;

std::string Dec(std::uint64_t v) { return std::to_string(v); }
std::string HexI(std::int64_t v) { return Hex32(static_cast<std::uint32_t>(v)); }

// A candidate record and what was read of it.
struct Candidate {
  std::int64_t at = 0;
  std::uint32_t block = 0;
  Source source = Source::FreeRecord;
  bool numbersLost = false;             // a free view: Rec#, Blk# and RecSize are overwritten
  std::optional<std::uint16_t> recNo;
  std::int64_t regionEnd = 0;           // the bytes it may have kept end here
  std::int64_t claimedEnd = 0;          // at + RecSize, or at + Size of the free view
  std::int32_t lostKey = salvage::kNoIndex;
  // read
  Bytes name;
  bool nameCut = false;
  std::uint16_t datN = 0;
  std::vector<RecoveredValue> values;
  bool whole = false;       // the name and all DatN values lie inside the region
  bool typesKnown = true;
  bool sizesFit = true;
  std::int64_t chainEnd = 0;
  std::int64_t cutAt = -1;  // where the surviving bytes end, when not whole
  // tied to
  std::int32_t oldNode = -1;
  Link link = Link::None;
};

// A key node that once was: on the free list, or inside a free area of the key-node block.
struct OldNode {
  std::int32_t rel = 0;
  KeyNode fields;
  bool checksumSurvives = false;  // not at a free view's start: its first 12 bytes are its own
  std::int32_t candidate = -1;
  Link link = Link::None;
};

// The first entry of a sorted list whose start lies after q, for a q that moves forward a
// byte at a time through a gap: looked up again only once q has passed it (or, were it ever
// to step back, from where it then stands), not at every byte.
template <typename Entry, typename StartOf>
class NextAfter {
 public:
  using Iterator = typename std::vector<Entry>::const_iterator;
  NextAfter(const std::vector<Entry>& list, StartOf startOf) : list_(list), startOf_(startOf), next_(list.end()) {}
  Iterator At(std::int64_t q) {
    if (q < askedAt_ || (next_ != list_.end() && q >= startOf_(*next_)))
      next_ = std::upper_bound(list_.begin(), list_.end(), q,
                               [this](std::int64_t at, const Entry& entry) { return at < startOf_(entry); });
    askedAt_ = q;
    return next_;
  }

 private:
  const std::vector<Entry>& list_;
  StartOf startOf_;
  Iterator next_;
  std::int64_t askedAt_ = INT64_MAX;
};

class Recoverer {
 public:
  Recoverer(const salvage::SalvagedHive& hive, const RecoverOptions& options)
      : hive_(hive), image_(hive.image), size_(static_cast<std::int64_t>(hive.image.size())),
        options_(options), leadBytes_(text::LeadByteSet::For(options.codePage)),
        budget_(32 * static_cast<std::uint64_t>(hive.image.size()) + 65536) {}

  Recovery Run() {
    Recovery out;
    if (!hive_.isHive) return out;
    IndexLiveKeys();
    for (std::size_t b = 0; b < hive_.blocks.size(); ++b) ScanBlock(b);
    TakeOrphansAndLostKeys();
    FindOldNodes();
    LinkExact();
    LinkByElimination();
    for (std::size_t c = 0; c < candidates_.size(); ++c) out.keys.push_back(Judge(c));
    std::stable_sort(out.keys.begin(), out.keys.end(),
                     [](const RecoveredKey& a, const RecoveredKey& b) { return a.offset.value < b.offset.value; });
    RecoverySummary& s = out.summary;
    s.keys = out.keys.size();
    for (const RecoveredKey& k : out.keys) {
      s.values += k.values.size();
      (k.confidence == Confidence::High ? s.high : k.confidence == Confidence::Medium ? s.medium : s.low)++;
    }
    s.workCapReached = capReached_;
    return out;
  }

 private:
  // ---- bounded reads -------------------------------------------------------------------

  std::uint16_t U16(std::int64_t at) const {
    return at >= 0 && at + 2 <= size_ ? LoadU16(image_, static_cast<std::size_t>(at)) : 0;
  }
  std::uint32_t U32(std::int64_t at) const {
    return at >= 0 && at + 4 <= size_ ? LoadU32(image_, static_cast<std::size_t>(at)) : 0;
  }
  std::int32_t I32(std::int64_t at) const { return static_cast<std::int32_t>(U32(at)); }
  Bytes Slice(std::int64_t at, std::int64_t length) const {
    if (at < 0 || at >= size_ || length <= 0) return {};
    return image_.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(std::min(length, size_ - at)));
  }
  KeyNode NodeAt(std::int64_t at) const {
    std::array<std::uint8_t, KeyNode::kSize> bytes{};
    if (at >= 0 && at < size_)
      std::memcpy(bytes.data(), image_.data() + at,
                  static_cast<std::size_t>(std::min<std::int64_t>(size_ - at, kNode)));
    return KeyNode::Decode(Bytes(bytes));
  }
  bool Spend(std::uint64_t work) {
    if (budget_ < work) {
      budget_ = 0;
      capReached_ = true;
      return false;
    }
    budget_ -= work;
    return true;
  }

  // A name a key could have: at least one byte, every character printable in the code page,
  // no backslash (the path separator) and no zero byte.
  bool PrintableName(Bytes name) const {
    if (name.empty()) return false;
    const bool cp932 = options_.codePage == text::CodePage::Cp932;
    for (std::size_t i = 0; i < name.size(); ++i) {
      const std::uint8_t b = name[i];
      if (leadBytes_.Contains(b)) {
        if (i + 1 >= name.size()) return false;
        const std::uint8_t t = name[++i];
        if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
        continue;
      }
      if (b < 0x20 || b == 0x7F || b == '\\') return false;
      if (b >= 0x80) {
        if (leadBytes_.Empty()) {
          if (b < 0xA0) return false;  // C1 controls and the unused corner of a single-byte page
        } else if (!(cp932 && b >= 0xA1 && b <= 0xDF)) {
          return false;  // a double-byte page has no other single high byte
        }
      }
    }
    return true;
  }

  // ---- the bytes of the data blocks ----------------------------------------------------

  void IndexLiveKeys() {
    for (std::size_t k = 0; k < hive_.keys.size(); ++k)
      liveNodes_.emplace_back(hive_.keys[k].node.value, static_cast<std::int32_t>(k));
    std::sort(liveNodes_.begin(), liveNodes_.end());
    for (const salvage::SalvagedRecord& r : hive_.records)
      usedNumbers_.push_back((std::uint64_t{r.block} << 16) | r.header.RecNo);
    std::sort(usedNumbers_.begin(), usedNumbers_.end());
  }
  std::int32_t LiveKeyAt(std::int32_t rel) const {
    const auto it = std::lower_bound(liveNodes_.begin(), liveNodes_.end(), std::pair{rel, std::int32_t{-1}});
    return it != liveNodes_.end() && it->first == rel ? it->second : salvage::kNoIndex;
  }
  bool NumberInUse(std::uint32_t block, std::uint16_t recNo) const {
    return std::binary_search(usedNumbers_.begin(), usedNumbers_.end(), (std::uint64_t{block} << 16) | recNo);
  }

  // Reads the name and values of a record whose KeyL stands at at + 12, within regionEnd.
  void ReadBody(Candidate& c) {
    const std::int64_t keyL = U16(c.at + 12);
    c.datN = U16(c.at + 14);
    const std::int64_t nameAt = c.at + kHeader;
    c.name = Slice(nameAt, std::min(keyL, c.regionEnd - nameAt));
    c.nameCut = nameAt + keyL > c.regionEnd;
    std::int64_t q = nameAt + keyL;
    c.whole = !c.nameCut;
    if (c.nameCut) c.cutAt = c.regionEnd;
    for (std::uint32_t i = 0; i < c.datN && c.whole; ++i) {
      if (!Spend(1)) {
        c.whole = false;
        c.cutAt = q;
        break;
      }
      if (q + kEntry > c.regionEnd) {
        c.whole = false;
        c.cutAt = q;
        break;
      }
      RecoveredValue v;
      v.offset = FileOffset(q);
      v.type = U16(q);
      v.nameLength = U16(q + 8);
      v.dataLength = U16(q + 10);
      const std::int64_t vNameAt = q + kEntry;
      const std::int64_t dataAt = vNameAt + v.nameLength;
      v.name = Slice(vNameAt, std::min<std::int64_t>(v.nameLength, c.regionEnd - vNameAt));
      v.data = Slice(dataAt, std::min<std::int64_t>(v.dataLength, c.regionEnd - dataAt));
      if (dataAt + v.dataLength > c.regionEnd) {
        v.partial = true;
        c.whole = false;
        c.cutAt = c.regionEnd;
      }
      if (v.type > kHighestKnownType) c.typesKnown = false;
      if ((v.type == kDwordType || v.type == kBigEndianDwordType) && v.dataLength != 4) c.sizesFit = false;
      c.values.push_back(v);
      q = dataAt + v.dataLength;
    }
    c.chainEnd = q;
  }

  // Whether the bytes at q of block b look like a record that was: a free view or a whole
  // header, a name that survives and is printable, values that chain inside the region to
  // the record's claimed end. Only such shapes count inside free space, so noise rarely does.
  bool ShapedAt(std::int64_t q, std::uint32_t b, std::int64_t regionEnd, std::int64_t blockEnd, Candidate& c) {
    if (!Spend(1)) return false;
    // Asked at every byte of every gap: the header's numbers are tested before anything is
    // filled in.
    const std::int64_t keyL = U16(q + 12);
    if (keyL < 1 || q + kHeader + keyL > regionEnd) return false;
    const bool numbersLost = U32(q + 4) == 0xFFFFFFFF;
    std::optional<std::uint16_t> number;
    std::int64_t claimedEnd = 0;
    if (numbersLost) {
      const std::int64_t size = I32(q);
      if (size < kHeader + keyL || q + size > blockEnd) return false;
      claimedEnd = q + size;
    } else {
      const std::uint16_t recNo = U16(q + 4);
      const std::int64_t recSize = I32(q + 8);
      const std::int64_t next = I32(q);
      if (U16(q + 6) != b || recNo == kNoNumber || recSize < kHeader + keyL || next < recSize || q + next > blockEnd)
        return false;
      number = recNo;
      claimedEnd = q + recSize;
    }
    if (!Spend(static_cast<std::uint64_t>(keyL))) return false;
    if (!PrintableName(Slice(q + kHeader, keyL))) return false;
    c = Candidate{};
    c.at = q;
    c.block = b;
    c.regionEnd = regionEnd;
    c.numbersLost = numbersLost;
    c.recNo = number;
    c.claimedEnd = claimedEnd;
    ReadBody(c);
    if (!c.whole || !c.typesKnown) return false;
    return c.numbersLost ? c.chainEnd <= c.claimedEnd : c.chainEnd == c.claimedEnd;
  }

  void ScanBlock(std::size_t bi) {
    const salvage::SalvagedBlock& block = hive_.blocks[bi];
    const auto b = static_cast<std::uint32_t>(bi);
    const std::int64_t start = block.offset.value + static_cast<std::int64_t>(RgdbHeader::kSize);
    const std::int64_t end = std::min(block.end, size_);
    if (start >= end) return;

    // The chain, as far as it runs forward: its positions end what a record may have kept, and
    // its free records are where free views stand.
    std::vector<std::int64_t> positions;
    std::vector<std::pair<std::int64_t, std::int64_t>> frees;  // [begin, end)
    for (std::int64_t p = start; p + kFreeView <= end;) {
      positions.push_back(p);
      const std::int64_t next = I32(p);
      if (next < kFreeView || p + next > end) break;
      if (U16(p + 4) == kNoNumber) frees.emplace_back(p, p + next);
      p += next;
    }

    // Bytes in use: each record of the block up to its RecSize (its slack is dead gap).
    // The salvage reader keeps records block by block, so the block's own are one run of
    // them (looking through every record for every block cost blocks x records steps).
    std::vector<std::pair<std::int64_t, std::int64_t>> used;
    const auto [first, last] = std::equal_range(
        hive_.records.begin(), hive_.records.end(), b,
        Overloaded{[](const salvage::SalvagedRecord& r, std::uint32_t blk) { return r.block < blk; },
                   [](std::uint32_t blk, const salvage::SalvagedRecord& r) { return blk < r.block; }});
    for (auto it = first; it != last; ++it) {
      const salvage::SalvagedRecord& r = *it;
      std::int64_t length = r.header.RecSize;
      if (length < kHeader || length > r.extent) length = std::max<std::int64_t>(r.extent, kHeader);
      used.emplace_back(r.offset.value, r.offset.value + length);
    }
    std::sort(used.begin(), used.end());
    std::int64_t cursor = start;
    for (const auto& [u0, u1] : used) {
      if (u0 > cursor) ScanGap(b, cursor, u0, end, positions, frees);
      cursor = std::max(cursor, u1);
    }
    if (cursor < end) ScanGap(b, cursor, end, end, positions, frees);
  }

  void ScanGap(std::uint32_t b, std::int64_t g0, std::int64_t g1, std::int64_t blockEnd,
               const std::vector<std::int64_t>& positions, const std::vector<std::pair<std::int64_t, std::int64_t>>& frees) {
    NextAfter nextPositionAt(positions, [](std::int64_t p) { return p; });
    auto nextPosition = [&](std::int64_t q) {
      const auto next = nextPositionAt.At(q);
      return next == positions.end() ? g1 : std::min(g1, *next);
    };
    NextAfter nextAreaAt(frees, [](const std::pair<std::int64_t, std::int64_t>& f) { return f.first; });
    auto freeAreaOf = [&](std::int64_t q) -> const std::pair<std::int64_t, std::int64_t>* {
      const auto areaAfter = nextAreaAt.At(q);
      if (areaAfter == frees.begin()) return nullptr;
      const auto& f = *(areaAfter - 1);
      return q < f.second ? &f : nullptr;
    };
    Candidate shaped;
    std::int64_t q = g0;
    while (q + kHeader <= g1 && !capReached_) {
      const auto* area = freeAreaOf(q);
      const std::int64_t regionEnd = nextPosition(q);
      if (area != nullptr && area->first == q) {
        // The start of a free record: its free view, then what the record kept.
        Candidate c;
        c.at = q;
        c.block = b;
        c.source = Source::FreeRecord;
        c.numbersLost = true;
        c.regionEnd = regionEnd;
        c.claimedEnd = q + I32(q);
        if (U16(q + 12) >= 1) ReadBody(c);
        // A name that runs past the free area was no record's name: the free view stands in
        // the middle of older bytes, and nothing of a record survives here.
        if (U16(q + 12) >= 1 && !c.nameCut) {
          candidates_.push_back(std::move(c));
          const Candidate& kept = candidates_.back();
          q = kept.whole && kept.chainEnd > q + kFreeView ? kept.chainEnd : q + kFreeView;
        } else {
          q += kFreeView;
        }
        continue;
      }
      if (ShapedAt(q, b, regionEnd, blockEnd, shaped)) {
        shaped.source = area != nullptr ? Source::InFreeArea : Source::DeadGap;
        const std::int64_t next = shaped.chainEnd;
        candidates_.push_back(std::move(shaped));
        q = next;
      } else {
        ++q;  // records lie on any byte
      }
    }
  }

  void TakeOrphansAndLostKeys() {
    auto take = [&](const salvage::SalvagedRecord& r, Source source, std::int32_t key) {
      Candidate c;
      c.at = r.offset.value;
      c.block = r.block;
      c.source = source;
      c.recNo = r.header.RecNo;
      c.regionEnd = std::min(size_, r.offset.value + std::max<std::int64_t>(r.extent, kHeader));
      c.claimedEnd = r.offset.value + r.header.RecSize;
      c.lostKey = key;
      ReadBody(c);
      if (source == Source::LostKey) c.link = Link::Exact;
      candidates_.push_back(std::move(c));
    };
    for (const salvage::SalvagedRecord& r : hive_.records)
      if (r.key == salvage::kNoIndex && !r.duplicate && r.header.KeyL >= 1) take(r, Source::OrphanRecord, salvage::kNoIndex);
    for (std::size_t k = 0; k < hive_.keys.size(); ++k) {
      const salvage::SalvagedKey& key = hive_.keys[k];
      if (key.lost && key.record != salvage::kNoIndex)
        take(hive_.records[static_cast<std::size_t>(key.record)], Source::LostKey, static_cast<std::int32_t>(k));
    }
  }

  // ---- the key-node block --------------------------------------------------------------

  void FindOldNodes() {
    std::int64_t areaEnd = size_;
    if (!hive_.blocks.empty()) areaEnd = std::min(areaEnd, hive_.blocks.front().offset.value);
    else if (hive_.rgkn.iBlkSize >= 32) areaEnd = std::min(areaEnd, kRgknStart + hive_.rgkn.iBlkSize);
    nodeAreaEnd_ = areaEnd;
    if (areaEnd <= kRgknStart + kFirstNodeRel) return;
    const auto slots = static_cast<std::size_t>(areaEnd - kRgknStart);
    std::vector<bool> listed(slots, false), scanned(slots, false);
    std::vector<std::pair<std::int64_t, std::int64_t>> areas;
    for (std::int64_t rel = hive_.rgkn.iERecOfs; rel != kNoOffset;) {
      if (rel < kFirstNodeRel || kRgknStart + rel + static_cast<std::int64_t>(FreeKeyNode::kSize) > areaEnd) break;
      if (listed[static_cast<std::size_t>(rel)]) break;
      listed[static_cast<std::size_t>(rel)] = true;
      const std::int64_t size = std::clamp<std::int64_t>(I32(kRgknStart + rel), kNode, areaEnd - kRgknStart - rel);
      areas.emplace_back(rel, rel + size);
      rel = I32(kRgknStart + rel + 8);
    }
    for (const auto& [a0, a1] : areas) {
      for (std::int64_t p = a0; p + kNode <= a1 && kRgknStart + p + kNode <= areaEnd;) {
        if (scanned[static_cast<std::size_t>(p)]) {
          p += 4;
          continue;
        }
        scanned[static_cast<std::size_t>(p)] = true;
        const KeyNode n = NodeAt(kRgknStart + p);
        const bool atStart = p == a0;
        if (PlausibleNode(n, !atStart) && LiveKeyAt(static_cast<std::int32_t>(p)) == salvage::kNoIndex) {
          OldNode node;
          node.rel = static_cast<std::int32_t>(p);
          node.fields = n;
          node.checksumSurvives = !atStart;
          oldNodes_.push_back(node);
          p += kNode;
        } else {
          p += 4;
        }
      }
    }
    std::sort(oldNodes_.begin(), oldNodes_.end(), [](const OldNode& x, const OldNode& y) { return x.rel < y.rel; });
  }

  bool LinkInBlock(std::int32_t link) const {
    return link == kNoOffset || (link >= kFirstNodeRel && kRgknStart + link + kNode <= nodeAreaEnd_);
  }
  bool PlausibleNode(const KeyNode& n, bool inner) const {
    if (!LinkInBlock(n.UprOfs) || !LinkInBlock(n.LwrOfs) || !LinkInBlock(n.NextOfs)) return false;
    if (n.RecNo == kNoNumber || n.BlkNo >= hive_.blocks.size()) return false;
    return !inner || n.UprOfs != kNoOffset;
  }
  std::int32_t OldNodeAt(std::int32_t rel) const {
    const auto it = std::lower_bound(oldNodes_.begin(), oldNodes_.end(), rel,
                                     [](const OldNode& n, std::int32_t r) { return n.rel < r; });
    return it != oldNodes_.end() && it->rel == rel ? static_cast<std::int32_t>(it - oldNodes_.begin()) : -1;
  }

  // ---- tying records to nodes ----------------------------------------------------------

  void LinkExact() {
    std::vector<std::pair<std::uint64_t, std::int32_t>> byNumber;
    for (std::size_t i = 0; i < oldNodes_.size(); ++i)
      byNumber.emplace_back((std::uint64_t{oldNodes_[i].fields.BlkNo} << 16) | oldNodes_[i].fields.RecNo,
                            static_cast<std::int32_t>(i));
    std::sort(byNumber.begin(), byNumber.end());
    for (std::size_t c = 0; c < candidates_.size(); ++c) {
      Candidate& cand = candidates_[c];
      if (!cand.recNo || cand.lostKey != salvage::kNoIndex) continue;
      const std::uint64_t key = (std::uint64_t{cand.block} << 16) | *cand.recNo;
      for (auto it = std::lower_bound(byNumber.begin(), byNumber.end(), std::pair{key, std::int32_t{-1}});
           it != byNumber.end() && it->first == key; ++it) {
        OldNode& node = oldNodes_[static_cast<std::size_t>(it->second)];
        if (node.candidate >= 0) continue;
        node.candidate = static_cast<std::int32_t>(c);
        node.link = Link::Exact;
        cand.oldNode = it->second;
        cand.link = Link::Exact;
        break;
      }
    }
  }

  // Records whose numbers the free view overwrote: a node naming the block and a number that
  // no record in use (and no record tied exactly) holds is theirs, when the pairing is one to
  // one; several of both are paired in order, which is a guess.
  void LinkByElimination() {
    for (std::uint32_t b = 0; b < hive_.blocks.size(); ++b) {
      std::vector<std::size_t> records;
      for (std::size_t c = 0; c < candidates_.size(); ++c)
        if (candidates_[c].block == b && candidates_[c].numbersLost && candidates_[c].link == Link::None)
          records.push_back(c);
      std::vector<std::size_t> nodes;
      for (std::size_t i = 0; i < oldNodes_.size(); ++i) {
        const OldNode& n = oldNodes_[i];
        if (n.candidate < 0 && n.fields.BlkNo == b && !NumberInUse(b, n.fields.RecNo)) nodes.push_back(i);
      }
      if (records.empty() || records.size() != nodes.size()) continue;
      std::sort(records.begin(), records.end(), [&](std::size_t x, std::size_t y) { return candidates_[x].at < candidates_[y].at; });
      std::stable_sort(nodes.begin(), nodes.end(),
                       [&](std::size_t x, std::size_t y) { return oldNodes_[x].fields.RecNo < oldNodes_[y].fields.RecNo; });
      const Link link = records.size() == 1 ? Link::Elimination : Link::Order;
      for (std::size_t i = 0; i < records.size(); ++i) {
        candidates_[records[i]].oldNode = static_cast<std::int32_t>(nodes[i]);
        candidates_[records[i]].link = link;
        oldNodes_[nodes[i]].candidate = static_cast<std::int32_t>(records[i]);
        oldNodes_[nodes[i]].link = link;
      }
      orderPool_[b] = records.size();
    }
  }

  // ---- judging -------------------------------------------------------------------------

  std::string NameText(Bytes name) const {
    const Bytes n = UpToFirstZero(name);
    return std::string(reinterpret_cast<const char*>(n.data()), n.size());
  }

  // Follows UprOfs from a node up to a live key; the names of old nodes on the way come from
  // their records.
  void BuildPath(const Candidate& c, const KeyNode& fields, RecoveredKey& k) {
    std::vector<std::string> segments{NameText(c.name)};
    k.pathGuessed = c.link == Link::Order || c.link == Link::Elimination;
    std::int32_t cur = fields.UprOfs;
    std::string prefix;
    std::vector<std::int32_t> seen;
    for (std::size_t steps = 0;; ++steps) {
      if (cur == kNoOffset) {
        k.parentKnown = true;
        break;
      }
      if (const std::int32_t live = LiveKeyAt(cur); live != salvage::kNoIndex) {
        prefix = hive_.KeyPathBytes(static_cast<std::size_t>(live));
        k.parentKnown = true;
        break;
      }
      const std::int32_t old = OldNodeAt(cur);
      if (old < 0 || steps > oldNodes_.size() || std::find(seen.begin(), seen.end(), cur) != seen.end()) {
        prefix = "(unknown parent)";
        break;
      }
      seen.push_back(cur);
      const OldNode& n = oldNodes_[static_cast<std::size_t>(old)];
      if (n.candidate >= 0) {
        segments.push_back(NameText(candidates_[static_cast<std::size_t>(n.candidate)].name));
        if (n.link == Link::Order || n.link == Link::Elimination) k.pathGuessed = true;
      } else {
        segments.push_back("{deleted key node " + HexI(kRgknStart + n.rel) + "}");
      }
      cur = n.fields.UprOfs;
    }
    k.path = prefix;
    for (auto it = segments.rbegin(); it != segments.rend(); ++it) {
      if (!k.path.empty()) k.path += '\\';
      k.path += *it;
    }
  }

  RecoveredKey Judge(std::size_t ci) {
    const Candidate& c = candidates_[ci];
    RecoveredKey k;
    k.offset = FileOffset(c.at);
    k.block = c.block;
    k.recordNumber = c.recNo;
    k.source = c.source;
    k.name = c.name;
    k.values = c.values;
    k.valuesAnnounced = c.datN;
    k.link = c.link;
    k.partial = !c.whole;
    std::vector<std::string>& why = k.reasons;

    switch (c.source) {
      case Source::FreeRecord: why.push_back("found at the start of a free record of data block " + Dec(c.block)); break;
      case Source::InFreeArea: why.push_back("found inside a free area of data block " + Dec(c.block)); break;
      case Source::DeadGap: why.push_back("found in dead gap of data block " + Dec(c.block)); break;
      case Source::OrphanRecord: why.push_back("a record in use that no key node refers to (orphan)"); break;
      case Source::LostKey: why.push_back("the record of a key node that no link reaches (lost key)"); break;
    }

    // The values.
    const bool chainExact = c.whole && c.typesKnown && c.sizesFit &&
                            (c.numbersLost ? c.chainEnd <= c.claimedEnd : c.chainEnd == c.claimedEnd);
    if (chainExact) {
      why.push_back(c.datN == 0 ? "no values; the name ends the record exactly"
                                : "values chain exactly to the record's end (" + Dec(c.datN) + " of " + Dec(c.datN) +
                                      ", known types, sizes that fit)");
    } else if (c.whole) {
      if (!c.typesKnown) why.push_back("a value of unknown type");
      if (!c.sizesFit) why.push_back("a DWORD value whose length is not 4");
      if (c.typesKnown && c.sizesFit)
        why.push_back("values do not end where the record's size says (" + HexI(c.chainEnd - c.at) + " of " +
                      HexI(c.claimedEnd - c.at) + " bytes)");
    } else {
      std::size_t whole = 0;
      for (const RecoveredValue& v : c.values) whole += v.partial ? 0 : 1;
      why.push_back("overwritten from " + HexI(c.cutAt) + ": " + Dec(whole) + " of " + Dec(c.datN) +
                    " values whole" + (c.nameCut ? ", the name cut" : ""));
    }

    // The name.
    const bool printable = !c.nameCut && PrintableName(c.name);
    why.push_back(printable ? "name printable, no path separator" : "name not printable in the code page");

    // The key node.
    bool checksum = false;
    const KeyNode* fields = nullptr;
    if (c.lostKey != salvage::kNoIndex) {
      const salvage::SalvagedKey& key = hive_.keys[static_cast<std::size_t>(c.lostKey)];
      fields = &key.fields;
      k.node = key.node;
      const Bytes name = UpToFirstZero(c.name);
      checksum = KeyNameChecksum(name, leadBytes_) == key.fields.Chksum || KeyNameChecksumPlain(name) == key.fields.Chksum;
      why.push_back("its key node " + HexI(key.node.InFile().value) + " names block " + Dec(key.fields.BlkNo) +
                    " record " + Dec(key.fields.RecNo));
      why.push_back(checksum ? "the node's checksum " + Hex32(key.fields.Chksum) + " equals the name's"
                             : "the node's checksum " + Hex32(key.fields.Chksum) + " is not the name's");
    } else if (c.oldNode >= 0) {
      const OldNode& n = oldNodes_[static_cast<std::size_t>(c.oldNode)];
      fields = &n.fields;
      k.node = KeyNodeOffset(n.rel);
      const std::string node = "key node " + HexI(kRgknStart + n.rel) + " names block " + Dec(n.fields.BlkNo) +
                               " record " + Dec(n.fields.RecNo);
      // Only numbers that survive in the record itself tie it for certain. A pairing by
      // elimination is wrong when, since the deletion, one key's record space and another
      // deleted key's node were used again (delete P, delete Q, add R over Q's node and P's
      // record: Q's record and P's node are left, and pair up), so its path stays marked.
      if (c.link == Link::Exact)
        why.push_back(node + ", the record's own numbers");
      else if (c.link == Link::Elimination)
        why.push_back(node + ", a number no record in use holds; the only such node and the only record of the "
                             "block that lost its numbers (a guess by elimination: wrong only if the space was used again "
                             "since)");
      else
        why.push_back(node + "; guessed by order among " + Dec(orderPool_[c.block]) +
                      " records and nodes of the block whose numbers were lost");
      if (n.checksumSurvives) {
        const Bytes name = UpToFirstZero(c.name);
        checksum = KeyNameChecksum(name, leadBytes_) == n.fields.Chksum || KeyNameChecksumPlain(name) == n.fields.Chksum;
        if (checksum) why.push_back("the node's surviving checksum " + Hex32(n.fields.Chksum) + " equals the name's");
      }
    } else {
      why.push_back("no key node names the record");
    }

    if (fields != nullptr) {
      BuildPath(c, *fields, k);
      why.push_back(k.parentKnown ? "its parent links lead to a live key" : "its parent links lead to no live key");
      if (k.pathGuessed) why.push_back("a link on the path is guessed");
    } else {
      k.path = "(unknown parent)\\" + NameText(c.name);
    }

    // The confidence is that of the key itself: a deleted key of this hive, with this name and
    // these values. Its path is only as sure as its links, and a guessed link is marked on the
    // path ("[path guessed]") rather than folded in here. A pairing by elimination is right
    // unless the record's or the node's space was used again since; a pairing by order among
    // several is no better than a guess, so it does not make a key certain.
    const bool strongLink = c.link == Link::Exact && k.parentKnown && !k.pathGuessed;
    const bool tiedByElimination = c.link == Link::Elimination && k.parentKnown;
    if (chainExact && printable && (strongLink || checksum || tiedByElimination))
      k.confidence = Confidence::High;
    else if (printable && (chainExact || c.link != Link::None || checksum))
      k.confidence = Confidence::Medium;
    else
      k.confidence = Confidence::Low;
    return k;
  }

  const salvage::SalvagedHive& hive_;
  Bytes image_;
  std::int64_t size_;
  RecoverOptions options_;
  text::LeadByteSet leadBytes_;
  std::uint64_t budget_;
  bool capReached_ = false;
  std::int64_t nodeAreaEnd_ = 0;
  std::vector<std::pair<std::int32_t, std::int32_t>> liveNodes_;  // node offset -> salvaged key
  std::vector<std::uint64_t> usedNumbers_;                        // block << 16 | Rec# of records in use
  std::vector<Candidate> candidates_;
  std::vector<OldNode> oldNodes_;
  std::map<std::uint32_t, std::size_t> orderPool_;
};

}  // namespace

Recovery Recover(const salvage::SalvagedHive& hive, const RecoverOptions& options) {
  return Recoverer(hive, options).Run();
}

}  // namespace quarvex::recover
