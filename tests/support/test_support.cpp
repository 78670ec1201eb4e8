#include "tests/support/test_support.h"

#include "cli/cli_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace quarvex::testing {

const char* RecordingEvents::StageName(job::Stage stage) {
  switch (stage) {
    case job::Stage::Load:
      return "Load";
    case job::Stage::HiveHeader:
      return "HiveHeader";
    case job::Stage::BlockChain:
      return "BlockChain";
    case job::Stage::PreScan:
      return "PreScan";
    case job::Stage::Analysis:
      return "Analysis";
    case job::Stage::StructureReport:
      return "StructureReport";
  }
  return "?";
}

TempDir::TempDir() {
  std::random_device entropy;
  dir_ = std::filesystem::temp_directory_path() / ("quarvex-test-" + std::to_string(entropy()));
  std::filesystem::create_directories(dir_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::string TempDir::Write(const std::string& name, const BuiltHive& hive) const {
  return Write(name, hive.AsString());
}

bool TempDir::HoldsNoTemporaryFile() const {
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    if (entry.path().filename().string().ends_with(".tmp")) return false;
  return true;
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
  const auto path = Path(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

std::string HeaderOnlyFile(const char* signature, std::int32_t firstBlock, std::uint16_t blocks) {
  BuiltHive h;
  h.bytes.assign(32, 0);
  std::copy(signature, signature + 4, h.bytes.begin());
  h.PutU32(8, static_cast<std::uint32_t>(firstBlock));
  h.PutU16(16, blocks);
  return h.AsString();
}

LocalDateTime FixedTestTime() { return LocalDateTime{2026, 12, 7, 10, 0, 0}; }

std::vector<std::string> JobRun::Lines() const {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < result.report.Count(); ++i) lines.emplace_back(result.report[i]);
  return lines;
}

std::string JobRun::ReportAfterHeader() const {
  std::string text;
  for (std::size_t i = 17; i < result.report.Count(); ++i) {
    text += result.report[i];
    text += "\r\n";
  }
  return text;
}

const analyzer::ChartSeriesSet& JobRun::Series() const {
  if (!series_) series_ = result.analysis ? analyzer::ChartSeriesOf(*result.analysis) : analyzer::ChartSeriesSet();
  return *series_;
}

std::unique_ptr<JobRun> RunJob(const std::string& bytes, stage::AnalysisOptions options, job::JobInput input) {
  static TempDir dir;  // one per test program; each run gets its own file
  static int counter = 0;
  auto run = std::make_unique<JobRun>();
  run->fileName = dir.Write("hive" + std::to_string(counter++) + ".dat", bytes);
  run->events.recordProgress = bytes.size() < 64 * 1024;
  input.fileName = run->fileName;
  input.options = options;
  input.clock = FixedTestTime;
  job::RunJob(input, run->events, run->result);
  return run;
}

CliResult Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = cli::RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::optional<std::string> RealUserDat() {
  const std::filesystem::path path = std::filesystem::path(QUARVEX_TEST_DATA_DIR) / "USER.DAT";
  if (!std::filesystem::exists(path)) return std::nullopt;
  return ReadFileBytes(path);
}

std::filesystem::path GoldenPath(const std::string& name) { return std::filesystem::path(QUARVEX_GOLDEN_DIR) / name; }

::testing::AssertionResult MatchesGolden(const std::string& name, const std::string& actual) {
  const auto path = GoldenPath(name);
  const char* update = std::getenv("QUARVEX_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << actual;
    return ::testing::AssertionSuccess() << "rewrote " << path;
  }
  if (!std::filesystem::exists(path)) return ::testing::AssertionFailure() << "no golden file " << path;
  const std::string expected = ReadFileBytes(path);
  if (expected == actual) return ::testing::AssertionSuccess();
  // Name the first differing line to make the failure readable.
  std::size_t line = 1, i = 0;
  while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) {
    if (expected[i] == '\n') ++line;
    ++i;
  }
  auto lineAt = [](const std::string& s, std::size_t at) {
    const std::size_t begin = s.rfind('\n', at == 0 ? 0 : at - 1);
    const std::size_t from = begin == std::string::npos ? 0 : begin + 1;
    return s.substr(from, s.find('\n', from) - from);
  };
  return ::testing::AssertionFailure() << name << " differs at line " << line << "\n  expected: " << lineAt(expected, i)
                                       << "\n  actual:   " << lineAt(actual, i);
}

Readable CountReadable(const salvage::SalvagedHive& hive) {
  Readable r;
  for (std::size_t k = 0; k < hive.keys.size(); ++k) {
    const std::int32_t record = hive.keys[k].record;
    if (record == salvage::kNoIndex ||
        hive.records[static_cast<std::size_t>(record)].key != static_cast<std::int32_t>(k))
      continue;
    ++r.keys;
    const salvage::SalvagedRecord& rec = hive.records[static_cast<std::size_t>(record)];
    for (std::uint32_t v = 0; v < rec.valueCount; ++v) r.values += hive.values[rec.firstValue + v].cut ? 0 : 1;
  }
  return r;
}

}  // namespace quarvex::testing
