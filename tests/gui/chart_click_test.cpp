// The point click: a click on a point of Series6 ("UsingRecSize") reports that point's
// index; a click on Series8 ("EmptyRecSize"), on another series or on nothing reports none.
// The points are drawn in software on every platform; the click on large series is in
// chart_thinning_test.cpp.
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "tests/gui/chart_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::charttesting {

using namespace quarvex::analyzer::chartviews;
namespace {

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

TEST(ChartClick, AClickBesideAPointNamesItAndOneBetweenPointsNamesNothing) {
  const auto chart = ShownChart();
  chart->LoadSeries(PointSet({10, 40, 20, 50, 30}, {}));
  chart->SelectView(ChartView::RecordSizes);
  Settle();
  QSignalSpy clicked(chart.get(), &AnalysisChart::usingPointClicked);
  ClickAt(*chart, chart->PointPosition(kRecordSizes, 2) + QPoint(2, 0));  // on its pointer's edge
  ASSERT_EQ(clicked.count(), 1);
  EXPECT_EQ(clicked.last().at(0).toInt(), 2);
  const QPoint between = (chart->PointPosition(kRecordSizes, 2) + chart->PointPosition(kRecordSizes, 3)) / 2;
  ClickAt(*chart, between);                                               // between points, far from both
  ClickAt(*chart, chart->PointPosition(kRecordSizes, 2) + QPoint(0, 8));  // below the pointer
  EXPECT_EQ(clicked.count(), 1);
}

TEST(ChartClick, PressingOnAPointAndReleasingElsewhereIsNoClick) {
  const auto chart = ShownChart();
  chart->LoadSeries(PointSet({10, 40, 20, 50, 30}, {}));
  chart->SelectView(ChartView::RecordSizes);
  Settle();
  QSignalSpy clicked(chart.get(), &AnalysisChart::usingPointClicked);
  QTest::mousePress(chart->viewport(), Qt::LeftButton, {}, chart->PointPosition(kRecordSizes, 1));
  QTest::mouseRelease(chart->viewport(), Qt::LeftButton, {}, chart->PointPosition(kRecordSizes, 1) + QPoint(40, 0));
  EXPECT_EQ(clicked.count(), 0);
}

}  // namespace
}  // namespace quarvex::ui::charttesting
