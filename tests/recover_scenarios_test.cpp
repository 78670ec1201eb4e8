// Recovery measured on generated deletions. A hive of real size (about 5,000 keys in 24 data
// blocks, records in shuffled order, larger values), with what every real block already holds
// before the deletions: older copies of live keys (identical, or with an older set of values)
// and older freed records of keys long gone. Then keys are deleted as Windows 9x deletes them
// (testkit DeleteKey): one, five or twenty; several in one block; whole subtrees; records next
// to each other, so that freed records merge into the free area in front of or behind them;
// and some freed nodes and records used again by keys added after the deletions.
//
// Asserted in every scenario: no key at high confidence has a wrong path or wrong values.
// Measured and printed (a figure, not asserted): the share of deleted keys placed at high
// with their right path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <map>
#include <random>
#include <set>

#include "recover/recover.h"
#include "salvage/salvage.h"
#include "tests/support/test_namespaces.h"
#include "tests/support/test_support.h"

namespace quarvex::testing {
namespace {

using recover::Confidence;
using recover::RecoveredKey;

std::string Str(Bytes b) { return std::string(b.begin(), b.end()); }

struct KeyPlan {
  int parent = HiveBuilder::kRootParent;
  std::string name;
  std::vector<Value> values;
  std::vector<int> children;
  std::uint16_t block = 0;
};

// The generated hive, what it holds and what was done to it.
class World {
 public:
  static constexpr std::uint16_t kBlocks = 24;

  explicit World(unsigned seed) : random_(seed) {
    root_ = Add(HiveBuilder::kRootParent, "", {});
    builder_.SetNoRecord(root_);
    for (int g = 0; g < 10; ++g) {
      const int group = Add(root_, "Group" + std::to_string(g), {Text("Kind", "group")});
      for (int v = 0; v < 25; ++v) {
        const int vendor = Add(group, "Vendor" + std::to_string(g) + "-" + std::to_string(v),
                               {Dword("Order", static_cast<std::uint32_t>(v))});
        for (int i = 0; i < 19; ++i)
          Add(vendor, "Item" + std::to_string(g) + "-" + std::to_string(v) + "-" + std::to_string(i), LeafValues());
      }
    }
    // Keys fill the blocks in order, as a hive written from the start does.
    for (std::size_t k = 1; k < plans_.size(); ++k) {
      plans_[k].block = static_cast<std::uint16_t>((k - 1) * kBlocks / (plans_.size() - 1));
      builder_.PlaceInBlock(static_cast<int>(k), plans_[k].block);
    }
    // Older bytes in every block: two free records, sized for what is written into them below.
    for (std::uint16_t b = 0; b < kBlocks; ++b) {
      const int live = LiveLeafIn(b);
      older_.push_back({live, OlderValues(plans_[static_cast<std::size_t>(live)].values, b)});
      builder_.AddFreeRecord(b, RecordSize(plans_[static_cast<std::size_t>(live)].name, older_.back().values));
      gone_.push_back({"Gone" + std::to_string(b), {Text("Was", "long ago " + std::to_string(b))}});
      builder_.AddFreeRecord(b, RecordSize(gone_.back().name, gone_.back().values));
    }
    builder_.ShuffleRecords(seed);
    built_ = builder_.Build();
    // Write the older records into those free records and free them again (no key node was
    // theirs: a record rewritten elsewhere, a key whose node was used again long ago).
    for (std::uint16_t b = 0; b < kBlocks; ++b) {
      std::uint16_t recNo = 240;
      for (int pass = 0; pass < 2; ++pass) {
        const auto areas = FreeAreas(built_, b);
        const std::int32_t want =
            pass == 0 ? RecordSize(plans_[static_cast<std::size_t>(older_[b].key)].name, older_[b].values)
                      : RecordSize(gone_[b].name, gone_[b].values);
        const auto area = std::find_if(areas.begin(), areas.end(), [&](const auto& a) {
          return a.second == want && std::find(written_.begin(), written_.end(), a.first) == written_.end();
        });
        if (area == areas.end()) continue;
        if (pass == 0)
          ReuseSpace(built_, area->first, plans_[static_cast<std::size_t>(older_[b].key)].name, older_[b].values,
                     recNo++);
        else
          ReuseSpace(built_, area->first, gone_[b].name, gone_[b].values, recNo++);
        written_.push_back(area->first);
      }
      for (const std::int64_t at : written_)
        if (BlockIndexOf(at) == b) FreeRecord(built_, at);
    }
  }

  BuiltHive& Hive() { return built_; }
  std::mt19937& Random() { return random_; }
  const KeyPlan& PlanOf(int k) const { return plans_[static_cast<std::size_t>(k)]; }
  std::size_t KeyCount() const { return plans_.size(); }

  std::string Path(int k) const {
    std::string path;
    for (int cur = k; cur != root_ && cur != HiveBuilder::kRootParent;
         cur = plans_[static_cast<std::size_t>(cur)].parent)
      path = plans_[static_cast<std::size_t>(cur)].name + (path.empty() ? "" : "\\" + path);
    return path;
  }
  bool IsLeaf(int k) const { return plans_[static_cast<std::size_t>(k)].children.empty(); }
  bool IsVendor(int k) const { return k != root_ && plans_[static_cast<std::size_t>(k)].name.rfind("Vendor", 0) == 0; }

  // Deletes key k and its subtree; what was deleted is remembered for the checks.
  void Delete(int k) {
    if (deleted_.count(k) > 0) return;
    std::vector<int> stack{k};
    while (!stack.empty()) {
      const int cur = stack.back();
      stack.pop_back();
      deleted_.insert(cur);
      for (const int child : plans_[static_cast<std::size_t>(cur)].children) stack.push_back(child);
    }
    DeleteKey(built_, k);
  }
  const std::set<int>& Deleted() const { return deleted_; }

  // A key added after the deletions, under a live vendor: the head of the key-node free list
  // and the start of a free area big enough in the block that node's record was in, numbered
  // above every record of the block.
  bool AddNewKey(int n) {
    if (built_.freeKeyNodes.empty()) return false;
    const std::string name = "New" + std::to_string(n);
    const std::vector<Value> values{Text("Added", "later " + std::to_string(n))};
    const std::int32_t size = RecordSize(name, values);
    const std::int32_t headRel = built_.freeKeyNodes.front();
    const std::uint16_t headBlock = static_cast<std::uint16_t>(built_.GetU32(32 + headRel + 24) >> 16);
    {
      const std::uint16_t b = headBlock;
      for (const auto& [at, areaSize] : FreeAreas(built_, b)) {
        if (areaSize != size && areaSize < size + 12) continue;
        int parent = -1;
        for (int tries = 0; tries < 100 && parent < 0; ++tries) {
          const int k = static_cast<int>(random_() % plans_.size());
          if (IsVendor(k) && deleted_.count(k) == 0) parent = k;
        }
        if (parent < 0) return false;
        const int id = AddKeyInFreeSpace(built_, parent, name, values, at, static_cast<std::uint16_t>(230 + n));
        added_.push_back(id);
        return true;
      }
    }
    return false;
  }

 private:
  int Add(int parent, std::string name, std::vector<Value> values) {
    const int id = builder_.AddKey(parent, name, values);
    KeyPlan s;
    s.parent = parent;
    s.name = std::move(name);
    s.values = std::move(values);
    plans_.push_back(std::move(s));
    if (parent >= 0) plans_[static_cast<std::size_t>(parent)].children.push_back(id);
    return id;
  }
  std::vector<Value> LeafValues() {
    std::vector<Value> values;
    const int count = 1 + static_cast<int>(random_() % 4);
    for (int i = 0; i < count; ++i) {
      const std::string n = "V" + std::to_string(i);
      switch (random_() % 4) {
        case 0:
          values.push_back(Text(n, "text " + std::to_string(random_() % 100000)));
          break;
        case 1:
          values.push_back(Dword(n, static_cast<std::uint32_t>(random_())));
          break;
        case 2:
          values.push_back(Binary(n, std::string(40 + random_() % 260, static_cast<char>('a' + random_() % 26))));
          break;
        default:
          values.push_back(Text(n, "C:\\WINDOWS\\SYSTEM\\" + std::to_string(random_() % 1000) + ".DLL"));
          break;
      }
    }
    return values;
  }
  int LiveLeafIn(std::uint16_t b) const {
    for (std::size_t k = 1; k < plans_.size(); ++k)
      if (plans_[k].block == b && plans_[k].children.empty()) return static_cast<int>(k);
    return 1;
  }
  // What a key held before: the same, one value fewer, or other data in its first value.
  static std::vector<Value> OlderValues(std::vector<Value> values, std::uint16_t b) {
    if (b % 3 == 1 && values.size() > 1) values.pop_back();
    if (b % 3 == 2) values.front() = Text(values.front().name, "older");
    return values;
  }
  std::size_t BlockIndexOf(std::int64_t at) const {
    for (std::size_t b = built_.block.size(); b-- > 0;)
      if (built_.block[b] <= at) return b;
    return 0;
  }

  struct Older {
    int key;
    std::vector<Value> values;
  };
  struct Gone {
    std::string name;
    std::vector<Value> values;
  };
  std::mt19937 random_;
  HiveBuilder builder_;
  std::vector<KeyPlan> plans_;
  int root_ = 0;
  std::vector<Older> older_;
  std::vector<Gone> gone_;
  std::vector<std::int64_t> written_;
  BuiltHive built_;
  std::set<int> deleted_;
  std::vector<int> added_;
};

struct Outcome {
  std::size_t deleted = 0;
  std::size_t placedHigh = 0;  // at high with the right path and values
  std::size_t wrongHigh = 0;   // at high with a wrong path or values, or at no deleted key's record
  std::vector<std::string> wrong;
};

Outcome Judge(World& w) {
  const std::vector<std::uint8_t> bytes = w.Hive().bytes;
  const salvage::SalvagedHive hive = salvage::Salvage(bytes);
  recover::RecoverOptions options;
  const recover::Recovery r = recover::Recover(hive, options);
  std::map<std::int64_t, int> deletedAt;
  for (const int k : w.Deleted()) deletedAt[w.Hive().keyRecord[static_cast<std::size_t>(k)]] = k;
  Outcome out;
  out.deleted = w.Deleted().size();
  for (const RecoveredKey& k : r.keys) {
    if (k.confidence != Confidence::High) continue;
    const auto it = deletedAt.find(k.offset.value);
    if (it == deletedAt.end()) {
      ++out.wrongHigh;
      out.wrong.push_back("high at " + std::to_string(k.offset.value) + " (" + k.path + "), no deleted key's record");
      continue;
    }
    const KeyPlan& plan = w.PlanOf(it->second);
    bool valuesRight = k.values.size() == plan.values.size();
    for (std::size_t i = 0; valuesRight && i < k.values.size(); ++i)
      valuesRight = Str(k.values[i].name) == plan.values[i].name && Str(k.values[i].data) == plan.values[i].data &&
                    k.values[i].type == plan.values[i].type;
    if (k.path == w.Path(it->second) && valuesRight) {
      ++out.placedHigh;
    } else {
      ++out.wrongHigh;
      out.wrong.push_back("high " + k.path + " for " + w.Path(it->second));
    }
  }
  return out;
}

enum class Kind { Leaves, OneBlock, Subtrees, Neighbours, Reuse };

std::string KindName(Kind kind) {
  switch (kind) {
    case Kind::Leaves:
      return "leaves anywhere";
    case Kind::OneBlock:
      return "leaves of one block";
    case Kind::Subtrees:
      return "whole subtrees";
    case Kind::Neighbours:
      return "neighbouring records (merged)";
    case Kind::Reuse:
      return "leaves, then space used again";
  }
  return "";
}

void DeleteSome(World& w, Kind kind, int count) {
  std::mt19937& random = w.Random();
  auto randomLeaf = [&](std::optional<std::uint16_t> block) {
    for (int tries = 0; tries < 100000; ++tries) {
      const int k = 1 + static_cast<int>(random() % (w.KeyCount() - 1));
      if (w.IsLeaf(k) && w.Deleted().count(k) == 0 && (!block || w.PlanOf(k).block == *block)) return k;
    }
    return -1;
  };
  switch (kind) {
    case Kind::Leaves:
    case Kind::Reuse:
      for (int i = 0; i < count; ++i) w.Delete(randomLeaf(std::nullopt));
      if (kind == Kind::Reuse)
        for (int i = 0; i < std::max(1, count / 3); ++i) w.AddNewKey(i);
      break;
    case Kind::OneBlock: {
      const auto block = static_cast<std::uint16_t>(random() % World::kBlocks);
      for (int i = 0; i < count; ++i)
        if (const int k = randomLeaf(block); k >= 0) w.Delete(k);
      break;
    }
    case Kind::Subtrees:
      for (int i = 0; i < std::max(1, count / 5); ++i) {
        for (int tries = 0; tries < 10000; ++tries) {
          const int k = 1 + static_cast<int>(random() % (w.KeyCount() - 1));
          if (w.IsVendor(k) && w.Deleted().count(k) == 0) {
            w.Delete(k);
            break;
          }
        }
      }
      break;
    case Kind::Neighbours: {
      // Pairs of leaves whose records follow each other in the chain, deleted in either order:
      // the second freed merges into the first's area (in front) or takes it in (behind).
      std::vector<std::pair<std::int64_t, int>> byOffset;
      for (std::size_t k = 1; k < w.KeyCount(); ++k)
        if (w.IsLeaf(static_cast<int>(k))) byOffset.emplace_back(w.Hive().keyRecord[k], static_cast<int>(k));
      std::sort(byOffset.begin(), byOffset.end());
      for (int i = 0; i < std::max(1, count / 2); ++i) {
        const std::size_t at = random() % (byOffset.size() - 1);
        const int a = byOffset[at].second, b = byOffset[at + 1].second;
        if (w.Deleted().count(a) || w.Deleted().count(b) || w.PlanOf(a).block != w.PlanOf(b).block) continue;
        if (random() % 2) {
          w.Delete(a);
          w.Delete(b);
        } else {
          w.Delete(b);
          w.Delete(a);
        }
      }
      break;
    }
  }
}

TEST(RecoverScenarios, NoKeyAtHighWithAWrongPathOrValues) {
  std::map<std::string, Outcome> totals;
  for (const Kind kind : {Kind::Leaves, Kind::OneBlock, Kind::Subtrees, Kind::Neighbours, Kind::Reuse})
    for (const int count : {1, 5, 20})
      for (unsigned seed = 1; seed <= 3; ++seed) {
        World w(seed * 100 + static_cast<unsigned>(count));
        DeleteSome(w, kind, count);
        const Outcome o = Judge(w);
        EXPECT_EQ(o.wrongHigh, 0u) << KindName(kind) << ", " << count << " deletions, seed " << seed << ": "
                                   << (o.wrong.empty() ? "" : o.wrong.front());
        Outcome& t = totals[KindName(kind) + ", " + std::to_string(count) + " deletion(s)"];
        t.deleted += o.deleted;
        t.placedHigh += o.placedHigh;
        t.wrongHigh += o.wrongHigh;
      }
  for (const auto& [name, t] : totals)
    std::cout << "placed at high with the right path: " << t.placedHigh << " of " << t.deleted << " deleted keys ("
              << (t.deleted ? 100 * t.placedHigh / t.deleted : 0) << " %), " << name << "\n";
}

// ---- the real user.dat, with leaf keys deleted ---------------------------------------------

// The real file as the hive builder's deletion needs it: where its keys, records, blocks and
// free lists are.
BuiltHive AsBuilt(const std::vector<std::uint8_t>& bytes, const salvage::SalvagedHive& hive) {
  BuiltHive h;
  h.bytes = bytes;
  for (const salvage::SalvagedKey& k : hive.keys) {
    h.keyNode.push_back(k.node.value);
    h.keyRecord.push_back(
        k.record == salvage::kNoIndex ? -1 : hive.records[static_cast<std::size_t>(k.record)].offset.value);
    h.keyRecordNo.push_back(k.fields.RecNo);
  }
  for (const salvage::SalvagedBlock& b : hive.blocks) h.block.push_back(b.offset.value);
  h.freeRecords.resize(hive.blocks.size());
  for (std::size_t b = 0; b < hive.blocks.size(); ++b)
    for (const auto& [at, size] : FreeAreas(h, b))
      h.freeRecords[b].push_back(static_cast<std::int32_t>(at - h.block[b]));
  for (std::int32_t rel = static_cast<std::int32_t>(h.GetU32(44));
       rel != -1 && h.freeKeyNodes.size() < bytes.size() / 28; rel = static_cast<std::int32_t>(h.GetU32(32 + rel + 8)))
    h.freeKeyNodes.push_back(rel);
  return h;
}

TEST(RecoverReal, DeletedLeavesOfTheRealUserDatArePlacedAtHigh) {
  const auto real = RealUserDat();
  ASSERT_TRUE(real);
  const std::vector<std::uint8_t> original(real->begin(), real->end());
  const salvage::SalvagedHive before = salvage::Salvage(original);
  std::vector<bool> hasChildren(before.keys.size(), false);
  for (const salvage::SalvagedKey& k : before.keys)
    if (k.parent != salvage::kNoIndex) hasChildren[static_cast<std::size_t>(k.parent)] = true;
  // Leaves whose name no other live key has: a deleted key that has a live namesake reads the
  // same as an older copy of it (Windows leaves many), so it is placed only when the counts of
  // the free lists settle it.
  std::map<std::string, int> namesakes;
  for (const salvage::SalvagedKey& k : before.keys) {
    std::string name = Str(k.name);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ++namesakes[name];
  }
  std::vector<std::size_t> leaves;
  for (std::size_t k = 0; k < before.keys.size(); ++k) {
    std::string name = Str(before.keys[k].name);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!hasChildren[k] && !before.keys[k].lost && before.keys[k].record != salvage::kNoIndex &&
        before.keys[k].parent != salvage::kNoIndex && namesakes[name] == 1)
      leaves.push_back(k);
  }
  ASSERT_GT(leaves.size(), 100u);
  for (const std::size_t count : {std::size_t{1}, std::size_t{5}, std::size_t{20}}) {
    std::mt19937 random(static_cast<unsigned>(count));
    std::vector<std::size_t> chosen = leaves;
    std::shuffle(chosen.begin(), chosen.end(), random);
    chosen.resize(count);
    BuiltHive h = AsBuilt(original, before);
    std::map<std::int64_t, std::string> expected;  // record offset -> path
    for (const std::size_t k : chosen) {
      expected[h.keyRecord[k]] = before.KeyPathBytes(k);
      DeleteKey(h, static_cast<int>(k));
    }
    const salvage::SalvagedHive after = salvage::Salvage(h.bytes);
    EXPECT_EQ(after.summary.damage, 0u);
    const recover::Recovery r = recover::Recover(after);
    std::size_t placed = 0;
    for (const RecoveredKey& k : r.keys) {
      const auto it = expected.find(k.offset.value);
      if (k.confidence == Confidence::High) {
        EXPECT_TRUE(it != expected.end() && it->second == k.path) << k.path;
      }
      if (it == expected.end()) continue;
      EXPECT_EQ(k.confidence, Confidence::High) << k.path << "\n" << ::testing::PrintToString(k.reasons);
      EXPECT_EQ(k.path, it->second);
      placed += k.confidence == Confidence::High && k.path == it->second ? 1 : 0;
    }
    EXPECT_EQ(placed, count);
  }
}

}  // namespace
}  // namespace quarvex::testing
