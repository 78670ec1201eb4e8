// The six views of the selector: which series each makes active, the bar marks of entries 1
// and 2, what an index outside the list does, and the chart before any analysis.
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QPercentBarSeries>
#include <QtCharts/QPieSeries>
#include <QtCharts/QScatterSeries>
#include <set>

#include "tests/gui/chart_fixture.h"
#include "ui/charts/chart_style.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::charttesting {

using namespace quarvex::analyzer::chartviews;
namespace {

// The series of each view, by index, in the selector's order.
const std::vector<std::set<int>> kViewSeries = {
    {AnalysisChart::IndexOf(kTotalUsage)},
    {AnalysisChart::IndexOf(kBlockUsing), AnalysisChart::IndexOf(kBlockEmpty), AnalysisChart::IndexOf(kBlockDeadGap)},
    {AnalysisChart::IndexOf(kBlockUsing), AnalysisChart::IndexOf(kBlockEmpty), AnalysisChart::IndexOf(kBlockDeadGap)},
    {AnalysisChart::IndexOf(kKeyNameChecksums)},
    {AnalysisChart::IndexOf(kRecordSizes)},
    {AnalysisChart::IndexOf(kRecordSizeAverage), AnalysisChart::IndexOf(kFreeRecordSizes),
     AnalysisChart::IndexOf(kFreeRecordSizeAverage)}};

std::set<int> ActiveSeries(const AnalysisChart& chart) {
  std::set<int> active;
  for (int i = 0; i < chart.SeriesCount(); ++i)
    if (chart.SeriesActive(i)) active.insert(i);
  return active;
}

// The kinds of the Qt series on the chart, in order: what is drawn.
QStringList DrawnKinds(const AnalysisChart& chart) {
  QStringList kinds;
  for (QAbstractSeries* s : chart.chart()->series()) {
    if (qobject_cast<QPieSeries*>(s))
      kinds.append("pie");
    else if (auto* bars = qobject_cast<QPercentBarSeries*>(s))
      kinds.append(QString("bars:%1").arg(bars->count()));
    else if (qobject_cast<QScatterSeries*>(s))
      kinds.append("points");
    else if (qobject_cast<QLineSeries*>(s))
      kinds.append("line");
  }
  return kinds;
}

TEST(ChartViews, TheSixEntriesAreQuotedExactly) {
  EXPECT_EQ(AnalysisChart::ViewNames(),
            QStringList({QStringLiteral(u"利用状況（全体）/ Total Using/Empty Rate"),
                         QStringLiteral(u"利用状況（ﾌﾞﾛｯｸ毎）/ Using/Empty Rate at each Block"),
                         QStringLiteral(u"利用状況（ﾌﾞﾛｯｸ毎値非表示）/ U/E Rate at Each Block 2"),
                         QStringLiteral(u"ｷｰ名ﾁｪｯｸｻﾑ合否/ Key-Name Check-sum Check"),
                         QStringLiteral(u"ﾚｺｰﾄﾞｻｲｽﾞ分布/ Using Record Size"),
                         QStringLiteral(u"空きﾚｺｰﾄﾞｻｲｽﾞ分布/ Empty Record Size")}));
}

TEST(ChartViews, EachEntryActivatesExactlyItsSeriesAndDrawsNothingElse) {
  const auto chart = ShownChart();
  chart->LoadSeries(SampleSeries());
  const std::vector<QStringList> drawn = {{"pie"}, {"bars:3"}, {"bars:3"},
                                          {"pie"}, {"points"}, {"line", "points", "line"}};
  // Every order of arrival: each view after each other one.
  for (int from = 0; from < 6; ++from)
    for (int to = 0; to < 6; ++to) {
      chart->SelectView(from);
      chart->SelectView(to);
      EXPECT_EQ(ActiveSeries(*chart), kViewSeries[to]) << "view " << to << " after " << from;
      EXPECT_EQ(DrawnKinds(*chart), drawn[to]) << "view " << to << " after " << from;
    }
}

TEST(ChartViews, TheLegendListsOnlyTheActiveSeriesOfTheLegendLastFirst) {
  AnalysisChart chart;
  chart.LoadSeries(SampleSeries());
  const std::vector<QStringList> legend = {
      {}, {"DeadGap", "Empty", "Using"},      {"DeadGap", "Empty", "Using"},
      {}, {"UsingSize AVG.", "UsingRecSize"}, {"EmptySize AVG.", "UsingSize AVG."}};
  for (int view = 0; view < 6; ++view) {
    chart.SelectView(view);
    EXPECT_EQ(chart.LegendEntries(), legend[view]) << "view " << view;
  }
}

TEST(ChartViews, EntryOneAfterEntryTwoShowsTheBarMarksAgainAndEntryTwoHidesThem) {
  const auto chart = ShownChart();
  const ChartSeriesSet& data = SampleSeries();
  chart->LoadSeries(data);
  const QString usingKn = chartstyle::GroupedNumber(data[SeriesId::BlockInUse][0].value);
  chart->SelectView(ChartView::BlockUsageWithoutMarks);
  Settle();
  for (SeriesId id : kBlockSeries) EXPECT_FALSE(chart->MarksVisible(id));
  EXPECT_TRUE(chart->MarkTexts().isEmpty());
  chart->SelectView(ChartView::BlockUsage);
  Settle();
  for (SeriesId id : kBlockSeries) EXPECT_TRUE(chart->MarksVisible(id));
  EXPECT_TRUE(chart->MarkTexts().contains(usingKn)) << "the value itself, not its share";
  chart->SelectView(ChartView::BlockUsageWithoutMarks);
  Settle();
  EXPECT_TRUE(chart->MarkTexts().isEmpty());
  // Other views leave the bar marks as they are.
  chart->SelectView(ChartView::RecordSizes);
  EXPECT_FALSE(chart->MarksVisible(kBlockUsing));
}

TEST(ChartViews, BarsTooNarrowForTheirMarksGetNoneAndOnlyEveryNthIsNamed) {
  const auto chart = ShownChart();
  for (int bars : {3, 400}) {
    ChartSeriesSet set;
    for (int b = 0; b < bars; ++b) {
      const std::string label = b ? std::to_string(b - 1) : "KN";
      set[SeriesId::BlockInUse].Add(20000, label, kBlue);
      set[SeriesId::BlockFree].Add(3000, label, kGreen);
      set[SeriesId::BlockDeadGap].Add(400, label, kRed);
    }
    chart->LoadSeries(set);
    chart->SelectView(ChartView::BlockUsage);
    Settle();
    const bool wide = bars == 3;
    EXPECT_EQ(chart->MarkTexts().size(), wide ? 9 : 0) << bars << " bars";
    const QStringList names = chart->BarLabelTexts();
    if (wide) {
      EXPECT_EQ(names, QStringList({"KN", "0", "1"}));
    } else {
      // Three rows are not enough for 400 names: every n-th bar, from the first.
      ASSERT_GE(names.size(), 2);
      EXPECT_LT(names.size(), bars);
      EXPECT_EQ(names.front(), "KN");
      const std::vector<QRectF> boxes = chart->BarLabelBoxes();
      for (std::size_t a = 0; a < boxes.size(); ++a)
        for (std::size_t b = a + 1; b < boxes.size(); ++b) EXPECT_FALSE(boxes[a].intersects(boxes[b]));
    }
    EXPECT_TRUE(chart->MarksVisible(kBlockUsing)) << "the marks stay on; there is no room to draw them";
  }
}

TEST(ChartViews, ThePiesShowLabelAndValueMarks) {
  const auto chart = ShownChart();
  const ChartSeriesSet& data = SampleSeries();
  chart->LoadSeries(data);
  chart->SelectView(ChartView::KeyNameChecksums);
  Settle();
  const ChartSeries& goodSum = data[SeriesId::KeyVerdicts];
  QStringList expected;
  for (const ChartPoint& p : goodSum.Points())
    expected.append(QString::fromStdString(p.label) + " " + chartstyle::GroupedNumber(p.value));
  EXPECT_EQ(chart->MarkTexts(), expected);
  EXPECT_TRUE(chart->MarksVisible(kKeyNameChecksums));
  EXPECT_FALSE(chart->MarksVisible(kRecordSizes)) << "the point series keep their marks hidden";
}

TEST(ChartViews, AnIndexOutsideTheListLeavesEverySeriesInactive) {
  AnalysisChart chart;
  chart.LoadSeries(SampleSeries());
  for (int index : {-1, 6, 1000}) {
    chart.SelectView(ChartView::BlockUsage);
    chart.SelectView(index);
    EXPECT_TRUE(ActiveSeries(chart).empty()) << index;
    EXPECT_TRUE(chart.chart()->series().isEmpty()) << index;
    EXPECT_TRUE(chart.LegendEntries().isEmpty()) << index;
    EXPECT_TRUE(chart.MarkTexts().isEmpty()) << index;
  }
}

TEST(ChartViews, AtStartTheChartShowsViewZeroWithAnEmptyPie) {
  AnalysisChart chart;
  EXPECT_EQ(ActiveSeries(chart), std::set<int>{0});
  ASSERT_EQ(DrawnKinds(chart), QStringList{"pie"});
  EXPECT_EQ(qobject_cast<QPieSeries*>(chart.chart()->series().at(0))->count(), 0);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(chart.PointCount(i), 0);
  EXPECT_TRUE(chart.chart()->title().isEmpty());
}

TEST(ChartViews, EntryFourDrawsTheInUsePointsAloneAndEntryFiveBothAverageLines) {
  AnalysisChart chart;
  chart.LoadSeries(PointSet({40, 80, 120}, {16, 32, 48}));
  chart.SelectView(ChartView::RecordSizes);
  EXPECT_EQ(DrawnKinds(chart), QStringList{"points"});
  chart.SelectView(ChartView::FreeRecordSizes);
  EXPECT_EQ(chart.PointCount(kRecordSizeAverage), chart.PointCount(kFreeRecordSizes) + 1);
  EXPECT_EQ(chart.PointCount(kFreeRecordSizeAverage), chart.PointCount(kFreeRecordSizes) + 1);
  EXPECT_EQ(chart.LegendEntries(), QStringList({"EmptySize AVG.", "UsingSize AVG."}));
}

TEST(ChartViews, ChangingTheViewNeverChangesThePoints) {
  AnalysisChart chart;
  chart.LoadSeries(SampleSeries());
  std::vector<int> counts;
  for (int i = 0; i < 9; ++i) counts.push_back(chart.PointCount(i));
  for (int view : {4, 5, 1, 2, 0, 3, 4, -1, 5}) chart.SelectView(view);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(chart.PointCount(i), counts[static_cast<std::size_t>(i)]);
  EXPECT_EQ(chart.PointValue(kRecordSizes, 3), SampleSeries()[SeriesId::KeyRecordSizes][3].value);
}

}  // namespace
}  // namespace quarvex::ui::charttesting
