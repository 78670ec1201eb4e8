// One analysis job and the state it leaves behind: the loaded hive with its tables, the
// report lines, the chart series and the status code. The desktop window owns one of these
// for its whole life, the CLI one per run, so both run the very same job.
//
// A job loads the file whole, checks its header and data block chain, indexes every data
// record, then runs the analysis and the structure report when their options are checked.
// Every stage reports failure only through the status code; after each stage the job tests
// it and, when it is set, reports the failure and ends. It reaches the window only through
// the JobWindow interface.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "analyzer/analysis_summary.h"
#include "analyzer/chart_series.h"
#include "text/codepage.h"
#include "hive/hive_state.h"
#include "host/host_facts.h"
#include "job/job_window.h"
#include "text/report_lines.h"
#include "text/text_locale.h"

namespace quarvex::job {

// Reads the named file into the image; on failure sets the code and says why.
using ImageLoader = std::function<void(const std::string& path, hive::HiveImage& image, std::int32_t& errorCode,
                                       std::string* reason)>;

struct JobSettings {
  text::CodePage codePage = text::CodePage::Cp932;
  text::TextLocale locale = text::TextLocale::Japanese();
  std::function<text::LocalDateTime()> clock = text::CurrentLocalDateTime;
  // The file system by default; the fuzz targets hand over bytes from memory instead.
  ImageLoader loadImage = [](const std::string& path, hive::HiveImage& image, std::int32_t& errorCode,
                             std::string* reason) { hive::LoadHiveImage(path, image, errorCode, reason); };
};

inline constexpr std::string_view kAppTitle = "Quarvex";
inline constexpr std::string_view kAppTitleBusy = "Quarvex[Analizing...]";
inline constexpr std::string_view kReportMadeText = "The report has been made.";

// Whether a file of that name is there for a job to open: a directory does not count.
bool FileExists(const std::string& path);

// The failure text of status panel 1: "情報獲得に失敗しました/Fail(code)".
std::string FailureText(std::int32_t code);

class AnalysisJob {
 public:
  explicit AnalysisJob(JobWindow& window, JobSettings settings = {});

  // On the window's thread: refuses a second job (-100), checks that the selected file exists
  // (-9), locks the window and marks the job running. True when the caller must now run
  // RunAnalysis, on its worker thread.
  bool StartAnalysis();
  // The whole job, on the worker. Ends with the window unlocked and JobOver called.
  void RunAnalysis();
  // Shows the failure text for the current code and unlocks the window.
  void ReportFailure();
  // The window calls this on its own thread when the job has told it JobOver.
  void MarkIdle() { jobRunning_ = false; }
  bool JobRunning() const { return jobRunning_; }

  // What the stages share.
  hive::Hive hive;
  text::ReportLines reportLines;
  ChartSeriesSet chartSeries;
  // What the last analysis found; set only when it ran to its end (for the CLI's JSON).
  std::optional<AnalysisSummary> analysisSummary;
  host::HostFacts hostFacts;

  std::int32_t& ErrorCode() { return hive.errorCode; }
  bool Checked(stage::Option option) const { return window_.IsChecked(option); }
  void ShowProgress(const std::string& text) { window_.SetStatusPanel(1, text); }
  void AppendLine(std::string_view line) { reportLines.Append(line); }
  JobWindow& Window() { return window_; }
  const text::LeadByteSet& LeadBytes() const { return leadBytes_; }
  const text::TextLocale& Locale() const { return settings_.locale; }
  text::CodePage GetCodePage() const { return settings_.codePage; }
  // Why the last load failed, in words (for the CLI); empty otherwise.
  const std::string& LoadFailureReason() const { return loadFailureReason_; }

 private:
  void WriteReportHeader(const std::string& fileName);
  bool RunStages(const std::string& fileName);
  void Complete();

  JobWindow& window_;
  JobSettings settings_;
  text::LeadByteSet leadBytes_;
  std::atomic<bool> jobRunning_{false};
  std::string loadFailureReason_;
};

// The worker's entry: runs the job of the given window's job object. 1 when it ran, -1
// when it was given nothing to run.
int AnalysisThreadEntry(AnalysisJob* job);

}  // namespace quarvex::job
