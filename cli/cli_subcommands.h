// The commands of quarvex-cli, in one table: each one's name, its synopsis for `help`, the
// flags and options it takes (read by the one parser of cli/cli_args.h), its usage, and the
// function that runs it. `quarvex-cli [options] FILE` (or `report [options] FILE`) is the
// analysis report; everything else is named by its first word.
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_args.h"
#include "text/codepage.h"

namespace quarvex::cli {

using SubcommandRun = int (*)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

using UsageFunction = std::string (*)();

struct Subcommand {
  std::string_view name;
  std::string_view synopsis;  // "ls [-R] [-v] FILE [KEY]"
  std::string_view summary;   // "the keys of a hive"
  CommandSyntax syntax;       // its flags and options
  UsageFunction usage;        // for `help NAME`, --help, and after a usage error
  SubcommandRun run;          // given what follows the name
};

std::span<const Subcommand> Subcommands();
// The entry named so ("report" too); nullptr for none.
const Subcommand* FindSubcommand(std::string_view name);

// A subcommand's words read by its syntax in the table.
struct CommandLine {
  std::optional<ParsedArgs> args;  // empty when the run is over: status says how it ended
  int status = 0;
};

// The words of subcommand `name` (what follows its name). After --help its usage is written to
// out (status 0); a word its syntax does not take is a usage error (status 2), said on err
// with its usage: "quarvex-cli ls: unknown option '--x'".
CommandLine ReadCommandLine(std::string_view name, const std::vector<std::string>& args, std::ostream& out,
                            std::ostream& err);

// --codepage: a code page named, or auto (absent or "auto"), left empty to be detected for each
// hive. False, with the reason and the subcommand's usage on err, for a code page there is
// none of.
bool CodePageArgument(std::string_view subcommand, const ParsedArgs& parsed, std::optional<text::CodePage>& named,
                      std::ostream& err);

// One line per subcommand but the report: its name and what it tells (for --help).
std::string SubcommandList();

// When args[0] names a subcommand, runs it and returns its status.
std::optional<int> RunSubcommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// `help [SUBCOMMAND]`.
int RunHelp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quarvex::cli
