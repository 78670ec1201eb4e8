// The analyser window resized and maximised: its default size stays its layout's and is its
// least; the pages, the chart and the report view grow with it, the rows under them move down,
// and the message line and status bar widen. In the grown window the chart's bar views of a
// real-size hive keep every value mark over its own bar, none over another.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <map>

#include "tools/hive_generator.h"
#include "ui/charts/analysis_chart.h"
#include "ui/analyser/window_geometry.h"
#include "ui/analyser/window_stretch.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace chartviews = quarvex::analyzer::chartviews;

namespace quarvex::ui::testing {
namespace {

using quarvex::analyzer::chartviews::ChartView;

TEST(WindowStretch, EachKindOfControlFollowsTheGrowthItsWay) {
  const QRect atDefault(10, 20, 100, 30);
  const struct {
    Follow follow;
    QSize growth;
    QRect placed;
  } rows[] = {
      {Follow::Grow, {50, 40}, {10, 20, 150, 70}},
      {Follow::Down, {50, 40}, {10, 60, 100, 30}},
      {Follow::DownWiden, {50, 40}, {10, 60, 150, 30}},
      {Follow::Widen, {50, 40}, {10, 20, 150, 30}},
      {Follow::Grow, {0, 0}, atDefault},
      {Follow::DownWiden, {-30, -5}, atDefault},
  };
  for (const auto& row : rows)
    EXPECT_EQ(WindowStretch::Placed(atDefault, row.follow, row.growth), row.placed)
        << static_cast<int>(row.follow) << " " << row.growth.width() << "x" << row.growth.height();
}

std::map<QString, QRect> Geometries(const TForm1& form) {
  std::map<QString, QRect> places;
  for (const QWidget* child : form.findChildren<QWidget*>())
    if (!child->objectName().isEmpty() && !child->isWindow()) places[child->objectName()] = child->geometry();
  return places;
}

TEST(WindowResize, TheDefaultSizeIsTheLayoutsAndTheLeastAndAMaximiseButtonIsOffered) {
  auto form = MakeWindow();
  const Scale scale = Scale::ForWidget(*form);
  const QSize layout(scale.Px(712), scale.Px(579));
  EXPECT_EQ(form->size(), layout);
  EXPECT_EQ(form->minimumSize(), layout);
  EXPECT_GT(form->maximumSize().width(), layout.width());
  EXPECT_TRUE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  EXPECT_EQ(form->size(), layout);
  EXPECT_EQ(Child<QWidget>(*form, "chAna")->geometry(), scale.Rect(8, 8, 673, 393));
  EXPECT_EQ(Child<QWidget>(*form, "edMes")->geometry(), scale.Rect(0, 536, 713, 21));
}

TEST(WindowResize, TheChartAndReportGrowTheRowsBelowMoveDownAndTheDefaultComesBackExactly) {
  auto form = MakeWindow();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  const std::map<QString, QRect> before = Geometries(*form);
  auto* chart = Child<AnalysisChart>(*form, "chAna");
  const QSizeF chartBefore = chart->chart()->size();
  const QSize growth(230, 170);
  form->resize(form->size() + growth);
  QTest::qWait(50);
  ASSERT_EQ(form->size(), form->minimumSize() + growth);
  const std::map<QString, QRect> after = Geometries(*form);
  auto moved = [&](const char* name) {
    return after.at(QString::fromLatin1(name)).topLeft() - before.at(QString::fromLatin1(name)).topLeft();
  };
  auto grown = [&](const char* name) {
    return after.at(QString::fromLatin1(name)).size() - before.at(QString::fromLatin1(name)).size();
  };
  for (const char* name : {"pgPage", "chAna", "reMemo"}) {
    EXPECT_EQ(grown(name), growth) << name;
    EXPECT_EQ(moved(name), QPoint()) << name;
  }
  for (const char* name :
       {"cbxSelChart", "StaticText4", "Button2", "sbShowRep", "Button1", "sbReAna", "Button3", "Button4"}) {
    EXPECT_EQ(moved(name), QPoint(0, growth.height())) << name;
    EXPECT_EQ(grown(name), QSize(0, 0)) << name;
  }
  for (const char* name : {"edMes", "StatusBar1"}) {
    EXPECT_EQ(moved(name), QPoint(0, growth.height())) << name;
    EXPECT_EQ(grown(name), QSize(growth.width(), 0)) << name;
  }
  EXPECT_EQ(grown("StatusBar1_panel1"), QSize(growth.width(), 0));
  EXPECT_EQ(grown("StatusBar1_panel0"), QSize(0, 0));
  // The chart itself is laid out for its new size.
  EXPECT_EQ(chart->chart()->size(), chartBefore + QSizeF(growth));
  // Smaller than the default it cannot be made; back at the default every control is where it was.
  form->resize(form->minimumSize() - QSize(100, 100));
  QTest::qWait(50);
  EXPECT_EQ(form->size(), form->minimumSize());
  EXPECT_EQ(Geometries(*form), before);
}

TEST(WindowResize, MaximisedTheChartTakesTheScreensRoom) {
  auto form = MakeWindow();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  auto* chart = Child<AnalysisChart>(*form, "chAna");
  const QSize before = chart->size();
  form->showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->isMaximized() && form->size() != form->minimumSize(); }));
  QTest::qWait(50);
  const QSize growth = form->size() - form->minimumSize();
  EXPECT_EQ(chart->size(), before + growth);
  EXPECT_EQ(Child<QWidget>(*form, "edMes")->geometry().bottom() + 1 + Child<QWidget>(*form, "StatusBar1")->height(),
            form->height())
      << "the status bar stays at the bottom";
  form->showNormal();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form->isMaximized() && form->size() == form->minimumSize(); }));
  EXPECT_EQ(chart->size(), before);
}

// A generated system.dat of 21 data blocks (22 bars), analysed through the window.
std::string GeneratedSystemDat(const QTemporaryDir& dir) {
  tools::GeneratorOptions options;
  options.kind = tools::HiveKind::System;
  options.keys = 5200;
  const testkit::BuiltHive built = tools::GenerateHive(options);
  EXPECT_EQ(built.block.size(), 21u);
  const std::string path = InDir(dir, "system.dat");
  WriteBytes(path, std::string(built.bytes.begin(), built.bytes.end()));
  return path;
}

// Every mark over its own bar (its box centred on the point its arrow leaves, or against a side
// of the plot), and no two boxes over one another.
void ExpectMarksAtTheirBars(const AnalysisChart& chart, const std::string& where) {
  const std::vector<QRectF> boxes = chart.MarkBoxes();
  const std::vector<QLineF> arrows = chart.MarkArrows();
  ASSERT_EQ(boxes.size(), arrows.size());
  const QRectF plot = chart.chart()->plotArea();
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    const bool againstASide =
        std::abs(boxes[i].left() - plot.left()) < 0.5 || std::abs(boxes[i].right() - plot.right()) < 0.5;
    if (!againstASide) {
      EXPECT_NEAR(boxes[i].center().x(), arrows[i].p1().x(), 0.5) << where << ", mark " << i;
    }
    EXPECT_TRUE(boxes[i].left() <= arrows[i].p1().x() && arrows[i].p1().x() <= boxes[i].right())
        << where << ", mark " << i;
    for (std::size_t j = i + 1; j < boxes.size(); ++j)
      EXPECT_FALSE(boxes[i].intersects(boxes[j])) << where << ", marks " << i << " and " << j;
  }
}

TEST(WindowResize, TheBarViewOfATwentyBlockHiveKeepsEachValueAtItsBarAtAnySize) {
  QTemporaryDir dir;
  auto form = MakeWindow();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  OpenThroughDialog(*form, GeneratedSystemDat(dir));
  ASSERT_TRUE(WaitForJob(*form));
  ASSERT_EQ(form->Job().code, 0);
  auto* chart = Child<AnalysisChart>(*form, "chAna");
  Child<QComboBox>(*form, "cbxSelChart")->setCurrentIndex(1);
  QTest::qWait(50);
  ASSERT_EQ(chart->PointCount(chartviews::kBlockUsing), 22);
  const int marks = 3 * 22;  // every bar of this hive has bytes in use
  const int shownSmall = static_cast<int>(chart->MarkTexts().size());
  EXPECT_EQ(shownSmall + chart->HiddenMarkCount(), marks);
  ExpectMarksAtTheirBars(*chart, "default size");
  form->showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->isMaximized() && form->size() != form->minimumSize(); }));
  QTest::qWait(100);
  const int shownLarge = static_cast<int>(chart->MarkTexts().size());
  EXPECT_EQ(shownLarge + chart->HiddenMarkCount(), marks);
  EXPECT_GE(shownLarge, shownSmall) << "a larger chart has room for at least as many values";
  ExpectMarksAtTheirBars(*chart, "maximised");
  // The bars' names stay whole and apart.
  EXPECT_EQ(chart->BarLabelTexts().size(), 22);
}

}  // namespace
}  // namespace quarvex::ui::testing
