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
  s.counts = salvage::CountHive(hive);
  s.fileBytes = hive.image.size();
  TopN mostValues(s.mostValues, top), mostBytes(s.mostBytes, top), keyNames(s.longestKeyNames, top),
      valueNames(s.longestValueNames, top), largest(s.largestValues, top);
  view.Walk(kTop, 0, [&](std::int32_t key, int depth) {
    if (depth > s.depth) {
      s.depth = depth;
      s.deepestKey = key;
    }
    const auto values = view.Values(key);
    std::uint64_t bytes = 0;
    for (const salvage::SalvagedValue& v : values) {
      TypeCount& t = s.byType[v.type];
      ++t.values;
      t.dataBytes += v.data.size();
      bytes += v.name.size() + v.data.size();
      valueNames.Offer({key, v.name.size(), &v});
      largest.Offer({key, v.data.size(), &v});
    }
    mostValues.Offer({key, values.size(), nullptr});
    mostBytes.Offer({key, bytes, nullptr});
    const salvage::SalvagedKey& k = hive.keys[static_cast<std::size_t>(key)];
    if (k.record != salvage::kNoIndex) keyNames.Offer({key, k.name.size(), nullptr});
    return true;
  });

  const salvage::HiveCounts& c = s.counts;
  s.keys = static_cast<std::size_t>(c.keys);
  s.lostKeys = static_cast<std::size_t>(c.lostKeys);
  s.unreadableKeys = static_cast<std::size_t>(c.unreadableKeys);
  s.values = static_cast<std::size_t>(c.values);
  s.keyNodeBlockBytes = static_cast<std::uint64_t>(c.keyNodeBlock.Total());
  s.keyNodeBytesInUse = static_cast<std::uint64_t>(c.keyNodeBlock.inUse);
  for (const salvage::SpaceCounts& block : c.dataBlocks) {
    s.dataBlockBytes += static_cast<std::uint64_t>(block.Total());
    s.dataBytesInUse += static_cast<std::uint64_t>(block.inUse);
  }
  s.damage = static_cast<std::size_t>(c.damage);
  s.warnings = static_cast<std::size_t>(c.warnings);
  s.notes = static_cast<std::size_t>(c.notes);
  return s;
}

}  // namespace quarvex::browse
