// The analyser's report section: when it is written, the key listing, and its number fields.
#include <gtest/gtest.h>

#include "analyzer/space_analysis.h"
#include "hive/keyname.h"
#include "tests/analyzer_fixtures.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

// Root with a bad key (double-byte name) holding a ghost child, and a second ghost.
BuiltHive FlaggedKeys() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "HKEY_USERS");
  const int bad = b.AddKey(root, "\x82\xA0Kana");
  const int ghost = b.AddKey(bad, "Child");
  const int other = b.AddKey(root, "Other");
  b.SetChecksum(ghost, 1);
  b.SetChecksum(other, 2);
  b.AddFreeRecord(0, 40);
  return b.Build();
}

std::vector<std::string>::const_iterator Find(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line);
}

// analyzer_key_paths.txt: a small hive's section with one bad and two ghost keys listed
// under their counts, paths in the hive's own bytes (Shift-JIS), each ending in a backslash.
TEST(AnalyzerReport, ListsBadAndGhostKeyPaths) {
  auto run = RunJob(FlaggedKeys());
  ASSERT_EQ(run->Code(), 0);
  EXPECT_TRUE(MatchesGolden("analyzer_key_paths.txt", AnalyzerSection(*run)));
  const auto lines = AnalyzerSectionLines(*run);
  const auto bad = Find(lines, "   Bad     :        1");
  ASSERT_NE(bad, lines.end());
  EXPECT_EQ(*(bad + 1), "      HKEY_USERS\\\x82\xA0Kana\\");
  EXPECT_EQ(*(bad + 2), "   GhostKey:        2");
  EXPECT_EQ(*(bad + 3), "      HKEY_USERS\\\x82\xA0Kana\\Child\\");
  EXPECT_EQ(*(bad + 4), "      HKEY_USERS\\Other\\");
}

TEST(AnalyzerReport, WithoutKeyListingOnlyTheCounts) {
  auto run = RunJob(FlaggedKeys(), WithOption(Option::ListBadAndGhostKeys, false));
  const auto lines = AnalyzerSectionLines(*run);
  const auto bad = Find(lines, "   Bad     :        1");
  ASSERT_NE(bad, lines.end());
  EXPECT_EQ(*(bad + 1), "   GhostKey:        2");
  EXPECT_EQ(*(bad + 2), "");
}

TEST(AnalyzerReport, WithoutFlaggedKeysGhostFollowsBad) {
  auto run = RunJob(SmallTwoBlockHive().builder.Build());
  const auto lines = AnalyzerSectionLines(*run);
  const auto bad = Find(lines, "   Bad     :        0");
  ASSERT_NE(bad, lines.end());
  EXPECT_EQ(*(bad + 1), "   GhostKey:        0");
}

// Without cbANrep the analysis still runs and fills the series, and writes nothing.
TEST(AnalyzerReport, ResultToReportOffWritesNoLine) {
  auto run = RunJob(FlaggedKeys(), WithOption(Option::AnalysisInReport, false));
  ASSERT_EQ(run->Code(), 0);
  EXPECT_EQ(AnalyzerSection(*run), "");
  EXPECT_EQ(run->ReportAfterHeader(), "\r\n Done: 2026/12/07 10:00:00\r\n");
  EXPECT_EQ(run->Series()[SeriesId::KeyRecordSizes].Count(), 4u);
  EXPECT_TRUE(run->result.analysis.has_value());
}

// The section stands right after the header (no pre-scan trace asked for) and before the
// closing lines.
TEST(AnalyzerReport, SectionStandsBetweenHeaderAndDoneLine) {
  auto run = RunJob(FlaggedKeys());
  const std::string after = run->ReportAfterHeader();
  EXPECT_EQ(after, AnalyzerSection(*run) + "\r\n Done: 2026/12/07 10:00:00\r\n");
}

// Nothing to sum: no record at all, a data block that is only its header. Shares of a row
// that adds up to 0 are 0.0; sizes and averages of series without points are 0.
TEST(AnalyzerReport, EmptySeriesAndZeroRowsShowZeros) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "ROOT");
  b.SetNoRecord(root);
  auto run = RunJob(b.Build());
  ASSERT_EQ(run->Code(), 0);
  const auto lines = AnalyzerSectionLines(*run);
  EXPECT_NE(Find(lines, "   RGKN    :        28(100.0)          0(  0.0)          0(  0.0)"), lines.end());
  EXPECT_NE(Find(lines, "   RGDB0000:         0(  0.0)          0(  0.0)          0(  0.0)"), lines.end());
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "   Max    :      0"), 2);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "   Min    :      0"), 2);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "   Average:      0"), 2);
  EXPECT_EQ(Values(run->Series()[SeriesId::KeyRecordAverage]), (std::vector<double>{0}));
  EXPECT_EQ(Values(run->Series()[SeriesId::FreeRecordAverage]), (std::vector<double>{0}));
}

TEST(AnalyzerReport, NoDataBlockGoesStraightToTheDashedLine) {
  auto run = RunRootWithBlocks(0);
  ASSERT_EQ(run->Code(), 0);
  const auto lines = AnalyzerSectionLines(*run);
  ASSERT_GE(lines.size(), 6u);
  EXPECT_TRUE(lines[4].starts_with("   RGKN    :"));
  EXPECT_EQ(lines[5], "   --------+-----------------------------------------------------");
}

// A record claiming 123,456,789 bytes in use: the amount is cut to its first ten characters,
// the block's dead gap goes negative with its sign, and the maximum is cut to six.
TEST(AnalyzerReport, LongAmountsAreCutAndNegativesKeepTheirSign) {
  HiveBuilder b;
  b.AddKey(HiveBuilder::kRootParent, "ROOT");
  BuiltHive hive = b.Build();
  hive.PutU32(hive.keyRecord[0] + 8, 123456789);
  auto run = RunJob(hive);
  ASSERT_EQ(run->Code(), 0);
  const auto lines = AnalyzerSectionLines(*run);
  // Block of 56 bytes: the dead gap is 24 - 123,456,789, the row adds up to 24, so the
  // shares are 514,403,287.5 and -514,403,187.5 %, cut to five characters.
  ASSERT_GE(lines.size(), 16u);
  EXPECT_EQ(lines[5], "   RGDB0000:123,456,78(514,4)          0(  0.0) -123,456,7(-514,)");
  EXPECT_EQ(lines[15], "   Max    : 123,45");
}

// Amounts and shares follow the job's locale.
TEST(AnalyzerReport, NumbersFollowTheLocale) {
  JobInput input;
  input.locale.thousandsSeparator = ".";
  input.locale.decimalPoint = ",";
  const WorkedExample ex = BuildWorkedExample();
  auto run = RunJob(ex.hive, WithOption(Option::ListBadAndGhostKeys, false), input);
  const auto lines = AnalyzerSectionLines(*run);
  EXPECT_NE(Find(lines, "   RGKN    :    28.000( 85,4)      1.204(  3,7)      3.564( 10,9)"), lines.end());
}

// The result belongs to one run: a later run into the same result that fails in the
// analysis leaves none behind (the window reuses its result from job to job).
TEST(AnalyzerReport, ResultIsResetByTheNextRun) {
  auto run = RunJob(FlaggedKeys());
  ASSERT_TRUE(run->result.analysis.has_value());
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.AddKey(root, "A");
  BuiltHive broken = b.Build();
  broken.PutU32(broken.KeyNodeFileOffset(root) + 16, 0x7FFFFF00);  // LwrOfs far outside the file
  JobInput input;
  input.fileName = "broken.dat";
  input.bytes = broken.bytes;
  JobEvents quiet;
  job::RunJob(input, quiet, run->result);
  EXPECT_EQ(run->Code(), code::kKeyNodeShort);
  EXPECT_FALSE(run->result.analysis.has_value());
}

}  // namespace
}  // namespace quarvex::testing
