// The image module's disk image reader (The Sleuth Kit). Built into the module only; the
// programs reach it through DiskImage::Open.
#pragma once

#include <memory>
#include <string>

#include "image/disk_image.h"

namespace quarvex::image {

std::unique_ptr<DiskImage> OpenDiskImageWithTsk(const std::string& path, std::string& error);

}  // namespace quarvex::image
