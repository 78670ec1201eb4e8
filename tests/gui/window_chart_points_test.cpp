// The analyser's record-size points in the window: a point's tooltip names its key by its path
// (a free record by its block and offset) with its size, on the real Windows Me user.dat; and
// naming a key, by tooltip or by click, leaves a failed job's code as the job left it.
#include <QComboBox>
#include <QLineEdit>

#include "hive/keyname.h"
#include "text/text_encoding.h"
#include "ui/charts/analysis_chart.h"
#include "ui/charts/chart_style.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace chartviews = quarvex::analyzer::chartviews;

namespace quarvex::ui::testing {
namespace {

std::string RealUserDat() { return std::string(QUARVEX_TEST_DATA_DIR) + "/USER.DAT"; }

TEST(WindowChartPoints, APointsTooltipGivesItsKeysPathAndItsSize) {
  auto form = MakeWindow();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  OpenThroughDialog(*form, RealUserDat());
  ASSERT_TRUE(WaitForJob(*form));
  ASSERT_TRUE(form->Job().analysis.has_value());
  auto* chart = Child<AnalysisChart>(*form, "chAna");
  Child<QComboBox>(*form, "cbxSelChart")->setCurrentIndex(4);
  QTest::qWait(50);
  // The two largest records, 18,132 and 6,126 bytes, each named by its key's path as the hive
  // gives it: the same job once more, apart from the window.
  job::JobInput input;
  input.fileName = RealUserDat();
  input.codePage = form->JobCodePage();
  job::JobResult again = job::RunJob(input);
  ASSERT_TRUE(again.analysis.has_value());
  std::vector<int> largest;
  for (int k = 0; k < chart->PointCount(chartviews::kRecordSizes); ++k)
    if (chart->PointValue(chartviews::kRecordSizes, k) > 6000) largest.push_back(k);
  ASSERT_EQ(largest.size(), 2u);
  for (int k : largest) {
    const std::string path = CodePageToUtf8(
        ResolveKeyPath(again.hive, again.analysis->keys[static_cast<std::size_t>(k)].node), form->JobCodePage());
    ASSERT_FALSE(path.empty());
    const QString tip = chart->PointToolTip(chart->PointPosition(chartviews::kRecordSizes, k));
    const QString size =
        chartstyle::GroupedNumber(chart->PointValue(chartviews::kRecordSizes, k)) + QStringLiteral(" bytes");
    EXPECT_EQ(tip, QString::fromStdString(path) + QLatin1Char('\n') + size);
  }
  EXPECT_TRUE(
      chart->PointToolTip(chart->PointPosition(chartviews::kRecordSizes, largest.front())).endsWith("18,132 bytes") ||
      chart->PointToolTip(chart->PointPosition(chartviews::kRecordSizes, largest.back())).endsWith("18,132 bytes"));
  EXPECT_EQ(form->Job().code, 0);
  // A free record: its block and offset.
  Child<QComboBox>(*form, "cbxSelChart")->setCurrentIndex(5);
  QTest::qWait(50);
  ASSERT_GT(chart->PointCount(chartviews::kFreeRecordSizes), 0);
  const analyzer::FreeRecordFact& first = form->Job().analysis->freeRecords.front();
  const QString tip = chart->PointToolTip(chart->PointPosition(chartviews::kFreeRecordSizes, 0));
  EXPECT_TRUE(tip.startsWith(QStringLiteral("free record in block %1 at offset 0x").arg(first.block)))
      << tip.toStdString();
}

// A job that fails after a completed one leaves the chart with the last file's points; a click
// or tooltip on one names the last file's key but must not turn the failed job into a good one.
TEST(WindowChartPoints, NamingAPointAfterAFailedJobKeepsTheJobsCode) {
  QTemporaryDir dir;
  auto form = MakeWindow();
  OpenThroughDialog(*form, SamplePath());
  ASSERT_TRUE(WaitForJob(*form));
  OpenThroughDialog(*form, InDir(dir, "GONE.DAT"));
  ASSERT_TRUE(WaitForJob(*form));
  const std::int32_t failed = form->Job().code;
  ASSERT_NE(failed, 0);
  const std::int32_t hiveCode = form->Job().hive.errorCode;
  auto* chart = Child<AnalysisChart>(*form, "chAna");
  ASSERT_GT(chart->PointCount(chartviews::kRecordSizes), 1) << "the last file's points stay";
  form->OnUsingPointClick(1);
  EXPECT_FALSE(Child<QLineEdit>(*form, "edMes")->text().isEmpty()) << "the key is still named";
  EXPECT_EQ(form->Job().code, failed);
  EXPECT_EQ(form->Job().hive.errorCode, hiveCode);
  chart->SelectView(chartviews::ChartView::RecordSizes);
  QTest::qWait(20);
  chart->PointToolTip(chart->PointPosition(chartviews::kRecordSizes, 1));
  EXPECT_EQ(form->Job().code, failed);
  // An index the analysis does not have changes nothing.
  Child<QLineEdit>(*form, "edMes")->setText(QStringLiteral("kept"));
  form->OnUsingPointClick(1 << 30);
  EXPECT_EQ(Child<QLineEdit>(*form, "edMes")->text(), QStringLiteral("kept"));
  EXPECT_EQ(form->Job().code, failed);
}

}  // namespace
}  // namespace quarvex::ui::testing
