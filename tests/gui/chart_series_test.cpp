// The chart holds what the analysis found: each series' points with their values, labels
// and colours, after a real job on the bundled sample and for hand-made oddities.
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QPercentBarSeries>
#include <QtCharts/QPieSeries>
#include <QtCharts/QScatterSeries>

#include "tests/gui/chart_fixture.h"
#include "ui/charts/chart_style.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::charttesting {

using namespace quarvex::analyzer::chartviews;
namespace {

QColor Colour(Rgb rgb) { return QColor(rgb.r, rgb.g, rgb.b); }

// The label a series shows for its points: pies and bars show them, point and line series
// keep their marks hidden.
QString ShownLabel(std::size_t series, const ChartPoint& point) {
  const bool shown = series <= 4;
  return shown ? QString::fromStdString(point.label) : QString();
}

TEST(ChartSeries, HoldsEveryPointOfARealJobWithItsValueLabelAndColour) {
  const ChartSeriesSet& data = SampleSeries();
  AnalysisChart chart;
  chart.LoadSeries(data);
  ASSERT_EQ(chart.SeriesCount(), 9);
  for (std::size_t s = 0; s < kSeriesCount; ++s) {
    const ChartSeries& series = data.At(s);
    const int i = static_cast<int>(s);
    ASSERT_GT(series.Count(), 0u) << "the sample fills Series" << s + 1;
    ASSERT_EQ(chart.PointCount(i), static_cast<int>(series.Count())) << "Series" << s + 1;
    for (std::size_t p = 0; p < series.Count(); ++p) {
      const int k = static_cast<int>(p);
      EXPECT_EQ(chart.PointValue(i, k), series[p].value) << "Series" << s + 1 << " point " << p;
      EXPECT_EQ(chart.PointLabel(i, k), ShownLabel(s, series[p])) << "Series" << s + 1 << " point " << p;
      EXPECT_EQ(chart.PointColour(i, k), Colour(series[p].colour)) << "Series" << s + 1 << " point " << p;
    }
  }
}

TEST(ChartSeries, PiesAndBarsCarryTheirLabelsAndTitles) {
  AnalysisChart chart;
  chart.LoadSeries(SampleSeries());
  EXPECT_EQ(chart.PointLabel(kTotalUsage, 0), "D-Gap");
  EXPECT_EQ(chart.PointLabel(kTotalUsage, 1), "Empty");
  EXPECT_EQ(chart.PointLabel(kTotalUsage, 2), "Using");
  EXPECT_EQ(chart.PointLabel(kKeyNameChecksums, 0), "Ghost");
  EXPECT_EQ(chart.PointLabel(kKeyNameChecksums, 2), "Good");
  EXPECT_EQ(chart.PointLabel(kBlockUsing, 0), "KN") << "the bar labels name the bottom axis' positions";
  EXPECT_EQ(chart.PointLabel(kBlockUsing, 1), "0");
  chart.SelectView(ChartView::BlockUsage);
  auto* bars = qobject_cast<QPercentBarSeries*>(chart.chart()->series().value(0));
  ASSERT_NE(bars, nullptr);
  QStringList titles;
  for (QBarSet* set : bars->barSets()) titles.append(set->label());
  EXPECT_EQ(titles, QStringList({"Using", "Empty", "DeadGap"}));
  auto* axis = qobject_cast<QBarCategoryAxis*>(bars->attachedAxes().value(0));
  if (!axis) axis = qobject_cast<QBarCategoryAxis*>(bars->attachedAxes().value(1));
  ASSERT_NE(axis, nullptr);
  EXPECT_EQ(axis->categories().value(0), "KN");
  EXPECT_EQ(axis->count(), chart.PointCount(kBlockUsing));
}

TEST(ChartSeries, ClearSeriesEmptiesEverySeriesAndKeepsTheView) {
  AnalysisChart chart;
  chart.LoadSeries(SampleSeries());
  chart.SelectView(ChartView::FreeRecordSizes);
  chart.ClearSeries();
  for (int i = 0; i < 9; ++i) EXPECT_EQ(chart.PointCount(i), 0) << "Series" << i + 1;
  EXPECT_TRUE(chart.SeriesActive(kRecordSizeAverage));
  EXPECT_TRUE(chart.SeriesActive(kFreeRecordSizes));
  EXPECT_TRUE(chart.SeriesActive(kFreeRecordSizeAverage));
  EXPECT_TRUE(chart.MarkTexts().isEmpty());
}

TEST(ChartSeries, ALaterLoadReplacesTheEarlierPoints) {
  AnalysisChart chart;
  chart.SelectView(ChartView::RecordSizes);
  chart.LoadSeries(PointSet({10, 20, 30, 40}, {5}));
  chart.LoadSeries(PointSet({7, 8}, {}));
  EXPECT_EQ(chart.PointCount(kRecordSizes), 2);
  EXPECT_EQ(chart.PointValue(kRecordSizes, 1), 8);
  EXPECT_EQ(chart.PointCount(kFreeRecordSizes), 0);
  EXPECT_EQ(chart.PointCount(kRecordSizeAverage), 1) << "n + 1 points with n = 0";
}

TEST(ChartSeries, PointsOfOtherColoursKeepTheirOwn) {
  ChartSeriesSet set;
  set[SeriesId::KeyRecordSizes].Add(10, "32", kBlue);
  set[SeriesId::KeyRecordSizes].Add(20, "60", kRed);
  set[SeriesId::KeyRecordSizes].Add(30, "88", kBlue);
  AnalysisChart chart;
  chart.LoadSeries(set);
  chart.SelectView(ChartView::RecordSizes);
  EXPECT_EQ(chart.PointColour(kRecordSizes, 0), Colour(kBlue));
  EXPECT_EQ(chart.PointColour(kRecordSizes, 1), Colour(kRed));
  EXPECT_EQ(chart.PointColour(kRecordSizes, 2), Colour(kBlue));
  EXPECT_EQ(chart.PointValue(kRecordSizes, 2), 30);
  int scatter = 0;
  for (QAbstractSeries* s : chart.chart()->series()) scatter += qobject_cast<QScatterSeries*>(s) != nullptr;
  EXPECT_EQ(scatter, 2) << "one Qt series per colour";
}

TEST(ChartSeries, ANegativeDeadGapIsShownInItsMarkAndDrawnAsAnEmptySlice) {
  ChartSeriesSet set;
  set[SeriesId::FileSpace].Add(-40, "D-Gap", kRed);
  set[SeriesId::FileSpace].Add(100, "Empty", kGreen);
  set[SeriesId::FileSpace].Add(900, "Using", kBlue);
  AnalysisChart chart;
  chart.LoadSeries(set);
  chart.SelectView(ChartView::TotalUsage);
  EXPECT_EQ(chart.PointValue(kTotalUsage, 0), -40);
  EXPECT_TRUE(chart.MarkTexts().contains("D-Gap " + chartstyle::GroupedNumber(-40)));
  auto* pie = qobject_cast<QPieSeries*>(chart.chart()->series().value(0));
  ASSERT_NE(pie, nullptr);
  EXPECT_EQ(pie->slices().at(0)->value(), 0) << "Qt cannot draw a negative slice";
  EXPECT_EQ(pie->slices().at(2)->value(), 900);
}

TEST(ChartSeries, RepeatedOrMissingBarLabelsStillNameEveryBar) {
  ChartSeriesSet set;
  set[SeriesId::BlockInUse].Add(10, "KN", kBlue);
  set[SeriesId::BlockInUse].Add(20, "0", kBlue);
  set[SeriesId::BlockInUse].Add(30, "0", kBlue);
  set[SeriesId::BlockFree].Add(5, "KN", kGreen);
  set[SeriesId::BlockDeadGap].Add(1, "KN", kRed);  // a run that ended early: shorter sets
  const auto chart = ShownChart();
  chart->LoadSeries(set);
  chart->SelectView(ChartView::BlockUsage);
  Settle();
  EXPECT_EQ(chart->PointLabel(kBlockUsing, 2), "0");
  EXPECT_EQ(chart->PointLabel(kBlockEmpty, 0), "KN");
  EXPECT_EQ(chart->PointCount(kBlockDeadGap), 1);
  EXPECT_EQ(chart->MarkTexts().size(), 5) << "three bars of KN, one each of the other two";
}

}  // namespace
}  // namespace quarvex::ui::charttesting
