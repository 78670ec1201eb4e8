// Helpers shared by the tests: a window that records what a job does to it, temporary
// files, golden-file comparison and the real hive's location.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "job/analysis_job.h"
#include "job/job_window.h"
#include "testkit/hive_builder.h"

namespace quarvex::testing {

// Records every call a job makes, in order, as short texts ("status1:ANA:00000020").
class RecordingWindow : public JobWindow {
 public:
  explicit RecordingWindow(AnalysisOptions initial = AnalysisOptions::Initial()) : options(initial) {}

  void SetApplicationTitle(const std::string& t) override { Log("title:" + t); }
  void SetMessageLine(const std::string& t) override { Log("edMes:" + t); }
  void SetStatusPanel(int panel, const std::string& t) override {
    status[panel == 0 ? 0 : 1] = t;
    if (recordStatus) Log("status" + std::to_string(panel) + ":" + t);
  }
  void SetControlEnabled(Control c, bool on) override { Log(std::string(on ? "enable:" : "disable:") + Name(c)); }
  void SetControlVisible(Control c, bool on) override { Log(std::string(on ? "show:" : "hide:") + Name(c)); }
  void MinimizeAndHide() override { Log("minimize"); }
  void RestoreAndShow() override { Log("restore"); }
  bool IsChecked(Option o) const override { return options[o]; }
  std::string SelectedFileName() const override { return fileName; }
  void ClearChartSeries() override { Log("clearSeries"); }
  void JobOver() override { Log("jobOver"); }

  static const char* Name(Control c);
  void Log(std::string entry) { events.push_back(std::move(entry)); }

  AnalysisOptions options;
  std::string fileName;
  std::string status[2];
  bool recordStatus = true;  // off for big fixtures: one status text per record
  std::vector<std::string> events;
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

 private:
  std::filesystem::path dir_;
};

// Runs one whole job on bytes, with a fixed clock (2026/12/07 10:00:00), and returns the
// job for inspection. window.fileName is set to the temporary file.
struct JobRun {
  RecordingWindow window;
  std::unique_ptr<AnalysisJob> job;
  std::string fileName;
  std::int32_t Code() const { return job->hive.errorCode; }
  std::vector<std::string> Lines() const;
  std::string Report() const { return job->reportLines.SavedText(); }
  // The saved form of everything after the 17-line report header (which carries the
  // program's version and the host's facts), CR LF after every line.
  std::string ReportAfterHeader() const;
};
std::unique_ptr<JobRun> RunJob(const std::string& bytes, AnalysisOptions options = AnalysisOptions::Initial(),
                               JobSettings settings = {});
inline std::unique_ptr<JobRun> RunJob(const BuiltHive& hive, AnalysisOptions options = AnalysisOptions::Initial(),
                                      JobSettings settings = {}) {
  return RunJob(hive.AsString(), options, settings);
}
LocalDateTime FixedTestTime();

// A file of nothing but a 32-byte file header with this signature, first data block offset
// and block count.
std::string HeaderOnlyFile(const char* signature, std::int32_t firstBlock, std::uint16_t blocks);

std::string ReadFileBytes(const std::filesystem::path& path);
// The real Windows Me user.dat, or empty when the shared folder is absent.
std::optional<std::string> RealUserDat();
std::filesystem::path GoldenPath(const std::string& name);
// Compares with a golden file byte for byte; QUARVEX_UPDATE_GOLDEN=1 rewrites it instead.
::testing::AssertionResult MatchesGolden(const std::string& name, const std::string& actual);

}  // namespace quarvex::testing
