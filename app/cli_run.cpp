#include "app/cli_run.h"

#include <filesystem>

#include "analyzer/analysis_json.h"
#include "app/cli_charts.h"
#include "app/cli_browse.h"
#include "app/cli_check.h"
#include "app/cli_hives.h"
#include "app/cli_input.h"
#include "app/cli_options.h"
#include "app/cli_progress.h"
#include "app/cli_recover.h"
#include "export/regedit4_export.h"
#include "hive/error_codes.h"
#include "job/analysis_job.h"
#include "text/report_file.h"
#include "text/text_encoding.h"
#include "host/this_host.h"

namespace quarvex::cli {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::host;
using namespace quarvex::stage;
using namespace quarvex::analyzer;
using namespace quarvex::exporter;
using namespace quarvex::job;

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

// Lines with CR LF, in the hive's code page or in UTF-8: to standard output when path is
// empty, else to the file through a temporary one.
int WriteLines(const CliOptions& o, const quarvex::text::ReportLines& lines, const std::string& path, std::ostream& out,
               std::ostream& err) {
  const std::optional<quarvex::text::CodePage> transcode =
      o.encoding == Encoding::Utf8 ? std::optional<quarvex::text::CodePage>(o.codePage) : std::nullopt;
  if (path.empty()) {
    const std::string text = quarvex::text::SavedReportText(lines, transcode);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    return out ? kExitOk : kExitWriteFailed;
  }
  std::string error;
  if (!quarvex::text::SaveReportLines(lines, path, error, transcode)) {
    err << "quarvex-cli: " << error << '\n';
    return kExitWriteFailed;
  }
  return kExitOk;
}

int WriteReport(const CliOptions& o, const quarvex::job::JobResult& result, std::ostream& out, std::ostream& err) {
  return WriteLines(o, result.report, o.outputFile, out, err);
}

// "FILE: Fail(8): <what the code means>: data block 4 at 0x...: signature ..." on one line.
void ReportJobFailure(const CliOptions& o, const quarvex::job::JobResult& result, std::ostream& err) {
  err << "quarvex-cli: " << o.inputFile << ": " << quarvex::job::FailureText(result.code) << ": "
      << quarvex::hive::code::Describe(result.code);
  if (!result.loadFailureReason.empty()) err << " (" << result.loadFailureReason << ")";
  if (result.finding) err << ": " << result.finding->Text();
  err << '\n';
}

// The REGEDIT4 export of the job's hive, to a file through a temporary one (or standard
// output); every finding also goes to standard error, the first hundred of them in full.
int WriteExport(const CliOptions& o, quarvex::job::JobResult& job, std::ostream& out, std::ostream& err) {
  ExportSettings settings;
  settings.codePage = o.codePage;
  settings.rootKey = quarvex::text::Utf8ToCodePage(o.exportRoot.empty() ? RootKeyForFileName(InnermostName(o.inputFile)) : o.exportRoot, o.codePage);
  quarvex::text::ReportLines lines;
  const ExportOutcome outcome = ExportRegedit4(job.hive, settings, lines);
  constexpr std::size_t kShown = 100;
  for (std::size_t i = 0; i < outcome.findings.size() && i < kShown; ++i)
    err << "quarvex-cli: " << o.inputFile << ": export: " << quarvex::text::CodePageToUtf8(outcome.findings[i], o.codePage) << '\n';
  if (outcome.findings.size() > kShown)
    err << "quarvex-cli: " << o.inputFile << ": export: " << outcome.findings.size() - kShown
        << " more finding(s), each a comment in the export\n";
  const bool failed = outcome.code != quarvex::hive::code::kOk;
  if (failed)
    err << "quarvex-cli: " << o.inputFile << ": export: " << quarvex::job::FailureText(outcome.code) << ": "
        << quarvex::text::CodePageToUtf8(outcome.failure, o.codePage)
        << (outcome.finding ? ": " + outcome.finding->Text() : std::string()) << '\n';
  if (!failed || o.partial) {
    const int written = WriteLines(o, lines, o.exportFile == "-" ? std::string() : o.exportFile, out, err);
    if (written != kExitOk) return written;
  }
  return failed ? kExitJobFailed : kExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // "check FILE...": every problem of each hive, read past damage.
  if (!args.empty() && args[0] == "check") return RunCheck({args.begin() + 1, args.end()}, out, err);
  if (!args.empty() && args[0] == "recover") return RunRecover({args.begin() + 1, args.end()}, out, err);
  if (!args.empty() && args[0] == "hives") return RunHives({args.begin() + 1, args.end()}, out, err);
  // "ls", "get", "find", "diff", "stats", "help"; "report" is the explicit name of what follows.
  if (const std::optional<int> status = RunBrowseSubcommand(args, out, err)) return *status;
  if (!args.empty() && args[0] == "report") return RunCli({args.begin() + 1, args.end()}, out, err);
  const ParseResult parsed = ParseCommandLine(args);
  if (!parsed.options) {
    err << "quarvex-cli: " << parsed.error << "\nTry 'quarvex-cli --help'.\n";
    return kExitUsage;
  }
  const CliOptions& o = *parsed.options;
  if (o.help) {
    out << HelpText();
    return kExitOk;
  }
  if (o.version) {
    out << "quarvex-cli " << QUARVEX_VERSION << '\n';
    return kExitOk;
  }
  // The analysed file is never written, not even by mistake.
  for (const std::string* target : {&o.outputFile, &o.jsonFile, &o.exportFile})
    if (!target->empty() && SameFile(*target, DiskFileOf(o.inputFile))) {
      err << "quarvex-cli: the output would overwrite the hive file " << o.inputFile << '\n';
      return kExitUsage;
    }

  quarvex::job::JobInput input;
  input.fileName = o.inputFile;
  // A hive inside an image or cabinet is read into memory; the report names it by its address.
  if (IsContainerAddress(o.inputFile)) {
    if (!o.chartsDirectory.empty()) {
      err << "quarvex-cli: --charts reads loose hive files only, not " << o.inputFile << '\n';
      return kExitUsage;
    }
    std::string error;
    input.bytes = ReadWholeHive(o.inputFile, error);
    if (!input.bytes) {
      err << "quarvex-cli: " << error << '\n';
      return kExitJobFailed;
    }
  }
  input.codePage = o.codePage;
  input.locale = quarvex::text::TextLocale::FromEnvironment();
  if (o.fixedTime) input.clock = [t = *o.fixedTime] { return t; };
  // An export alone needs only the loaded and indexed hive, and writes no report.
  const bool report = o.exportFile.empty() || !o.outputFile.empty();
  input.options = o.options;
  if (!report && o.jsonFile.empty())
    for (quarvex::stage::Option stage : {quarvex::stage::Option::cbANA, quarvex::stage::Option::cbRPT}) input.options.Set(stage, false);
  // The host is probed once; the job prints its facts in the report header.
#if defined(_WIN32)
  if (o.windowsDirectory)
    err << "quarvex-cli: --windows-dir is for machines not running Windows; the running system is described\n";
#endif
  input.hostFacts = quarvex::host::ProbeThisHost({o.windowsDirectory, o.codePage}, input.locale).facts;

  CliProgress progress(o.progress ? &err : nullptr);
  quarvex::job::JobResult result = quarvex::job::RunJob(input, progress);
  if (result.code != quarvex::hive::code::kOk) {
    ReportJobFailure(o, result, err);
    if (o.partial && report && !result.report.Empty()) WriteReport(o, result, out, err);
    std::string error;
    if (o.partial && !o.jsonFile.empty() &&
        !SaveAnalysisJson(AnalysisJsonText(std::nullopt, JobFailure{result.code, result.finding}), o.jsonFile, error))
      err << "quarvex-cli: " << error << '\n';
    return kExitJobFailed;
  }
  const int written = report ? WriteReport(o, result, out, err) : kExitOk;
  if (written != kExitOk) return written;
  std::string error;
  if (!o.jsonFile.empty() && !SaveAnalysisJson(AnalysisJsonText(result.analysis), o.jsonFile, error)) {
    err << "quarvex-cli: " << error << '\n';
    return kExitWriteFailed;
  }
  if (!o.chartsDirectory.empty()) {
    const int charts = WriteCharts(o.chartsDirectory, o.inputFile, o.codePage, err);
    if (charts != kExitOk) return charts;
  }
  return o.exportFile.empty() ? kExitOk : WriteExport(o, result, out, err);
}

}  // namespace quarvex::cli
