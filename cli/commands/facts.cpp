#include "cli/commands/facts.h"
#include "cli/cli_args.h"
#include "cli/cli_subcommands.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "session/opened_hive.h"
#include "cli/carved_fragment.h"
#include "cli/hive_sources.h"
#include "cli/copy_sources.h"
#include "image/container_kind.h"
#include "session/file_digest.h"
#include "cli/commands/check.h"
#include "cli/cli_run.h"
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
    "  A fragment carved from a disk image is named by the address that the carving\n"
    "  listing of `hives` gives (IMAGE::@0xOFFSET): its facts come from the keys whose\n"
    "  records survive, each marked carved\n"
    "  (a deleted key from its free space: carved, deleted, with its confidence).\n"
    "  Copies of one hive given together (SYSTEM.DAT with SYSTEM.DA0, an image's backups; an image\n"
    "  or cabinet alone gives every copy it holds) are told as one hive: the newest copy's facts,\n"
    "  and under each what older copies held when it differed, marked \"older copy NAME (DATE)\".\n"
    "  Exit status: 0, 1 a file is not readable as a hive (the others are still reported; with\n"
    "  none readable nothing is written), 2 usage error, 3 an output file could not be written.\n";

}  // namespace

std::string FactsUsage() { return kUsage; }

int RunFacts(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine commandLine = ReadCommandLine("facts", args, out, err);
  if (!commandLine.args) return commandLine.status;
  const ParsedArgs& parsed = *commandLine.args;
  std::optional<text::CodePage> named;  // --codepage; empty: auto, detected for each file
  if (!CodePageArgument("facts", parsed, named, err)) return kExitUsage;
  const bool withRecovered = !parsed.Has("--no-recovered");
  const std::optional<std::string> json = parsed.Value("--json");
  const std::optional<std::string> csv = parsed.Value("--csv");
  std::vector<std::string> files = parsed.positional;
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

  // An image or a cabinet alone: every copy of each hive it holds, told as one hive through time.
  if (files.size() == 1 && image::ContainerKindOf(files[0]) != image::ContainerKind::None) {
    std::vector<std::string> copies;
    std::string error;
    if (!CopiesInContainer(files[0], copies, error) || copies.empty()) {
      err << "quarvex-cli facts: " << files[0] << ": " << (error.empty() ? "no registry file in it" : error) << '\n';
      return kExitJobFailed;
    }
    files = std::move(copies);
  }

  int status = kExitOk;
  // Each file in the order named: a hive, or a fragment carved from an image (IMAGE::@0xOFFSET
  // where `hives --carve` lists one), whose facts are marked carved.
  LoadedHives loaded;
  std::vector<std::unique_ptr<LoadedFragment>> fragments;
  std::vector<facts::HiveSource> sources;
  for (const std::string& file : files) {
    if (AddressesFragment(file)) {
      std::unique_ptr<LoadedFragment> fragment = LoadFragment("facts", file, named, withRecovered, err);
      if (!fragment) {
        status = kExitJobFailed;
        continue;
      }
      sources.push_back(FragmentFactSource(*fragment, withRecovered));
      fragments.push_back(std::move(fragment));
      continue;
    }
    LoadedHives one = LoadHives("facts", {file}, named, withRecovered, err);
    if (one.someFailed) status = kExitJobFailed;
    for (facts::HiveSource& source : FactSources(one, withRecovered)) sources.push_back(std::move(source));
    for (auto& hive : one.hives) loaded.hives.push_back(std::move(hive));
  }
  // Facts of no hive at all would be an empty report that looks like a hive with nothing in it.
  if (sources.empty()) return status;
  MarkCopies(sources);  // copies of one hive: the older ones' facts go under the newest's
  const facts::FactsResult result = facts::CollectFacts(sources);
  // The text and CSV reports leave the reference tables out unless --all asks for them.
  facts::FactsResult shown = result;
  if (!parsed.Has("--all")) std::erase_if(shown.facts, [](const facts::Fact& f) { return f.definition->detail; });

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
