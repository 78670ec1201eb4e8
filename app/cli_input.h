// What a FILE argument of quarvex-cli names, turned into bytes: a loose hive on disk, or a hive
// inside a disk image or cabinet ("IMAGE::WINDOWS/SYSTEM.DAT",
// "IMAGE::WINDOWS/SYSBCKUP/RB001.CAB::USER.DAT", "RB001.CAB::SYSTEM.DAT"). Every subcommand reads
// its hives through here, so each takes the same addresses.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "detect/codepage_detect.h"
#include "hive/byte_cursor.h"
#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::cli {

// The whole file, opened read-only; nullopt and a reason ("no such file", "is a directory",
// "larger than 2 GiB ...", "IMG: no file WINDOWS/USER.DAT in the image") when it cannot be read.
// "-" is standard input, read to its end into memory once; later reads of "-" in the same run
// get the same bytes.
std::optional<std::vector<std::uint8_t>> ReadWholeHive(const std::string& path, std::string& error);

// Where "-" reads from (standard input unless a test gives another stream); forgets what an
// earlier "-" read.
void UseStandardInput(std::istream& in);

// Whether the argument addresses a file inside an image or cabinet rather than a disk file.
bool IsContainerAddress(const std::string& argument);

// The disk file an argument reads: the image or cabinet of an address, else the argument.
std::string DiskFileOf(const std::string& argument);

// The last part's file name ("SYSTEM.DAT" of "IMG::WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT"), for
// what a name tells (the export's root key).
std::string InnermostName(const std::string& argument);

// A --codepage value: "auto" leaves `named` empty (each hive's code page is then detected);
// a code page's name sets it. False for anything else.
bool ParseCodePageArgument(std::string_view text, std::optional<text::CodePage>& named);

// The code page to read a hive with, and why: the one named, or else what the hive itself says
// (its ACP or Locale), a system.dat beside it or in windowsDir, its name checksums, else 1252.
detect::CodePageChoice ChooseCodePageForHive(const std::optional<text::CodePage>& named, const std::string& path,
                                             hive::Bytes bytes, const std::optional<std::string>& windowsDir = std::nullopt);
// The same for a hive already read with single-byte rules.
detect::CodePageChoice ChooseCodePageForHive(const std::optional<text::CodePage>& named, const std::string& path,
                                             const salvage::SalvagedHive& model,
                                             const std::optional<std::string>& windowsDir = std::nullopt);
inline text::CodePage CodePageForHive(const std::optional<text::CodePage>& named, const std::string& path,
                                      hive::Bytes bytes) {
  return ChooseCodePageForHive(named, path, bytes).codePage;
}

}  // namespace quarvex::cli
