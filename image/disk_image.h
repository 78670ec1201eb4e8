// A disk image opened read-only through The Sleuth Kit: raw (dd, split raw), E01 and the
// virtual disks the library was built with (VMDK, VHD), with or without a DOS partition table,
// and the FAT12/16/32 file systems on it. It finds the registry files (also deleted ones whose
// directory entries survive) and reads one file whole into memory, never past its size nor
// past the image.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/hive_kind.h"
#include "image/image_address.h"

namespace quarvex::image {

struct FoundFile {
  unsigned fileSystem = 0;        // 1, 2, ... in the image's order
  std::string path;               // inside the file system, '/'-separated, no leading '/'
  std::uint64_t size = 0;
  HiveKind kind = HiveKind::Live;
  bool deleted = false;
  // The FAT entry's dates, as local wall-clock time (0: not recorded).
  std::time_t created = 0, written = 0, accessed = 0;
};

struct FileSystemInfo {
  unsigned number = 0;
  std::string type;               // "FAT12", "FAT16", "FAT32"
  std::uint64_t offset = 0;       // bytes from the image's start
  std::uint64_t size = 0;         // bytes
};

class DiskImage {
 public:
  // Opens the image and every FAT file system on it; nullptr with the reason in error when
  // the image cannot be read or holds no FAT file system. The reader itself lives in the image
  // module (image/image_module.h), loaded by the first call.
  static std::unique_ptr<DiskImage> Open(const std::string& path, std::string& error);
  virtual ~DiskImage() = default;
  DiskImage(const DiskImage&) = delete;
  DiskImage& operator=(const DiskImage&) = delete;

  virtual std::string FormatText() const = 0;          // "raw", "vmdk", ...
  virtual std::string PartitionTableText() const = 0;  // "dos", or "none" for a file system alone
  virtual std::uint64_t Size() const = 0;
  virtual const std::vector<FileSystemInfo>& FileSystems() const = 0;

  // Every registry file by name in every file system (deleted ones too when asked); notes
  // get what stopped a walk early (a damaged directory).
  virtual std::vector<FoundFile> FindHives(bool withDeleted, std::vector<std::string>& notes) const = 0;

  // The bytes of the file at path (a file system number, or the first that has it; names
  // match in either case, long or 8.3); nullopt with the reason in error.
  virtual std::optional<std::vector<std::uint8_t>> ReadFile(const InnerPath& path, std::string& error,
                                                            std::uint64_t largest) const = 0;

 protected:
  DiskImage() = default;
};

}  // namespace quarvex::image
