// The analyser's documented examples, number for number.
#include <gtest/gtest.h>

#include "analyzer/space_analysis.h"
#include "tests/analyzer_fixtures.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

// analyzer_worked_example.txt: the whole analyser section of the 1,000-key example hive with
// the key listing off, byte for byte (usage table, counts, record sizes, closing line).
TEST(AnalyzerWorkedExample, SectionMatchesGolden) {
  const WorkedExample ex = BuildWorkedExample();
  auto run = RunJob(ex.hive, WithOption(Option::ListBadAndGhostKeys, false));
  ASSERT_EQ(run->Code(), 0);
  EXPECT_TRUE(MatchesGolden("analyzer_worked_example.txt", AnalyzerSection(*run)));
}

TEST(AnalyzerWorkedExample, SummaryHoldsTheSameFigures) {
  const WorkedExample ex = BuildWorkedExample();
  auto run = RunJob(ex.hive, WithOption(Option::ListBadAndGhostKeys, false));
  ASSERT_TRUE(run->result.analysis.has_value());
  const AnalysisResult& s = *run->result.analysis;
  EXPECT_EQ(s.keyNodeBlock, (SpaceUsage{28000, 1204, 3564}));
  EXPECT_EQ(s.dataBlocks, (std::vector<SpaceUsage>{{60000, 3000, 2504}, {12000, 4000, 352}}));
  EXPECT_EQ(s.wholeFile, (SpaceUsage{100128, 8204, 6420}));
  EXPECT_EQ(s.wholeFile.Total(), 32 + 32800 + 65536 + 16384);
  EXPECT_EQ(s.goodCount, 985);
  EXPECT_EQ(s.badCount, 3);
  EXPECT_EQ(s.ghostCount, 2);
  // (100,064 - 2 x 32 - 32) / 990 truncates to 100; the mean record size would be 72.
  EXPECT_EQ(s.usingRecords.average, 100);
  EXPECT_EQ(s.usingRecords.count, 990u);
  EXPECT_EQ(s.emptyRecords.average, 175);
  EXPECT_EQ(s.emptyRecords.count, 40u);
  // Bad and ghost keys in walk order, with their node offsets; paths even with cbKeys off.
  ASSERT_EQ(s.badKeys.size(), 3u);
  ASSERT_EQ(s.ghostKeys.size(), 2u);
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(s.badKeys[i].node.value, ex.hive.keyNode[static_cast<std::size_t>(ex.badKeys[i])]);
  for (std::size_t i = 0; i < 2; ++i)
    EXPECT_EQ(s.ghostKeys[i].node.value, ex.hive.keyNode[static_cast<std::size_t>(ex.ghostKeys[i])]);
  // The root and the groups have no record, so no name; 0x82 0xA0 is HIRAGANA LETTER A.
  EXPECT_EQ(s.badKeys[0].path, "\u3042Key0100\\");
}

// One block, two key nodes, one data record of RecSize 100: the whole file's in-use bytes
// after the block pass are 56 + 100 + 32 = 188, and the using average (188 - 32 - 32) / 1.
TEST(AnalyzerUsingAverage, CountsKeyNodesAndOneHeader) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "ROOT");
  b.SetNoRecord(root);
  AddKeyOfRecordSize(b, root, "", 1, 100);
  auto run = RunJob(b.Build());
  ASSERT_EQ(run->Code(), 0);
  const AnalysisResult& s = *run->result.analysis;
  EXPECT_EQ(s.usingRecords.average, 124);
  EXPECT_EQ(s.wholeFile.Using, 188 + 64);  // the two file headers come after the average
  EXPECT_EQ(Values(run->Series()[SeriesId::KeyRecordAverage]), (std::vector<double>{124}));
  EXPECT_EQ(run->Series()[SeriesId::FileSpace][2].value, 252);
}

}  // namespace
}  // namespace quarvex::testing
