// What a carve of an image reads and where: `quarvex-cli hives --carve` searches the unallocated
// clusters of the image's FAT file systems (The Sleuth Kit's block walk), --carve-all every
// byte of the image (also one with no file system: a raw device, a file of any kind). Either
// leaves out the clusters of every registry file the file system still names, deleted ones
// whose directory entries survive included: those are listed by `hives` already, and the
// same bytes are never listed twice.
//
// A carved hive is then read by its offset: "IMAGE::@0x01A2B000" (image/image_address.h).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "carve/byte_source.h"
#include "image/disk_image.h"

namespace quarvex::image {

struct CarveScope {
  std::unique_ptr<carve::ByteSource> source;  // the image's bytes
  carve::RangeSet scan;                       // the bytes to search
  std::string searched;                       // "unallocated clusters of file system 1", ...
  std::string format;                         // "raw", "ewf", ...
  std::vector<std::string> notes;
};

std::optional<CarveScope> OpenCarveScope(const std::string& container, bool everything, std::string& error);

// The offset of a carved hive's address part ("@0x01A2B000"; "@" and hex digits); nullopt
// with the reason when the part starts with '@' but is no offset, and when it has no '@'
// (then error stays empty).
std::optional<std::uint64_t> ParseCarvedOffset(const std::string& part, std::string& error);

// The bytes of the whole hive carved at `offset` of the image.
std::optional<std::vector<std::uint8_t>> ReadCarvedFile(const std::string& container, std::uint64_t offset,
                                                        std::string& error);

}  // namespace quarvex::image
