// The point series thinned to the plot on a real chart (analyzer/chart_decimation.h): a small
// series is drawn whole, a large one is drawn thinned for the plot it stands on, every pixel
// column keeping its lowest and highest point, and thinned anew when the chart is resized;
// a click on any of 100,000 points, drawn or left out, names that point.
#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtCharts/QValueAxis>
#include <algorithm>

#include "tests/gui/chart_click.h"
#include <random>

#include "tests/gui/chart_fixture.h"
#include "analyzer/chart_decimation.h"
#include "tests/support/test_namespaces.h"

namespace chartdecimation = quarvex::analyzer::chartdecimation;

namespace quarvex::ui::charttesting {

using namespace quarvex::analyzer::chartviews;
namespace {

constexpr double kFillCellPixels = 3;  // half a pointer, as the chart fills

// 100,000 record sizes as a large hive has them: one common size, many scattered ones, and
// one far above the rest.
std::vector<double> HundredThousandSizes() {
  std::mt19937 random(2026);
  std::uniform_int_distribution<int> size(24, 160), pick(0, 3);
  std::vector<double> values(100000);
  for (double& v : values) v = pick(random) == 0 ? 28 : size(random);
  values[77777] = 900;
  return values;
}

// The plot the chart draws its point series on: its axes and its plot area.
chartdecimation::Plot PlotOf(const AnalysisChart& chart) {
  const auto* x = qobject_cast<QValueAxis*>(chart.chart()->axes(Qt::Horizontal).value(0));
  const auto* y = qobject_cast<QValueAxis*>(chart.chart()->axes(Qt::Vertical).value(0));
  if (!x || !y) return {};
  const QRectF area = chart.chart()->plotArea();
  return {x->min(), x->max(), y->min(), y->max(), area.width(), area.height()};
}

std::vector<int> Expected(const std::vector<double>& values, const chartdecimation::Plot& plot) {
  const std::vector<std::uint32_t> drawn = chartdecimation::PointsToDraw(values, {}, plot, kFillCellPixels);
  return {drawn.begin(), drawn.end()};
}

std::vector<int> All(std::size_t n) {
  std::vector<int> all(n);
  for (std::size_t i = 0; i < n; ++i) all[i] = static_cast<int>(i);
  return all;
}

TEST(ChartThinning, ASmallSeriesIsDrawnWhole) {
  std::vector<double> sizes(300), freeSizes(300);
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    sizes[i] = static_cast<double>(24 + (i * 37) % 140);
    freeSizes[i] = static_cast<double>(16 + (i * 53) % 400);
  }
  const auto chart = ShownChart();
  chart->LoadSeries(PointSet(sizes, freeSizes));
  chart->SelectView(ChartView::RecordSizes);
  Settle();
  EXPECT_EQ(chart->DrawnPoints(kRecordSizes), All(sizes.size()));
  chart->SelectView(ChartView::FreeRecordSizes);
  Settle();
  EXPECT_EQ(chart->DrawnPoints(kFreeRecordSizes), All(freeSizes.size()));
  EXPECT_TRUE(chart->DrawnPoints(kRecordSizes).empty()) << "not shown in this view";
}

TEST(ChartThinning, ALargeSeriesIsDrawnThinnedForItsPlotAndAgainWhenResized) {
  const std::vector<double> values = HundredThousandSizes();
  const auto chart = ShownChart();
  chart->LoadSeries(PointSet(values, {}));
  chart->SelectView(ChartView::RecordSizes);
  Settle();
  const chartdecimation::Plot plot = PlotOf(*chart);
  ASSERT_TRUE(plot.Usable());
  const std::vector<int> drawn = chart->DrawnPoints(kRecordSizes);
  EXPECT_EQ(drawn, Expected(values, plot));
  EXPECT_LT(drawn.size(), values.size() / 5);
  // Every pixel column of the plot keeps its lowest and its highest point.
  std::vector<double> lowAll(plot.Columns(), 1e300), highAll(plot.Columns(), -1e300);
  std::vector<double> lowDrawn = lowAll, highDrawn = highAll;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::size_t c = plot.ColumnOf(static_cast<double>(i));
    lowAll[c] = std::min(lowAll[c], values[i]);
    highAll[c] = std::max(highAll[c], values[i]);
  }
  for (int i : drawn) {
    const std::size_t c = plot.ColumnOf(i);
    lowDrawn[c] = std::min(lowDrawn[c], values[static_cast<std::size_t>(i)]);
    highDrawn[c] = std::max(highDrawn[c], values[static_cast<std::size_t>(i)]);
  }
  EXPECT_EQ(lowDrawn, lowAll);
  EXPECT_EQ(highDrawn, highAll);

  chart->resize(1100, 650);
  Settle();
  const chartdecimation::Plot wider = PlotOf(*chart);
  ASSERT_GT(wider.width, plot.width + 300);
  const std::vector<int> redrawn = chart->DrawnPoints(kRecordSizes);
  EXPECT_EQ(redrawn, Expected(values, wider)) << "thinned anew for the larger plot";
  EXPECT_GT(redrawn.size(), drawn.size());

  chart->resize(673, 393);
  Settle();
  EXPECT_EQ(PlotOf(*chart), plot);
  EXPECT_EQ(chart->DrawnPoints(kRecordSizes), drawn) << "back at the window's size";
}

TEST(ChartThinning, AClickOnAnyOfAHundredThousandPointsNamesItDrawnOrNot) {
  const std::vector<double> values = HundredThousandSizes();
  const auto chart = ShownChart();
  chart->LoadSeries(PointSet(values, {}));
  chart->SelectView(ChartView::RecordSizes);
  Settle();
  const std::vector<int> drawn = chart->DrawnPoints(kRecordSizes);
  auto isDrawn = [&](int k) { return std::binary_search(drawn.begin(), drawn.end(), k); };
  std::vector<int> points{0, 77777, static_cast<int>(values.size()) - 1};
  for (int k = 1; k < static_cast<int>(values.size()); k += 4999) points.push_back(k);
  int dropped = 0;
  for (int k = 0; dropped < 3; ++k)
    if (!isDrawn(k)) {
      points.push_back(k);
      ++dropped;
    }
  QSignalSpy clicked(chart.get(), &AnalysisChart::usingPointClicked);
  int droppedClicked = 0;
  for (int k : points) {
    ClickExactly(*chart, chart->PointPositionF(kRecordSizes, k));
    ASSERT_EQ(clicked.count(), 1) << "point " << k;
    EXPECT_EQ(clicked.takeFirst().at(0).toInt(), k) << "point " << k << (isDrawn(k) ? ", drawn" : ", not drawn");
    droppedClicked += isDrawn(k) ? 0 : 1;
  }
  EXPECT_GE(droppedClicked, 3);
  // A click to the pixel on the outlier, alone at its height, names it too.
  ClickAt(*chart, chart->PointPosition(kRecordSizes, 77777));
  ASSERT_EQ(clicked.count(), 1);
  EXPECT_EQ(clicked.takeFirst().at(0).toInt(), 77777);
}

}  // namespace
}  // namespace quarvex::ui::charttesting
