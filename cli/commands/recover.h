// `quarvex-cli recover [--json FILE|-] [--export OUT.reg] [--export-root NAME]
// [--min-confidence high|medium|low] [--all] [--codepage CP] FILE...`: the deleted keys and
// values the hive still holds, and the earlier values of live keys (see recover/recover.h).
// Older copies identical to a live key are counted, and listed only with --all. With several
// files each line starts with its file's name and --json writes one document per file, a line
// each; --export takes one file, under the root key its content tells (or --export-root).
//
// One block of lines per recovered key: its offset, path, confidence and the reasons, then
// its values (names and text in UTF-8), and a summary line. --export writes the keys as
// REGEDIT4 under their paths, each preceded by a comment with offset and confidence.
//
// Exit status: 0 (also when nothing is found), 1 when a file cannot be read as a hive, 2 for
// a usage error, 3 when an output file cannot be written.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "recover/recover.h"
#include "text/report_lines.h"

namespace quarvex::cli {

// args: what follows the word "recover" on the command line.
int RunRecover(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// Its usage, for `help recover`, --help and after a usage error.
std::string RecoverUsage();

// The REGEDIT4 lines of the recovered keys (bytes in the hive's code page), rootKey in front of
// each path. Partial values are written as comments only, so that merging never writes bytes
// that did not survive.
void RecoveredRegedit4(const recover::Recovery& recovery, const std::string& rootKey, text::CodePage codePage,
                       text::ReportLines& out);

}  // namespace quarvex::cli
