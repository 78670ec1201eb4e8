// The browser's event loop: the longest time between two turns of the loop (a 1 ms timer's
// ticks) while it opens a large hive (read and salvaged on its worker; by default the
// generated system.dat-style hive of about 12 MB and 100,000 keys, or the file named by
// $QUARVEX_BENCH_HIVE), and while it expands a key with 20,000 subkeys and scrolls through
// them to the last one. The budget is 50 ms.
// Run: build/bench/quarvex_bench_browser
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <filesystem>

#include "bench/bench_hive.h"
#include "bench/qt_bench_main.h"
#include "testkit/hive_builder.h"
#include "ui/browser/browser_key_tree_model.h"
#include "ui/browser/browser_window.h"

namespace {

using quarvex::ui::BrowserWindow;

// Records the longest gap between the ticks of a 1 ms timer.
class StallMeter {
 public:
  StallMeter() {
    ticker_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      longest_ = std::max(longest_, now - last_);
      last_ = now;
    });
  }
  void Start() {
    clock_.start();
    last_ = 0;
    longest_ = 0;
    ticker_.start(1);
  }
  double StopMs() {
    ticker_.stop();
    return static_cast<double>(longest_) / 1e6;
  }

 private:
  QTimer ticker_;
  QElapsedTimer clock_;
  qint64 last_ = 0, longest_ = 0;
};

std::string HiveToOpen() {
  const QByteArray named = qgetenv("QUARVEX_BENCH_HIVE");
  return named.isEmpty() ? quarvex::bench::LargeSystemHive() : named.toStdString();
}

bool OpenAndWait(BrowserWindow& window, const std::string& path) {
  QSignalSpy loaded(&window, &BrowserWindow::loaded);
  window.OpenFile(QString::fromStdString(path));
  return QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 600000);
}

void OpenLargeHive(benchmark::State& state) {
  const std::string hive = HiveToOpen();
  double stall = 0, open = 0;
  for (auto _ : state) {
    BrowserWindow window({});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) state.SkipWithError("window not shown");
    StallMeter meter;
    meter.Start();
    QElapsedTimer took;
    took.start();
    if (!OpenAndWait(window, hive)) state.SkipWithError("not loaded");
    open = std::max(open, static_cast<double>(took.nsecsElapsed()) / 1e6);
    // The first paint of the tree and the Problems dock after the document is taken.
    QTest::qWait(100);
    stall = std::max(stall, meter.StopMs());
  }
  state.counters["file_mb"] = static_cast<double>(std::filesystem::file_size(hive)) / 1e6;
  state.counters["open_ms"] = open;
  state.counters["longest_stall_ms"] = stall;
}

void ExpandKeyWith20000Subkeys(benchmark::State& state) {
  const auto file = std::filesystem::temp_directory_path() / "quarvex-bench-20000-subkeys.dat";
  {
    quarvex::testkit::HiveBuilder b;
    const int root = b.AddKey(quarvex::testkit::HiveBuilder::kRootParent, "");
    b.SetNoRecord(root);
    const int many = b.AddKey(root, "Many");
    for (int i = 0; i < 20000; ++i) b.AddKey(many, "Subkey" + std::to_string(i), {quarvex::testkit::Dword("N", 1)});
    b.Build().WriteFile(file.string());
  }
  double expandStall = 0, scrollStall = 0;
  for (auto _ : state) {
    BrowserWindow window({});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window) || !OpenAndWait(window, file.string()))
      state.SkipWithError("not loaded");
    QTest::qWait(50);
    QTreeView* tree = window.Tree();
    const QModelIndex many = window.TreeModel()->index(0, 0);
    StallMeter meter;
    meter.Start();
    QTimer::singleShot(0, [&] { tree->expand(many); });
    QTest::qWait(200);
    expandStall = std::max(expandStall, meter.StopMs());
    // Scrolling to the end again and again fetches the rest, a batch each time.
    meter.Start();
    for (int i = 0; i < 40 && window.TreeModel()->canFetchMore(many); ++i) {
      QTimer::singleShot(0, [&] { tree->verticalScrollBar()->setValue(tree->verticalScrollBar()->maximum()); });
      QTest::qWait(20);
    }
    QTest::qWait(50);
    scrollStall = std::max(scrollStall, meter.StopMs());
    if (window.TreeModel()->rowCount(many) != 20000) state.SkipWithError("not every subkey was fetched");
  }
  state.counters["expand_stall_ms"] = expandStall;
  state.counters["scroll_to_end_stall_ms"] = scrollStall;
}

BENCHMARK(OpenLargeHive)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ExpandKeyWith20000Subkeys)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

QUARVEX_QT_BENCHMARK_MAIN()
