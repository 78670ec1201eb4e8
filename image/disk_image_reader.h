// The image module's disk image reader (The Sleuth Kit). Built into the module only; the
// programs reach it through DiskImage::Open.
#pragma once

#include <memory>
#include <string>

#include "image/disk_image.h"

namespace quarvex::image {

std::unique_ptr<DiskImage> OpenDiskImageWithTsk(const std::string& path, std::string& error);
// The image's bytes alone, with no file system needed (a raw device, a carved hive's address).
std::unique_ptr<ImageBytes> OpenImageBytesWithTsk(const std::string& path, std::string& error);

}  // namespace quarvex::image
