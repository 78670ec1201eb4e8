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

const std::string& LargeHive() { return bench::LargeSystemHive(); }

void ReportPeakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.counters["file_MiB"] = static_cast<double>(std::filesystem::file_size(LargeHive())) / (1024.0 * 1024.0);
}

void RunWholeJob(benchmark::State& state, stage::AnalysisOptions options) {
  job::JobInput input;
  input.fileName = LargeHive();
  input.options = options;
  std::size_t reportBytes = 0;
  for (auto _ : state) {
    const job::JobResult result = job::RunJob(input);
    if (result.code != 0) state.SkipWithError("job failed");
    reportBytes = result.report.SavedSize();
  }
  state.counters["report_MiB"] = static_cast<double>(reportBytes) / (1024.0 * 1024.0);
  ReportPeakMemory(state);
}

void BM_LoadAndIndex(benchmark::State& state) {
  for (auto _ : state) {
    hive::Hive hive;
    hive::LoadHiveImage(LargeHive(), hive.hiveImage, hive.errorCode);
    hive.ReadHiveHeader();
    hive.BuildBlockTable();
    hive::PreScanDataBlocks(hive, {});
    benchmark::DoNotOptimize(hive.indexedRecordCount);
  }
  ReportPeakMemory(state);
}

void BM_DefaultJob(benchmark::State& state) { RunWholeJob(state, stage::AnalysisOptions::Initial()); }

void BM_FullStructureReport(benchmark::State& state) {
  stage::AnalysisOptions all = stage::AnalysisOptions::Initial();
  all.SelectAll();
  RunWholeJob(state, all);
}

BENCHMARK(BM_LoadAndIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DefaultJob)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullStructureReport)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
