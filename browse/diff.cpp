#include "browse/diff.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace quarvex::browse {

namespace {

std::string_view AsText(hive::Bytes bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

bool SameValue(const salvage::SalvagedValue& x, const salvage::SalvagedValue& y) {
  return x.type == y.type && std::equal(x.data.begin(), x.data.end(), y.data.begin(), y.data.end());
}

// Pairs items of two lists by folded name, n-th of a name with n-th of that name.
template <typename T, typename NameOf>
void Pair(const std::vector<T>& a, const std::vector<T>& b, NameOf nameOf, std::vector<std::int64_t>& matchOfA,
          std::vector<bool>& bTaken) {
  std::unordered_map<std::string, std::vector<std::size_t>> byName;
  for (std::size_t j = b.size(); j-- > 0;)
    byName[nameOf(b[j], false)].push_back(j);  // reversed: pop_back gives the first
  matchOfA.assign(a.size(), -1);
  bTaken.assign(b.size(), false);
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto it = byName.find(nameOf(a[i], true));
    if (it == byName.end() || it->second.empty()) continue;
    matchOfA[i] = static_cast<std::int64_t>(it->second.back());
    bTaken[it->second.back()] = true;
    it->second.pop_back();
  }
}

}  // namespace

std::vector<Difference> Diff(const HiveView& a, const HiveView& b, const DiffOptions& options) {
  std::vector<Difference> out;
  enum class Task { Pair, Removed, Added };
  struct Item {
    Task task;
    std::int32_t keyA;
    std::int32_t keyB;
  };
  std::vector<Item> stack{{Task::Pair, kTop, kTop}};
  const text::LeadByteSet& lead = a.LeadBytes();

  auto onlyOneSide = [&](const HiveView& view, std::int32_t key, bool added) {
    if (options.keys)
      out.push_back(
          {added ? Change::KeyAdded : Change::KeyRemoved, added ? kTop : key, added ? key : kTop, nullptr, nullptr});
    if (options.values)
      for (const salvage::SalvagedValue& v : view.Values(key))
        out.push_back({added ? Change::ValueAdded : Change::ValueRemoved, added ? kTop : key, added ? key : kTop,
                       added ? nullptr : &v, added ? &v : nullptr});
    const auto children = view.Children(key);
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      stack.push_back({added ? Task::Added : Task::Removed, added ? kTop : *it, added ? *it : kTop});
  };

  while (!stack.empty()) {
    const Item item = stack.back();
    stack.pop_back();
    if (item.task == Task::Removed) {
      onlyOneSide(a, item.keyA, false);
      continue;
    }
    if (item.task == Task::Added) {
      onlyOneSide(b, item.keyB, true);
      continue;
    }
    if (options.values) {
      const auto va = a.Values(item.keyA);
      const auto vb = b.Values(item.keyB);
      std::vector<const salvage::SalvagedValue*> pa, pb;
      for (const auto& v : va) pa.push_back(&v);
      for (const auto& v : vb) pb.push_back(&v);
      std::vector<std::int64_t> match;
      std::vector<bool> taken;
      Pair(
          pa, pb, [&](const salvage::SalvagedValue* v, bool) { return FoldName(AsText(v->name), lead); }, match, taken);
      for (std::size_t i = 0; i < pa.size(); ++i) {
        if (match[i] < 0)
          out.push_back({Change::ValueRemoved, item.keyA, item.keyB, pa[i], nullptr});
        else if (!SameValue(*pa[i], *pb[static_cast<std::size_t>(match[i])]))
          out.push_back({Change::ValueChanged, item.keyA, item.keyB, pa[i], pb[static_cast<std::size_t>(match[i])]});
      }
      for (std::size_t j = 0; j < pb.size(); ++j)
        if (!taken[j]) out.push_back({Change::ValueAdded, item.keyA, item.keyB, nullptr, pb[j]});
    }
    const auto ca = a.Children(item.keyA);
    const auto cb = b.Children(item.keyB);
    const std::vector<std::int32_t> ka(ca.begin(), ca.end()), kb(cb.begin(), cb.end());
    std::vector<std::int64_t> match;
    std::vector<bool> taken;
    Pair(
        ka, kb, [&](std::int32_t k, bool inA) { return FoldName((inA ? a : b).NameBytes(k), lead); }, match, taken);
    // Pushed in reverse so that A's order comes out first, then B's new keys.
    for (std::size_t j = kb.size(); j-- > 0;)
      if (!taken[j]) stack.push_back({Task::Added, kTop, kb[j]});
    for (std::size_t i = ka.size(); i-- > 0;)
      stack.push_back(match[i] < 0 ? Item{Task::Removed, ka[i], kTop}
                                   : Item{Task::Pair, ka[i], kb[static_cast<std::size_t>(match[i])]});
  }
  return out;
}

}  // namespace quarvex::browse
