// The analysis of a real Windows Me user.dat (skipped where the file is not present).
#include <gtest/gtest.h>

#include <numeric>

#include "hive/format.h"
#include "tests/analyzer_fixtures.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

class AnalyzerRealUserDat : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes = RealUserDat();
    if (!bytes) GTEST_SKIP() << "the real user.dat is not here";
    run = RunJob(*bytes);
    ASSERT_EQ(run->Code(), 0);
    ASSERT_TRUE(run->result.analysis.has_value());
  }
  const AnalysisResult& Summary() const { return *run->result.analysis; }
  std::int32_t FileI32(std::size_t at) const {
    hive::ByteCursor cursor(Bytes(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()), at);
    return cursor.I32();
  }

  std::optional<std::string> bytes;
  std::unique_ptr<JobRun> run;
};

TEST_F(AnalyzerRealUserDat, Visits788KeysInFourBlocks) {
  EXPECT_EQ(Summary().keyNodeBlock.Using, 788 * 28);
  EXPECT_EQ(Summary().dataBlocks.size(), 4u);
  EXPECT_EQ(run->Series()[SeriesId::BlockInUse].Count(), 5u);
  // Every key but the nameless root has a record, and every name is plain ASCII whose
  // stored sum matches.
  EXPECT_EQ(Summary().goodCount, 787);
  EXPECT_EQ(Summary().badCount + Summary().ghostCount, 0);
  EXPECT_EQ(run->Series()[SeriesId::KeyRecordSizes].Count(), 787u);
  EXPECT_EQ(run->Series()[SeriesId::KeyRecordSizes].Label(0), "60");  // the root, at 32, has no point
}

// Every byte of the file is in use, free or dead gap: 32 for the file header, the key-node
// block and every data block, each by its own stated size.
TEST_F(AnalyzerRealUserDat, WholeRowAccountsForEveryBlock) {
  std::int64_t blocks = 0;
  std::int64_t at = FileI32(8);  // iRGDB1st
  for (int b = 0; b < 4; ++b) {
    const std::int32_t size = FileI32(static_cast<std::size_t>(at) + 4);
    blocks += size;
    at += size;
  }
  const std::int64_t rgkn = FileI32(36);
  EXPECT_EQ(rgkn, 0x6000);
  EXPECT_EQ(Summary().wholeFile.Total(), 32 + rgkn + blocks);
  EXPECT_EQ(Summary().keyNodeBlock.Total(), rgkn - 32);
  for (const SpaceUsage& row : Summary().dataBlocks) EXPECT_GT(row.Using, 0);
}

TEST_F(AnalyzerRealUserDat, RowsAddUpToTheWholeAndTheSectionIsComplete) {
  const AnalysisResult& s = Summary();
  SpaceUsage sum = s.keyNodeBlock;
  for (const SpaceUsage& row : s.dataBlocks) {
    sum.Using += row.Using + 32;
    sum.Empty += row.Empty;
    sum.DeadGap += row.DeadGap;
  }
  sum.Using += 64;
  EXPECT_EQ(sum, s.wholeFile);
  EXPECT_EQ(s.emptyRecords.count, run->Series()[SeriesId::FreeRecordSizes].Count());
  EXPECT_EQ(run->Series()[SeriesId::KeyRecordAverage].Count(), s.emptyRecords.count + 1);
  EXPECT_EQ(AnalyzerSectionLines(*run).size(), 25u + 4u);
  EXPECT_EQ(run->Lines().back(), " Done: 2026/12/07 10:00:00");
}

}  // namespace
}  // namespace quarvex::testing
