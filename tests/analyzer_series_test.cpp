// The nine chart series after a job: how many points, in what order, labelled and coloured how.
#include <gtest/gtest.h>

#include "tests/analyzer_fixtures.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

std::vector<Rgb> Colours(const ChartSeries& series) {
  std::vector<Rgb> colours;
  for (const ChartPoint& p : series.Points()) colours.push_back(p.colour);
  return colours;
}

class AnalyzerSeries : public ::testing::Test {
 protected:
  void SetUp() override {
    SmallHive s = SmallTwoBlockHive();
    s.builder.SetRgknSlack(20);
    s.builder.SetRecordSlack(s.a, 8);
    s.builder.AddFreeRecord(1, 16);  // four free records against three in use
    keys = s;
    hive = s.builder.Build();
    run = RunJob(hive);
    ASSERT_EQ(run->Code(), 0);
  }
  const ChartSeries& Series(SeriesId id) const { return run->Series()[id]; }
  std::string NodeLabel(int key) const { return std::to_string(hive.keyNode[static_cast<std::size_t>(key)]); }

  SmallHive keys;
  BuiltHive hive;
  std::unique_ptr<JobRun> run;
};

TEST_F(AnalyzerSeries, SpacePieIsDeadGapEmptyUsingOfTheWholeFile) {
  EXPECT_EQ(Labels(Series(SeriesId::FileSpace)), (std::vector<std::string>{"D-Gap", "Empty", "Using"}));
  EXPECT_EQ(Colours(Series(SeriesId::FileSpace)), (std::vector<Rgb>{kRed, kGreen, kBlue}));
  // Dead gap: 20 in the key-node block, 8 of record slack. Empty: 100 + 40 + 24 + 64 + 16.
  // Using: 4 key nodes, records of 24, 36 and 38 bytes, two block headers, two file headers.
  EXPECT_EQ(Values(Series(SeriesId::FileSpace)), (std::vector<double>{28, 244, 112 + (60 + 32) + (38 + 32) + 64}));
  EXPECT_EQ(28 + 244 + 338u, hive.bytes.size());
}

TEST_F(AnalyzerSeries, BarsPerBlockLabelledKnThenDecimalNumbers) {
  const std::vector<std::string> labels{"KN", "0", "1"};
  EXPECT_EQ(Labels(Series(SeriesId::BlockInUse)), labels);
  EXPECT_EQ(Labels(Series(SeriesId::BlockFree)), labels);
  EXPECT_EQ(Labels(Series(SeriesId::BlockDeadGap)), labels);
  EXPECT_EQ(Values(Series(SeriesId::BlockInUse)), (std::vector<double>{112, 60, 38}));
  EXPECT_EQ(Values(Series(SeriesId::BlockFree)), (std::vector<double>{100, 64, 80}));
  EXPECT_EQ(Values(Series(SeriesId::BlockDeadGap)), (std::vector<double>{20, 8, 0}));
  EXPECT_EQ(Colours(Series(SeriesId::BlockInUse)), std::vector<Rgb>(3, kBlue));
  EXPECT_EQ(Colours(Series(SeriesId::BlockFree)), std::vector<Rgb>(3, kGreen));
  EXPECT_EQ(Colours(Series(SeriesId::BlockDeadGap)), std::vector<Rgb>(3, kRed));
}

TEST_F(AnalyzerSeries, ChecksumPieIsGhostBadGood) {
  EXPECT_EQ(Labels(Series(SeriesId::KeyVerdicts)), (std::vector<std::string>{"Ghost", "Bad", "Good"}));
  EXPECT_EQ(Colours(Series(SeriesId::KeyVerdicts)), (std::vector<Rgb>{kRed, kGreen, kBlue}));
  EXPECT_EQ(Values(Series(SeriesId::KeyVerdicts)), (std::vector<double>{0, 0, 3}));
}

TEST_F(AnalyzerSeries, RecordSizePointsInWalkOrderLabelledWithNodeOffsets) {
  EXPECT_EQ(Values(Series(SeriesId::KeyRecordSizes)), (std::vector<double>{24, 36, 38}));
  EXPECT_EQ(Labels(Series(SeriesId::KeyRecordSizes)),
            (std::vector<std::string>{NodeLabel(keys.root), NodeLabel(keys.a), NodeLabel(keys.bKey)}));
  EXPECT_EQ(Labels(Series(SeriesId::KeyRecordSizes)), (std::vector<std::string>{"32", "60", "116"}));
  EXPECT_EQ(Colours(Series(SeriesId::KeyRecordSizes)), std::vector<Rgb>(3, kBlue));
}

TEST_F(AnalyzerSeries, FreeRecordPointsBlockByBlockLabelledWithBlockOffsets) {
  EXPECT_EQ(Values(Series(SeriesId::FreeRecordSizes)), (std::vector<double>{40, 24, 64, 16}));
  std::vector<std::string> labels;
  for (const auto& block : hive.freeRecords)
    for (std::int32_t offset : block) labels.push_back(std::to_string(offset));
  EXPECT_EQ(Labels(Series(SeriesId::FreeRecordSizes)), (std::vector<std::string>{"100", "140", "70", "134"}));
  EXPECT_EQ(Labels(Series(SeriesId::FreeRecordSizes)), labels);
  EXPECT_EQ(Colours(Series(SeriesId::FreeRecordSizes)), std::vector<Rgb>(4, kRed));
}

// Both average lines follow the free-record series, not the in-use one: 4 free records
// (and 3 in use) give 5 points each.
TEST_F(AnalyzerSeries, AverageLinesHaveOnePointMoreThanTheFreeRecords) {
  // (112 + 92 + 70 - 2 x 32 - 32) / 3 = 59; (40 + 24 + 64 + 16) / 4 = 36.
  EXPECT_EQ(Values(Series(SeriesId::KeyRecordAverage)), std::vector<double>(5, 59));
  EXPECT_EQ(Values(Series(SeriesId::FreeRecordAverage)), std::vector<double>(5, 36));
  EXPECT_EQ(Labels(Series(SeriesId::KeyRecordAverage)), std::vector<std::string>(5, ""));
  EXPECT_EQ(Labels(Series(SeriesId::FreeRecordAverage)), std::vector<std::string>(5, ""));
  EXPECT_EQ(Colours(Series(SeriesId::KeyRecordAverage)), std::vector<Rgb>(5, kBlue));
  EXPECT_EQ(Colours(Series(SeriesId::FreeRecordAverage)), std::vector<Rgb>(5, kYellow));
}

TEST_F(AnalyzerSeries, ProgressTextsForNodesFreeNodesAndBlocks) {
  std::vector<std::string> analyser;
  for (const std::string& e : run->events.log)
    if (e.starts_with("status1:ANA:")) analyser.push_back(e.substr(8));
  EXPECT_EQ(analyser,
            (std::vector<std::string>{"ANA:00000020", "ANA:0000003C", "ANA:00000058", "ANA:00000074",
                                      "ANA:KN(00000090)_E", "ANA:KN(FFFFFFFF)_E", "ANA:DB(0000)_E", "ANA:DB(0001)_E"}));
}

TEST(AnalyzerSeriesCount, AJobWithoutAnalysisLeavesEverySeriesEmpty) {
  auto run = RunJob(SmallTwoBlockHive().builder.Build(), WithOption(Option::Analyse, false));
  ASSERT_EQ(run->Code(), 0);
  for (std::size_t i = 0; i < kSeriesCount; ++i) EXPECT_EQ(run->Series().At(i).Count(), 0u) << i;
  EXPECT_FALSE(run->result.analysis.has_value());
}

// Bars are labelled in decimal, rows and progress texts in hexadecimal.
TEST(AnalyzerSeriesCount, BlockTenIsLabelled10AndNamedRGDB000A) {
  auto run = RunRootWithBlocks(11);
  ASSERT_EQ(run->Code(), 0);
  EXPECT_EQ(run->Series()[SeriesId::BlockInUse].Label(11), "10");
  EXPECT_EQ(run->events.log.end(), std::find(run->events.log.begin(), run->events.log.end(), "status1:ANA:DB(0010)_E"));
  EXPECT_NE(run->events.log.end(), std::find(run->events.log.begin(), run->events.log.end(), "status1:ANA:DB(000A)_E"));
  const auto lines = AnalyzerSectionLines(*run);
  EXPECT_NE(lines.end(), std::find_if(lines.begin(), lines.end(),
                                      [](const std::string& l) { return l.starts_with("   RGDB000A:"); }));
}

}  // namespace
}  // namespace quarvex::testing
