// One analysis job as a function of its inputs: the file, the option boxes, the code page,
// the host's facts. It loads the file whole, checks its header and data block chain, indexes
// every data record, then runs the analysis and the structure report when their boxes are
// checked, and writes the report. Every stage reports failure through the hive's status
// code; after each stage the job tests it and, when it is set, ends with that code.
//
// While it runs it tells a JobEvents what happens; it never names a control of a window.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analyzer/analysis_result.h"
#include "hive/finding.h"
#include "hive/hive_state.h"
#include "host/host_facts.h"
#include "job/job_events.h"
#include "stage/options.h"
#include "text/codepage.h"
#include "text/report_lines.h"
#include "text/text_locale.h"

namespace quarvex::job {

struct JobInput {
  std::string fileName;  // UTF-8; read from disk unless `bytes` is given
  // The file's bytes from memory instead of from disk (the fuzz targets, tests); fileName is
  // then only the name the report header shows.
  std::optional<std::vector<std::uint8_t>> bytes;
  stage::AnalysisOptions options = stage::AnalysisOptions::Initial();
  text::CodePage codePage = text::CodePage::Cp932;
  text::TextLocale locale = text::TextLocale::Japanese();
  host::HostFacts hostFacts;
  std::function<text::LocalDateTime()> clock = text::CurrentLocalDateTime;
  // When set, the report is streamed to it (text::ReportLines::StreamTo) as it is built, all
  // of it by the job's end, and the result's report keeps only its count of lines.
  std::function<void(std::string_view)> reportSink;
};

struct JobResult {
  std::int32_t code = 0;                             // 0, or the code the job ended with
  std::optional<hive::Finding> finding;              // what the failing reader found, when it said
  std::string loadFailureReason;                     // why the file could not be read, in words
  text::ReportLines report;                          // in the hive's code page
  std::optional<analyzer::AnalysisResult> analysis;  // when the analysis ran to its end
  hive::Hive hive;                                   // the loaded hive with its tables (for the export, key paths)
};

inline constexpr std::string_view kAppTitle = "Quarvex";
inline constexpr std::string_view kAppTitleBusy = "Quarvex[Analizing...]";
inline constexpr std::string_view kReportMadeText = "The report has been made.";

// Whether a file of that name is there for a job to open: a directory does not count.
bool FileExists(const std::string& path);

// The failure text of the status line: "情報獲得に失敗しました/Fail(code)".
std::string FailureText(std::int32_t code);

// Runs the whole job into result (which the caller may share with the thread that receives
// the events: everything is in it before the last event is sent).
void RunJob(const JobInput& input, JobEvents& events, JobResult& result);
// The same taking the bytes of input (when it holds them) instead of copying them.
void RunJob(JobInput&& input, JobEvents& events, JobResult& result);
JobResult RunJob(const JobInput& input, JobEvents& events);
// The same, taking input's bytes (when given) instead of copying them: a large file is then
// in memory once.
JobResult RunJob(JobInput&& input, JobEvents& events);
// Runs it with no one watching.
JobResult RunJob(const JobInput& input);

}  // namespace quarvex::job
