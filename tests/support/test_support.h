// Helpers shared by the tests: a window that records what a job does to it, temporary
// files, golden-file comparison and the real hive's location.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "analyzer/chart_series.h"
#include "job/analysis_job.h"
#include "salvage/salvage.h"
#include "testkit/hive_builder.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {

// Records every event of a job, in order, as short texts ("status1:ANA:00000020",
// "stage:Analysis", "failed:8"), and the status line's text as the window would show it:
// the last progress text, then the final one.
class RecordingEvents : public job::JobEvents {
 public:
  void Started(const std::string& fileName) override { Log("started:" + fileName); }
  void ImageLoaded() override { Log("imageLoaded"); }
  void LoadFailed() override { Log("loadFailed"); }
  void Progress(std::string_view text) override {
    status.assign(text);
    if (recordProgress) Log("status1:" + status);
  }
  void StageFinished(job::Stage stage) override { Log(std::string("stage:") + StageName(stage)); }
  void Failed(std::int32_t code, const hive::Finding* finding) override {
    status = job::FailureText(code);
    Log("failed:" + std::to_string(code) + (finding ? " " + finding->Text() : std::string()));
  }
  void Done() override {
    status = job::kReportMadeText;
    Log("done");
  }

  static const char* StageName(job::Stage stage);
  void Log(std::string entry) { log.push_back(std::move(entry)); }

  std::string status;
  bool recordProgress = true;  // off for big fixtures: one progress text per record
  std::vector<std::string> log;
};

// A unique temporary directory, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::filesystem::path Path(const std::string& name) const { return dir_ / name; }
  std::string Write(const std::string& name, const BuiltHive& hive) const;
  std::string Write(const std::string& name, const std::string& bytes) const;
  // Whether no temporary file of a save (".NAME.XXXXXXXX.tmp") is left in it.
  bool HoldsNoTemporaryFile() const;

 private:
  std::filesystem::path dir_;
};

// Runs one whole job on bytes, with a fixed clock (2026/12/07 10:00:00), from a temporary
// file, and keeps its events and result for inspection.
struct JobRun {
  RecordingEvents events;
  job::JobResult result;
  std::string fileName;
  std::int32_t Code() const { return result.code; }
  std::vector<std::string> Lines() const;
  std::string Report() const { return result.report.SavedText(); }
  // The saved form of everything after the 17-line report header (which carries the
  // program's version and the host's facts), CR LF after every line.
  std::string ReportAfterHeader() const;
  // The chart series drawn from the analysis (none when it did not run to its end).
  const analyzer::ChartSeriesSet& Series() const;

 private:
  mutable std::optional<analyzer::ChartSeriesSet> series_;
};
// `base` gives the code page, locale and host facts; options, file and clock are set here.
std::unique_ptr<JobRun> RunJob(const std::string& bytes,
                               stage::AnalysisOptions options = stage::AnalysisOptions::Initial(),
                               job::JobInput base = {});
inline std::unique_ptr<JobRun> RunJob(const BuiltHive& hive,
                                      stage::AnalysisOptions options = stage::AnalysisOptions::Initial(),
                                      job::JobInput base = {}) {
  return RunJob(hive.AsString(), options, std::move(base));
}
LocalDateTime FixedTestTime();

// A file of nothing but a 32-byte file header with this signature, first data block offset
// and block count.
std::string HeaderOnlyFile(const char* signature, std::int32_t firstBlock, std::uint16_t blocks);

// One in-process run of quarvex-cli: its exit status and what it wrote to each stream.
struct CliResult {
  int status;
  std::string out;
  std::string err;
};
CliResult Cli(const std::vector<std::string>& args);

std::string ReadFileBytes(const std::filesystem::path& path);
// The real Windows Me user.dat, kept in tests/data.
std::optional<std::string> RealUserDat();
std::filesystem::path GoldenPath(const std::string& name);
// Compares with a golden file byte for byte; QUARVEX_UPDATE_GOLDEN=1 rewrites it instead.
::testing::AssertionResult MatchesGolden(const std::string& name, const std::string& actual);

// Keys read from a record of their own and values read whole, as the salvage model gives
// them: what a user can still read of a hive.
struct Readable {
  std::size_t keys = 0, values = 0;
};
Readable CountReadable(const salvage::SalvagedHive& hive);

}  // namespace quarvex::testing
