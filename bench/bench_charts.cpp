// The analysis chart on the series of a generated system.dat-style hive of about 12 MB and
// 100,000 keys (some 100,000 record-size points): from the end of the job (the window hands
// the series over) to the first complete paint of each view, and the switch from one view to
// the next, painted. Software drawing unless QUARVEX_BENCH_OPENGL=1 and a GL context exists
// (under xvfb-run with QT_QPA_PLATFORM=xcb, for instance).
// Run: build/bench/quarvex_bench_charts [--benchmark_repetitions=3]
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <filesystem>
#include <memory>

#include "analyzer/chart_series.h"
#include "job/analysis_job.h"
#include "bench/bench_hive.h"
#include "bench/qt_bench_main.h"
#include "ui/charts/analysis_chart.h"

namespace {

using namespace quarvex;
using analyzer::ChartSeriesSet;
using ui::AnalysisChart;

// The series of one default job on the large hive, made once.
const ChartSeriesSet& LargeSeries() {
  static const ChartSeriesSet series = [] {
    job::JobInput input;
    input.fileName = bench::LargeSystemHive();
    const job::JobResult job = job::RunJob(input);
    return job.analysis ? analyzer::ChartSeriesOf(*job.analysis) : ChartSeriesSet();
  }();
  return series;
}

std::unique_ptr<AnalysisChart> ShownChart() {
  auto chart = std::make_unique<AnalysisChart>();
  chart->SetOpenGL(qEnvironmentVariableIntValue("QUARVEX_BENCH_OPENGL") == 1);
  chart->resize(673, 393);
  chart->show();
  QCoreApplication::processEvents();
  return chart;
}

// Lays the chart out and paints it now, as the window's first paint after a change does.
void PaintNow(AnalysisChart& chart) {
  QCoreApplication::sendPostedEvents();
  chart.viewport()->repaint();
}

void AddCounters(benchmark::State& state, const AnalysisChart& chart) {
  state.counters["points"] = chart.PointCount(5) + chart.PointCount(7);
  // Of those, the points drawn: the point series are thinned to the plot (analyzer/chart_decimation.h).
  state.counters["drawn"] = static_cast<double>(chart.DrawnPoints(5).size() + chart.DrawnPoints(7).size());
  state.counters["opengl"] = chart.UsesOpenGL() ? 1 : 0;
}

// The window shows view N; the job ends and hands over its series.
void BM_JobEndToFirstPaint(benchmark::State& state) {
  const ChartSeriesSet& series = LargeSeries();
  const auto chart = ShownChart();
  chart->SelectView(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    chart->ClearSeries();
    PaintNow(*chart);
    state.ResumeTiming();
    chart->LoadSeries(series);
    PaintNow(*chart);
  }
  AddCounters(state, *chart);
}

// From view N - 1 (view 5 before view 0) to view N.
void BM_SwitchToView(benchmark::State& state) {
  const ChartSeriesSet& series = LargeSeries();
  const auto chart = ShownChart();
  chart->LoadSeries(series);
  const int view = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    chart->SelectView((view + 5) % 6);
    PaintNow(*chart);
    state.ResumeTiming();
    chart->SelectView(view);
    PaintNow(*chart);
  }
  AddCounters(state, *chart);
}

BENCHMARK(BM_JobEndToFirstPaint)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SwitchToView)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

QUARVEX_QT_BENCHMARK_MAIN()
