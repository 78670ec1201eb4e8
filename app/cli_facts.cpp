#include "app/cli_facts.h"
#include "app/cli_args.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "app/checked_hive.h"
#include "app/hive_sources.h"
#include "app/file_digest.h"
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
    "usage: quarvex-cli facts [--json FILE|-] [--csv FILE|-] [--no-recovered] [--all]\n"
    "                         [--codepage CP|auto] FILE...\n"
    "  Reports the well-known places of the registry files (system.dat and user.dat of one\n"
    "  machine may be given together): the system, programs, hardware, network and the user's\n"
    "  traces, each fact with the hive and key it came from. Facts in keys recovered from free\n"
    "  space are listed with their confidence, facts in damaged keys with what is wrong.\n"
    "  --json FILE     also write every fact as JSON with its raw bytes ('-': standard output)\n"
    "  --csv FILE      also write them as CSV ('-': standard output)\n"
    "  --no-recovered  leave out the keys recovered from free space\n"
    "  --all           also list the reference tables (every time zone Windows knows) in the\n"
    "                  text and CSV reports; JSON always holds them\n"
    "  Times are shown in UTC and, when a system.dat is given, in the machine's time zone.\n"
    "  Each hive is named with its size, SHA-256 and MD5 (also in the JSON and CSV).\n"
    "  Exit status: 0, 1 a file is not readable as a hive (the others are still reported; with\n"
    "  none readable nothing is written), 2 usage error, 3 an output file could not be written.\n";




}  // namespace

int RunFacts(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::optional<ParsedArgs> parsed =
      ParseArgs("facts", args, {"--no-recovered", "--all"}, {"--json", "--csv", "--codepage"}, kUsage, err);
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
  LoadedHives loaded = LoadHives("facts", files, named, withRecovered, err);
  if (loaded.someFailed) status = kExitJobFailed;
  // Facts of no hive at all would be an empty report that looks like a hive with nothing in it.
  if (loaded.hives.empty()) return status;
  const std::vector<facts::HiveSource> sources = FactSources(loaded, withRecovered);
  const facts::FactsResult result = facts::CollectFacts(sources);
  // The text and CSV reports leave the reference tables out unless --all asks for them.
  facts::FactsResult shown = result;
  if (!parsed->Has("--all"))
    std::erase_if(shown.facts, [](const facts::Fact& f) { return f.definition->detail; });

  const bool toOut = (json && *json == "-") || (csv && *csv == "-");
  if (!toOut) out << facts::FactsText(sources, shown);
  if (json) {
    const std::string document = WithProgram(facts::FactsJson(sources, result));
    std::string error;
    if (*json == "-") {
      out << document;
    } else if (!SaveDocument(document, "\n", *json, error)) {
      err << "quarvex-cli facts: cannot write " << *json << ": " << error << '\n';
      status = kExitWriteFailed;
    }
  }
  if (csv) {
    const std::string document = facts::FactsCsv(sources, shown);
    std::string error;
    if (*csv == "-") {
      out << document;
    } else if (!SaveDocument(document, "\r\n", *csv, error)) {
      err << "quarvex-cli facts: cannot write " << *csv << ": " << error << '\n';
      status = kExitWriteFailed;
    }
  }
  out.flush();
  return status == kExitOk && !out ? kExitWriteFailed : status;
}

}  // namespace quarvex::cli
