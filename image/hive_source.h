// The bytes of a hive addressed as "IMAGE::PATH", "IMAGE::PATH::MEMBER" or "CABINET::MEMBER",
// and the list of every registry file in an image or cabinet, as `quarvex-cli hives` shows it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/cabinet.h"
#include "image/disk_image.h"
#include "image/image_address.h"

namespace quarvex::image {

// No registry file is larger: the format's offsets are signed 32-bit.
inline constexpr std::uint64_t kLargestHive = 0x7FFFFFFF;

std::optional<std::vector<std::uint8_t>> ReadAddressedFile(const ImageAddress& address, std::string& error);

struct ListedHive {
  FoundFile file;                       // for a cabinet member: the cabinet's file, kind CabinetMember
  std::optional<CabinetMember> member;  // set for a hive inside a cabinet
  std::string address;                  // what to give quarvex-cli after the container's name and "::"
};

struct HiveListing {
  std::string format;          // "raw", "vmdk", ..., or "cabinet"
  std::string partitionTable;  // "dos", "none"
  std::uint64_t size = 0;
  std::vector<FileSystemInfo> fileSystems;
  std::vector<ListedHive> hives;
  std::vector<std::string> notes;  // what could not be read (a damaged cabinet, a stopped walk)
};

// Lists the registry files of an image (or the hives of a cabinet file); nullopt with the
// reason in error when the container cannot be read at all.
std::optional<HiveListing> ListHives(const std::string& container, bool withDeleted, std::string& error);

}  // namespace quarvex::image
