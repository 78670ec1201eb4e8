// `quarvex-cli check [-v] [--json FILE|-] [--codepage CP] FILE...`: every problem of each hive,
// read with the salvage reader (session/opened_hive.h), and whether the faithful report of it can
// be made (a note with its Fail(N) and why when not). One line per finding and a summary line
// per file on standard output; -v says the code page chosen on standard error.
//
// Exit status, as file-system checkers have it: 0 when no file has damage (warnings and notes
// allowed), 4 when a file has damage, 1 when a file cannot be read as a hive at all (that wins
// over 4), 2 for a usage error, 3 when the --json file cannot be written.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_run.h"

namespace quarvex::cli {

// args: what follows the word "check" on the command line.
int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// Its usage, for `help check`, --help and after a usage error.
std::string CheckUsage();

}  // namespace quarvex::cli
