// `quarvex-cli hives [--deleted] IMAGE`: every registry file in a disk image (or the hives of a
// cabinet), one line each with its kind, size, FAT dates and the address that opens it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quarvex::cli {

int RunHives(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quarvex::cli
