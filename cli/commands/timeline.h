// `quarvex-cli timeline [--json FILE|-] [--csv FILE|-] [--bodyfile FILE|-] [--no-recovered]
// [--codepage CP] FILE...`: every time the given hives hold, one event per line in time order,
// with what it means and how it was read (see timeline/).
//
// Exit status: 0; 1 when a file cannot be read as a hive (the others are still listed); 2 for a
// usage error; 3 when an output file cannot be written.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quarvex::cli {

// args: what follows the word "timeline" on the command line.
int RunTimeline(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// Its usage, for `help timeline`, --help and after a usage error.
std::string TimelineUsage();

}  // namespace quarvex::cli
