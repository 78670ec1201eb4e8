// The job on a generated system.dat-style hive of about 12 MB and 100,000 keys: loading and
// indexing alone, the default job (analysis and its report section), and the job with every
// report option on. Run: build/bench/quarvex_bench [--benchmark_repetitions=5]
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>

#include "hive/prescan.h"
#include "job/analysis_job.h"
#include "bench/bench_hive.h"

namespace {

using namespace quarvex;

// A window that ignores everything: only the job's own work is measured.
class SilentWindow : public JobWindow {
 public:
  explicit SilentWindow(AnalysisOptions o, std::string file) : options_(o), file_(std::move(file)) {}
  void SetApplicationTitle(const std::string&) override {}
  void SetMessageLine(const std::string&) override {}
  void SetStatusPanel(int, const std::string&) override {}
  void SetControlEnabled(Control, bool) override {}
  void SetControlVisible(Control, bool) override {}
  void MinimizeAndHide() override {}
  void RestoreAndShow() override {}
  bool IsChecked(Option o) const override { return options_[o]; }
  std::string SelectedFileName() const override { return file_; }
  void ClearChartSeries() override {}
  void JobOver() override {}

 private:
  AnalysisOptions options_;
  std::string file_;
};

const std::string& LargeHive() { return bench::LargeSystemHive(); }

void ReportPeakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.counters["file_MiB"] = static_cast<double>(std::filesystem::file_size(LargeHive())) / (1024.0 * 1024.0);
}

void RunWholeJob(benchmark::State& state, AnalysisOptions options) {
  SilentWindow window(options, LargeHive());
  AnalysisJob job(window);
  std::size_t reportBytes = 0;
  for (auto _ : state) {
    if (!job.StartAnalysis()) state.SkipWithError("cannot start");
    job.RunAnalysis();
    job.MarkIdle();
    if (job.ErrorCode() != 0) state.SkipWithError("job failed");
    reportBytes = job.reportLines.SavedSize();
  }
  state.counters["report_MiB"] = static_cast<double>(reportBytes) / (1024.0 * 1024.0);
  ReportPeakMemory(state);
}

void BM_LoadAndIndex(benchmark::State& state) {
  for (auto _ : state) {
    Hive hive;
    LoadHiveImage(LargeHive(), hive.hiveImage, hive.errorCode);
    hive.ReadHiveHeader();
    hive.BuildBlockTable();
    PreScanDataBlocks(hive, {});
    benchmark::DoNotOptimize(hive.indexedRecordCount);
  }
  ReportPeakMemory(state);
}

void BM_DefaultJob(benchmark::State& state) { RunWholeJob(state, AnalysisOptions::Initial()); }

void BM_FullStructureReport(benchmark::State& state) {
  AnalysisOptions all = AnalysisOptions::Initial();
  all.SelectAll();
  RunWholeJob(state, all);
}

BENCHMARK(BM_LoadAndIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DefaultJob)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullStructureReport)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
