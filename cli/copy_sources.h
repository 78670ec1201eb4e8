// The copies of one hive among the files facts reads (the live SYSTEM.DAT with its SYSTEM.DA0,
// an image's backups), found as history finds them (image/hive_copies.h), so that the facts of
// older copies are told as the same hive's past rather than as hives of their own.
#pragma once

#include <string>
#include <vector>

#include "facts/collect.h"

namespace quarvex::cli {

// Marks the sources that are copies of one hive: each older copy gets its newest copy's index
// and its age, every copy of a set its date.
void MarkCopies(std::vector<facts::HiveSource>& sources);

// Every copy of every hive an image or cabinet holds (live files, setup copies, backups and
// their members, deleted files), newest first within each hive; false, with the reason in
// error, when the container cannot be listed.
bool CopiesInContainer(const std::string& container, std::vector<std::string>& addresses, std::string& error);

}  // namespace quarvex::cli
