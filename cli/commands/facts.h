// `quarvex-cli facts [--json FILE|-] [--csv FILE|-] [--no-recovered] [--codepage CP] FILE...`:
// the well-known places of the given hives (a system.dat and a user.dat of one machine may be
// given together), grouped by theme, each with the hive and key it came from (see facts/).
//
// Exit status: 0; 1 when a file cannot be read as a hive (the others are still reported); 2 for
// a usage error; 3 when an output file cannot be written.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quarvex::cli {

// args: what follows the word "facts" on the command line.
int RunFacts(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// Its usage, for `help facts`, --help and after a usage error.
std::string FactsUsage();

}  // namespace quarvex::cli
