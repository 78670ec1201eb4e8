#include "cli/cli_subcommands.h"

#include <array>
#include <iomanip>
#include <sstream>

#include "cli/cli_options.h"
#include "cli/commands/browse.h"
#include "cli/commands/browse_lines.h"
#include "cli/commands/check.h"
#include "cli/commands/facts.h"
#include "cli/commands/history.h"
#include "cli/commands/hives.h"
#include "cli/commands/recover.h"
#include "cli/cli_run.h"
#include "cli/commands/summary.h"
#include "cli/commands/timeline.h"
#include "session/code_page.h"
#include "text/terminal_text.h"

namespace quarvex::cli {

namespace {

using Flags = std::string_view;
using Opt = OptionSyntax;

// The report's words (cli/cli_options.cpp reads them into CliOptions); its flags go one a word.
constexpr Flags kReportFlags[] = {"-v",
                                  "--verbose",
                                  "--version",
                                  "--salvage",
                                  "--all",
                                  "--progress",
                                  "--partial",
                                  "--json-series",
                                  "--prescan",
                                  "--no-analysis",
                                  "--no-analysis-report",
                                  "--no-keys",
                                  "--structure"};
constexpr Opt kReportOptions[] = {
    {"-o", "a file name"},
    {"--output", "a file name"},
    {"--json", "a file name"},
    {"--charts", "a directory"},
    {"--export", "a file name (or - for standard output)"},
    {"--export-root", "a root key name"},
    {"--encoding", "native, utf-8 or locale"},
    {"--codepage", "auto, 874, 932, 936, 949, 950, 1250 to 1258 or none"},
    {"--set", "NAME=on or NAME=off"},
    {"--now", "a date-time"},
    {"--windows-dir", "a directory"},
};

constexpr Flags kCheckFlags[] = {"-v", "--verbose"};
constexpr Opt kCheckOptions[] = {{"--json"}, {"--codepage"}};
constexpr Flags kRecoverFlags[] = {"--all"};
constexpr Opt kRecoverOptions[] = {{"--json"}, {"--export"}, {"--export-root"}, {"--min-confidence"}, {"--codepage"}};
constexpr Flags kFactsFlags[] = {"--no-recovered", "--all"};
constexpr Opt kFactsOptions[] = {{"--json"}, {"--csv"}, {"--codepage"}};
constexpr Flags kTimelineFlags[] = {"--no-recovered"};
constexpr Opt kTimelineOptions[] = {{"--json"}, {"--csv"}, {"--bodyfile"}, {"--codepage"}};
constexpr Flags kLsFlags[] = {"-R", "-v", "--json"};
constexpr Opt kLsOptions[] = {{"-d"}, {"--codepage"}};
constexpr Flags kGetFlags[] = {"--raw", "--strings", "--json"};
constexpr Flags kFindFlags[] = {"--keys", "--values", "--data", "-i", "-s", "--regex", "--hex", "--json"};
constexpr Opt kFindOptions[] = {{"--type"}, {"--codepage"}};
constexpr Flags kDiffFlags[] = {"--keys-only", "--values-only", "--json"};
constexpr Flags kJsonFlag[] = {"--json"};
constexpr Opt kCodePageOption[] = {{"--codepage"}};
constexpr Opt kHistoryOptions[] = {{"--key"}, {"--codepage"}};
constexpr Flags kHivesFlags[] = {"--deleted", "--carve", "--carve-all"};
constexpr Opt kHivesOptions[] = {{"--json"}, {"--codepage"}};
constexpr Opt kSummaryOptions[] = {{"-j"}, {"--codepage"}};

constexpr std::array kSubcommands{
    Subcommand{"report",
               "[report] [options] FILE",
               "the analysis report (quarvex-cli --help)",
               {kReportFlags, kReportOptions, false},
               HelpText,
               RunReport},
    Subcommand{"check",
               "check [-v] [options] FILE...",
               "every problem of each hive",
               {kCheckFlags, kCheckOptions},
               CheckUsage,
               RunCheck},
    Subcommand{"recover",
               "recover [options] FILE...",
               "deleted keys and values the file still holds",
               {kRecoverFlags, kRecoverOptions},
               RecoverUsage,
               RunRecover},
    Subcommand{"facts",
               "facts [options] FILE...",
               "what the hives say of the machine and its user",
               {kFactsFlags, kFactsOptions},
               FactsUsage,
               RunFacts},
    Subcommand{"timeline",
               "timeline [options] FILE...",
               "every time the hives hold, in order",
               {kTimelineFlags, kTimelineOptions},
               TimelineUsage,
               RunTimeline},
    Subcommand{"ls",
               "ls [-R] [-v] FILE... [KEY]",
               "the keys of a hive",
               {kLsFlags, kLsOptions},
               [] { return UsageOf("ls"); },
               RunLs},
    Subcommand{"get",
               "get [--raw] FILE... KEY [VALUE]",
               "a key's values, or one value",
               {kGetFlags, kCodePageOption},
               [] { return UsageOf("get"); },
               RunGet},
    Subcommand{"find",
               "find [options] FILE... PATTERN",
               "keys, values and data that match",
               {kFindFlags, kFindOptions},
               [] { return UsageOf("find"); },
               RunFind},
    Subcommand{"diff",
               "diff A B",
               "what changed from hive A to hive B",
               {kDiffFlags, kCodePageOption},
               [] { return UsageOf("diff"); },
               RunDiff},
    Subcommand{"history",
               "history [options] FILE...|IMAGE",
               "the same hive through its copies",
               {kJsonFlag, kHistoryOptions},
               HistoryUsage,
               RunHistory},
    Subcommand{"stats",
               "stats FILE...",
               "counts, sizes and the largest keys",
               {kJsonFlag, kCodePageOption},
               StatsUsage,
               RunStats},
    Subcommand{"hives",
               "hives [options] IMAGE",
               "the registry files in a disk image",
               {kHivesFlags, kHivesOptions},
               HivesUsage,
               RunHives},
    Subcommand{"summary",
               "summary [-j N] FILE|DIR...",
               "one line per hive, for many at once",
               {kJsonFlag, kSummaryOptions},
               SummaryUsage,
               RunSummary},
};

}  // namespace

std::span<const Subcommand> Subcommands() { return kSubcommands; }

const Subcommand* FindSubcommand(std::string_view name) {
  for (const Subcommand& s : kSubcommands)
    if (s.name == name) return &s;
  return nullptr;
}

CommandLine ReadCommandLine(std::string_view name, const std::vector<std::string>& args, std::ostream& out,
                            std::ostream& err) {
  const Subcommand* command = FindSubcommand(name);
  ParsedWords words = ParseWords(command->syntax, args);
  if (words.error) {
    const WordError& e = *words.error;
    err << "quarvex-cli " << name << ": ";
    switch (e.kind) {
      case WordError::Kind::Unknown:
        err << "unknown option '" << e.name << "'";
        break;
      case WordError::Kind::TakesNoValue:
        err << e.name << " takes no value";
        break;
      case WordError::Kind::NeedsValue:
        err << e.word << " needs " << e.option->needs;
        break;
    }
    err << '\n' << command->usage();
    return {std::nullopt, kExitUsage};
  }
  if (words.args.Has("--help")) {
    out << command->usage();
    return {std::nullopt, kExitOk};
  }
  return {std::move(words.args), kExitOk};
}

bool CodePageArgument(std::string_view subcommand, const ParsedArgs& parsed, std::optional<text::CodePage>& named,
                      std::ostream& err) {
  const std::optional<std::string> value = parsed.Value("--codepage");
  if (!value || session::ParseCodePageArgument(*value, named)) return true;
  err << "quarvex-cli " << subcommand << ": unknown code page '" << *value << "'\n"
      << FindSubcommand(subcommand)->usage();
  return false;
}

std::string SubcommandList() {
  std::ostringstream list;
  for (const Subcommand& s : kSubcommands)
    if (s.name != "report") list << "  " << std::left << std::setw(10) << s.name << s.summary << '\n';
  return list.str();
}

namespace {

// Whether a run writes bytes that must reach standard output as they are: JSON (UTF-8 by
// definition), a value's raw data, or the report, which chooses its own encoding.
bool KeepsItsBytes(const std::string& name, const std::vector<std::string>& rest) {
  if (name == "report") return true;
  for (const std::string& a : rest)
    if (a == "--raw" || a == "--json" || a.starts_with("--json=")) return true;
  return false;
}

}  // namespace

std::optional<int> RunSubcommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return std::nullopt;
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "help") return RunHelp(rest, out, err);
  for (const Subcommand& s : kSubcommands) {
    if (args[0] != s.name) continue;
    // The lines are UTF-8; a terminal in another encoding gets them in its own.
    const std::string charset = text::LocaleCharset();
    if (text::IsUtf8Charset(charset) || KeepsItsBytes(args[0], rest)) return s.run(rest, out, err);
    std::ostringstream lines;
    const int status = s.run(rest, lines, err);
    out << text::Utf8ForTerminal(lines.str(), charset);
    out.flush();
    return out ? status : kExitWriteFailed;
  }
  return std::nullopt;
}

int RunHelp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    const char* lead = "usage: quarvex-cli ";
    for (const Subcommand& s : kSubcommands) {
      out << lead << std::left << std::setw(33) << s.synopsis << s.summary << '\n';
      lead = "       quarvex-cli ";
    }
    out << "  FILE may also be IMAGE::PATH, IMAGE::PATH::MEMBER or CABINET::MEMBER. With several\n"
           "  FILEs each line names its file. --codepage CP and --help may also come before a\n"
           "  subcommand's name (and -v before check's).\n"
           "  'quarvex-cli help SUBCOMMAND' tells more of one.\n";
    return kExitOk;
  }
  if (const Subcommand* s = FindSubcommand(args[0])) {
    out << s->usage();
    return kExitOk;
  }
  err << "quarvex-cli help: no subcommand '" << args[0] << "' (";
  for (const Subcommand& s : kSubcommands) err << (&s == kSubcommands.data() ? "" : ", ") << s.name;
  err << ")\n";
  return kExitUsage;
}

}  // namespace quarvex::cli
