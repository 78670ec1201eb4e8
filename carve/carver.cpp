#include "carve/carver.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <set>

#include "hive/format.h"

namespace quarvex::carve {

namespace {

constexpr std::uint64_t kChunk = 1u << 20;
// A sector's "RGKN" at +32 may cross a piece's end: a whole sector more is read, so that every
// read is whole sectors at a sector start. The Sleuth Kit reads such a read straight into the
// buffer; any other length goes through its 64 KiB cache, a cleared buffer and a copy each
// (a third of the time of a search over a 2 GB image).
constexpr std::uint64_t kLookAhead = kSectorSize;
constexpr int kMostRecordsToNumber = 64;  // records walked to find one in use and its Blk#

bool Is(const std::uint8_t* at, const hive::Signature& signature) {
  return std::memcmp(at, signature.data(), signature.size()) == 0;
}

// "data blocks 3-5, 8 of 9" from the numbers present out of `count`; the work follows the
// numbers present, not the count (a block number may say 65535).
std::string MissingBlocks(const std::set<std::uint32_t>& present, std::uint32_t count, bool countKnown) {
  std::string text;
  std::uint64_t missing = 0;
  const auto gap = [&](std::uint32_t from, std::uint32_t to) {  // [from, to] missing
    if (!text.empty()) text += ", ";
    text += from == to ? std::to_string(from) : std::to_string(from) + "-" + std::to_string(to);
    missing += to - from + 1;
  };
  std::uint32_t next = 0;
  for (const std::uint32_t n : present) {
    if (n >= count) break;
    if (n > next) gap(next, n - 1);
    next = n + 1;
  }
  if (next < count) gap(next, count - 1);
  if (missing == 0) return {};
  return (missing == 1 ? "data block " : "data blocks ") + text +
         (countKnown ? " of " + std::to_string(count) : std::string(" (of at least ") + std::to_string(count) + ")");
}

class Scanner {
 public:
  Scanner(const ByteSource& source, RangeSet scan, const CarveProgress& progress)
      : source_(source), scan_(std::move(scan)), progress_(progress) {}

  CarveResult Run() {
    std::vector<std::uint8_t> buffer(kChunk + kLookAhead);
    const std::uint64_t total = scan_.TotalSize();
    for (const ByteRange& range : scan_.Ranges()) {
      for (std::uint64_t chunk = range.begin; chunk < range.end; chunk += kChunk) {
        const std::uint64_t chunkEnd = std::min(chunk + kChunk, range.end);
        const std::uint64_t readEnd = std::min(chunkEnd + kLookAhead, range.end);
        const std::span<std::uint8_t> bytes(buffer.data(), static_cast<std::size_t>(readEnd - chunk));
        if (!source_.Read(chunk, bytes)) {
          result_.notes.push_back("the bytes from " + OffsetText(chunk) + " to " + OffsetText(readEnd) +
                                  " cannot be read; they were not searched");
          continue;
        }
        result_.bytesScanned += chunkEnd - chunk;
        ScanChunk(chunk, chunkEnd, readEnd, bytes.data());
        if (progress_ && !progress_(result_.bytesScanned, total)) {
          result_.notes.push_back("the search was stopped at " + OffsetText(chunkEnd) + ", after " +
                                  std::to_string(result_.bytesScanned) + " of " + std::to_string(total) + " bytes");
          Assemble();
          return std::move(result_);
        }
      }
    }
    Assemble();
    return std::move(result_);
  }

 private:
  // Signatures in [chunk, chunkEnd), in offset order; `bytes` holds [chunk, readEnd).
  void ScanChunk(std::uint64_t chunk, std::uint64_t chunkEnd, std::uint64_t readEnd, const std::uint8_t* bytes) {
    std::uint64_t sector = (chunk + kSectorSize - 1) / kSectorSize * kSectorSize;
    std::uint64_t p = chunk;
    for (;;) {
      // The next 'R' (of "RGDB"), found with memchr: most bytes of an image are no signature.
      std::uint64_t r = chunkEnd;
      if (p < chunkEnd) {
        const void* hit = std::memchr(bytes + (p - chunk), 'R', static_cast<std::size_t>(chunkEnd - p));
        if (hit) r = chunk + static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - bytes);
      }
      for (; sector < chunkEnd && sector <= r; sector += kSectorSize) {
        // Most sectors are told apart from a header by the bytes at hand, without a read.
        if (sector + 36 <= readEnd) {
          const std::uint8_t* at = bytes + (sector - chunk);
          if (!Is(at, hive::kCregSignature) && !Is(at + 32, hive::kRgknSignature)) continue;
        }
        AtSector(sector);
      }
      if (r >= chunkEnd) return;
      if (r + 4 <= readEnd && Is(bytes + (r - chunk), hive::kRgdbSignature)) AtDataSignature(r);
      p = r + 1;
    }
  }

  void AtSector(std::uint64_t s) {
    if (s < reachedUntil_) return;
    std::array<std::uint8_t, 36> head{};
    if (!scan_.Covers(s, s + head.size()) || !source_.Read(s, head)) {
      if (scan_.Covers(s, s + 4) && source_.Read(s, std::span(head.data(), 4)) && Is(head.data(), hive::kCregSignature))
        FileHeaderAt(s);
      return;
    }
    if (Is(head.data(), hive::kCregSignature)) {
      FileHeaderAt(s);
    } else if (Is(head.data() + 32, hive::kRgknSignature) && s + 32 >= looseUntil_) {
      KeyNodesAt(s + 32);
    }
  }

  void FileHeaderAt(std::uint64_t s) {
    // A file header inside a loose block's claimed size: the block ends where the file begins.
    if (s < looseUntil_ && !loose_.empty() && loose_.back().offset < s) {
      loose_.back().size = s - loose_.back().offset;
      loose_.back().cut = true;
      looseUntil_ = s;
    }
    if (hives_.size() + broken_.size() + keyNodes_.size() >= kMostHeaders) {
      NoteHeaderCap(s);
      return;
    }
    HiveChain chain = FollowChain(source_, scan_, s);
    reachedUntil_ = std::max(reachedUntil_, chain.End());
    if (chain.whole)
      hives_.push_back(std::move(chain));
    else
      broken_.push_back(std::move(chain));
  }

  void NoteHeaderCap(std::uint64_t at) {
    if (!headerCapNoted_)
      result_.notes.push_back("more than " + std::to_string(kMostHeaders) +
                              " file headers and key-node blocks; those from " + OffsetText(at) +
                              " on are not followed");
    headerCapNoted_ = true;
  }

  void KeyNodesAt(std::uint64_t at) {
    std::array<std::uint8_t, 8> head{};
    if (!source_.Read(at, head)) return;
    const std::int64_t size = hive::FieldAt<hive::RgknHeaderField::iBlkSize>(head, 0).value_or(0);
    if (size < 32 || !scan_.Covers(at, at + static_cast<std::uint64_t>(size))) return;
    if (hives_.size() + broken_.size() + keyNodes_.size() >= kMostHeaders) {
      NoteHeaderCap(at);
      return;
    }
    keyNodes_.push_back({at, static_cast<std::uint64_t>(size)});
    reachedUntil_ = std::max(reachedUntil_, at + static_cast<std::uint64_t>(size));
  }

  void AtDataSignature(std::uint64_t at) {
    if (at < reachedUntil_ || at < looseUntil_) return;
    std::array<std::uint8_t, hive::RgdbHeader::kSize + hive::DataRecordHeader::kSize> head{};
    if (!scan_.Covers(at, at + head.size()) || !source_.Read(at, head)) return;
    const std::int64_t claimed = hive::FieldAt<hive::RgdbHeaderField::iBlkSize>(head, 0).value_or(0);
    if (claimed < static_cast<std::int64_t>(hive::RgdbHeader::kSize) ||
        static_cast<std::uint64_t>(claimed) > kLargestLooseBlock)
      return;
    // The first record's header must be one: a link of at least a free record's 12 bytes that
    // stays inside the block.
    const std::int64_t firstLink =
        hive::FieldAt<hive::DataRecordField::NextOfs>(head, hive::RgdbHeader::kSize).value_or(0);
    if (claimed > 32 && (firstLink < 12 || firstLink > claimed - 32)) return;
    LooseBlock block;
    block.offset = at;
    block.size = static_cast<std::uint64_t>(claimed);
    // What survives of it: up to the end of the bytes searched (a later cluster given to a file).
    const std::uint64_t rangeEnd = scan_.EndOfRangeAt(at);
    if (at + block.size > rangeEnd) {
      block.size = rangeEnd - at;
      block.cut = true;
    }
    block.number = BlockNumber(at, block.size);
    if (loose_.size() >= kMostLooseBlocks) {
      if (!capNoted_)
        result_.notes.push_back("more than " + std::to_string(kMostLooseBlocks) + " loose data blocks; those from " +
                                OffsetText(at) + " on are not listed");
      capNoted_ = true;
      return;
    }
    loose_.push_back(block);
    looseUntil_ = at + block.size;
  }

  // The Blk# of the first record in use of the block (every record names its block).
  std::optional<std::uint16_t> BlockNumber(std::uint64_t at, std::uint64_t size) const {
    std::uint64_t p = at + hive::RgdbHeader::kSize;
    for (int step = 0; step < kMostRecordsToNumber && p + hive::DataRecordHeader::kSize <= at + size; ++step) {
      std::array<std::uint8_t, hive::DataRecordHeader::kSize> record{};
      if (!source_.Read(p, record)) return std::nullopt;
      const hive::DataRecordHeader h = hive::DataRecordHeader::Decode(record);
      if (h.RecNo != hive::kNoNumber && h.BlkNo != hive::kNoNumber) return h.BlkNo;
      if (h.NextOfs < 12) return std::nullopt;
      p += static_cast<std::uint64_t>(h.NextOfs);
    }
    return std::nullopt;
  }

  struct Anchor {
    std::size_t fragment;
    std::uint64_t offset;
  };

  void Assemble() {
    result_.hives = std::move(hives_);
    // Groups of loose blocks: each following the one before it directly.
    std::vector<std::vector<LooseBlock>> groups;
    for (const LooseBlock& block : loose_) {
      if (groups.empty() || groups.back().back().cut ||
          groups.back().back().offset + groups.back().back().size != block.offset)
        groups.emplace_back();
      groups.back().push_back(block);
    }
    // Anchors: the fragments that keep a file header or a key-node block, in offset order.
    std::vector<Fragment>& out = result_.fragments;
    std::vector<Anchor> anchors;
    for (HiveChain& chain : broken_) {
      Fragment f;
      f.offset = chain.start;
      f.chain = std::move(chain);
      out.push_back(std::move(f));
    }
    for (const ByteRange& keyNodes : keyNodes_) {
      Fragment f;
      f.offset = keyNodes.begin;
      f.keyNodesWithoutHeader = keyNodes.begin;
      out.push_back(std::move(f));
    }
    std::sort(out.begin(), out.end(), [](const Fragment& a, const Fragment& b) { return a.offset < b.offset; });
    std::vector<std::set<std::uint32_t>> present;  // per fragment, its block numbers, kept up to date
    for (std::size_t i = 0; i < out.size(); ++i) {
      anchors.push_back({i, out[i].offset});
      present.push_back(Present(out[i]));
    }
    std::vector<Fragment> looseOnly;
    for (std::vector<LooseBlock>& group : groups) {
      const std::optional<std::size_t> anchor = AnchorFor(group, anchors, out, present);
      if (anchor) {
        for (LooseBlock& block : group) {
          out[*anchor].blocks.push_back(block);
          if (block.number) present[*anchor].insert(*block.number);
        }
        continue;
      }
      Fragment f;
      f.offset = group.front().offset;
      f.blocks = std::move(group);
      looseOnly.push_back(std::move(f));
    }
    // A file header with nothing else of its file: a note, not a fragment (no key survives).
    std::vector<Fragment> kept;
    std::size_t lone = 0;
    for (Fragment& f : out) {
      if (f.chain && !f.chain->HasKeyNodes() && f.blocks.empty()) {
        if (++lone <= kMostLoneHeaderNotes)
          result_.notes.push_back("file header (\"CREG\") at " + OffsetText(f.offset) + ": " + f.chain->broken +
                                  "; nothing else of its file was found");
        continue;
      }
      kept.push_back(std::move(f));
    }
    if (lone > kMostLoneHeaderNotes)
      result_.notes.push_back(std::to_string(lone - kMostLoneHeaderNotes) +
                              " more file headers with nothing else of their files found");
    for (Fragment& f : looseOnly) kept.push_back(std::move(f));
    std::sort(kept.begin(), kept.end(), [](const Fragment& a, const Fragment& b) { return a.offset < b.offset; });
    for (Fragment& f : kept) f.missing = Missing(f);
    out = std::move(kept);
  }

  // The fragment a group of loose blocks belongs to: the nearest one before it that keeps a
  // header or key nodes, with no whole hive between, whose file lacks every block number the
  // group carries (a group with no numbered record joins only when it follows directly).
  std::optional<std::size_t> AnchorFor(const std::vector<LooseBlock>& group, const std::vector<Anchor>& anchors,
                                       const std::vector<Fragment>& fragments,
                                       const std::vector<std::set<std::uint32_t>>& present) const {
    const std::uint64_t at = group.front().offset;
    // Both lists are in offset order: binary searches keep this linear in the groups.
    const auto after = std::lower_bound(anchors.begin(), anchors.end(), at,
                                        [](const Anchor& a, std::uint64_t offset) { return a.offset < offset; });
    if (after == anchors.begin()) return std::nullopt;
    const Anchor* nearest = &*std::prev(after);
    const auto hive = std::upper_bound(result_.hives.begin(), result_.hives.end(), nearest->offset,
                                       [](std::uint64_t offset, const HiveChain& h) { return offset < h.start; });
    if (hive != result_.hives.end() && hive->start < at) return std::nullopt;
    const Fragment& f = fragments[nearest->fragment];
    const std::set<std::uint32_t>& has = present[nearest->fragment];
    std::set<std::uint32_t> inGroup;
    bool numbered = false;
    for (const LooseBlock& block : group) {
      if (!block.number) continue;
      numbered = true;
      if (has.count(*block.number) || !inGroup.insert(*block.number).second) return std::nullopt;
      if (f.chain && *block.number >= f.chain->header.wDBblks) return std::nullopt;
    }
    if (numbered) return nearest->fragment;
    const std::uint64_t end = f.blocks.empty() ? (f.chain ? f.chain->End() : *f.keyNodesWithoutHeader)
                                               : f.blocks.back().offset + f.blocks.back().size;
    return end == at ? std::optional<std::size_t>(nearest->fragment) : std::nullopt;
  }

  static std::set<std::uint32_t> Present(const Fragment& f) {
    std::set<std::uint32_t> present;
    if (f.chain)
      for (const ChainBlock& b : f.chain->blocks)
        if (b.kind == BlockKind::Data) present.insert(b.number);
    for (const LooseBlock& b : f.blocks)
      if (b.number) present.insert(*b.number);
    return present;
  }

  std::vector<std::string> Missing(const Fragment& f) const {
    std::vector<std::string> missing;
    const std::set<std::uint32_t> present = Present(f);
    if (f.chain) {
      if (!f.chain->HasKeyNodes()) missing.push_back("the key-node block (key paths)");
      const std::string blocks = MissingBlocks(present, f.chain->header.wDBblks, true);
      if (!blocks.empty()) missing.push_back(blocks);
    } else {
      missing.push_back(f.keyNodesWithoutHeader ? "the file header"
                                                : "the file header and the key-node block (key paths)");
      const std::uint32_t count = present.empty() ? 0 : *present.rbegin() + 1;
      const std::string blocks = MissingBlocks(present, count, false);
      if (!blocks.empty()) missing.push_back(blocks);
    }
    for (const LooseBlock& b : f.blocks)
      if (b.cut)
        missing.push_back("the end of the data block at " + OffsetText(b.offset) + " (from " +
                          OffsetText(b.offset + b.size) + ")");
    return missing;
  }

  const ByteSource& source_;
  RangeSet scan_;
  const CarveProgress& progress_;
  CarveResult result_;
  std::vector<HiveChain> hives_;
  std::vector<HiveChain> broken_;
  std::vector<ByteRange> keyNodes_;
  std::vector<LooseBlock> loose_;
  std::uint64_t reachedUntil_ = 0;  // bytes of found files: never looked at again
  std::uint64_t looseUntil_ = 0;    // bytes of the last loose block: no block starts inside it
  bool capNoted_ = false;
  bool headerCapNoted_ = false;
};

}  // namespace

CarveResult Carve(const ByteSource& source, const RangeSet& scan, const CarveProgress& progress) {
  return Scanner(source, RangeSet::Without(scan, RangeSet({{source.Size(), UINT64_MAX}})), progress).Run();
}

}  // namespace quarvex::carve
