// `quarvex-cli history FILE...|IMAGE`: the same hive through time. Files are taken in the order
// named; an image or cabinet gives every copy of each of its hives (the live file, the setup
// copy, the Windows 95 backups, the members of the backup cabinets, deleted files), oldest
// first. Between each copy and the next: the keys and values added, removed and changed, with
// old and new data; with --key, only those at and below one key, and that key's values in each
// copy.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quarvex::cli {

int RunHistory(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// Its usage, for `help history`, --help and after a usage error.
std::string HistoryUsage();

}  // namespace quarvex::cli
