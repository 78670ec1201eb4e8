// The desktop window's event loop while a job on a generated system.dat-style hive of about
// 12 MB and 100,000 keys runs on its worker: the longest time between two turns of the loop
// (a 1 ms timer's ticks), for the default job and for the job with every report option on;
// and, apart from the job, how long moving the report into the view takes (click to
// "Complete."), with the longest stall of the loop meanwhile.
// Run: build/bench/quarvex_bench_window [--benchmark_repetitions=3]
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "bench/bench_hive.h"
#include "bench/qt_bench_main.h"
#include "ui/analyser/main_window.h"

namespace {

using quarvex::ui::TForm1;

void WindowStallDuringJob(benchmark::State& state, bool everything) {
  const std::string& hive = quarvex::bench::LargeSystemHive();
  double worstStall = 0, showReport = 0, showStall = 0;
  for (auto _ : state) {
    TForm1::Settings settings;
    if (everything) settings.arguments = {"/Pro"};
    TForm1 form(std::move(settings));
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) state.SkipWithError("window not shown");
    if (everything) form.sbSelAllClick();
    form.SetOpenFileName(QString::fromStdString(hive));

    QElapsedTimer clock;
    qint64 lastTick = 0, longest = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      const qint64 now = clock.nsecsElapsed();
      longest = std::max(longest, now - lastTick);
      lastTick = now;
    });
    clock.start();
    ticker.start(1);
    form.StartAnalysis();
    if (!QTest::qWaitFor([&] { return !form.WorkerActive(); }, 600000)) state.SkipWithError("job did not end");
    QTest::qWait(20);  // a last few ticks after the job's final calls
    worstStall = std::max(worstStall, static_cast<double>(longest) / 1e6);

    longest = 0;
    lastTick = clock.nsecsElapsed();
    QElapsedTimer shown;
    shown.start();
    form.sbShowRepClick();
    if (!QTest::qWaitFor([&] { return form.StatusText(1) == QStringLiteral("Complete."); }, 600000))
      state.SkipWithError("report not shown");
    showReport = std::max(showReport, static_cast<double>(shown.nsecsElapsed()) / 1e6);
    QTest::qWait(20);
    ticker.stop();
    showStall = std::max(showStall, static_cast<double>(longest) / 1e6);
  }
  state.counters["longest_stall_ms"] = worstStall;
  state.counters["show_report_ms"] = showReport;
  state.counters["show_stall_ms"] = showStall;
}

BENCHMARK_CAPTURE(WindowStallDuringJob, default_options, false)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(WindowStallDuringJob, select_all, true)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

QUARVEX_QT_BENCHMARK_MAIN()
