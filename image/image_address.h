// Where a hive lies when it is not a loose file: "IMAGE::PATH" names a file inside a disk image
// (raw, split raw, E01, VMDK, VHD), "IMAGE::PATH::MEMBER" or "CABINET::MEMBER" a file inside a
// cabinet (the RBnnn.CAB backups Windows 98 and Me keep). PATH may start with "N:" to name the
// N-th FAT file system of the image, as `quarvex-cli hives` numbers them; ':' is never part of a
// FAT name, so the prefix cannot be mistaken for a directory. "IMAGE::@0x01A2B000" names a
// carved hive: the registry file whose header lies at that offset of the image, found by
// `quarvex-cli hives --carve` where no directory entry is left ('@' starts no FAT name).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvex::image {

inline constexpr std::string_view kAddressSeparator = "::";

struct ImageAddress {
  std::string container;           // the file on disk: an image or a cabinet
  std::vector<std::string> parts;  // what follows, one "::" part each (at least one)
};

// Splits an argument at its "::". An argument that names an existing file as a whole is a
// loose file (nullopt), so a file name that happens to hold "::" still opens; otherwise the
// container is the longest prefix ending before a "::" that names an existing file.
std::optional<ImageAddress> ParseImageAddress(const std::string& argument);

// The file on disk an argument reads: the image or cabinet of an address, else the argument.
std::string ContainerOf(const std::string& argument);
// The name of the file an argument names, for what a name tells (the export's root key, a
// report's name): "SYSTEM.DAT" of "disk.img::WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT", the last
// path part of a loose file.
std::string InnermostFileName(const std::string& argument);
// How a window shows what it opened: the container's file name with the address after it
// ("disk.img::WINDOWS/SYSTEM.DAT"), or a loose file's name.
std::string DisplayName(const std::string& argument);

// A path inside an image split into its file system number (0: not given) and the path
// proper with '\' turned into '/'.
struct InnerPath {
  unsigned fileSystem = 0;
  std::string path;
};
std::optional<InnerPath> ParseInnerPath(const std::string& text, std::string& error);

}  // namespace quarvex::image
