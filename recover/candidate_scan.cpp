#include "recover/candidate_scan.h"

#include <algorithm>
#include <map>
#include <utility>

namespace quarvex::recover::detail {

using namespace quarvex::hive;

namespace {

// One comparison object out of two lambdas, for the searches that compare in both directions.
template <typename... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

using Area = std::pair<std::int64_t, std::int64_t>;  // [begin, end)

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

class BlockScanner {
 public:
  BlockScanner(Scene& scene, std::size_t bi)
      : scene_(scene), in_(scene.in), bi_(bi), b_(static_cast<std::uint32_t>(bi)) {}

  void Run() {
    const salvage::SalvagedBlock& block = scene_.hive.blocks[bi_];
    base_ = block.offset.value;
    start_ = base_ + static_cast<std::int64_t>(RgdbHeader::kSize);
    end_ = std::min(block.end, in_.Size());
    if (start_ >= end_) return;
    ReadChain();
    ReadFreeList();
    const std::size_t firstCandidate = scene_.candidates.size();
    // Bytes in use: each record of the block up to its RecSize (its slack is dead gap).
    // The salvage reader keeps records block by block, so the block's own are one run of them.
    std::vector<Area> used;
    const auto [first, last] =
        std::equal_range(scene_.hive.records.begin(), scene_.hive.records.end(), b_,
                         Overloaded{[](const salvage::SalvagedRecord& r, std::uint32_t blk) { return r.block < blk; },
                                    [](std::uint32_t blk, const salvage::SalvagedRecord& r) { return blk < r.block; }});
    for (auto it = first; it != last; ++it) {
      recordEnds_.emplace(it->offset.value + it->header.NextOfs, it->header.RecNo);
      std::int64_t length = it->header.RecSize;
      if (length < kHeader || length > it->extent) length = std::max<std::int64_t>(it->extent, kHeader);
      used.emplace_back(it->offset.value, it->offset.value + length);
    }
    std::sort(used.begin(), used.end());
    std::int64_t cursor = start_;
    for (const auto& [u0, u1] : used) {
      if (u0 > cursor) ScanGap(cursor, u0);
      cursor = std::max(cursor, u1);
    }
    if (cursor < end_) ScanGap(cursor, end_);
    MarkListPlaces(firstCandidate);
  }

 private:
  // The chain, as far as it runs forward: its positions end what a record may have kept, and
  // its free records are where free views stand.
  void ReadChain() {
    for (std::int64_t p = start_; p + kFreeView <= end_;) {
      positions_.push_back(p);
      const std::int64_t next = in_.Read<DataRecordField::NextOfs>(p);
      if (next < kFreeView || p + next > end_) break;
      if (in_.Read<DataRecordField::RecNo>(p) == kNoNumber) frees_.emplace_back(p, p + next);
      p += next;
    }
  }

  // The block's free list from its header: each deletion puts its record at the head, so the
  // place on the list is the order of the deletions, the newest first. A loop or a link out
  // of the block ends the walk.
  void ReadFreeList() {
    std::int32_t rel = in_.Read<RgdbHeaderField::iERecOfs>(base_);
    const std::int64_t most = (end_ - start_) / kFreeView + 1;
    std::vector<std::int64_t>& order = scene_.freeLists[bi_];
    for (std::int32_t place = 0; rel != kNoOffset && place < most; ++place) {
      const std::int64_t at = base_ + rel;
      if (rel < static_cast<std::int32_t>(RgdbHeader::kSize) || at + kFreeView > end_) break;
      if (!listPlace_.emplace(at, place).second) break;
      order.push_back(at);
      rel = in_.Read<FreeDataRecordField::NextOfs>(at);
    }
  }

  void MarkListPlaces(std::size_t firstCandidate) {
    std::map<std::int64_t, std::size_t> startsAt;
    for (std::size_t c = firstCandidate; c < scene_.candidates.size(); ++c)
      startsAt.emplace(scene_.candidates[c].at, c);
    for (const auto& [at, place] : listPlace_) {
      const auto it = startsAt.find(at);
      if (it != startsAt.end() && scene_.candidates[it->second].source == Source::FreeRecord)
        scene_.candidates[it->second].listPosition = place;
      else
        scene_.splits.push_back({b_, place, AllocatedBefore(at)});
    }
    // What lies behind each free record inside its area: the first free view there shows a
    // merge (the area behind was taken in when the record was freed); one that reads as no
    // record is the rest of an area an allocation split since.
    for (std::size_t c = firstCandidate; c < scene_.candidates.size(); ++c) {
      Candidate& cand = scene_.candidates[c];
      if (!cand.numbersLost || cand.source == Source::DeadGap || !cand.whole) continue;
      const std::int64_t areaEnd = std::min(cand.claimedEnd, end_);
      for (std::int64_t q = std::max(cand.chainEnd, cand.at + kFreeView); q + kFreeView <= areaEnd; ++q) {
        if (!in_.Spend(1)) break;
        if (!in_.NumbersLost(q)) continue;
        const std::int64_t size = in_.Read<FreeDataRecordField::Size>(q);
        if (size < kFreeView || q + size > areaEnd) continue;
        cand.absorbedFreeView = true;
        cand.absorbedAt = q;
        const auto it = startsAt.find(q);
        cand.absorbedSplit = it == startsAt.end();
        break;
      }
    }
  }

  // The number of the record in use whose space ends where a split free area starts: the
  // allocation that split it.
  std::optional<std::uint16_t> AllocatedBefore(std::int64_t at) const {
    const auto it = recordEnds_.find(at);
    return it == recordEnds_.end() ? std::nullopt : std::optional<std::uint16_t>(it->second);
  }

  // Whether the bytes at q look like a record that was: a free view or a whole header, a name
  // that survives and is printable, values that chain inside the region to the record's
  // claimed end. Only such shapes count inside free space, so noise rarely does.
  bool ShapedAt(std::int64_t q, std::int64_t regionEnd, Candidate& c) {
    if (!in_.Spend(1)) return false;
    // Asked at every byte of every gap: the header's numbers are tested before anything is
    // filled in.
    const std::int64_t keyL = in_.Read<DataRecordField::KeyL>(q);
    if (keyL < 1 || q + kHeader + keyL > regionEnd) return false;
    const bool numbersLost = in_.NumbersLost(q);
    std::optional<std::uint16_t> number;
    std::int64_t claimedEnd = 0;
    if (numbersLost) {
      const std::int64_t size = in_.Read<FreeDataRecordField::Size>(q);
      if (size < kHeader + keyL || q + size > end_) return false;
      claimedEnd = q + size;
    } else {
      const std::uint16_t recNo = in_.Read<DataRecordField::RecNo>(q);
      const std::int64_t recSize = in_.Read<DataRecordField::RecSize>(q);
      const std::int64_t next = in_.Read<DataRecordField::NextOfs>(q);
      if (in_.Read<DataRecordField::BlkNo>(q) != b_ || recNo == kNoNumber || recSize < kHeader + keyL ||
          next < recSize || q + next > end_)
        return false;
      number = recNo;
      claimedEnd = q + recSize;
    }
    if (!in_.Spend(static_cast<std::uint64_t>(keyL))) return false;
    if (!in_.PrintableName(in_.Slice(q + kHeader, keyL))) return false;
    c = Candidate{};
    c.at = q;
    c.block = b_;
    c.regionEnd = regionEnd;
    c.numbersLost = numbersLost;
    c.recNo = number;
    c.claimedEnd = claimedEnd;
    ReadBody(in_, c);
    if (!c.whole || !c.typesKnown) return false;
    return c.numbersLost ? c.chainEnd <= c.claimedEnd : c.chainEnd == c.claimedEnd;
  }

  void ScanGap(std::int64_t g0, std::int64_t g1) {
    NextAfter nextPositionAt(positions_, [](std::int64_t p) { return p; });
    auto nextPosition = [&](std::int64_t q) {
      const auto next = nextPositionAt.At(q);
      return next == positions_.end() ? g1 : std::min(g1, *next);
    };
    NextAfter nextAreaAt(frees_, [](const Area& f) { return f.first; });
    auto freeAreaOf = [&](std::int64_t q) -> const Area* {
      const auto areaAfter = nextAreaAt.At(q);
      if (areaAfter == frees_.begin()) return nullptr;
      const Area& f = *(areaAfter - 1);
      return q < f.second ? &f : nullptr;
    };
    Candidate shaped;
    std::int64_t q = g0;
    while (q + kHeader <= g1 && !in_.CapReached()) {
      const Area* area = freeAreaOf(q);
      const std::int64_t regionEnd = nextPosition(q);
      if (area != nullptr && area->first == q) {
        // The start of a free record: its free view, then what the record kept.
        Candidate c;
        c.at = q;
        c.block = b_;
        c.source = Source::FreeRecord;
        c.numbersLost = true;
        c.regionEnd = regionEnd;
        c.claimedEnd = q + in_.Read<FreeDataRecordField::Size>(q);
        if (in_.Read<DataRecordField::KeyL>(q) >= 1) ReadBody(in_, c);
        // A name that runs past the free area was no record's name: the free view stands in
        // the middle of older bytes, and nothing of a record survives here.
        if (in_.Read<DataRecordField::KeyL>(q) >= 1 && !c.nameCut) {
          scene_.candidates.push_back(std::move(c));
          const Candidate& kept = scene_.candidates.back();
          q = kept.whole && kept.chainEnd > q + kFreeView ? kept.chainEnd : q + kFreeView;
        } else {
          q += kFreeView;
        }
        continue;
      }
      if (ShapedAt(q, regionEnd, shaped)) {
        shaped.source = area != nullptr ? Source::InFreeArea : Source::DeadGap;
        const std::int64_t next = shaped.chainEnd;
        scene_.candidates.push_back(std::move(shaped));
        q = next;
      } else {
        ++q;  // records lie on any byte
      }
    }
  }

  Scene& scene_;
  ImageReader& in_;
  std::size_t bi_;
  std::uint32_t b_;
  std::int64_t base_ = 0, start_ = 0, end_ = 0;
  std::vector<std::int64_t> positions_;
  std::vector<Area> frees_;
  std::map<std::int64_t, std::int32_t> listPlace_;    // free record's file offset -> place on the list
  std::map<std::int64_t, std::uint16_t> recordEnds_;  // where each record in use ends (NextOfs) -> its Rec#
};

}  // namespace

void ReadBody(ImageReader& in, Candidate& c) {
  const std::int64_t keyL = in.Read<DataRecordField::KeyL>(c.at);
  c.datN = in.Read<DataRecordField::DatN>(c.at);
  const std::int64_t nameAt = c.at + kHeader;
  c.name = in.Slice(nameAt, std::min(keyL, c.regionEnd - nameAt));
  c.nameCut = nameAt + keyL > c.regionEnd;
  std::int64_t q = nameAt + keyL;
  c.whole = !c.nameCut;
  if (c.nameCut) c.cutAt = c.regionEnd;
  for (std::uint32_t i = 0; i < c.datN && c.whole; ++i) {
    if (!in.Spend(1) || q + kEntry > c.regionEnd) {
      c.whole = false;
      c.cutAt = q;
      break;
    }
    RecoveredValue v;
    v.offset = FileOffset(q);
    v.type = in.Read<ValueField::Atr>(q);
    v.nameLength = in.Read<ValueField::NL>(q);
    v.dataLength = in.Read<ValueField::VL>(q);
    const std::int64_t vNameAt = q + kEntry;
    const std::int64_t dataAt = vNameAt + v.nameLength;
    v.name = in.Slice(vNameAt, std::min<std::int64_t>(v.nameLength, c.regionEnd - vNameAt));
    v.data = in.Slice(dataAt, std::min<std::int64_t>(v.dataLength, c.regionEnd - dataAt));
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

void ScanDataBlocks(Scene& scene) {
  scene.freeLists.assign(scene.hive.blocks.size(), {});
  for (std::size_t b = 0; b < scene.hive.blocks.size(); ++b) BlockScanner(scene, b).Run();
}

void TakeOrphansAndLostKeys(Scene& scene) {
  auto take = [&](const salvage::SalvagedRecord& r, Source source, std::int32_t key) {
    Candidate c;
    c.at = r.offset.value;
    c.block = r.block;
    c.source = source;
    c.recNo = r.header.RecNo;
    c.regionEnd = std::min(scene.in.Size(), r.offset.value + std::max<std::int64_t>(r.extent, kHeader));
    c.claimedEnd = r.offset.value + r.header.RecSize;
    c.lostKey = key;
    ReadBody(scene.in, c);
    if (source == Source::LostKey) c.link = Link::Exact;
    scene.candidates.push_back(std::move(c));
  };
  for (const salvage::SalvagedRecord& r : scene.hive.records)
    if (r.key == salvage::kNoIndex && !r.duplicate && r.header.KeyL >= 1)
      take(r, Source::OrphanRecord, salvage::kNoIndex);
  for (std::size_t k = 0; k < scene.hive.keys.size(); ++k) {
    const salvage::SalvagedKey& key = scene.hive.keys[k];
    if (key.lost && key.record != salvage::kNoIndex)
      take(scene.hive.records[static_cast<std::size_t>(key.record)], Source::LostKey, static_cast<std::int32_t>(k));
  }
}

}  // namespace quarvex::recover::detail
