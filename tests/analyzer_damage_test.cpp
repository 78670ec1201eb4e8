// Damaged hives: every failure ends the analysis with its code and no section, every loop
// ends, and nothing is read or written out of bounds (the CI also runs these under ASan).
#include <gtest/gtest.h>

#include <functional>

#include "text/printf.h"
#include "tests/analyzer_fixtures.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

constexpr std::int64_t kRgknFirstFree = 32 + 12;          // iERecOfs of the RGKN header
constexpr std::int64_t kRgknRoot = 32 + 8;                // iRec1stOfs
constexpr std::int64_t kLwr = 16, kNext = 20, kUpr = 12;  // key node fields
constexpr std::uint32_t kFarAway = 0x7FFF0000;

// Root with children A (with child C) and B; two free key nodes; two free records in block 0.
struct Damaged {
  BuiltHive hive;
  int root, a, c, b;
  std::int64_t Node(int key) const { return hive.KeyNodeFileOffset(key); }
  std::uint32_t Rel(int key) const { return static_cast<std::uint32_t>(hive.keyNode[static_cast<std::size_t>(key)]); }
};

Damaged Sound() {
  HiveBuilder builder;
  Damaged d{};
  d.root = builder.AddKey(HiveBuilder::kRootParent, "ROOT");
  d.a = builder.AddKey(d.root, "A");
  d.c = builder.AddKey(d.a, "C");
  d.b = builder.AddKey(d.root, "B");
  builder.AddFreeKeyNode(40);
  builder.AddFreeKeyNode(40);
  builder.AddFreeRecord(0, 32);
  builder.AddFreeRecord(0, 48);
  d.hive = builder.Build();
  return d;
}

struct FailureCase {
  const char* defect;
  std::function<void(Damaged&)> damage;
  std::int32_t code;
};

const FailureCase kFailures[] = {
    {"KernelSignatureLowerCase", [](Damaged& d) { d.hive.bytes[32] = 'r'; }, 4},
    {"RootNodeOutsideImage", [](Damaged& d) { d.hive.PutU32(kRgknRoot, kFarAway); }, 5},
    {"ChildLinksDownToRoot", [](Damaged& d) { d.hive.PutU32(d.Node(d.c) + kLwr, d.Rel(d.root)); }, 21},
    {"SiblingLinksToItself", [](Damaged& d) { d.hive.PutU32(d.Node(d.b) + kNext, d.Rel(d.b)); }, 21},
    {"ParentLinksToItself", [](Damaged& d) { d.hive.PutU32(d.Node(d.c) + kUpr, d.Rel(d.c)); }, 21},
    {"ParentsFormACircle",
     [](Damaged& d) {
       d.hive.PutU32(d.Node(d.b) + kUpr, d.Rel(d.a));
       d.hive.PutU32(d.Node(d.a) + kUpr, d.Rel(d.b));
     },
     21},
    {"FreeKeyNodeListLoopsBack",
     [](Damaged& d) {
       d.hive.PutU32(32 + d.hive.freeKeyNodes[1] + 8, static_cast<std::uint32_t>(d.hive.freeKeyNodes[0]));
     },
     21},
    {"FreeKeyNodeLinksToItself",
     [](Damaged& d) {
       d.hive.PutU32(32 + d.hive.freeKeyNodes[0] + 8, static_cast<std::uint32_t>(d.hive.freeKeyNodes[0]));
     },
     21},
    {"FreeKeyNodeOutsideImage", [](Damaged& d) { d.hive.PutU32(kRgknFirstFree, kFarAway); }, 6},
    {"FreeRecordListLoopsBack",
     [](Damaged& d) {
       const auto& frees = d.hive.freeRecords[0];
       d.hive.PutU32(d.hive.block[0] + frees[1] + 8, static_cast<std::uint32_t>(frees[0]));
     },
     21},
    {"FreeRecordOutsideImage", [](Damaged& d) { d.hive.PutU32(d.hive.block[0] + 16, kFarAway); }, 19},
    {"FirstRecordGoesNowhereSoNothingIsIndexed", [](Damaged& d) { d.hive.PutU32(d.hive.keyRecord[0], 0); }, 11},
};

TEST(AnalyzerDamage, EachDefectEndsTheAnalysisWithItsCode) {
  for (const FailureCase& c : kFailures) {
    Damaged d = Sound();
    c.damage(d);
    auto run = RunJob(d.hive);
    EXPECT_EQ(run->Code(), c.code) << c.defect;
    EXPECT_EQ(AnalyzerSection(*run), "") << c.defect;
    EXPECT_FALSE(run->result.analysis.has_value()) << c.defect;
    EXPECT_NE(run->events.status.find(Printf("Fail(%d)", c.code)), std::string::npos) << c.defect;
  }
}

TEST(AnalyzerDamage, TheSoundFixtureCompletes) {
  auto run = RunJob(Sound().hive);
  EXPECT_EQ(run->Code(), 0);
  EXPECT_NE(AnalyzerSection(*run), "");
}

// A free key-node link of 0 is followed (to the block's own header, read as a free area);
// the header's third field, the root's offset, leads on, and the root read as a free area
// links back to 0: the loop guard ends it.
TEST(AnalyzerDamage, FreeKeyNodeLinkOfZeroIsFollowed) {
  Damaged d = Sound();
  d.hive.PutU32(32 + d.hive.freeKeyNodes[1] + 8, 0);
  auto run = RunJob(d.hive);
  EXPECT_EQ(run->Code(), 21);
  const auto& e = run->events.log;
  const auto zero = std::find(e.begin(), e.end(), "status1:ANA:KN(00000000)_E");
  ASSERT_NE(zero, e.end());
  EXPECT_EQ(*(zero + 1), "status1:ANA:KN(00000020)_E");
}

// Tree links of 0 or negative mean "none": the walk climbs instead and ends normally.
TEST(AnalyzerDamage, TreeLinksOfZeroOrNegativeAreNotFollowed) {
  for (std::uint32_t link : {0u, 0xFFFFFFFBu, 0x80000000u}) {
    Damaged d = Sound();
    d.hive.PutU32(d.Node(d.b) + kNext, link);
    d.hive.PutU32(d.Node(d.c) + kLwr, link);
    auto run = RunJob(d.hive);
    EXPECT_EQ(run->Code(), 0) << link;
    EXPECT_EQ(run->result.analysis->keyNodeBlock.Using, 4 * 28) << link;
  }
}

// More blocks than the 1001 rows the usage table starts with: it grows.
TEST(AnalyzerDamage, MoreThan1001BlocksAreAllCounted) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "ROOT");
  const int far = b.AddKey(root, "Far");
  b.PlaceInBlock(far, 1050);
  b.AddFreeRecord(1099, 64);
  b.SetBlockCount(1100);
  const BuiltHive hive = b.Build();
  auto run = RunJob(hive);
  ASSERT_EQ(run->Code(), 0);
  const AnalysisResult& s = *run->result.analysis;
  ASSERT_EQ(s.dataBlocks.size(), 1100u);
  EXPECT_EQ(s.dataBlocks[1050].Using, 23);
  EXPECT_EQ(s.dataBlocks[1099].Empty, 64);
  EXPECT_EQ(run->Series()[SeriesId::BlockInUse].Count(), 1101u);
  EXPECT_EQ(static_cast<std::size_t>(s.wholeFile.Total()), hive.bytes.size());
  EXPECT_EQ(AnalyzerSectionLines(*run).size(), 25u + 1100u);  // 25 lines besides the block rows
}

// A record header naming a block above 1000 (or no block at all): its bytes are counted
// under that number, which has no row, so the block it lies in shows them as dead gap.
TEST(AnalyzerDamage, RecordHeaderNamingABlockAbove1000) {
  for (std::uint16_t named : {std::uint16_t{1001}, std::uint16_t{5000}, std::uint16_t{0xFFFF}}) {
    HiveBuilder b;
    b.AddKey(HiveBuilder::kRootParent, "ROOT");
    BuiltHive hive = b.Build();
    hive.PutU16(hive.keyRecord[0] + 6, named);
    auto run = RunJob(hive);
    ASSERT_EQ(run->Code(), 0) << named;
    const AnalysisResult& s = *run->result.analysis;
    EXPECT_EQ(s.dataBlocks[0].Using, 0) << named;
    EXPECT_EQ(s.dataBlocks[0].DeadGap, 24) << named;
    EXPECT_EQ(s.goodCount, 1) << named;
    EXPECT_EQ(static_cast<std::size_t>(s.wholeFile.Total()), hive.bytes.size()) << named;
  }
}

// Names are checksummed whole: the stored sums cover every byte, so cutting at any length
// would turn these keys into ghosts.
TEST(AnalyzerDamage, LongNamesAreJudgedWhole) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "ROOT");
  b.AddKey(root, std::string(700, 'n'));
  b.AddKey(root, std::string(400, 'n') + "\x82\xA0" + std::string(600, 'm'));
  b.AddKey(root, std::string(65535, 'z'));
  auto run = RunJob(b.Build());
  ASSERT_EQ(run->Code(), 0);
  const AnalysisResult& s = *run->result.analysis;
  EXPECT_EQ(s.goodCount, 3);
  EXPECT_EQ(s.badCount, 1);
  EXPECT_EQ(s.ghostCount, 0);
}

// The last record of the file claims a name far longer than the bytes left: only the bytes
// inside the image are read, and they are the whole name.
TEST(AnalyzerDamage, NameRunningPastTheEndOfTheImage) {
  HiveBuilder b;
  b.AddKey(HiveBuilder::kRootParent, "ABC");
  BuiltHive hive = b.Build();
  ASSERT_EQ(static_cast<std::size_t>(hive.keyRecord[0] + 23), hive.bytes.size());
  hive.PutU16(hive.keyRecord[0] + 12, 60000);
  auto run = RunJob(hive);
  ASSERT_EQ(run->Code(), 0);
  EXPECT_EQ(run->result.analysis->goodCount, 1);
}

// A bad key whose path cannot be resolved (its parent link leads outside the file, or back
// to itself): its line is six blanks, and the job still completes.
TEST(AnalyzerDamage, UnresolvablePathListsSixBlanks) {
  for (const bool parentIsItself : {false, true}) {
    HiveBuilder b;
    const int root = b.AddKey(HiveBuilder::kRootParent, "ROOT");
    const int lost = b.AddKey(root, "\x82\xA0Lost");  // bad; its next sibling keeps the walk off its parent link
    b.AddKey(root, "Next");
    BuiltHive hive = b.Build();
    const auto self = static_cast<std::uint32_t>(hive.keyNode[static_cast<std::size_t>(lost)]);
    hive.PutU32(hive.KeyNodeFileOffset(lost) + kUpr, parentIsItself ? self : kFarAway);
    auto run = RunJob(hive);
    ASSERT_EQ(run->Code(), 0) << parentIsItself;
    const auto lines = AnalyzerSectionLines(*run);
    const auto bad = std::find(lines.begin(), lines.end(), "   Bad     :        1");
    ASSERT_NE(bad, lines.end()) << parentIsItself;
    EXPECT_EQ(*(bad + 1), "      ") << parentIsItself;
    EXPECT_EQ(run->Lines().back(), " Done: 2026/12/07 10:00:00") << parentIsItself;
    EXPECT_EQ(run->result.analysis->badKeys.at(0).path, "") << parentIsItself;
  }
}

}  // namespace
}  // namespace quarvex::testing
