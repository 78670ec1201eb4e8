// The bytes of the file an address names, read whole and read-only: a loose hive on disk,
// standard input, or a file inside a disk image or cabinet. Every hive any face reads comes in
// through here.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "session/hive_address.h"

namespace quarvex::session {

// nullopt and a reason ("no such file", "is a directory", "larger than 2 GiB ...",
// "IMG: no file WINDOWS/USER.DAT in the image") when it cannot be read. Standard input is read to
// its end into memory once; later reads of it in the same run get the same bytes.
std::optional<std::vector<std::uint8_t>> ReadHiveBytes(const HiveAddress& address, std::string& error);

// Where standard input is read from (std::cin unless a test gives another stream); forgets
// what an earlier read of it got.
void UseStandardInput(std::istream& in);

}  // namespace quarvex::session
