// quarvex-cli ls -R -v, find and --export on the same generated 12 MB hive (bench_hive.h), in
// process with the output to a null stream counting bytes: the listing should stream at a
// rate comparable to the export, and find stay well under a second.
// Run: build/bench/quarvex_bench_browse [--benchmark_repetitions=5]
#include <benchmark/benchmark.h>

#include <ostream>
#include <sstream>
#include <streambuf>

#include "cli/cli_run.h"
#include "bench/bench_hive.h"

namespace {

using namespace quarvex;

// Counts what is written and keeps nothing.
class CountingBuf : public std::streambuf {
 public:
  std::size_t bytes = 0;

 protected:
  int_type overflow(int_type c) override {
    ++bytes;
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes += static_cast<std::size_t>(n);
    return n;
  }
};

// args, the hive's path, then after (find's PATTERN).
void RunCli(benchmark::State& state, std::vector<std::string> args, const std::vector<std::string>& after = {}) {
  args.push_back(bench::LargeSystemHive());
  args.insert(args.end(), after.begin(), after.end());
  std::size_t bytes = 0;
  for (auto _ : state) {
    CountingBuf buf;
    std::ostream out(&buf);
    std::ostringstream err;
    const int status = cli::RunCli(args, out, err);
    if (status > 1) state.SkipWithError("quarvex-cli failed");
    bytes = buf.bytes;
  }
  state.counters["output_MiB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
}

void BM_LsRecursiveValues(benchmark::State& state) { RunCli(state, {"ls", "-R", "-v"}); }
void BM_LsJson(benchmark::State& state) { RunCli(state, {"ls", "-R", "-v", "--json"}); }
void BM_FindSubstring(benchmark::State& state) { RunCli(state, {"find", "-s"}, {"Vendor0"}); }
void BM_FindRegex(benchmark::State& state) { RunCli(state, {"find", "--regex"}, {"^Section[0-3]$"}); }
void BM_Stats(benchmark::State& state) { RunCli(state, {"stats"}); }
void BM_Export(benchmark::State& state) { RunCli(state, {"--export", "-"}); }

BENCHMARK(BM_LsRecursiveValues)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LsJson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindSubstring)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindRegex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stats)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
