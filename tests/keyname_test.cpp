// Key-name checksums and key paths.
#include <gtest/gtest.h>

#include "hive/key_tree_walk.h"
#include "hive/keyname.h"
#include "hive/prescan.h"
#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

Bytes B(const std::string& s) { return Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); }

struct ChecksumCase {
  const char* what;
  std::string name;
  CodePage codePage;
  std::uint32_t checksum;
  std::uint32_t plain;
};

TEST(KeyNameChecksum, WorkedExamples) {
  const ChecksumCase cases[] = {
      {"lower case folds", "abc", CodePage::Cp932, 0xC6, 0xC6},
      {"mixed", "Ab1", CodePage::Cp932, 0xB4, 0xB4},
      {"one double-byte character", "\x82\xA0", CodePage::Cp932, 0x22, 0},
      {"same bytes on a single-byte host", "\x82\xA0", CodePage::SingleByte, 0x122, 0},
      {"trail byte is not folded", "\x82\x61", CodePage::Cp932, 0xE3, 0x41},
      {"even run of lead bytes: next byte is single", "\x82\x82\x61", CodePage::Cp932, 0x45, 0x41},
      {"half-width katakana adds nothing", "A\xB1", CodePage::Cp932, 0x41, 0x41},
      {"empty name", "", CodePage::Cp932, 0, 0},
      {"stops at the first zero byte", std::string("ab\0cd", 5), CodePage::Cp932, 0x83, 0x83},
      {"GBK lead byte range reaches 0xFE", "\xFE\xA1", CodePage::Cp936, 0x7E + 0x21, 0},
      {"0xFD is no lead byte on 932", "\xFD", CodePage::Cp932, 0xFD, 0},
  };
  for (const ChecksumCase& c : cases) {
    const LeadByteSet set = LeadByteSet::For(c.codePage);
    EXPECT_EQ(KeyNameChecksum(B(c.name), set), c.checksum) << c.what;
    EXPECT_EQ(KeyNameChecksumPlain(B(c.name)), c.plain) << c.what;
  }
}

// The longest name a record can hold still sums within 24 bits.
TEST(KeyNameChecksum, LongestNameStaysWithin24Bits) {
  const std::string name(65535, '\xFF');
  EXPECT_EQ(KeyNameChecksumPlain(B(name)), 0u);
  EXPECT_EQ(KeyNameChecksum(B(name), LeadByteSet()), 65535u * 255u);
}

// A small indexed hive: R (root) > P > C, with extra keys per test.
struct PathFixture {
  HiveBuilder builder;
  int root, parent, child;
  PathFixture() {
    root = builder.AddKey(HiveBuilder::kRootParent, "R");
    parent = builder.AddKey(root, "P");
    child = builder.AddKey(parent, "C");
  }
};

std::unique_ptr<Hive> Indexed(const BuiltHive& built) {
  auto hive = std::make_unique<Hive>();
  hive->hiveImage = HiveImage(built.bytes);
  EXPECT_TRUE(hive->ReadHiveHeader());
  EXPECT_TRUE(hive->BuildBlockTable());
  PreScanDataBlocks(*hive, {});
  return hive;
}

TEST(ResolveKeyPath, NamesFromTheTopDownEachFollowedByABackslash) {
  PathFixture f;
  const BuiltHive built = f.builder.Build();
  auto hive = Indexed(built);
  EXPECT_EQ(ResolveKeyPath(*hive, KeyNodeOffset(built.keyNode[f.child])), "R\\P\\C\\");
  EXPECT_EQ(ResolveKeyPath(*hive, KeyNodeOffset(built.keyNode[f.root])), "R\\");
  EXPECT_EQ(hive->errorCode, code::kOk);
}

TEST(ResolveKeyPath, KeysWithoutNames) {
  PathFixture f;
  const int noRecord = f.builder.AddKey(f.parent, "gone");
  f.builder.SetNoRecord(noRecord);
  const int empty = f.builder.AddKey(f.parent, "");
  const int zeroInside = f.builder.AddKey(f.parent, std::string("ab\0cd", 5));
  const BuiltHive built = f.builder.Build();
  auto hive = Indexed(built);
  EXPECT_EQ(ResolveKeyPath(*hive, KeyNodeOffset(built.keyNode[noRecord])), "R\\P\\");
  EXPECT_EQ(ResolveKeyPath(*hive, KeyNodeOffset(built.keyNode[empty])), "R\\P\\\\");
  EXPECT_EQ(ResolveKeyPath(*hive, KeyNodeOffset(built.keyNode[zeroInside])), "R\\P\\ab\\");
}

// A key whose record is not in the index loses its own name only, and the code is cleared.
TEST(ResolveKeyPath, UnindexedRecordLosesOnlyItsName) {
  PathFixture f;
  BuiltHive built = f.builder.Build();
  built.PutU16(built.KeyNodeFileOffset(f.parent) + 24, 0x77);  // Rec# that no record has
  auto hive = Indexed(built);
  EXPECT_EQ(ResolveKeyPath(*hive, KeyNodeOffset(built.keyNode[f.child])), "R\\C\\");
  EXPECT_EQ(hive->errorCode, code::kOk);
}

struct FailureCase {
  const char* defect;
  std::function<void(BuiltHive&, const PathFixture&)> damage;
  std::int32_t startNode;  // -1: the child
  std::int32_t code;
};

TEST(ResolveKeyPath, FailuresEmptyTheWholePath) {
  const FailureCase cases[] = {
      {"StartBeyondTheImage", [](BuiltHive&, const PathFixture&) {}, 0x7FFFFF00, code::kKeyNodeShort},
      {"ParentLinkBeyondTheImage",
       [](BuiltHive& h, const PathFixture& f) { h.PutU32(h.KeyNodeFileOffset(f.parent) + 12, 0x00FFFFF0); }, -1,
       code::kKeyNodeShort},
      {"ParentChainLoopsBack",
       [](BuiltHive& h, const PathFixture& f) {
         h.PutU32(h.KeyNodeFileOffset(f.root) + 12, static_cast<std::uint32_t>(h.keyNode[f.child]));
       },
       -1, code::kLinkLoop},
      {"NodeIsItsOwnParent",
       [](BuiltHive& h, const PathFixture& f) {
         h.PutU32(h.KeyNodeFileOffset(f.child) + 12, static_cast<std::uint32_t>(h.keyNode[f.child]));
       },
       -1, code::kLinkLoop},
  };
  for (const FailureCase& c : cases) {
    PathFixture f;
    BuiltHive built = f.builder.Build();
    c.damage(built, f);
    auto hive = Indexed(built);
    EXPECT_EQ(ResolveKeyPath(*hive, KeyNodeOffset(c.startNode == -1 ? built.keyNode[f.child] : c.startNode)), "")
        << c.defect;
    EXPECT_EQ(hive->errorCode, c.code) << c.defect;
  }
  Hive unindexed;
  unindexed.hiveImage = HiveImage(PathFixture().builder.Build().bytes);
  EXPECT_EQ(ResolveKeyPath(unindexed, KeyNodeOffset(32)), "");
  EXPECT_EQ(unindexed.errorCode, code::kIndexEmpty);
}

// A name that reaches past the end of the image is cut where the image ends.
TEST(ResolveKeyPath, NameCutByTheEndOfTheImage) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "LongNameAtTheEnd");
  BuiltHive built = b.Build();
  built.bytes.resize(built.bytes.size() - 6);
  // Shrink the block so its chain still ends inside the file.
  auto hive = Indexed(built);
  hive->recordIndex.Reset(1);
  hive->recordIndex.Store(0, 0, static_cast<std::int32_t>(built.keyRecord[root]));
  hive->recordIndex.FinishBlock(0);
  hive->indexedRecordCount = 1;
  EXPECT_EQ(ResolveKeyPath(*hive, KeyNodeOffset(built.keyNode[root])), "LongNameAt\\");
}

// The walk visits in pre-order and ends at the node with neither next sibling nor parent.
TEST(WalkKeyTree, PreOrderIncludingTheRootsSiblings) {
  HiveBuilder b;
  const int r = b.AddKey(HiveBuilder::kRootParent, "r");
  const int a = b.AddKey(r, "a");
  const int a1 = b.AddKey(a, "a1");
  const int bb = b.AddKey(r, "b");
  const int s = b.AddKey(HiveBuilder::kRootParent, "sibling");
  const int s1 = b.AddKey(s, "s1");
  b.SetKeyNodeGap(12);  // nodes not on a fixed stride
  const BuiltHive built = b.Build();
  Hive hive;
  hive.hiveImage = HiveImage(built.bytes);
  std::vector<std::int32_t> seen;
  EXPECT_TRUE(WalkKeyTree(hive, KeyNodeOffset(built.keyNode[r]),
                          [&](KeyNodeOffset o, const KeyNode&) { seen.push_back(o.value); }));
  std::vector<std::int32_t> expected;
  for (int k : {r, a, a1, bb, s, s1}) expected.push_back(built.keyNode[k]);
  EXPECT_EQ(seen, expected);
}

struct WalkCase {
  const char* defect;
  std::function<void(BuiltHive&, const std::vector<int>&)> damage;
  std::int32_t code;
  std::size_t visits;  // nodes visited before the walk ended
};

// Damaged links: a loop ends the walk before any node is visited twice; a link of 0 or a
// negative one is not followed; a link outside the file fails the read.
TEST(WalkKeyTree, DamagedLinksEnd) {
  // r > a > (a1, a2); r > b
  auto node = [](const BuiltHive& h, int key) { return h.KeyNodeFileOffset(key); };
  auto rel = [](const BuiltHive& h, int key) { return static_cast<std::uint32_t>(h.keyNode[key]); };
  const WalkCase cases[] = {
      {"Sound", [](BuiltHive&, const std::vector<int>&) {}, code::kOk, 5},
      {"ChildLinksToItsGrandparent",
       [&](BuiltHive& h, const std::vector<int>& k) { h.PutU32(node(h, k[2]) + 16, rel(h, k[0])); }, code::kLinkLoop,
       3},
      {"SiblingLinksToItself",
       [&](BuiltHive& h, const std::vector<int>& k) { h.PutU32(node(h, k[3]) + 20, rel(h, k[3])); }, code::kLinkLoop,
       4},
      {"ParentsClimbInACircle",
       [&](BuiltHive& h, const std::vector<int>& k) {
         // a2's parent is a, whose parent is now a2's... a climbs to a2 and a2 to a.
         h.PutU32(node(h, k[1]) + 12, rel(h, k[3]));
         h.PutU32(node(h, k[1]) + 20, 0xFFFFFFFF);
       },
       code::kLinkLoop, 4},
      {"ZeroAndNegativeLinksAreNotFollowed",
       [&](BuiltHive& h, const std::vector<int>& k) {
         h.PutU32(node(h, k[1]) + 16, 0);
         h.PutU32(node(h, k[4]) + 20, 0x80000000);
       },
       code::kOk, 3},
      {"ChildLinkPastTheEnd",
       [&](BuiltHive& h, const std::vector<int>& k) { h.PutU32(node(h, k[4]) + 16, 0x7FFFFFF0); }, code::kKeyNodeShort,
       5},
  };
  for (const WalkCase& c : cases) {
    HiveBuilder b;
    std::vector<int> k;
    k.push_back(b.AddKey(HiveBuilder::kRootParent, "r"));
    k.push_back(b.AddKey(k[0], "a"));
    k.push_back(b.AddKey(k[1], "a1"));
    k.push_back(b.AddKey(k[1], "a2"));
    k.push_back(b.AddKey(k[0], "b"));
    BuiltHive built = b.Build();
    c.damage(built, k);
    Hive hive;
    hive.hiveImage = HiveImage(built.bytes);
    std::size_t visits = 0;
    const bool ended =
        WalkKeyTree(hive, KeyNodeOffset(built.keyNode[k[0]]), [&](KeyNodeOffset, const KeyNode&) { ++visits; });
    EXPECT_EQ(ended, c.code == code::kOk) << c.defect;
    EXPECT_EQ(hive.errorCode, c.code) << c.defect;
    EXPECT_EQ(visits, c.visits) << c.defect;
  }
}

// A climb through nodes that were never visited is not a loop when it reaches the top.
TEST(WalkKeyTree, LongClimbThatEndsIsNoLoop) {
  HiveBuilder b;
  std::vector<int> chain{b.AddKey(HiveBuilder::kRootParent, "top")};
  for (int i = 0; i < 40; ++i) chain.push_back(b.AddKey(chain.back(), "n" + std::to_string(i)));
  BuiltHive built = b.Build();
  // Start the walk at the deepest node: it is visited, then the walk climbs 40 parents.
  Hive hive;
  hive.hiveImage = HiveImage(built.bytes);
  std::size_t visits = 0;
  EXPECT_TRUE(
      WalkKeyTree(hive, KeyNodeOffset(built.keyNode[chain.back()]), [&](KeyNodeOffset, const KeyNode&) { ++visits; }));
  EXPECT_EQ(visits, 1u);
}

// The cache names every key as ResolveKeyPath does, asked in any order and twice, on sound
// and damaged parent chains alike; a failure leaves no code behind.
TEST(KeyPathCache, SamePathsAsResolvingEachKey) {
  struct Case {
    const char* defect;
    std::function<void(BuiltHive&, const PathFixture&)> damage;
  };
  const Case cases[] = {
      {"Sound", [](BuiltHive&, const PathFixture&) {}},
      {"ParentLinkBeyondTheImage",
       [](BuiltHive& h, const PathFixture& f) { h.PutU32(h.KeyNodeFileOffset(f.parent) + 12, 0x00FFFFF0); }},
      {"ParentChainLoopsBack",
       [](BuiltHive& h, const PathFixture& f) {
         h.PutU32(h.KeyNodeFileOffset(f.root) + 12, static_cast<std::uint32_t>(h.keyNode[f.child]));
       }},
      {"NodeIsItsOwnParent",
       [](BuiltHive& h, const PathFixture& f) {
         h.PutU32(h.KeyNodeFileOffset(f.parent) + 12, static_cast<std::uint32_t>(h.keyNode[f.parent]));
       }},
      {"ParentRecordNotIndexed",
       [](BuiltHive& h, const PathFixture& f) { h.PutU16(h.KeyNodeFileOffset(f.parent) + 24, 0x77); }},
  };
  for (const Case& c : cases) {
    PathFixture f;
    const int sibling = f.builder.AddKey(f.parent, "S");
    const int unnamed = f.builder.AddKey(f.parent, "gone");
    f.builder.SetNoRecord(unnamed);
    const int grandchild = f.builder.AddKey(f.child, "G");
    BuiltHive built = f.builder.Build();
    c.damage(built, f);
    auto hive = Indexed(built);
    const int order[] = {grandchild, f.child, sibling, unnamed, f.parent, f.root, grandchild, sibling};
    KeyPathCache cache(*hive);
    for (int key : order) {
      const KeyNodeOffset node(built.keyNode[key]);
      const std::string expected = ResolveKeyPath(*hive, node);
      hive->ClearFailure();
      EXPECT_EQ(cache.PathOf(node), expected) << c.defect << ", key " << key;
      EXPECT_EQ(hive->errorCode, code::kOk) << c.defect << ", key " << key;
    }
  }
  // A start outside the image names nothing.
  PathFixture f;
  auto hive = Indexed(f.builder.Build());
  KeyPathCache cache(*hive);
  EXPECT_EQ(cache.PathOf(KeyNodeOffset(0x7FFFFF00)), "");
  EXPECT_EQ(hive->errorCode, code::kOk);
}

}  // namespace
}  // namespace quarvex::testing
