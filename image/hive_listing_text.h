// The texts of a hive listing as `quarvex-cli hives` prints them and the windows' choice of a
// hive shows them: the container's line, one line per file system, and per registry file its
// kind, size, FAT dates and address.
#pragma once

#include <string>

#include "image/hive_source.h"

namespace quarvex::image {

struct HiveRowText {
  std::string kind;      // "live", "deleted live", "in cabinet backup" ...
  std::string size;      // bytes, in digits
  std::string created;   // "YYYY-MM-DD HH:MM:SS" local time, or "-" (not recorded, or a cabinet member)
  std::string written;   // the same; a cabinet member's date as the cabinet keeps it
  std::string accessed;  // "YYYY-MM-DD" (FAT keeps the day only), or "-"
  std::string address;   // after the container's name and "::"
};

HiveRowText RowText(const ListedHive& hive);

// "disk.img: raw, 67108864 bytes, partition table dos"
std::string ListingSummary(const std::string& container, const HiveListing& listing);
// "file system 1: FAT32 at byte 1048576, 66060288 bytes"
std::string FileSystemText(const FileSystemInfo& fileSystem);

}  // namespace quarvex::image
