// The readers that go on past damage, on the same generated hive as the job's benchmarks
// (bench_hive.h): the salvage reader alone, `check` and `recover` whole (in process, output to
// a null stream), the code page detection (the light reader), and the default job beside them
// for the ratio the goals are stated in (check and recover within 3 times the default job).
// Run: build/bench/quarvex_bench_readers [--benchmark_repetitions=5]
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <streambuf>

#include "cli/cli_run.h"
#include "session/file_digest.h"
#include "bench/bench_hive.h"
#include "detect/codepage_detect.h"
#include "salvage/salvage.h"

namespace {

using namespace quarvex;

const std::vector<std::uint8_t>& HiveBytes() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::ifstream in(bench::LargeSystemHive(), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }();
  return bytes;
}

// Counts what is written and keeps nothing.
class CountingBuf : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

void RunCli(benchmark::State& state, std::vector<std::string> args) {
  args.push_back(bench::LargeSystemHive());
  for (auto _ : state) {
    CountingBuf buf;
    std::ostream out(&buf);
    std::ostringstream err;
    benchmark::DoNotOptimize(cli::RunCli(args, out, err));
  }
}

void BM_DetectCodePage(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(detect::DetectCodePage(HiveBytes(), {}).codePage);
}
// A hive damaged away from its Nls\Codepage key: its ACP is read on a path that reads as
// written, where the salvage reader used to run whole for it.
void BM_DetectCodePageDamaged(benchmark::State& state) {
  static const std::vector<std::uint8_t> bytes = [] {
    std::ifstream in(bench::LargeDamagedSystemHive(), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }();
  for (auto _ : state) benchmark::DoNotOptimize(detect::DetectCodePage(bytes, {}).codePage);
}

void BM_Salvage(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(salvage::Salvage(HiveBytes(), {text::CodePage::Cp932}).keys.size());
}
// The SHA-256 and MD5 facts, timeline and summary name each hive by: both over the hive's bytes.
void BM_Digests(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(session::DigestsOf(HiveBytes()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(HiveBytes().size()));
}
void BM_DefaultJob(benchmark::State& state) { RunCli(state, {"-o", "/dev/null"}); }
void BM_Check(benchmark::State& state) { RunCli(state, {"check"}); }
void BM_Recover(benchmark::State& state) { RunCli(state, {"recover"}); }

BENCHMARK(BM_DetectCodePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectCodePageDamaged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Salvage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Digests)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DefaultJob)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Recover)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
