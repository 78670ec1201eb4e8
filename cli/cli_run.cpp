#include "cli/cli_run.h"
#include "cli/cli_args.h"

#include <filesystem>

#include "analyzer/analysis_json.h"
#include "detect/codepage_detect.h"
#include "detect/hive_root.h"
#include "session/opened_hive.h"
#include "cli/commands/charts.h"
#include "cli/commands/check.h"
#include "cli/cli_dispatch.h"
#include "cli/commands/hives.h"
#include "session/code_page.h"
#include "session/hive_bytes.h"
#include "cli/cli_options.h"
#include "cli/cli_progress.h"
#include "cli/cli_subcommands.h"
#include "session/other_file.h"
#include "export/regedit4_export.h"
#include "export/salvage_export.h"
#include "hive/error_codes.h"
#include "job/analysis_job.h"
#include "salvage/check_text.h"
#include "salvage/salvage.h"
#include "text/report_file.h"
#include "text/terminal_text.h"
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

// Lines to standard output when path is empty, else to the file through a temporary one:
// in the hive's code page or in UTF-8 with CR LF, or in the terminal's encoding with the
// platform's line ends (the default for standard output).
int WriteLines(const CliOptions& o, const quarvex::text::ReportLines& lines, const std::string& path, std::ostream& out,
               std::ostream& err) {
  const Encoding encoding = EffectiveEncoding(o, !path.empty());
  const std::optional<quarvex::text::CodePage> transcode =
      encoding == Encoding::Utf8 ? std::optional<quarvex::text::CodePage>(o.codePage) : std::nullopt;
  if (path.empty()) {
    const std::string text = encoding == Encoding::Locale
                                 ? quarvex::text::TerminalText(lines, o.codePage, quarvex::text::LocaleCharset())
                                 : quarvex::text::SavedReportText(lines, transcode);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    return out ? kExitOk : kExitWriteFailed;
  }
  if (encoding == Encoding::Locale) {
    // A file in the terminal's encoding: the same text, saved atomically as one line.
    quarvex::text::ReportLines whole;
    std::string text = quarvex::text::TerminalText(lines, o.codePage, quarvex::text::LocaleCharset());
    if (text.ends_with(quarvex::text::kPlatformLineEnd))
      text.resize(text.size() - quarvex::text::kPlatformLineEnd.size());
    if (!lines.Empty()) whole.Append(text);
    std::string error;
    if (!quarvex::text::SaveReportLines(whole, path, error, std::nullopt, quarvex::text::kPlatformLineEnd)) {
      err << "quarvex-cli: " << error << '\n';
      return kExitWriteFailed;
    }
    return kExitOk;
  }
  std::string error;
  if (!quarvex::text::SaveReportLines(lines, path, error, transcode)) {
    err << "quarvex-cli: " << error << '\n';
    return kExitWriteFailed;
  }
  return kExitOk;
}

// streamed: the file the report was written into while the job built it, to be put in place.
int WriteReport(const CliOptions& o, const quarvex::job::JobResult& result, std::unique_ptr<ReportFileStream> streamed,
                std::ostream& out, std::ostream& err) {
  if (!streamed)
    return WriteLines(o, result.report, IsStandardStream(o.outputFile) ? std::string() : o.outputFile, out, err);
  std::string error;
  if (!streamed->Commit(error)) {
    err << "quarvex-cli: " << error << '\n';
    return kExitWriteFailed;
  }
  return kExitOk;
}

// The JSON to its file through a temporary one, or to standard output for "-".
int WriteJson(const std::string& text, const std::string& path, std::ostream& out, std::ostream& err) {
  if (IsStandardStream(path)) {
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    return out ? kExitOk : kExitWriteFailed;
  }
  std::string error;
  if (!SaveAnalysisJson(text, path, error)) {
    err << "quarvex-cli: " << error << '\n';
    return kExitWriteFailed;
  }
  return kExitOk;
}

// Why a file the job could not start on is missing: nothing there, or a directory (the job's
// code is -9 for both).
std::string MissingFileReason(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return "is a directory, not a hive file";
  return "no such file";
}

// "FILE: Fail(8): <what the code means>: data block 4 at 0x...: signature ..." on one line, in
// English (the window's status bar shows the job's own bilingual text). A file that is empty,
// a disk image, a cabinet or a Windows NT hive is said to be so, with the way to the hives
// inside an image or cabinet; the report itself, were one written, is not touched.
void ReportJobFailure(const CliOptions& o, const quarvex::job::JobResult& result, std::ostream& err) {
  const bool notAHive =
      result.code == quarvex::hive::code::kHiveHeaderShort || result.code == quarvex::hive::code::kHiveSignature;
  const session::OtherFile other = notAHive && result.loadFailureReason.empty()
                                       ? session::WhatFileIs(o.input, result.hive.hiveImage.View())
                                       : session::OtherFile::Unknown;
  err << "quarvex-cli: " << o.inputFile << ": " << CliFailureText(result.code) << ": ";
  if (other == session::OtherFile::Empty) {
    err << session::OtherFileText(other) << '\n';
    return;
  }
  err << (result.code == quarvex::hive::code::kFileMissing ? MissingFileReason(o.inputFile)
                                                           : quarvex::hive::code::Describe(result.code));
  if (!result.loadFailureReason.empty()) err << " (" << result.loadFailureReason << ")";
  if (result.finding) err << ": " << result.finding->Text();
  err << '\n';
  if (other != session::OtherFile::Unknown) {
    err << "quarvex-cli: " << o.inputFile << " is " << session::OtherFileText(other);
    if (const std::string hint = session::HivesHint(o.inputFile, other); !hint.empty()) err << ": " << hint;
    err << '\n';
  }
}

// o.exportRoot holds the root key by then: named with --export-root, or told by the hive's
// content before the job (ChooseExportRoot).
ExportSettings ExportSettingsFor(const CliOptions& o) {
  ExportSettings settings;
  settings.codePage = o.codePage;
  const std::string root = o.exportRoot.empty() ? RootKeyForFileName(o.input.InnermostName()) : o.exportRoot;
  settings.rootKey = quarvex::text::Utf8ToCodePage(root, o.codePage);
  return settings;
}

// Every finding of an export on standard error, the first hundred of them in full; then the
// lines, to a file through a temporary one (or standard output), unless the export failed
// and --partial was not given. Returns kExitOk, or the failure's status.
int FinishExport(const CliOptions& o, const ExportOutcome& outcome, const quarvex::text::ReportLines& lines,
                 std::ostream& out, std::ostream& err) {
  constexpr std::size_t kShown = 100;
  for (std::size_t i = 0; i < outcome.findings.size() && i < kShown; ++i)
    err << "quarvex-cli: " << o.inputFile
        << ": export: " << quarvex::text::CodePageToUtf8(outcome.findings[i], o.codePage) << '\n';
  if (outcome.findings.size() > kShown)
    err << "quarvex-cli: " << o.inputFile << ": export: " << outcome.findings.size() - kShown
        << " more finding(s), each a comment in the export\n";
  const bool failed = outcome.code != quarvex::hive::code::kOk;
  if (failed)
    err << "quarvex-cli: " << o.inputFile << ": export: " << CliFailureText(outcome.code) << ": "
        << quarvex::text::CodePageToUtf8(outcome.failure, o.codePage)
        << (outcome.finding ? ": " + outcome.finding->Text() : std::string()) << '\n';
  if (!failed || o.partial) {
    const int written = WriteLines(o, lines, IsStandardStream(o.exportFile) ? std::string() : o.exportFile, out, err);
    if (written != kExitOk) return written;
  }
  return failed ? kExitJobFailed : kExitOk;
}

// The REGEDIT4 export of the job's hive.
int WriteExport(const CliOptions& o, quarvex::job::JobResult& job, std::ostream& out, std::ostream& err) {
  quarvex::text::ReportLines lines;
  const ExportOutcome outcome = ExportRegedit4(job.hive, ExportSettingsFor(o), lines);
  return FinishExport(o, outcome, lines, out, err);
}

// The export from the salvage reader: the bytes already read (or the file, read again) are
// salvaged, whatever the job made of them (a truncated file fails the job and is exported all
// the same). The hive is read as `check` reads it, so that the summary line counts what check
// counts. The status is the check's: 4 when damage was found (the export is written all the
// same), 1 when the file cannot be read or is no registry file at all.
int WriteSalvageExport(const CliOptions& o, const quarvex::detect::CodePageChoice& choice,
                       std::optional<std::vector<std::uint8_t>> bytes, std::ostream& out, std::ostream& err) {
  std::string error;
  if (!bytes) bytes = session::ReadHiveBytes(o.input, error);
  if (!bytes) {
    err << "quarvex-cli: " << o.inputFile << ": cannot read: " << error << '\n';
    return kExitJobFailed;
  }
  session::OpenOptions options;
  options.chosen = choice;
  const std::unique_ptr<session::OpenedHive> checked = session::OpenBytes(o.input, std::move(*bytes), options);
  if (const std::string hint = session::HivesHint(o.inputFile, checked->other); !hint.empty())
    err << "quarvex-cli: " << o.inputFile << " is " << session::OtherFileText(checked->other) << ": " << hint << '\n';
  quarvex::text::ReportLines lines;
  const ExportOutcome outcome = ExportSalvaged(checked->hive, ExportSettingsFor(o), lines);
  const int finished = FinishExport(o, outcome, lines, out, err);
  if (finished != kExitOk) return finished;
  if (checked->hive.summary.damage == 0) return kExitOk;
  err << "quarvex-cli: " << o.inputFile << ": export: " << quarvex::salvage::SummaryText(checked->hive)
      << " (quarvex-cli check lists every finding)\n";
  return kCheckDamage;
}

// --codepage auto: the hive's own values, a system.dat beside it or in --windows-dir, its
// name checksums, else 1252. A hive that cannot be read is left to the job to report.
// The salvaged model is there when the export's root is told by the content too; otherwise the
// bytes are read lightly (a whole hive) or salvaged for the detection alone.
quarvex::detect::CodePageChoice ChooseCodePage(const CliOptions& o, const std::vector<std::uint8_t>* bytes,
                                               const quarvex::salvage::SalvagedHive* model,
                                               const std::string& readError) {
  using quarvex::detect::CodePageChoice;
  if (!o.autoCodePage)
    return CodePageChoice{o.codePage, quarvex::detect::CodePageSource::Option, "named with --codepage"};
  if (!bytes)
    return CodePageChoice{quarvex::text::CodePage::Cp1252, quarvex::detect::CodePageSource::Default,
                          "the file cannot be read (" + readError + "), so 1252"};
  const session::CodePageRequest request{std::nullopt, "", o.windowsDirectory};
  if (model) return session::ChooseCodePage(request, o.input, *model);
  return session::ChooseCodePage(request, o.input, *bytes);
}

// The export's root key from the hive's top keys; the file name only breaks a tie.
std::string ChooseExportRoot(const CliOptions& o, const quarvex::salvage::SalvagedHive* model, std::ostream& err) {
  const auto byContent = model ? quarvex::detect::RootKeyForContent(*model) : std::nullopt;
  const std::string root = byContent ? byContent->rootKey : RootKeyForFileName(o.input.InnermostName());
  if (o.verbose)
    err << "quarvex-cli: " << o.inputFile << ": export root " << root << ": "
        << (byContent ? byContent->reason : std::string("told by the file name")) << '\n';
  return root;
}

}  // namespace

std::string CliFailureText(std::int32_t code) { return "Fail(" + std::to_string(code) + ")"; }

int RunCli(const std::vector<std::string>& given, std::ostream& out, std::ostream& err) {
  // Options shared by every subcommand may come before its name; a mistyped name is said so.
  const ArrangedCommandLine arranged = ArrangeCommandLine(given);
  if (!arranged.error.empty()) {
    err << "quarvex-cli: " << arranged.error << "\nTry 'quarvex-cli --help'.\n";
    return kExitUsage;
  }
  const std::vector<std::string>& args = arranged.args;
  if (const std::optional<int> refused = RefuseImagesWithoutSupport(args, err)) return *refused;
  // "check", "ls", "help" ... (cli/cli_subcommands.cpp); anything else is the report's options.
  if (const std::optional<int> status = RunSubcommand(args, out, err)) return *status;
  return RunReport(args, out, err);
}

int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const ParseResult parsed = ParseCommandLine(args);
  if (!parsed.options) {
    err << "quarvex-cli: " << parsed.error << "\nTry 'quarvex-cli --help'.\n";
    return kExitUsage;
  }
  CliOptions o = *parsed.options;
  if (o.help) {
    out << HelpText();
    return kExitOk;
  }
  if (o.version) {
    out << VersionText();
    return kExitOk;
  }
  // Two outputs in one place would leave only one of them (or mix them on standard output).
  if (const std::string clash = OutputClash({{"-o", o.outputFile}, {"--json", o.jsonFile}, {"--export", o.exportFile}});
      !clash.empty()) {
    err << "quarvex-cli: " << clash << "\nTry 'quarvex-cli --help'.\n";
    return kExitUsage;
  }
  // The analysed file is never written, not even by mistake.
  const bool fromStandardInput = IsStandardStream(o.inputFile);
  for (const std::string* target : {&o.outputFile, &o.jsonFile, &o.exportFile})
    if (!target->empty() && !IsStandardStream(*target) && !fromStandardInput && SameFile(*target, o.input.DiskFile())) {
      err << "quarvex-cli: the output would overwrite the hive file " << o.inputFile << '\n';
      return kExitUsage;
    }

  // The file is read once. What is decided before the job (the code page, the export's root key)
  // is told by its bytes, read with single-byte rules, and the job then analyses those bytes.
  // A file that cannot be read here is left to the job, which reports it with its own code.
  const bool rootByContent = !o.exportFile.empty() && o.exportRoot.empty();
  std::optional<std::vector<std::uint8_t>> bytes;
  std::string readError;
  if (o.autoCodePage || rootByContent || o.input.InContainer() || fromStandardInput)
    bytes = session::ReadHiveBytes(o.input, readError);
  quarvex::detect::CodePageChoice choice;
  {
    std::optional<quarvex::salvage::SalvagedHive> model;
    if (bytes && rootByContent) model = quarvex::salvage::Salvage(*bytes, {quarvex::text::CodePage::SingleByte});
    choice = ChooseCodePage(o, bytes ? &*bytes : nullptr, model ? &*model : nullptr, readError);
    if (rootByContent) o.exportRoot = ChooseExportRoot(o, model ? &*model : nullptr, err);
  }
  o.codePage = choice.codePage;
  if (o.verbose)
    err << "quarvex-cli: " << o.inputFile << ": code page " << quarvex::text::CodePageName(o.codePage) << " ("
        << quarvex::detect::SourceName(choice.source) << "): " << choice.reason << '\n';
  JsonFacts jsonFacts;
  jsonFacts.fileName = o.inputFile;
  jsonFacts.codePage = CodePageNote{std::string(quarvex::text::CodePageName(o.codePage)),
                                    std::string(quarvex::detect::SourceName(choice.source)), choice.reason};
  jsonFacts.series = o.jsonSeries;

  quarvex::job::JobInput input;
  input.fileName = o.inputFile;
  // A hive inside an image or cabinet is read into memory; the report names it by its address.
  if (o.input.InContainer() || fromStandardInput) {
    if (!o.chartsDirectory.empty()) {
      err << "quarvex-cli: --charts reads loose hive files only, not " << o.inputFile << '\n';
      return kExitUsage;
    }
    if (!bytes) {
      err << "quarvex-cli: " << readError << '\n';
      return kExitJobFailed;
    }
  }
  input.bytes = std::move(bytes);
  input.codePage = o.codePage;
  input.locale = quarvex::text::TextLocale::FromEnvironment();
  if (o.fixedTime) input.clock = [t = *o.fixedTime] { return t; };
  // An export alone needs only the loaded and indexed hive, and writes no report; nor is the
  // report written when the JSON takes standard output, unless -o names a place for it.
  const bool report = !o.outputFile.empty() || (o.exportFile.empty() && !IsStandardStream(o.jsonFile));
  // A salvage export alone needs no job at all: it must not depend on the job succeeding.
  if (o.salvage && !report && o.jsonFile.empty() && o.chartsDirectory.empty())
    return WriteSalvageExport(o, choice, std::move(input.bytes), out, err);
  input.options = o.options;
  if (!report && o.jsonFile.empty())
    for (quarvex::stage::Option stage : {quarvex::stage::Option::Analyse, quarvex::stage::Option::StructureReport})
      input.options.Set(stage, false);
      // The host is probed once; the job prints its facts in the report header.
#if defined(_WIN32)
  if (o.windowsDirectory)
    err << "quarvex-cli: --windows-dir is for machines not running Windows; the running system is described\n";
#endif
  input.hostFacts = quarvex::host::ProbeThisHost({o.windowsDirectory, o.codePage}, input.locale).facts;

  // A report saved to a file in the hive's own bytes is written while the job builds it: a
  // full structure report of a large hive runs to tens of megabytes, which are then never held
  // whole, and each part is written while it is still in the processor's cache. The file is
  // put in place only once the report is whole (or, with --partial, once the job has ended).
  std::unique_ptr<ReportFileStream> streamed;
  if (report && !o.outputFile.empty() && !IsStandardStream(o.outputFile) &&
      EffectiveEncoding(o, true) == Encoding::Native)
    streamed = ReportFileStream::Begin(o.outputFile);
  if (streamed) input.reportSink = [file = streamed.get()](std::string_view text) { file->Write(text); };

  CliProgress progress(&err, ProgressStyleFor(o.progress, IsTerminal(err)), o.progress);
  quarvex::job::JobResult result = quarvex::job::RunJob(std::move(input), progress);
  if (result.code != quarvex::hive::code::kOk) {
    ReportJobFailure(o, result, err);
    if (o.partial && report && !result.report.Empty()) WriteReport(o, result, std::move(streamed), out, err);
    if (o.partial && !o.jsonFile.empty()) {
      // The size is known once the file was read (a failed read names its reason).
      if (result.code != quarvex::hive::code::kFileMissing && result.loadFailureReason.empty())
        jsonFacts.fileSize = result.hive.hiveImage.Size();
      WriteJson(AnalysisJsonText(std::nullopt, jsonFacts, JobFailure{result.code, result.finding}), o.jsonFile, out,
                err);
    }
    if (o.salvage) WriteSalvageExport(o, choice, std::nullopt, out, err);
    return kExitJobFailed;
  }
  const int written = report ? WriteReport(o, result, std::move(streamed), out, err) : kExitOk;
  if (written != kExitOk) return written;
  if (!o.jsonFile.empty()) {
    jsonFacts.fileSize = result.hive.hiveImage.Size();
    const int json = WriteJson(AnalysisJsonText(result.analysis, jsonFacts), o.jsonFile, out, err);
    if (json != kExitOk) return json;
  }
  if (!o.chartsDirectory.empty()) {
    const int charts = WriteCharts(o.chartsDirectory, o.inputFile, o.codePage, err);
    if (charts != kExitOk) return charts;
  }
  if (o.exportFile.empty()) return kExitOk;
  return o.salvage ? WriteSalvageExport(o, choice, std::nullopt, out, err) : WriteExport(o, result, out, err);
}

}  // namespace quarvex::cli
