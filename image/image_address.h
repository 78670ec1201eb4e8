// Where a hive lies when it is not a loose file: "IMAGE::PATH" names a file inside a disk image
// (raw, split raw, E01, VMDK, VHD), "IMAGE::PATH::MEMBER" or "CABINET::MEMBER" a file inside a
// cabinet (the RBnnn.CAB backups Windows 98 and Me keep). PATH may start with "N:" to name the
// N-th FAT file system of the image, as `quarvex-cli hives` numbers them; ':' is never part of a
// FAT name, so the prefix cannot be mistaken for a directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvex::image {

inline constexpr std::string_view kAddressSeparator = "::";

struct ImageAddress {
  std::string container;            // the file on disk: an image or a cabinet
  std::vector<std::string> parts;   // what follows, one "::" part each (at least one)
};

// Splits an argument at its "::". An argument that names an existing file as a whole is a
// loose file (nullopt), so a file name that happens to hold "::" still opens; otherwise the
// container is the longest prefix ending before a "::" that names an existing file.
std::optional<ImageAddress> ParseImageAddress(const std::string& argument);

// A path inside an image split into its file system number (0: not given) and the path
// proper with '\' turned into '/'.
struct InnerPath {
  unsigned fileSystem = 0;
  std::string path;
};
std::optional<InnerPath> ParseInnerPath(const std::string& text, std::string& error);

}  // namespace quarvex::image
