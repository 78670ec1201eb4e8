#include "cli/cli_subcommands.h"

#include <array>
#include <iomanip>
#include <sstream>

#include "cli/commands/browse.h"
#include "cli/commands/check.h"
#include "cli/commands/facts.h"
#include "cli/commands/history.h"
#include "cli/commands/hives.h"
#include "cli/commands/recover.h"
#include "cli/cli_run.h"
#include "cli/commands/summary.h"
#include "cli/commands/timeline.h"
#include "text/terminal_text.h"

namespace quarvex::cli {

namespace {

constexpr std::array kSubcommands{
    Subcommand{"report", "[report] [options] FILE", "the analysis report (quarvex-cli --help)", RunReport},
    Subcommand{"check", "check [-v] [options] FILE...", "every problem of each hive", RunCheck},
    Subcommand{"recover", "recover [options] FILE...", "deleted keys and values the file still holds", RunRecover},
    Subcommand{"facts", "facts [options] FILE...", "what the hives say of the machine and its user", RunFacts},
    Subcommand{"timeline", "timeline [options] FILE...", "every time the hives hold, in order", RunTimeline},
    Subcommand{"ls", "ls [-R] [-v] FILE... [KEY]", "the keys of a hive", RunLs},
    Subcommand{"get", "get [--raw] FILE... KEY [VALUE]", "a key's values, or one value", RunGet},
    Subcommand{"find", "find [options] FILE... PATTERN", "keys, values and data that match", RunFind},
    Subcommand{"diff", "diff A B", "what changed from hive A to hive B", RunDiff},
    Subcommand{"history", "history [options] FILE...|IMAGE", "the same hive through its copies", RunHistory},
    Subcommand{"stats", "stats FILE...", "counts, sizes and the largest keys", RunStats},
    Subcommand{"hives", "hives [options] IMAGE", "the registry files in a disk image", RunHives},
    Subcommand{"summary", "summary [-j N] FILE|DIR...", "one line per hive, for many at once", RunSummary},
};

}  // namespace

std::span<const Subcommand> Subcommands() { return kSubcommands; }

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
  for (const Subcommand& s : kSubcommands)
    if (args[0] == s.name) return s.run({"--help"}, out, err);
  err << "quarvex-cli help: no subcommand '" << args[0] << "' (";
  for (const Subcommand& s : kSubcommands) err << (&s == kSubcommands.data() ? "" : ", ") << s.name;
  err << ")\n";
  return kExitUsage;
}

}  // namespace quarvex::cli
