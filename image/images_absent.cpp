// This build was made without The Sleuth Kit and libmspack: addresses into images and
// cabinets are understood, and every attempt to open one says why it cannot.
#include "image/cabinet.h"
#include "image/container_kind.h"
#include "image/disk_image.h"
#include "image/image_module.h"

namespace quarvex::image {

namespace {
constexpr const char* kAbsent = "this build of Quarvex reads no disk images or cabinets (made without The Sleuth Kit and libmspack)";
}

bool ImagesSupported() { return false; }

const ImageModuleEntries* ImageModule(std::string& error) {
  error = kAbsent;
  return nullptr;
}

std::unique_ptr<DiskImage> DiskImage::Open(const std::string&, std::string& error) {
  error = kAbsent;
  return nullptr;
}

std::optional<std::vector<CabinetMember>> ListCabinet(const std::vector<std::uint8_t>&, std::string& error) {
  error = kAbsent;
  return std::nullopt;
}
std::optional<std::vector<std::uint8_t>> ExtractCabinetMember(const std::vector<std::uint8_t>&, const std::string&,
                                                              std::string& error, std::uint32_t) {
  error = kAbsent;
  return std::nullopt;
}

}  // namespace quarvex::image
