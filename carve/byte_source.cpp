#include "carve/byte_source.h"

#include <algorithm>
#include <cstring>

namespace quarvex::carve {

bool MemorySource::Read(std::uint64_t at, std::span<std::uint8_t> into) const {
  if (at > bytes_.size() || into.size() > bytes_.size() - at) return false;
  if (!into.empty()) std::memcpy(into.data(), bytes_.data() + at, into.size());
  return true;
}

RangeSet::RangeSet(std::vector<ByteRange> ranges) {
  std::erase_if(ranges, [](const ByteRange& r) { return r.end <= r.begin; });
  std::sort(ranges.begin(), ranges.end(), [](const ByteRange& a, const ByteRange& b) { return a.begin < b.begin; });
  for (const ByteRange& r : ranges) {
    if (!ranges_.empty() && r.begin <= ranges_.back().end)
      ranges_.back().end = std::max(ranges_.back().end, r.end);
    else
      ranges_.push_back(r);
  }
}

RangeSet RangeSet::Without(const RangeSet& a, const RangeSet& b) {
  std::vector<ByteRange> out;
  std::size_t j = 0;
  for (ByteRange r : a.ranges_) {
    while (j < b.ranges_.size() && b.ranges_[j].end <= r.begin) ++j;
    std::size_t k = j;
    while (r.begin < r.end && k < b.ranges_.size() && b.ranges_[k].begin < r.end) {
      if (b.ranges_[k].begin > r.begin) out.push_back({r.begin, b.ranges_[k].begin});
      r.begin = std::max(r.begin, b.ranges_[k].end);
      ++k;
    }
    if (r.begin < r.end) out.push_back(r);
  }
  return RangeSet(std::move(out));
}

namespace {

// The range holding `at`, or end() when none does.
std::vector<ByteRange>::const_iterator RangeAt(const std::vector<ByteRange>& ranges, std::uint64_t at) {
  auto it = std::upper_bound(ranges.begin(), ranges.end(), at,
                             [](std::uint64_t value, const ByteRange& r) { return value < r.begin; });
  if (it == ranges.begin()) return ranges.end();
  --it;
  return at < it->end ? it : ranges.end();
}

}  // namespace

bool RangeSet::Covers(std::uint64_t begin, std::uint64_t end) const {
  if (end <= begin) return true;
  const auto it = RangeAt(ranges_, begin);
  return it != ranges_.end() && end <= it->end;
}

std::uint64_t RangeSet::EndOfRangeAt(std::uint64_t at) const {
  const auto it = RangeAt(ranges_, at);
  return it == ranges_.end() ? at : it->end;
}

std::uint64_t RangeSet::TotalSize() const {
  std::uint64_t total = 0;
  for (const ByteRange& r : ranges_) total += r.Size();
  return total;
}

}  // namespace quarvex::carve
