#include "job/analysis_job.h"

#include <filesystem>
#include <new>

#include "analyzer/space_analysis.h"
#include "hive/prescan.h"
#include "report/analyzer_section.h"
#include "report/prescan_trace.h"
#include "report/report_frame.h"
#include "report/structure_report.h"
#include "stage/stage_context.h"
#include "text/hex_text.h"
#include "text/printf.h"
#include "text/report_writer.h"

namespace quarvex::job {

using hive::Hive;
using stage::Option;

std::string FailureText(std::int32_t code) { return text::Printf("情報獲得に失敗しました/Fail(%d)", code); }

bool FileExists(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

namespace {

bool Ok(const Hive& hive) { return hive.errorCode == hive::code::kOk; }

// The stages after the file is in memory; false when one of them set the hive's code.
bool RunStages(const JobInput& input, JobEvents& events, JobResult& result) {
  Hive& hive = result.hive;
  result.analysis.reset();
  result.report.Clear();
  if (input.reportSink) result.report.StreamTo(input.reportSink);
  events.ImageLoaded();
  text::ReportWriter writer(result.report);
  report::WriteReportHeader(
      writer, {input.hostFacts, input.fileName, hive.hiveImage.Size(), input.codePage, input.locale, input.clock()});

  if (!hive.ReadHiveHeader()) return false;
  events.StageFinished(Stage::HiveHeader);
  if (!hive.BuildBlockTable()) return false;
  events.StageFinished(Stage::BlockChain);

  hive::PreScanTrace trace;
  // "DB_rec_pre:%.4X%.4X" of every record, written into one buffer.
  char progress[19] = {'D', 'B', '_', 'r', 'e', 'c', '_', 'p', 'r', 'e', ':'};
  hive::PreScanDataBlocks(hive, {[&](std::uint16_t block, std::uint16_t record) {
                                   text::WriteHex(text::WriteHex(progress + 11, block, 4), record, 4);
                                   events.ProgressAt(std::string_view(progress, sizeof progress),
                                                     {Stage::PreScan, block, hive.hiveHeader.wDBblks});
                                 },
                                 input.options[Option::PrescanRecordHeaders] ? &trace : nullptr});
  if (input.options[Option::PrescanRecordHeaders]) report::WritePreScanTrace(writer, trace);
  if (!Ok(hive)) return false;
  events.StageFinished(Stage::PreScan);

  const text::LeadByteSet leadBytes = text::LeadByteSet::For(input.codePage);
  Stage running = Stage::Analysis;
  const stage::StageContext context{
      hive,
      input.options,
      input.codePage,
      leadBytes,
      input.locale,
      writer,
      [&events, &running](std::string_view text, std::uint64_t done, std::uint64_t total) {
        events.ProgressAt(text, {running, done, total});
      }};
  if (input.options[Option::Analyse]) {
    result.analysis = analyzer::AnalyzeSpace(context);
    if (!Ok(hive)) return false;
    if (input.options[Option::AnalysisInReport])
      report::WriteAnalyzerSection(writer, *result.analysis, input.locale, input.options[Option::ListBadAndGhostKeys]);
    events.StageFinished(Stage::Analysis);
  }
  if (input.options[Option::StructureReport]) {
    running = Stage::StructureReport;
    report::BuildStructureReport(context);
    if (!Ok(hive)) return false;
    events.StageFinished(Stage::StructureReport);
  }
  report::WriteReportClosing(writer, input.locale, input.clock());
  return true;
}

// taken: the caller's bytes, when it hands them over (no copy of the file).
bool LoadImage(const JobInput& input, std::optional<std::vector<std::uint8_t>>* taken, JobResult& result) {
  if (taken && *taken) {
    result.hive.hiveImage = hive::HiveImage(std::move(**taken));
    taken->reset();
    return true;
  }
  if (input.bytes) {
    result.hive.hiveImage = hive::HiveImage(*input.bytes);
    return true;
  }
  hive::LoadHiveImage(input.fileName, result.hive.hiveImage, result.hive.errorCode, &result.loadFailureReason);
  return Ok(result.hive);
}

}  // namespace

namespace {

void RunJobOn(const JobInput& input, std::optional<std::vector<std::uint8_t>>* taken, JobEvents& events,
              JobResult& result) {
  Hive& hive = result.hive;
  hive.errorCode = hive::code::kOk;
  hive.failure.reset();
  result.loadFailureReason.clear();
  result.finding.reset();
  if (!input.bytes && !FileExists(input.fileName)) {
    result.code = hive::code::kFileMissing;
    events.Failed(result.code, nullptr);
    return;
  }
  events.Started(input.fileName);

  // A stage that runs out of memory must not leave a window locked: it ends the job with a
  // code of its own like any other failure.
  bool completed = false;
  try {
    if (!LoadImage(input, taken, result)) {
      events.LoadFailed();
    } else {
      events.StageFinished(Stage::Load);
      completed = RunStages(input, events, result);
    }
  } catch (const std::bad_alloc&) {
    hive.errorCode = hive::code::kInternalFailure;
    hive.failure.reset();
    result.loadFailureReason = "out of memory";
  }
  result.report.Flush();
  result.code = hive.errorCode;
  result.finding = hive.failure;
  if (completed)
    events.Done();
  else
    events.Failed(result.code, result.finding ? &*result.finding : nullptr);
}

}  // namespace

void RunJob(const JobInput& input, JobEvents& events, JobResult& result) { RunJobOn(input, nullptr, events, result); }

void RunJob(JobInput&& input, JobEvents& events, JobResult& result) { RunJobOn(input, &input.bytes, events, result); }

JobResult RunJob(const JobInput& input, JobEvents& events) {
  JobResult result;
  RunJob(input, events, result);
  return result;
}

JobResult RunJob(JobInput&& input, JobEvents& events) {
  JobResult result;
  RunJob(std::move(input), events, result);
  return result;
}

JobResult RunJob(const JobInput& input) {
  JobEvents silent;
  return RunJob(input, silent);
}

}  // namespace quarvex::job
