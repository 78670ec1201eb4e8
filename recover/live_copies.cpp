#include "recover/live_copies.h"

#include <algorithm>
#include <unordered_set>

namespace quarvex::recover::detail {

using namespace quarvex::hive;

std::string FoldCase(std::string_view bytes) {
  std::string s(bytes);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

namespace {

std::string View(Bytes b) { return std::string(reinterpret_cast<const char*>(b.data()), b.size()); }

// The live value of this name, nullptr when none.
const salvage::SalvagedValue* ValueNamed(const std::vector<const salvage::SalvagedValue*>& live,
                                         const std::string& folded) {
  for (const salvage::SalvagedValue* v : live)
    if (FoldCase(View(v->name)) == folded) return v;
  return nullptr;
}

bool SameValue(const RecoveredValue& old, const salvage::SalvagedValue& now) {
  return old.type == now.type && View(old.data) == View(now.data) && !old.partial && !now.cut;
}

}  // namespace

LiveKeyIndex::LiveKeyIndex(const Scene& scene) : scene_(scene) {
  std::unordered_set<std::string> wanted;
  std::vector<bool> lengths(65536, false);
  for (const Candidate& c : scene.candidates) {
    if (c.nameCut) continue;
    const std::string name = NameText(c.name);
    lengths[name.size()] = true;
    wanted.insert(FoldCase(name));
  }
  for (std::size_t k = 0; k < scene.hive.keys.size(); ++k) {
    const salvage::SalvagedKey& key = scene.hive.keys[k];
    if (key.record == salvage::kNoIndex || key.name.size() >= lengths.size() || !lengths[key.name.size()] ||
        salvage::IsUnnamedRoot(key))
      continue;
    std::string folded = FoldCase(View(key.name));
    if (wanted.count(folded) > 0) byName_[std::move(folded)].push_back(static_cast<std::int32_t>(k));
  }
}

std::vector<std::int32_t> LiveKeyIndex::NamesakesUnderNamesakes(std::int32_t parent, Bytes name) const {
  std::vector<std::int32_t> out;
  if (parent == salvage::kNoIndex) return out;
  const auto it = byName_.find(FoldCase(NameText(name)));
  if (it == byName_.end()) return out;
  const std::string parentName = FoldCase(View(scene_.hive.keys[static_cast<std::size_t>(parent)].name));
  for (const std::int32_t k : it->second) {
    const std::int32_t p = scene_.hive.keys[static_cast<std::size_t>(k)].parent;
    if (p == salvage::kNoIndex || p == parent) continue;
    if (FoldCase(View(scene_.hive.keys[static_cast<std::size_t>(p)].name)) == parentName) out.push_back(k);
  }
  return out;
}

std::int32_t LiveKeyIndex::KeyUnder(std::int32_t parent, Bytes name) const {
  const auto it = byName_.find(FoldCase(NameText(name)));
  if (it == byName_.end()) return salvage::kNoIndex;
  for (const std::int32_t k : it->second) {
    const std::int32_t p = scene_.hive.keys[static_cast<std::size_t>(k)].parent;
    const bool top = p == salvage::kNoIndex || salvage::IsUnnamedRoot(scene_.hive.keys[static_cast<std::size_t>(p)]);
    if (parent == salvage::kNoIndex ? top : p == parent) return k;
  }
  return salvage::kNoIndex;
}

LiveCounterpart LiveKeyIndex::Compare(std::int32_t key, const std::vector<RecoveredValue>& values) const {
  LiveCounterpart out;
  out.key = key;
  out.path = scene_.hive.KeyPathBytes(static_cast<std::size_t>(key));
  const std::vector<const salvage::SalvagedValue*> live = scene_.LiveValues(key);
  for (const RecoveredValue& v : values) {
    const std::string name = FoldCase(View(v.name));
    const salvage::SalvagedValue* now = ValueNamed(live, name);
    if (now == nullptr)
      out.changed.push_back({ValueChange::Removed, View(v.name)});
    else if (!SameValue(v, *now))
      out.changed.push_back({ValueChange::Changed, View(v.name)});
  }
  for (const salvage::SalvagedValue* now : live) {
    const std::string name = FoldCase(View(now->name));
    const bool before = std::any_of(values.begin(), values.end(),
                                    [&](const RecoveredValue& v) { return FoldCase(View(v.name)) == name; });
    if (!before) out.changed.push_back({ValueChange::Added, View(now->name)});
  }
  out.identical = out.changed.empty();
  return out;
}

void LiveKeyIndex::FindCopies(std::vector<Candidate>& candidates, ImageReader& in) const {
  for (Candidate& c : candidates) {
    if (c.link != Link::None || c.lostKey != salvage::kNoIndex || c.nameCut || c.values.empty()) continue;
    if (!in.Spend(c.name.size() + 1)) return;
    const auto it = byName_.find(FoldCase(NameText(c.name)));
    if (it == byName_.end()) continue;
    std::vector<std::int32_t> identical;
    for (const std::int32_t key : it->second) {
      if (!in.Spend(1)) return;
      if (Compare(key, c.values).identical) identical.push_back(key);
    }
    if (!identical.empty()) {
      c.copyOf = identical.front();
      c.copyIdentical = true;
      c.copyMatches = identical.size();
      continue;
    }
    // An older set of values: only when one live key has the name and shares a value name.
    if (it->second.size() != 1 || !c.whole) continue;
    const std::vector<const salvage::SalvagedValue*> live = scene_.LiveValues(it->second.front());
    const bool shares = std::any_of(c.values.begin(), c.values.end(), [&](const RecoveredValue& v) {
      return ValueNamed(live, FoldCase(View(v.name))) != nullptr;
    });
    if (!shares) continue;
    c.copyOf = it->second.front();
    c.copyIdentical = false;
    c.copyMatches = 1;
  }
}

}  // namespace quarvex::recover::detail
