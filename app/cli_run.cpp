#include "app/cli_run.h"

#include <filesystem>

#include "analyzer/analysis_json.h"
#include "app/cli_options.h"
#include "app/cli_window.h"
#include "hive/error_codes.h"
#include "job/analysis_job.h"
#include "job/report_file.h"
#include "platform/this_host.h"

namespace quarvex::cli {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

int WriteReport(const CliOptions& o, const AnalysisJob& job, std::ostream& out, std::ostream& err) {
  const std::optional<CodePage> transcode =
      o.encoding == Encoding::Utf8 ? std::optional<CodePage>(o.codePage) : std::nullopt;
  if (o.outputFile.empty()) {
    const std::string text = SavedReportText(job.reportLines, transcode);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    return out ? kExitOk : kExitWriteFailed;
  }
  std::string error;
  if (!SaveReportLines(job.reportLines, o.outputFile, error, transcode)) {
    err << "quarvex-cli: " << error << '\n';
    return kExitWriteFailed;
  }
  return kExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
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
  for (const std::string* target : {&o.outputFile, &o.jsonFile})
    if (!target->empty() && SameFile(*target, o.inputFile)) {
      err << "quarvex-cli: the output would overwrite the hive file " << o.inputFile << '\n';
      return kExitUsage;
    }

  JobSettings settings;
  settings.codePage = o.codePage;
  settings.locale = TextLocale::FromEnvironment();
  if (o.fixedTime) settings.clock = [t = *o.fixedTime] { return t; };
  CliWindow window(o.options, o.inputFile, o.progress ? &err : nullptr);
  AnalysisJob job(window, settings);
  // The host is probed once; the job prints its facts in the report header.
#if defined(_WIN32)
  if (o.windowsDirectory)
    err << "quarvex-cli: --windows-dir is for machines not running Windows; the running system is described\n";
#endif
  job.hostFacts = ProbeThisHost({o.windowsDirectory, o.codePage}, settings.locale).facts;

  if (job.StartAnalysis()) {
    job.RunAnalysis();
    job.MarkIdle();
  }
  const std::int32_t code = job.ErrorCode();
  if (code != code::kOk) {
    err << "quarvex-cli: " << o.inputFile << ": " << FailureText(code) << ": " << code::Describe(code);
    if (!job.LoadFailureReason().empty()) err << " (" << job.LoadFailureReason() << ")";
    err << '\n';
    if (o.partial && !job.reportLines.Empty()) WriteReport(o, job, out, err);
    return kExitJobFailed;
  }
  const int written = WriteReport(o, job, out, err);
  if (written != kExitOk || o.jsonFile.empty()) return written;
  std::string error;
  if (!SaveAnalysisJson(job, o.jsonFile, error)) {
    err << "quarvex-cli: " << error << '\n';
    return kExitWriteFailed;
  }
  return kExitOk;
}

}  // namespace quarvex::cli
