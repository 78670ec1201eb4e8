// The pointers of the point series, drawn by the chart's points item (ui/charts/chart_points_item.h)
// and not by Qt's scatter series: each drawn point shows its pointer, filled in the point's
// colour, exactly where the chart places the point (where a click on it lands), also after a
// resize and after the view was switched away and back; the pointers lie over the average
// lines; a view without point series leaves none behind.
#include <QImage>
#include <QPixmap>

#include "tests/gui/chart_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::charttesting {

using namespace quarvex::analyzer::chartviews;
namespace {

QImage Shot(AnalysisChart& chart) {
  Settle();
  return chart.viewport()->grab().toImage();
}

// The points of series whose pointer centre does not show the point's colour, as "k: colour".
std::vector<std::string> MisplacedPointers(AnalysisChart& chart, SeriesId id) {
  const QImage shot = Shot(chart);
  std::vector<std::string> wrong;
  const int index = AnalysisChart::IndexOf(id);
  // View 4's average line is drawn over the points: a point under it shows the line.
  const std::optional<QLineF> average = chart.AverageLine();
  for (int k = 0; k < chart.PointCount(index); ++k) {
    const QPointF at = chart.mapFromScene(chart.chart()->mapToScene(QPointF(0, average ? average->y1() : 0)));
    if (average && std::abs(chart.PointPositionF(index, k).y() - at.y()) < 3) continue;
    const QColor want = chart.PointColour(index, k);
    const QColor got = shot.pixelColor(chart.PointPosition(index, k));
    if (got.rgb() != want.rgb()) wrong.push_back(std::to_string(k) + ": " + got.name().toStdString());
  }
  return wrong;
}

struct PointerCase {
  const char* name;
  ChartView view;
  SeriesId series;
  QSize size;          // the chart's size after it is shown
  bool switchAndBack;  // shown, then view 0, then this view again
};

TEST(ChartPoints, EveryPointersFillIsWhereTheChartPlacesItsPoint) {
  const PointerCase cases[] = {
      {"in use, window size", ChartView::RecordSizes, kRecordSizes, QSize(673, 393), false},
      {"free, window size", ChartView::FreeRecordSizes, kFreeRecordSizes, QSize(673, 393), false},
      {"in use, resized", ChartView::RecordSizes, kRecordSizes, QSize(1100, 700), false},
      {"free, resized small", ChartView::FreeRecordSizes, kFreeRecordSizes, QSize(420, 300), false},
      {"in use, switched away and back", ChartView::RecordSizes, kRecordSizes, QSize(673, 393), true},
  };
  for (const PointerCase& c : cases) {
    const auto chart = ShownChart();
    chart->LoadSeries(PointSet({10, 40, 20, 50, 30, 45, 12, 33}, {15, 60, 35, 80, 5}));
    chart->SelectView(c.view);
    Settle();
    chart->resize(c.size);
    if (c.switchAndBack) {
      chart->SelectView(ChartView::TotalUsage);
      Settle();
      chart->SelectView(c.view);
    }
    EXPECT_EQ(MisplacedPointers(*chart, c.series), std::vector<std::string>{}) << c.name;
    EXPECT_EQ(chart->DrawnPoints(AnalysisChart::IndexOf(c.series)).size(),
              static_cast<std::size_t>(chart->PointCount(AnalysisChart::IndexOf(c.series))))
        << c.name;
  }
}

TEST(ChartPoints, OnePointOrPointsOfOneSizeAreDrawnWhereTheChartPlacesThem) {
  const std::vector<std::pair<std::vector<double>, std::vector<double>>> series{
      {{40}, {15}}, {{28, 28, 28, 28}, {16, 16, 16}}, {{0, 0}, {0}}};
  for (const auto& [inUse, freeSizes] : series) {
    const auto chart = ShownChart();
    chart->LoadSeries(PointSet(inUse, freeSizes));
    for (const auto& [view, id] :
         {std::pair{ChartView::RecordSizes, kRecordSizes}, std::pair{ChartView::FreeRecordSizes, kFreeRecordSizes}}) {
      chart->SelectView(view);
      EXPECT_EQ(MisplacedPointers(*chart, id), std::vector<std::string>{}) << inUse.size() << " points of " << inUse[0];
    }
  }
}

TEST(ChartPoints, PointersLieOverTheAverageLines) {
  const auto chart = ShownChart();
  // The free-size average (Series9) is 25 and the in-use one 30: points 1 and 2 lie on them.
  chart->LoadSeries(PointSet({10, 40}, {15, 25, 30, 45}));
  chart->SelectView(ChartView::FreeRecordSizes);
  EXPECT_EQ(MisplacedPointers(*chart, kFreeRecordSizes), std::vector<std::string>{});
}

TEST(ChartPoints, AViewWithoutPointSeriesLeavesNoPointersBehind) {
  const auto chart = ShownChart();
  chart->LoadSeries(PointSet({10, 40, 20}, {15, 25}));
  chart->SelectView(ChartView::RecordSizes);
  Settle();
  const QPoint at = chart->PointPosition(AnalysisChart::IndexOf(kRecordSizes), 1);
  const QColor pointer = chart->PointColour(AnalysisChart::IndexOf(kRecordSizes), 1);
  ASSERT_EQ(Shot(*chart).pixelColor(at).rgb(), pointer.rgb());
  chart->SelectView(ChartView::BlockUsage);
  EXPECT_TRUE(chart->DrawnPoints(AnalysisChart::IndexOf(kRecordSizes)).empty());
  // The bars' view: nothing but the plot's background or a bar at the pointer's old place.
  EXPECT_NE(Shot(*chart).pixelColor(at).rgb(), pointer.rgb());
}

}  // namespace
}  // namespace quarvex::ui::charttesting
