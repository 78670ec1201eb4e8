// Looking inside a hive from the command line: `ls`, `get`, `find`, `diff`, `stats` (one file each,
// cli_ls.cpp ... cli_stats.cpp, sharing cli/commands/browse_lines.h). Each reads
// its files as check does (session/opened_hive.h, with the salvage reader), so damage never hides
// the rest of a hive; the data model is browse/, the lines and JSON are made here (stats in
// cli_stats.cpp). ls, get, find and stats take several files, as grep does: then each line
// starts with its file's name and each JSON object names its file.
//
// Exit status (see docs/DECISIONS.md, "ls, get, find, diff, stats"):
//   ls, get, stats: 0 done, 1 a file is not readable as a hive or KEY / VALUE is not in it,
//                   2 usage error, 3 standard output could not be written.
//   find: 0 something matched, 1 nothing did, 2 trouble (usage, a file not readable as a hive).
//   diff: 0 equal, 1 different, 2 trouble (usage, a file not readable as a hive).
// Damage in a hive does not change the status: its keys are marked, and one line on standard
// error counts the findings.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quarvex::cli {

// args: what follows the subcommand's name.
int RunLs(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunGet(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunFind(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunDiff(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunStats(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// Its usage, for `help stats`, --help and after a usage error.
std::string StatsUsage();
}  // namespace quarvex::cli
