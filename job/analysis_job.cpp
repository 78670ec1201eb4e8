#include "job/analysis_job.h"

#include <filesystem>
#include <new>

#include "analyzer/space_analysis.h"
#include "hive/prescan.h"
#include "text/printf.h"
#include "text/text_encoding.h"
#include "report/structure_report.h"

namespace quarvex::job {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::host;
using namespace quarvex::stage;
using namespace quarvex::analyzer;
using namespace quarvex::report;


std::string FailureText(std::int32_t code) {
  return Printf("情報獲得に失敗しました/Fail(%d)", code);
}

AnalysisJob::AnalysisJob(JobWindow& window, JobSettings settings)
    : window_(window), settings_(std::move(settings)), leadBytes_(LeadByteSet::For(settings_.codePage)) {}

bool FileExists(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

bool AnalysisJob::StartAnalysis() {
  if (jobRunning_) {
    // The running job keeps its own code and clears the busy marker itself.
    window_.SetStatusPanel(1, FailureText(code::kJobAlreadyRunning));
    return false;
  }
  if (!FileExists(window_.SelectedFileName())) {
    ErrorCode() = code::kFileMissing;
    ReportFailure();
    return false;
  }
  for (Control c : {Control::Button1, Control::Button3, Control::Button4, Control::sbReAna, Control::sbEnd,
                    Control::pgPage})
    window_.SetControlEnabled(c, false);
  jobRunning_ = true;
  return true;
}

void AnalysisJob::ReportFailure() {
  window_.SetStatusPanel(1, FailureText(ErrorCode()));
  if (Checked(Option::cbMINI)) window_.RestoreAndShow();
  window_.SetApplicationTitle(std::string(kAppTitle));
  window_.JobOver();
  for (Control c : {Control::Button1, Control::Button3, Control::Button4, Control::pgPage, Control::sbEnd})
    window_.SetControlEnabled(c, true);
  window_.SetControlEnabled(Control::sbReAna, false);
}

void AnalysisJob::RunAnalysis() {
  window_.SetApplicationTitle(std::string(kAppTitleBusy));
  window_.SetMessageLine("");
  if (Checked(Option::cbMINI)) window_.MinimizeAndHide();
  window_.SetControlVisible(Control::sbShowRep, false);
  const std::string fileName = window_.SelectedFileName();
  window_.SetStatusPanel(0, fileName);
  ErrorCode() = code::kOk;
  loadFailureReason_.clear();

  // A stage that runs out of memory must not leave the window locked: it ends the job
  // with a code of its own like any other failure.
  bool completed = false;
  try {
    completed = RunStages(fileName);
  } catch (const std::bad_alloc&) {
    ErrorCode() = code::kInternalFailure;
    loadFailureReason_ = "out of memory";
  }
  if (completed)
    Complete();
  else
    ReportFailure();
}

bool AnalysisJob::RunStages(const std::string& fileName) {
  settings_.loadImage(fileName, hive.hiveImage, ErrorCode(), &loadFailureReason_);
  if (ErrorCode() != code::kOk) {
    window_.SetStatusPanel(0, " ");
    return false;
  }
  chartSeries.ClearAll();
  window_.ClearChartSeries();
  reportLines.Clear();
  WriteReportHeader(fileName);

  if (!hive.ReadHiveHeader()) return false;
  if (!hive.BuildBlockTable()) return false;
  PreScanDataBlocks(hive, {Checked(Option::cbPSdbrh), [this](std::string_view line) { AppendLine(line); },
                           [this](std::string_view text) { ShowProgress(std::string(text)); }});
  if (ErrorCode() != code::kOk) return false;
  if (Checked(Option::cbANA)) {
    AnalyzeSpace(*this);
    if (ErrorCode() != code::kOk) return false;
  }
  if (Checked(Option::cbRPT)) {
    BuildStructureReport(*this);
    if (ErrorCode() != code::kOk) return false;
  }
  AppendLine("");
  AppendLine(" Done: " + Locale().DateTime(settings_.clock()));
  return true;
}

void AnalysisJob::Complete() {
  window_.SetControlVisible(Control::sbShowRep, true);
  window_.SetControlEnabled(Control::Button2, false);
  if (Checked(Option::cbMINI)) window_.RestoreAndShow();
  window_.SetStatusPanel(1, std::string(kReportMadeText));
  window_.SetApplicationTitle(std::string(kAppTitle));
  for (Control c : {Control::Button1, Control::Button3, Control::Button4, Control::pgPage, Control::sbReAna,
                    Control::sbEnd})
    window_.SetControlEnabled(c, true);
  window_.JobOver();
}

void AnalysisJob::WriteReportHeader(const std::string& fileName) {
  const HostFacts& f = hostFacts;
  // Host facts and the file name are UTF-8 on this side; the report is in the hive's code page.
  auto cp = [this](const std::string& utf8) { return Utf8ToCodePage(utf8, settings_.codePage); };
  AppendLine(" Quarvex  <Registry Analizer>(ver " + cp(f.ProgramVersion) + ")");
  AppendLine("");
  AppendLine(" Execute on " + cp(f.OsText));
  AppendLine("   & Internet Explorer(ver " + cp(f.IeVersion) + ")");
  AppendLine("   Machine: " + cp(f.ComputerName) + "(" + cp(f.MachineType) + ")");
  AppendLine(" Date: " + Locale().DateTime(settings_.clock()));
  AppendLine("");
  AppendLine(" Registry Access Environment");
  AppendLine("  ADVAPI32.DLL = " + cp(f.Advapi32File) + "(ver " + cp(f.Advapi32Version) + ")");
  AppendLine("   Time Stamp: " + cp(f.Advapi32Stamp));
  AppendLine("  KRNL386.EXE = " + cp(f.Krnl386File) + "(ver " + cp(f.Krnl386Version) + ")");
  AppendLine("   Time Stamp: " + cp(f.Krnl386Stamp));
  AppendLine("");
  AppendLine(" Object Registry Hive");
  AppendLine("  FileName: " + cp(fileName));
  const std::string size = Locale().Amount(static_cast<double>(hive.hiveImage.Size()));
  AppendLine(Printf("  FileSize: %12.12s(Bytes)", size.c_str()));
  AppendLine("");
}

int AnalysisThreadEntry(AnalysisJob* job) {
  if (job == nullptr) return -1;
  job->RunAnalysis();
  return 1;
}

}  // namespace quarvex::job
