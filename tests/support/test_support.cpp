#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace quarvex::testing {

const char* RecordingWindow::Name(Control c) {
  switch (c) {
    case Control::Button1: return "Button1";
    case Control::Button2: return "Button2";
    case Control::Button3: return "Button3";
    case Control::Button4: return "Button4";
    case Control::sbReAna: return "sbReAna";
    case Control::sbEnd: return "sbEnd";
    case Control::sbShowRep: return "sbShowRep";
    case Control::pgPage: return "pgPage";
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
  for (std::size_t i = 0; i < job->reportLines.Count(); ++i) lines.emplace_back(job->reportLines[i]);
  return lines;
}

std::string JobRun::ReportAfterHeader() const {
  std::string text;
  for (std::size_t i = 17; i < job->reportLines.Count(); ++i) {
    text += job->reportLines[i];
    text += "\r\n";
  }
  return text;
}

std::unique_ptr<JobRun> RunJob(const std::string& bytes, AnalysisOptions options, JobSettings settings) {
  static TempDir dir;  // one per test program; each run gets its own file
  static int counter = 0;
  auto run = std::make_unique<JobRun>();
  run->fileName = dir.Write("hive" + std::to_string(counter++) + ".dat", bytes);
  run->window.options = options;
  run->window.fileName = run->fileName;
  run->window.recordStatus = bytes.size() < 64 * 1024;
  settings.clock = FixedTestTime;
  run->job = std::make_unique<AnalysisJob>(run->window, settings);
  if (run->job->StartAnalysis()) {
    run->job->RunAnalysis();
    run->job->MarkIdle();
  }
  return run;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::optional<std::string> RealUserDat() {
  const std::filesystem::path path = std::filesystem::path(QUARVEX_REALHIVES_DIR) / "USER.DAT";
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
  return ::testing::AssertionFailure() << name << " differs at line " << line << "\n  expected: "
                                       << lineAt(expected, i) << "\n  actual:   " << lineAt(actual, i);
}

}  // namespace quarvex::testing
