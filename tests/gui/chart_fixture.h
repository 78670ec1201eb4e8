// What the chart tests share: the series of a real job on the bundled sample, a chart shown
// at the window's size on the offscreen platform, and small hand-made series.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTest>
#include <memory>
#include <string>

#include "analyzer/chart_series.h"
#include "job/analysis_job.h"
#include "ui/charts/analysis_chart.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::charttesting {

inline std::string SamplePath() { return std::string(QUARVEX_SAMPLES_DIR) + "/USER-SAMPLE.DAT"; }

// The nine series of one default job on the bundled sample (run once).
inline const ChartSeriesSet& SampleSeries() {
  static const ChartSeriesSet series = [] {
    job::JobInput input;
    input.fileName = SamplePath();
    const job::JobResult job = job::RunJob(input);
    EXPECT_EQ(job.code, 0);
    return job.analysis ? analyzer::ChartSeriesOf(*job.analysis) : ChartSeriesSet();
  }();
  return series;
}

// Lets the chart lay itself out and paint.
inline void Settle() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

// A chart of the window's size, shown and laid out.
inline std::unique_ptr<AnalysisChart> ShownChart() {
  auto chart = std::make_unique<AnalysisChart>();
  chart->resize(673, 393);
  chart->show();
  Settle();
  return chart;
}

// A click where the user would click: on the widget on top there (with OpenGL, Qt Charts
// lays a widget of its own over the plot).
inline void ClickAt(AnalysisChart& chart, QPoint viewportPosition) {
  const QPoint global = chart.viewport()->mapToGlobal(viewportPosition);
  QWidget* target = QApplication::widgetAt(global);
  if (!target || (target != &chart && !chart.isAncestorOf(target))) target = chart.viewport();
  QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFromGlobal(global));
}

// Record-size points: Series6 with the given sizes (labels 100, 200, ...), Series8 likewise
// (labels 10, 20, ...), the average lines one point longer than Series8.
inline ChartSeriesSet PointSet(const std::vector<double>& inUse, const std::vector<double>& freeSizes) {
  ChartSeriesSet set;
  for (std::size_t i = 0; i < inUse.size(); ++i)
    set[SeriesId::KeyRecordSizes].Add(inUse[i], std::to_string(100 * (i + 1)), kBlue);
  for (std::size_t i = 0; i < freeSizes.size(); ++i)
    set[SeriesId::FreeRecordSizes].Add(freeSizes[i], std::to_string(10 * (i + 1)), kRed);
  for (std::size_t i = 0; i <= freeSizes.size(); ++i) {
    set[SeriesId::KeyRecordAverage].Add(30, "", kBlue);
    set[SeriesId::FreeRecordAverage].Add(25, "", kYellow);
  }
  return set;
}

}  // namespace quarvex::ui::charttesting
