// `quarvex-cli summary [-j N] [--json] [--codepage CP] FILE|DIR...`: one line per registry
// file, for a folder of hives at a time. Files are read on N threads at once; the lines come
// out in the order the files were named. One file that cannot be read never stops the others.
//
// Exit status, the worst of the files' as `check` grades them: 0 every file healthy, 4 a file
// has damage, 1 a file cannot be read as a hive or its report failed (that wins over 4),
// 2 for a usage error, 3 when standard output could not be written.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quarvex::cli {

// args: what follows the word "summary" on the command line.
int RunSummary(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// Its usage, for `help summary`, --help and after a usage error.
std::string SummaryUsage();

// The files a summary reads, in order: each argument, a directory standing for the regular
// files directly in it, in name order (a directory that cannot be listed stays itself, so that
// its line says why).
std::vector<std::string> SummaryFiles(const std::vector<std::string>& arguments);

}  // namespace quarvex::cli
