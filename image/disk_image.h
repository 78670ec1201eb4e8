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
#include <span>
#include <string>
#include <vector>

#include "image/hive_kind.h"
#include "image/image_address.h"

namespace quarvex::image {

struct FoundFile {
  unsigned fileSystem = 0;  // 1, 2, ... in the image's order
  std::string path;         // inside the file system, '/'-separated, no leading '/'
  std::uint64_t size = 0;
  HiveKind kind = HiveKind::Live;
  bool deleted = false;
  // The FAT entry's dates, as local wall-clock time (0: not recorded).
  std::time_t created = 0, written = 0, accessed = 0;
};

struct FileSystemInfo {
  unsigned number = 0;
  std::string type;          // "FAT12", "FAT16", "FAT32"
  std::uint64_t offset = 0;  // bytes from the image's start
  std::uint64_t size = 0;    // bytes
};

// Bytes [offset, offset + size) of the image.
struct ImageExtent {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

// The bytes of an image as a whole (raw, split raw, E01, VMDK, VHD), whatever they hold: what
// the carver reads from a device with no file system, and what a carved hive's address
// (IMAGE::@0x01A2B000) is read from. Read-only.
class ImageBytes {
 public:
  static std::unique_ptr<ImageBytes> Open(const std::string& path, std::string& error);
  virtual ~ImageBytes() = default;
  ImageBytes(const ImageBytes&) = delete;
  ImageBytes& operator=(const ImageBytes&) = delete;
  virtual std::uint64_t Size() const = 0;
  // Fills `into` from `at`; false when any of it lies past the end or cannot be read.
  virtual bool Read(std::uint64_t at, std::span<std::uint8_t> into) const = 0;

 protected:
  ImageBytes() = default;
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

  // The unallocated clusters of every file system, as extents of the image in offset order;
  // notes get what stopped a walk early.
  virtual std::vector<ImageExtent> UnallocatedExtents(std::vector<std::string>& notes) const = 0;
  // Where the clusters of a file FindHives found lie in the image (for a deleted file, where
  // its surviving directory entry leads, as reading it does).
  virtual std::vector<ImageExtent> FileExtents(const FoundFile& file) const = 0;
  // The image's bytes, whatever file system holds them.
  virtual bool ReadBytes(std::uint64_t at, std::span<std::uint8_t> into) const = 0;

 protected:
  DiskImage() = default;
};

}  // namespace quarvex::image
