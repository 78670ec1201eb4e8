// The subcommands of quarvex-cli, in one table: each one's name, its synopsis for `help`, and
// the function that runs it. `quarvex-cli [options] FILE` (or `report [options] FILE`) is the
// analysis report; everything else is named by its first word.
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quarvex::cli {

using SubcommandRun = int (*)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

struct Subcommand {
  std::string_view name;
  std::string_view synopsis;  // "ls [-R] [-v] FILE [KEY]"
  std::string_view summary;   // "the keys of a hive"
  SubcommandRun run;          // given what follows the name
};

std::span<const Subcommand> Subcommands();

// One line per subcommand but the report: its name and what it tells (for --help).
std::string SubcommandList();

// When args[0] names a subcommand, runs it and returns its status.
std::optional<int> RunSubcommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// `help [SUBCOMMAND]`.
int RunHelp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quarvex::cli
