// The record-size views (4 and 5) zoomed and on a logarithmic size axis, their points' tooltips,
// and view 4's legend and average line: on the real Windows Me user.dat, whose two large
// records (18,132 and 6,126 bytes) squash every other point onto the bottom of a linear axis,
// and on a generated system.dat of 21 data blocks.
#include <QAction>
#include <QToolTip>
#include <QWheelEvent>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QValueAxis>
#include <algorithm>

#include "tests/gui/chart_fixture.h"
#include "tools/hive_generator.h"
#include "ui/charts/chart_style.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::charttesting {

using namespace quarvex::analyzer::chartviews;
namespace {

ChartSeriesSet SeriesOfJob(job::JobInput input) {
  const job::JobResult job = job::RunJob(input);
  EXPECT_EQ(job.code, 0);
  return job.analysis ? analyzer::ChartSeriesOf(*job.analysis) : ChartSeriesSet();
}

const ChartSeriesSet& RealUserDatSeries() {
  static const ChartSeriesSet series = [] {
    job::JobInput input;
    input.fileName = std::string(QUARVEX_TEST_DATA_DIR) + "/USER.DAT";
    return SeriesOfJob(input);
  }();
  return series;
}

const ChartSeriesSet& GeneratedSystemSeries() {
  static const ChartSeriesSet series = [] {
    tools::GeneratorOptions options;
    options.kind = tools::HiveKind::System;
    options.keys = 5200;  // 21 data blocks with the generator's seed
    job::JobInput input;
    input.fileName = "system.dat";
    input.bytes = tools::GenerateHive(options).bytes;
    return SeriesOfJob(input);
  }();
  return series;
}

struct Hive {
  const char* name;
  const ChartSeriesSet& (*series)();
};
const Hive kHives[] = {{"real user.dat", RealUserDatSeries}, {"generated system.dat", GeneratedSystemSeries}};

void Wheel(AnalysisChart& chart, QPoint at, int notches) {
  QWheelEvent wheel(at, chart.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(chart.viewport(), &wheel);
  Settle();
}

// The plot in viewport coordinates.
QRectF PlotInViewport(const AnalysisChart& chart) {
  return chart.viewportTransform().mapRect(chart.chart()->mapRectToScene(chart.chart()->plotArea()));
}

QAbstractAxis* LeftAxis(const AnalysisChart& chart) {
  const QList<QAbstractAxis*> left = chart.chart()->axes(Qt::Vertical);
  return left.size() == 1 ? left.front() : nullptr;
}

// The share of the drawn points of a series that lie in the lowest tenth of the plot.
double ShareOnTheBottom(const AnalysisChart& chart, SeriesId id) {
  const QRectF plot = PlotInViewport(chart);
  const std::vector<int> drawn = chart.DrawnPoints(id);
  if (drawn.empty()) return 0;
  std::size_t low = 0;
  for (int k : drawn) low += chart.PointPositionF(id, k).y() > plot.bottom() - plot.height() / 10;
  return static_cast<double>(low) / static_cast<double>(drawn.size());
}

TEST(ChartZoom, TheWheelZoomsRoundThePointerAndHomeShowsEveryPointAgain) {
  for (const Hive& hive : kHives) {
    SCOPED_TRACE(hive.name);
    const auto chart = ShownChart();
    chart->LoadSeries(hive.series());
    chart->SelectView(ChartView::RecordSizes);
    Settle();
    const auto wholeX = chart->IndexRange();
    const auto wholeY = chart->SizeRange();
    EXPECT_FALSE(chart->Zoomed());
    const QRectF plot = PlotInViewport(*chart);
    const QPoint at = plot.center().toPoint();
    const QPointF valueBefore = chart->chart()->mapToValue(chart->chart()->mapFromScene(chart->mapToScene(at)));
    Wheel(*chart, at, 3);
    EXPECT_TRUE(chart->Zoomed());
    const auto x = chart->IndexRange();
    EXPECT_NEAR(x.second - x.first, (wholeX.second - wholeX.first) * 0.512, 1e-6 * (wholeX.second - wholeX.first));
    // The place under the pointer stays under it.
    const QPointF valueAfter = chart->chart()->mapToValue(chart->chart()->mapFromScene(chart->mapToScene(at)));
    EXPECT_NEAR(valueAfter.x(), valueBefore.x(), (x.second - x.first) / 100);
    // Every point drawn is inside the plot, and only points of the range are drawn.
    const std::vector<int> drawn = chart->DrawnPoints(kRecordSizes);
    ASSERT_FALSE(drawn.empty());
    EXPECT_LT(drawn.size(), static_cast<std::size_t>(chart->PointCount(kRecordSizes)));
    // Out past the whole series, the wheel stops at it.
    Wheel(*chart, at, -20);
    EXPECT_FALSE(chart->Zoomed());
    EXPECT_EQ(chart->IndexRange(), wholeX);
    EXPECT_EQ(chart->SizeRange(), wholeY);
    Wheel(*chart, at, 2);
    ASSERT_TRUE(chart->Zoomed());
    QTest::keyClick(chart.get(), Qt::Key_Home);
    EXPECT_FALSE(chart->Zoomed());
    EXPECT_EQ(chart->IndexRange(), wholeX);
  }
}

TEST(ChartZoom, ADraggedRectangleIsZoomedIntoAndNamesNoPoint) {
  const auto chart = ShownChart();
  chart->LoadSeries(RealUserDatSeries());
  chart->SelectView(ChartView::RecordSizes);
  Settle();
  QSignalSpy clicked(chart.get(), &AnalysisChart::usingPointClicked);
  const QRectF plot = PlotInViewport(*chart);
  // The left half of the plot, its lowest fifth: the many small records.
  const QPoint from(static_cast<int>(plot.left() + 2), static_cast<int>(plot.bottom() - plot.height() / 5));
  const QPoint to(static_cast<int>(plot.center().x()), static_cast<int>(plot.bottom() - 2));
  const auto expectedX =
      std::pair{chart->chart()->mapToValue(chart->chart()->mapFromScene(chart->mapToScene(from))).x(),
                chart->chart()->mapToValue(chart->chart()->mapFromScene(chart->mapToScene(to))).x()};
  QTest::mousePress(chart->viewport(), Qt::LeftButton, {}, from);
  QTest::mouseMove(chart->viewport(), (from + to) / 2);
  QTest::mouseMove(chart->viewport(), to);
  QTest::mouseRelease(chart->viewport(), Qt::LeftButton, {}, to);
  Settle();
  EXPECT_EQ(clicked.count(), 0) << "a drag is not a click";
  ASSERT_TRUE(chart->Zoomed());
  const auto x = chart->IndexRange();
  const double pixel = (x.second - x.first) / plot.width() * 2;
  EXPECT_NEAR(x.first, expectedX.first, pixel);
  EXPECT_NEAR(x.second, expectedX.second, pixel);
  EXPECT_LT(chart->SizeRange().second, 6126) << "the two large records are out of the range";
  // Zoomed in, the small records spread over the plot instead of lying on its bottom row.
  EXPECT_LT(ShareOnTheBottom(*chart, kRecordSizes), 0.5);
  // A double click shows the whole series again; so does the context menu's action.
  QTest::mouseDClick(chart->viewport(), Qt::LeftButton, {}, plot.center().toPoint());
  Settle();
  EXPECT_FALSE(chart->Zoomed());
  Wheel(*chart, plot.center().toPoint(), 2);
  ASSERT_TRUE(chart->Zoomed());
  QAction* reset = chart->SizeViewActions().value(0);
  ASSERT_NE(reset, nullptr);
  EXPECT_EQ(reset->objectName(), QStringLiteral("ResetZoom"));
  reset->trigger();
  EXPECT_FALSE(chart->Zoomed());
}

TEST(ChartZoom, TheRealHivesTwoLargeRecordsSquashTheRestUnlessTheSizeAxisIsLogarithmic) {
  const auto chart = ShownChart();
  chart->LoadSeries(RealUserDatSeries());
  chart->SelectView(ChartView::RecordSizes);
  Settle();
  std::vector<double> sizes;
  for (int k = 0; k < chart->PointCount(kRecordSizes); ++k) sizes.push_back(chart->PointValue(kRecordSizes, k));
  std::sort(sizes.rbegin(), sizes.rend());
  ASSERT_GE(sizes.size(), 3u);
  EXPECT_EQ(sizes[0], 18132);
  EXPECT_EQ(sizes[1], 6126);
  EXPECT_LT(sizes[sizes.size() / 2] * 20, sizes[1]) << "two records far above the rest";
  EXPECT_NE(qobject_cast<QValueAxis*>(LeftAxis(*chart)), nullptr);
  EXPECT_GT(ShareOnTheBottom(*chart, kRecordSizes), 0.9) << "on the linear axis";

  chart->SetLogSizes(true);
  Settle();
  auto* log = qobject_cast<QLogValueAxis*>(LeftAxis(*chart));
  ASSERT_NE(log, nullptr) << "the size axis is logarithmic";
  EXPECT_EQ(chart->SizeRange(), (std::pair<double, double>{log->min(), log->max()}));
  EXPECT_LE(log->min(), sizes.back());
  EXPECT_GT(log->max(), sizes.front());
  EXPECT_LT(ShareOnTheBottom(*chart, kRecordSizes), 0.5) << "on the logarithmic axis";
  // Every point, drawn or not, stays on the plot, and each drawn one where the axis puts it.
  const QRectF plot = PlotInViewport(*chart).adjusted(-0.5, -0.5, 0.5, 0.5);
  for (int k = 0; k < chart->PointCount(kRecordSizes); ++k)
    ASSERT_TRUE(plot.contains(chart->PointPositionF(kRecordSizes, k))) << "point " << k;
  // A click still names the point under it.
  QSignalSpy clicked(chart.get(), &AnalysisChart::usingPointClicked);
  for (int k = 0; k < chart->PointCount(kRecordSizes); ++k)
    if (chart->PointValue(kRecordSizes, k) == sizes[0]) {
      ClickAt(*chart, chart->PointPosition(kRecordSizes, k));
      ASSERT_EQ(clicked.count(), 1);
      EXPECT_EQ(clicked.front().front().toInt(), k);
    }
  // The log axis zooms too, and stays on when the view changes.
  Wheel(*chart, PlotInViewport(*chart).center().toPoint(), 2);
  EXPECT_TRUE(chart->Zoomed());
  chart->SelectView(ChartView::FreeRecordSizes);
  Settle();
  EXPECT_NE(qobject_cast<QLogValueAxis*>(LeftAxis(*chart)), nullptr);
  EXPECT_FALSE(chart->Zoomed()) << "a view change shows the whole series";
  chart->SelectView(ChartView::BlockUsage);
  Settle();
  EXPECT_NE(qobject_cast<QValueAxis*>(LeftAxis(*chart)), nullptr) << "the bars keep their percent axis";
  // L turns it off again.
  chart->SelectView(ChartView::RecordSizes);
  QTest::keyClick(chart.get(), Qt::Key_L);
  Settle();
  EXPECT_FALSE(chart->LogSizes());
  EXPECT_NE(qobject_cast<QValueAxis*>(LeftAxis(*chart)), nullptr);
  EXPECT_FALSE(chart->SizeViewActions().value(1)->isChecked());
}

TEST(ChartZoom, OnTheLogarithmicAxisEveryPointOfBothSizeViewsStaysOnThePlot) {
  for (const Hive& hive : kHives) {
    SCOPED_TRACE(hive.name);
    const auto chart = ShownChart();
    chart->LoadSeries(hive.series());
    chart->SetLogSizes(true);
    for (const auto& [view, id] :
         {std::pair{ChartView::RecordSizes, kRecordSizes}, std::pair{ChartView::FreeRecordSizes, kFreeRecordSizes}}) {
      chart->SelectView(view);
      Settle();
      ASSERT_NE(qobject_cast<QLogValueAxis*>(LeftAxis(*chart)), nullptr) << IndexOf(view);
      ASSERT_GT(chart->PointCount(id), 0);
      const QRectF plot = PlotInViewport(*chart).adjusted(-0.5, -0.5, 0.5, 0.5);
      int off = 0;
      for (int k = 0; k < chart->PointCount(id); ++k) off += !plot.contains(chart->PointPositionF(id, k));
      EXPECT_EQ(off, 0) << IndexOf(view);
      EXPECT_FALSE(chart->DrawnPoints(id).empty()) << IndexOf(view);
    }
  }
}

TEST(ChartZoom, OtherViewsNeitherZoomNorShowATooltip) {
  const auto chart = ShownChart();
  chart->LoadSeries(GeneratedSystemSeries());
  for (ChartView view : {ChartView::TotalUsage, ChartView::BlockUsage, ChartView::KeyNameChecksums}) {
    chart->SelectView(view);
    Settle();
    const QPoint centre = chart->viewport()->rect().center();
    Wheel(*chart, centre, 3);
    EXPECT_FALSE(chart->Zoomed()) << IndexOf(view);
    EXPECT_TRUE(chart->PointToolTip(centre).isEmpty()) << IndexOf(view);
  }
}

TEST(ChartTooltips, APointsTooltipNamesItAndGivesItsSize) {
  const auto chart = ShownChart();
  chart->LoadSeries(RealUserDatSeries());
  chart->SelectView(ChartView::RecordSizes);
  Settle();
  int largest = 0;
  for (int k = 0; k < chart->PointCount(kRecordSizes); ++k)
    if (chart->PointValue(kRecordSizes, k) > chart->PointValue(kRecordSizes, largest)) largest = k;
  const QPoint at = chart->PointPosition(kRecordSizes, largest);
  const QString offset =
      QString::fromStdString(RealUserDatSeries()[SeriesId::KeyRecordSizes].Label(static_cast<std::size_t>(largest)));
  EXPECT_EQ(chart->PointToolTip(at), QStringLiteral("key node at offset %1\n18,132 bytes").arg(offset));
  // A namer gives the key's name; where it has none, the offset stays.
  chart->SetPointNamer([](SeriesId id, int index) {
    return id == kRecordSizes && index % 2 == 0 ? QStringLiteral("Key%1\\").arg(index) : QString();
  });
  EXPECT_EQ(chart->PointToolTip(at), (largest % 2 == 0 ? QStringLiteral("Key%1\\").arg(largest)
                                                       : QStringLiteral("key node at offset %1").arg(offset)) +
                                         QStringLiteral("\n18,132 bytes"));
  // The help event shows it.
  QHelpEvent help(QEvent::ToolTip, at, chart->viewport()->mapToGlobal(at));
  QApplication::sendEvent(chart->viewport(), &help);
  EXPECT_EQ(QToolTip::text(), chart->PointToolTip(at));
  // Nothing where no point is: the top left corner of the plot.
  const QPoint empty = PlotInViewport(*chart).topLeft().toPoint() + QPoint(3, 3);
  EXPECT_TRUE(chart->PointToolTip(empty).isEmpty());
  // Free points name their record.
  chart->SelectView(ChartView::FreeRecordSizes);
  Settle();
  ASSERT_GT(chart->PointCount(kFreeRecordSizes), 0);
  const QString tip = chart->PointToolTip(chart->PointPosition(kFreeRecordSizes, 0));
  EXPECT_TRUE(tip.startsWith(QStringLiteral("free record at offset "))) << tip.toStdString();
  EXPECT_TRUE(
      tip.endsWith(chartstyle::GroupedNumber(chart->PointValue(kFreeRecordSizes, 0)) + QStringLiteral(" bytes")))
      << tip.toStdString();
}

TEST(ChartViewFour, HasALegendAndItsAverageAcrossThePlotOverThePoints) {
  for (const Hive& hive : kHives) {
    SCOPED_TRACE(hive.name);
    const auto chart = ShownChart();
    chart->LoadSeries(hive.series());
    chart->SelectView(ChartView::RecordSizes);
    Settle();
    EXPECT_EQ(chart->LegendEntries(), QStringList({"UsingSize AVG.", "UsingRecSize"}));
    const std::optional<QLineF> line = chart->AverageLine();
    ASSERT_TRUE(line.has_value());
    const QRectF plot = chart->chart()->plotArea();
    EXPECT_DOUBLE_EQ(line->x1(), plot.left());
    EXPECT_DOUBLE_EQ(line->x2(), plot.right());
    // At the average's height on the size axis.
    const double average = chart->PointValue(kRecordSizeAverage, 0);
    const QPointF expected = chart->chart()->mapToPosition(QPointF(0, average), chart->chart()->series().front());
    EXPECT_NEAR(line->y1(), expected.y(), 0.01);
    // Drawn over the points: along the line, its colour shows even where points lie.
    const QImage image = chart->grab().toImage();
    const QPointF left = chart->viewportTransform().map(chart->chart()->mapToScene(line->p1()));
    const QPointF right = chart->viewportTransform().map(chart->chart()->mapToScene(line->p2()));
    const QColor colour = chart->PointColour(kRecordSizeAverage, 0);
    int shown = 0, columns = 0;
    const QPoint offset = chart->viewport()->pos();
    for (int x = static_cast<int>(left.x()) + 2; x < static_cast<int>(right.x()) - 2; ++x, ++columns)
      shown += image.pixelColor(QPoint(x, static_cast<int>(std::floor(left.y()))) + offset) == colour ||
               image.pixelColor(QPoint(x, static_cast<int>(std::floor(left.y())) - 1) + offset) == colour;
    EXPECT_EQ(shown, columns) << "the line is nowhere under a point";
    // Zoomed away from it, the line is not drawn outside the plot.
    chart->SetLogSizes(false);
    const QRectF viewportPlot = PlotInViewport(*chart);
    chart->ZoomInto(QRectF(viewportPlot.left() + 2, viewportPlot.top() + 2, 40, 10));
    Settle();
    if (chart->SizeRange().first > average) {
      EXPECT_FALSE(chart->AverageLine().has_value());
    }
  }
  // Other views keep their legends and draw no line across.
  const auto chart = ShownChart();
  chart->LoadSeries(SampleSeries());
  chart->SelectView(ChartView::FreeRecordSizes);
  Settle();
  EXPECT_EQ(chart->LegendEntries(), QStringList({"EmptySize AVG.", "UsingSize AVG."}));
  EXPECT_FALSE(chart->AverageLine().has_value());
}

}  // namespace
}  // namespace quarvex::ui::charttesting
