#include "app/cli_facts.h"
#include "app/cli_args.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "app/checked_hive.h"
#include "app/cli_check.h"
#include "app/cli_run.h"
#include "browse/hive_view.h"
#include "facts/facts_output.h"
#include "recover/recover.h"
#include "salvage/salvage.h"
#include "text/report_file.h"
#include "text/report_lines.h"

namespace quarvex::cli {

namespace {

const char* const kUsage =
    "usage: quarvex-cli facts [--json FILE|-] [--csv FILE|-] [--no-recovered]\n"
    "                         [--codepage CP|auto] FILE...\n"
    "  Reports the well-known places of the registry files (system.dat and user.dat of one\n"
    "  machine may be given together): the system, programs, hardware, network and the user's\n"
    "  traces, each fact with the hive and key it came from. Facts in keys recovered from free\n"
    "  space are listed with their confidence, facts in damaged keys with what is wrong.\n"
    "  --json FILE     also write every fact as JSON with its raw bytes ('-': standard output)\n"
    "  --csv FILE      also write them as CSV ('-': standard output)\n"
    "  --no-recovered  leave out the keys recovered from free space\n"
    "  Exit status: 0, 1 a file is not readable as a hive (the others are still reported; with\n"
    "  none readable nothing is written), 2 usage error, 3 an output file could not be written.\n";


// One hive read for the report: its bytes, the salvaged model and view, and its recovery.
struct LoadedHive {
  std::string file;
  std::unique_ptr<CheckedHive> checked;  // the bytes and the salvaged model
  std::unique_ptr<browse::HiveView> view;
  recover::Recovery recovery;
};

bool Save(const std::string& document, std::string_view lineEnd, const std::string& path, std::string& error) {
  text::ReportLines lines;
  std::size_t begin = 0;
  while (begin < document.size()) {
    const std::size_t end = document.find(lineEnd, begin);
    lines.Append(std::string_view(document).substr(begin, end == std::string::npos ? std::string::npos : end - begin));
    if (end == std::string::npos) break;
    begin = end + lineEnd.size();
  }
  return text::SaveReportLines(lines, path, error);
}

}  // namespace

int RunFacts(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::optional<ParsedArgs> parsed =
      ParseArgs("facts", args, {"--no-recovered"}, {"--json", "--csv", "--codepage"}, kUsage, err);
  if (!parsed) return kExitUsage;
  if (parsed->Has("--help")) {
    out << kUsage;
    return kExitOk;
  }
  std::optional<text::CodePage> named;  // --codepage; empty: auto, detected for each file
  if (!CodePageArgument("facts", *parsed, named, kUsage, err)) return kExitUsage;
  const bool withRecovered = !parsed->Has("--no-recovered");
  const std::optional<std::string> json = parsed->Value("--json");
  const std::optional<std::string> csv = parsed->Value("--csv");
  const std::vector<std::string>& files = parsed->positional;
  if (files.empty()) {
    err << "quarvex-cli facts: no file given\n" << kUsage;
    return kExitUsage;
  }
  if (const std::string clash = OutputClash({{"--json", json.value_or("")}, {"--csv", csv.value_or("")}});
      !clash.empty()) {
    err << "quarvex-cli facts: " << clash << '\n';
    return kExitUsage;
  }
  for (const std::string& file : files)
    for (const std::optional<std::string>* output : {&json, &csv})
      if (*output && **output != "-" && SameFile(file, **output)) {
        err << "quarvex-cli facts: the output file " << **output << " is a file to read; not overwriting it\n";
        return kExitUsage;
      }

  int status = kExitOk;
  std::vector<std::unique_ptr<LoadedHive>> loaded;
  for (const std::string& file : files) {
    std::string error;
    CheckOptions checkOptions;
    checkOptions.codePage = named;
    checkOptions.report = ReportCheck::Never;
    std::unique_ptr<CheckedHive> checked = CheckFile(file, checkOptions, error);
    if (!checked) {
      err << "quarvex-cli facts: " << file << ": cannot read: " << error << '\n';
      status = kExitJobFailed;
      continue;
    }
    if (!checked->IsHive()) {
      err << "quarvex-cli facts: " << file << ": " << checked->NotAHiveText() << '\n';
      if (const std::string hint = HivesHint(file, checked->other); !hint.empty())
        err << "quarvex-cli facts: " << hint << '\n';
      status = kExitJobFailed;
      continue;
    }
    auto h = std::make_unique<LoadedHive>();
    h->file = file;
    const text::CodePage codePage = checked->codePage.codePage;
    h->checked = std::move(checked);
    h->view = std::make_unique<browse::HiveView>(h->checked->hive, codePage);
    if (withRecovered) {
      recover::RecoverOptions recoverOptions;
      recoverOptions.codePage = codePage;
      h->recovery = recover::Recover(h->checked->hive, recoverOptions);
    }
    loaded.push_back(std::move(h));
  }
  // Facts of no hive at all would be an empty report that looks like a hive with nothing in it.
  if (loaded.empty()) return status;
  std::vector<facts::HiveSource> sources;
  for (const auto& h : loaded) sources.push_back({h->file, h->view.get(), withRecovered ? &h->recovery : nullptr});
  const facts::FactsResult result = facts::CollectFacts(sources);

  const bool toOut = (json && *json == "-") || (csv && *csv == "-");
  if (!toOut) out << facts::FactsText(sources, result);
  if (json) {
    const std::string document = WithProgram(facts::FactsJson(sources, result));
    std::string error;
    if (*json == "-") {
      out << document;
    } else if (!Save(document, "\n", *json, error)) {
      err << "quarvex-cli facts: cannot write " << *json << ": " << error << '\n';
      status = kExitWriteFailed;
    }
  }
  if (csv) {
    const std::string document = facts::FactsCsv(sources, result);
    std::string error;
    if (*csv == "-") {
      out << document;
    } else if (!Save(document, "\r\n", *csv, error)) {
      err << "quarvex-cli facts: cannot write " << *csv << ": " << error << '\n';
      status = kExitWriteFailed;
    }
  }
  out.flush();
  return status == kExitOk && !out ? kExitWriteFailed : status;
}

}  // namespace quarvex::cli
