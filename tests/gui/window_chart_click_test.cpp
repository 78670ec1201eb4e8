// The point click in the window on a hive of 100,000 keys, whose record-size series the
// chart draws thinned: a click on a point, drawn or left out of the drawing, names the key at
// that point's offset in the message line.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTabWidget>
#include <algorithm>

#include "tests/gui/chart_click.h"

#include "hive/keyname.h"
#include "tests/gui/window_fixture.h"
#include "text/text_encoding.h"
#include "tools/hive_generator.h"
#include "ui/charts/analysis_chart.h"

namespace quarvex::ui::testing {
namespace {

TEST(WindowChartClick, AClickOnAnyOfAHundredThousandPointsNamesThatKey) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string file = dir.filePath(QStringLiteral("system.dat")).toStdString();
  tools::GeneratorOptions options;
  options.kind = tools::HiveKind::System;
  options.keys = 100000;
  options.seed = 12;
  tools::GenerateHive(options).WriteFile(file);

  auto form = MakeWindow();
  form->show();
  OpenThroughDialog(*form, file);
  ASSERT_TRUE(WaitForJob(*form, 120000));
  Child<QTabWidget>(*form, "pgPage")->setCurrentIndex(0);
  Child<QComboBox>(*form, "cbxSelChart")->setCurrentIndex(4);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  AnalysisChart& chart = *form->Chart();
  const int count = chart.PointCount(SeriesId::KeyRecordSizes);
  ASSERT_GE(count, 100000);
  const std::vector<int> drawn = chart.DrawnPoints(SeriesId::KeyRecordSizes);
  ASSERT_FALSE(drawn.empty());
  ASSERT_LT(drawn.size(), static_cast<std::size_t>(count) / 5);

  // The keys apart from the window: the same job once more.
  job::JobInput input;
  input.fileName = file;
  job::JobResult again = job::RunJob(input);
  ASSERT_TRUE(again.analysis.has_value());
  const ChartSeriesSet series = ChartSeriesOf(*again.analysis);
  auto* message = Child<QLineEdit>(*form, "edMes");

  std::vector<int> points{0, count / 3, count - 1};
  for (int k = 1; points.size() < 6; ++k)
    if (!std::binary_search(drawn.begin(), drawn.end(), k)) points.push_back(k);  // left out of the drawing
  for (int k : points) {
    message->clear();
    ClickExactly(chart, chart.PointPositionF(SeriesId::KeyRecordSizes, k));
    const KeyNodeOffset key = again.analysis->keys[static_cast<std::size_t>(k)].node;
    EXPECT_EQ(series[SeriesId::KeyRecordSizes].Label(static_cast<std::size_t>(k)), std::to_string(key.value))
        << "point " << k << " is the key at that offset";
    EXPECT_EQ(message->text().toStdString(), CodePageToUtf8(ResolveKeyPath(again.hive, key), CodePage::Cp932))
        << "point " << k;
  }
}

}  // namespace
}  // namespace quarvex::ui::testing
