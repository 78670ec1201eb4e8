// The chart on hives of real size: generated system.dat-style hives of 21 and 60 data blocks
// (22 and 61 bars). Every bar is named, every mark stands at its bar and none covers another, a view
// shows only its own series and axes whatever came before, and the point series keep their
// shapes.
#include <QtCharts/QAbstractAxis>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <map>

#include "tests/gui/chart_fixture.h"
#include "tools/hive_generator.h"
#include "ui/charts/chart_style.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::charttesting {

using namespace quarvex::analyzer::chartviews;
namespace {

struct RealHive {
  int keys;
  std::size_t blocks;
};
// Key counts that make the generator (seed 1998) write 21 and 60 data blocks.
const std::vector<RealHive> kHives = {{5200, 21}, {15000, 60}};

const ChartSeriesSet& SeriesOf(const RealHive& hive) {
  static std::map<int, ChartSeriesSet> made;
  auto found = made.find(hive.keys);
  if (found != made.end()) return found->second;
  tools::GeneratorOptions options;
  options.kind = tools::HiveKind::System;
  options.keys = hive.keys;
  const testkit::BuiltHive built = tools::GenerateHive(options);
  EXPECT_EQ(built.block.size(), hive.blocks) << hive.keys << " keys";
  job::JobInput input;
  input.fileName = "system.dat";
  input.bytes = built.bytes;
  const job::JobResult job = job::RunJob(input);
  EXPECT_EQ(job.code, 0);
  return made[hive.keys] = job.analysis ? analyzer::ChartSeriesOf(*job.analysis) : ChartSeriesSet();
}

// The names of the bars as the analysis gives them: "KN", "0", "1", ...
QStringList ExpectedNames(const AnalysisChart& chart) {
  QStringList names;
  for (int c = 0; c < chart.PointCount(kBlockUsing); ++c) names.append(chart.PointLabel(kBlockUsing, c));
  return names;
}

void ExpectApart(const std::vector<QRectF>& boxes, const std::string& what) {
  for (std::size_t a = 0; a < boxes.size(); ++a)
    for (std::size_t b = a + 1; b < boxes.size(); ++b)
      EXPECT_FALSE(boxes[a].intersects(boxes[b])) << what << " " << a << " and " << b;
}

TEST(ChartRealSize, EveryBarIsNamedWholeAndNoNameTouchesAnother) {
  for (const RealHive& hive : kHives) {
    const auto chart = ShownChart();
    chart->LoadSeries(SeriesOf(hive));
    ASSERT_EQ(chart->PointCount(kBlockUsing), static_cast<int>(hive.blocks) + 1);
    EXPECT_EQ(ExpectedNames(*chart).front(), "KN");
    for (int view : {1, 2}) {
      chart->SelectView(view);
      Settle();
      EXPECT_EQ(chart->BarLabelTexts(), ExpectedNames(*chart)) << hive.blocks << " blocks, view " << view;
      ExpectApart(chart->BarLabelBoxes(), "names");
      const QRectF whole = chart->chart()->rect();
      for (const QRectF& box : chart->BarLabelBoxes()) EXPECT_TRUE(whole.contains(box)) << hive.blocks << " blocks";
      // Qt's own labels, which it cuts to "...", stay off.
      for (QAbstractAxis* axis : chart->chart()->axes()) {
        if (qobject_cast<QBarCategoryAxis*>(axis)) {
          EXPECT_FALSE(axis->labelsVisible());
        }
      }
    }
  }
}

// Each mark stands over its own bar (its box centred on the point its arrow leaves, or against
// a side of the plot) and covers no other; a mark that finds no room near its bar is left out
// rather than moved over a neighbour's. At the window's size the 21-block hive has room for
// every mark; the 60-block one for some.
TEST(ChartRealSize, EveryBarMarkSitsAtItsBarAndNoneCoversAnother) {
  for (const RealHive& hive : kHives) {
    const auto chart = ShownChart();
    chart->LoadSeries(SeriesOf(hive));
    chart->SelectView(ChartView::BlockUsage);
    Settle();
    QStringList expected;
    for (int c = 0; c < chart->PointCount(kBlockUsing); ++c) {
      double sum = 0;
      for (SeriesId id : kBlockSeries) sum += chart->PointValue(id, c);
      if (sum == 0) continue;
      for (SeriesId id : kBlockSeries) expected.append(chartstyle::GroupedNumber(chart->PointValue(id, c)));
    }
    const QStringList shown = chart->MarkTexts();
    EXPECT_EQ(shown.size() + chart->HiddenMarkCount(), expected.size()) << hive.blocks << " blocks";
    if (hive.blocks == 21) {
      EXPECT_EQ(shown, expected) << "every mark has room";
    } else {
      EXPECT_GT(shown.size(), expected.size() / 3) << hive.blocks << " blocks";
    }
    // The marks shown keep their order: a subsequence of the expected texts.
    qsizetype next = 0;
    for (const QString& text : shown) {
      while (next < expected.size() && expected[next] != text) ++next;
      EXPECT_LT(next, expected.size()) << text.toStdString();
      ++next;
    }
    ExpectApart(chart->MarkBoxes(), std::to_string(hive.blocks) + " blocks, marks");
    const std::vector<QRectF> boxes = chart->MarkBoxes();
    const std::vector<QLineF> arrows = chart->MarkArrows();
    ASSERT_EQ(boxes.size(), arrows.size());
    const QRectF plot = chart->chart()->plotArea();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      const bool atASide =
          std::abs(boxes[i].left() - plot.left()) < 0.5 || std::abs(boxes[i].right() - plot.right()) < 0.5;
      if (!atASide) {
        EXPECT_NEAR(boxes[i].center().x(), arrows[i].p1().x(), 0.5) << hive.blocks << " blocks, mark " << i;
      }
    }
    chart->SelectView(ChartView::BlockUsageWithoutMarks);
    Settle();
    EXPECT_TRUE(chart->MarkTexts().isEmpty());
    EXPECT_EQ(chart->HiddenMarkCount(), 0);
  }
}

TEST(ChartRealSize, AViewDrawsOnlyItsOwnAxesAndNamesAfterAnyOther) {
  const auto chart = ShownChart();
  chart->LoadSeries(SeriesOf(kHives.front()));
  for (int from = 0; from < 6; ++from)
    for (int to = 0; to < 6; ++to) {
      chart->SelectView(from);
      Settle();
      chart->SelectView(to);
      Settle();
      const Axes axes = LayoutOf(*ViewAt(to)).axes;
      int categoryAxes = 0, valueAxes = 0;
      for (QAbstractAxis* axis : chart->chart()->axes()) {
        if (qobject_cast<QBarCategoryAxis*>(axis)) ++categoryAxes;
        if (qobject_cast<QValueAxis*>(axis)) ++valueAxes;
      }
      const std::string at = "view " + std::to_string(to) + " after " + std::to_string(from);
      EXPECT_EQ(categoryAxes, axes == Axes::Percent ? 1 : 0) << at;
      EXPECT_EQ(valueAxes, axes == Axes::None ? 0 : axes == Axes::Percent ? 1 : 2) << at;
      EXPECT_EQ(chart->BarLabelTexts().isEmpty(), axes != Axes::Percent) << at;
      if (axes == Axes::Sizes) {
        EXPECT_TRUE(chart->MarkTexts().isEmpty()) << at;
      }
    }
}

TEST(ChartRealSize, InUsePointsAreCirclesAndFreeOnesDiamondsInSoftware) {
  const auto chart = ShownChart();
  chart->LoadSeries(SeriesOf(kHives.front()));
  EXPECT_EQ(chart->PointShape(AnalysisChart::IndexOf(kRecordSizes)), QScatterSeries::MarkerShapeCircle);
  EXPECT_EQ(chart->PointShape(AnalysisChart::IndexOf(kFreeRecordSizes)), QScatterSeries::MarkerShapeRotatedRectangle);
  for (SeriesId id : kPointSeries) EXPECT_FALSE(chart->DrawnWithOpenGL(AnalysisChart::IndexOf(id)));
  EXPECT_EQ(chartstyle::ColoursOf(kRecordSizes).pointerPen, QColor(0, 128, 192));
  EXPECT_EQ(chartstyle::ColoursOf(kFreeRecordSizes).pointerPen, QColor(0, 128, 64));
}

}  // namespace
}  // namespace quarvex::ui::charttesting
