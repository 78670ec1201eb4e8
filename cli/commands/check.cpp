#include "cli/commands/check.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

#include "cli/cli_args.h"
#include "cli/cli_subcommands.h"
#include "cli/hive_access.h"
#include "detect/codepage_choice.h"
#include "salvage/check_text.h"
#include "salvage/salvage.h"
#include "session/opened_hive.h"
#include "session/hive_json.h"
#include "text/codepage.h"
#include "text/report_file.h"
#include "text/report_lines.h"
#include "text/json_text.h"

namespace quarvex::cli {

namespace {

const char* const kUsage =
    "usage: quarvex-cli check [-v] [--json FILE|-] [--codepage CP|auto] FILE...\n"
    "  Reads each registry file as far as its bytes allow and prints every problem found:\n"
    "  one line per finding (damage, warning or note) and a summary line per file. When the\n"
    "  report of a file fails, a note says with which Fail(N) and why.\n"
    "  -v, --verbose  say on standard error which code page was chosen for each file and why\n"
    "  --json FILE  also write the findings and summaries as JSON to FILE ('-': standard\n"
    "               output, in place of the lines)\n"
    "  Exit status: 0 no damage, 4 damage found, 1 a file is not readable as a hive,\n"
    "  2 usage error, 3 the JSON file could not be written.\n";

}  // namespace

std::string CheckUsage() { return kUsage; }

int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine commandLine = ReadCommandLine("check", args, out, err);
  if (!commandLine.args) return commandLine.status;
  const ParsedArgs& parsed = *commandLine.args;
  std::optional<text::CodePage> named;  // --codepage; empty: auto, detected for each file
  if (!CodePageArgument("check", parsed, named, err)) return kExitUsage;
  const std::optional<std::string> json = parsed.Value("--json");
  const std::vector<std::string>& files = parsed.positional;
  if (files.empty()) {
    err << "quarvex-cli check: no file given\n" << kUsage;
    return kExitUsage;
  }
  std::vector<session::HiveAddress> addresses;
  for (const std::string& f : files) addresses.push_back(session::HiveAddress::Parse(f));
  if (json && *json != "-") {
    for (const session::HiveAddress& f : addresses) {
      if (f.Text() == *json || SameFile(f.DiskFile(), *json)) {
        err << "quarvex-cli check: the JSON file " << *json << " is one of the files to check; not overwriting it\n";
        return kExitUsage;
      }
    }
  }
  const bool jsonToOut = json && *json == "-";
  const bool verbose = parsed.Has("-v") || parsed.Has("--verbose");

  int status = kExitOk;
  std::string document = "{\"files\": [\n";
  for (std::size_t n = 0; n < files.size(); ++n) {
    const std::string& file = files[n];
    std::string error;
    const std::unique_ptr<session::OpenedHive> checked =
        session::Open(addresses[n], session::OpenOptions::With(named, session::ReportCheck::Always), error);
    std::string entry;
    if (!checked) {
      status = kExitJobFailed;
      if (!jsonToOut) out << file << ": cannot read: " << error << '\n';
      entry = salvage::CheckJsonError(file, error);
    } else {
      const salvage::SalvagedHive& hive = checked->hive;
      if (verbose && checked->IsHive())
        err << "quarvex-cli check: " << file << ": " << detect::ChoiceText(checked->codePage) << '\n';
      if (!jsonToOut) {
        for (const hive::Finding& f : hive.findings) out << file << ": " << salvage::FindingLine(f) << '\n';
        out << file << ": " << (checked->IsHive() ? salvage::SummaryText(hive) : checked->NotAHiveText()) << '\n';
      }
      if (const std::string hint = session::HivesHint(file, checked->other); !hint.empty())
        err << "quarvex-cli check: " << file << " is " << session::OtherFileText(checked->other) << ": " << hint
            << '\n';
      if (!checked->IsHive())
        status = kExitJobFailed;
      else if (hive.summary.damage > 0 && status == kExitOk)
        status = kCheckDamage;
      if (json) {
        std::string members = session::ReportJsonMember(*checked) + session::DigestJsonMembers(*checked) +
                              ContainerMembers("check", *checked, err);
        if (!checked->IsHive()) members += ", \"what\": " + text::JsonString(checked->NotAHiveText());
        entry = salvage::CheckJson(file, hive, members);
      }
    }
    if (json) document += entry + (n + 1 < files.size() ? ",\n" : "\n");
  }
  if (!json) return status;
  document += "], \"exitStatus\": " + std::to_string(status) + "}";
  document = WithProgram(document);
  if (jsonToOut) {
    out << document << '\n';
    return status;
  }
  text::ReportLines lines;
  std::size_t begin = 0;
  while (begin <= document.size()) {
    const std::size_t end = document.find('\n', begin);
    lines.Append(std::string_view(document).substr(begin, end == std::string::npos ? std::string::npos : end - begin));
    if (end == std::string::npos) break;
    begin = end + 1;
  }
  std::string error;
  if (!text::SaveReportLines(lines, *json, error, std::nullopt, "\n")) {
    err << "quarvex-cli check: cannot write " << *json << ": " << error << '\n';
    return kExitWriteFailed;
  }
  return status;
}

}  // namespace quarvex::cli
