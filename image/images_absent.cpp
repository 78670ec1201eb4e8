// This build was made without The Sleuth Kit and libmspack: addresses into images and
// cabinets are understood, and every attempt to open one says why it cannot (there is no
// module to load).
#include "image/container_kind.h"
#include "image/image_module.h"

namespace quarvex::image {

namespace {
constexpr const char* kAbsent =
    "this build of Quarvex reads no disk images or cabinets (made without The Sleuth Kit and libmspack)";
}

bool ImagesSupported() { return false; }

void UseImageModuleAt(std::string) {}

const ImageModuleEntries* ImageModule(std::string& error) {
  error = kAbsent;
  return nullptr;
}

}  // namespace quarvex::image
