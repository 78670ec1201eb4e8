// The point click: a click on a point of Series6 ("UsingRecSize") reports that point's
// index; a click on Series8 ("EmptyRecSize"), on another series or on nothing reports none.
// Offscreen the points are drawn in software; under xvfb-run with QT_QPA_PLATFORM=xcb, with
// OpenGL.
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QtCharts/QScatterSeries>

#include "tests/gui/chart_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::charttesting {

using namespace chartviews;
namespace {

// A click where the user would click: on the widget on top there (with OpenGL, Qt Charts
// lays a widget of its own over the plot).
void ClickAt(AnalysisChart& chart, QPoint viewportPosition) {
  const QPoint global = chart.viewport()->mapToGlobal(viewportPosition);
  QWidget* target = QApplication::widgetAt(global);
  if (!target || (target != &chart && !chart.isAncestorOf(target))) target = chart.viewport();
  QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFromGlobal(global));
}

QScatterSeries* FirstPointSeries(AnalysisChart& chart) {
  for (QAbstractSeries* s : chart.chart()->series())
    if (auto* points = qobject_cast<QScatterSeries*>(s)) return points;
  return nullptr;
}

TEST(ChartClick, AClickOnAnInUsePointReportsItsIndex) {
  const auto chart = ShownChart();
  chart->LoadSeries(PointSet({10, 40, 20, 50, 30}, {15, 25}));
  chart->SelectView(ChartView::RecordSizes);
  Settle();
  QSignalSpy clicked(chart.get(), &AnalysisChart::usingPointClicked);
  for (int k = 0; k < 5; ++k) {
    ClickAt(*chart, chart->PointPosition(kRecordSizes, k));
    ASSERT_EQ(clicked.count(), k + 1) << "point " << k;
    EXPECT_EQ(clicked.last().at(0).toInt(), k);
  }
}

TEST(ChartClick, AClickOnAFreeRecordPointOrOnNothingReportsNothing) {
  const auto chart = ShownChart();
  chart->LoadSeries(PointSet({10, 40, 20}, {15, 25, 35}));
  chart->SelectView(ChartView::FreeRecordSizes);
  Settle();
  QSignalSpy clicked(chart.get(), &AnalysisChart::usingPointClicked);
  for (int k = 0; k < 3; ++k) ClickAt(*chart, chart->PointPosition(kFreeRecordSizes, k));
  ClickAt(*chart, chart->PointPosition(kRecordSizeAverage, 1));  // the average line
  ClickAt(*chart, QPoint(5, 5));
  chart->SelectView(ChartView::TotalUsage);
  Settle();
  ClickAt(*chart, chart->rect().center());
  EXPECT_EQ(clicked.count(), 0);
}

TEST(ChartClick, AClickReportedAsAPositionNamesTheNearestPointDrawnNearIt) {
  // Drawn with OpenGL, Qt reports where the click was, not the point.
  const auto chart = ShownChart();
  chart->LoadSeries(PointSet({10, 40, 20, 50, 30}, {}));
  chart->SelectView(ChartView::RecordSizes);
  Settle();
  QScatterSeries* points = FirstPointSeries(*chart);
  ASSERT_NE(points, nullptr);
  QSignalSpy clicked(chart.get(), &AnalysisChart::usingPointClicked);
  emit points->clicked(QPointF(2.03, 20.2));
  ASSERT_EQ(clicked.count(), 1);
  EXPECT_EQ(clicked.last().at(0).toInt(), 2);
  emit points->clicked(QPointF(2.5, 45));  // between points, far from both
  EXPECT_EQ(clicked.count(), 1);
}

}  // namespace
}  // namespace quarvex::ui::charttesting
