#include "browse/stats.h"

#include <algorithm>

namespace quarvex::browse {

namespace {

// Keeps the `top` largest entries, the earlier (in file order) first among equals.
class TopN {
 public:
  TopN(std::vector<RankedKey>& into, std::size_t top) : into_(into), top_(top) {}
  void Offer(const RankedKey& r) {
    if (top_ == 0 || r.amount == 0) return;
    if (into_.size() == top_ && into_.back().amount >= r.amount) return;
    const auto at = std::upper_bound(into_.begin(), into_.end(), r,
                                     [](const RankedKey& x, const RankedKey& y) { return x.amount > y.amount; });
    into_.insert(at, r);
    if (into_.size() > top_) into_.pop_back();
  }

 private:
  std::vector<RankedKey>& into_;
  std::size_t top_;
};

}  // namespace

HiveStats ComputeStats(const HiveView& view, std::size_t top) {
  const salvage::SalvagedHive& hive = view.Hive();
  HiveStats s;
  s.fileBytes = hive.image.size();
  TopN mostValues(s.mostValues, top), mostBytes(s.mostBytes, top), keyNames(s.longestKeyNames, top),
      valueNames(s.longestValueNames, top), largest(s.largestValues, top);
  view.Walk(kTop, 0, [&](std::int32_t key, int depth) {
    ++s.keys;
    const KeyState state = view.State(key);
    s.lostKeys += state.lost ? 1 : 0;
    s.unreadableKeys += state.unreadable ? 1 : 0;
    if (depth > s.depth) {
      s.depth = depth;
      s.deepestKey = key;
    }
    const auto values = view.Values(key);
    std::uint64_t bytes = 0;
    for (const salvage::SalvagedValue& v : values) {
      ++s.values;
      TypeCount& t = s.byType[v.type];
      ++t.values;
      t.dataBytes += v.data.size();
      bytes += v.name.size() + v.data.size();
      valueNames.Offer({key, v.name.size(), &v});
      largest.Offer({key, v.data.size(), &v});
    }
    mostValues.Offer({key, values.size(), nullptr});
    mostBytes.Offer({key, bytes, nullptr});
    if (!state.unreadable) keyNames.Offer({key, hive.keys[static_cast<std::size_t>(key)].name.size(), nullptr});
    return true;
  });

  const auto fileEnd = static_cast<std::int64_t>(hive.image.size());
  if (hive.isHive) {
    const std::int64_t rgknEnd = std::clamp<std::int64_t>(std::int64_t{32} + hive.rgkn.iBlkSize, 32, fileEnd);
    s.keyNodeBlockBytes = static_cast<std::uint64_t>(rgknEnd - 32);
    s.keyNodeBytesInUse = 32 + std::uint64_t{28} * hive.keys.size();
  }
  for (const salvage::SalvagedBlock& b : hive.blocks) {
    const std::int64_t end = std::min(b.end, fileEnd);
    if (end > b.offset.value) s.dataBlockBytes += static_cast<std::uint64_t>(end - b.offset.value);
    s.dataBytesInUse += 32;
  }
  for (const salvage::SalvagedRecord& r : hive.records)
    s.dataBytesInUse += static_cast<std::uint64_t>(std::clamp<std::int64_t>(r.header.RecSize, 0, std::max<std::int64_t>(r.extent, 0)));
  for (const hive::Finding& f : hive.findings) {
    s.damage += f.severity == hive::Severity::Damage ? 1 : 0;
    s.warnings += f.severity == hive::Severity::Warning ? 1 : 0;
    s.notes += f.severity == hive::Severity::Note ? 1 : 0;
  }
  return s;
}

}  // namespace quarvex::browse
