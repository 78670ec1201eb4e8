// The readers of disk images (The Sleuth Kit) and cabinets (libmspack) are a module of their
// own, lib/quarvex/quarvex-images.so beside the programs' bin/ folder, loaded the first time a
// run opens an image or a cabinet. The Sleuth Kit brings over forty shared libraries (libewf,
// libvmdk, libvhdi, SQLite ...): linked into the programs, loading and relocating them took
// twice as long as reading a 13 MB hive, and 8 MiB of memory, on every run, also on the runs
// that read a plain hive file and never an image.
//
// These are the module's entry points: one table, found by its C name. The programs and the
// module are built together by one compiler, so C++ types cross as they are; the version
// catches a module left over from another build.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/cabinet.h"
#include "image/disk_image.h"

namespace quarvex::image {

inline constexpr int kImageModuleVersion = 2;
inline constexpr const char* kImageModuleEntryName = "quarvex_image_module_entries";
// Where the module lies, from the folder of the running program: ../lib/quarvex/ both in an
// installed tree (/usr/bin, /usr/lib/quarvex) and in the build tree (cli/, ui/, tests/ ...
// beside lib/quarvex/).
inline constexpr const char* kImageModuleFromProgram = "../lib/quarvex/quarvex-images.so";

struct ImageModuleEntries {
  int version = 0;
  std::unique_ptr<DiskImage> (*openDiskImage)(const std::string& path, std::string& error) = nullptr;
  std::unique_ptr<ImageBytes> (*openImageBytes)(const std::string& path, std::string& error) = nullptr;
  std::optional<std::vector<CabinetMember>> (*listCabinet)(const std::vector<std::uint8_t>& bytes,
                                                           std::string& error) = nullptr;
  std::optional<std::vector<std::uint8_t>> (*extractCabinetMember)(const std::vector<std::uint8_t>& bytes,
                                                                   const std::string& member, std::string& error,
                                                                   std::uint32_t largest) = nullptr;
};

// Where to load the module from instead of beside the running program: for a host that is not
// one of our programs (the Python module runs inside the Python interpreter, whose folder holds
// no lib/quarvex/). Takes effect only before the first image or cabinet is opened.
void UseImageModuleAt(std::string path);

// The module's table, loaded once per process and kept until its end; nullptr with the reason
// in error when the module is missing, cannot be loaded or is of another build.
const ImageModuleEntries* ImageModule(std::string& error);

}  // namespace quarvex::image
