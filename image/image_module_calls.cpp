// The readers' calls, the same in every build: each goes to the image module's table, or
// fails with the reason the module could not be had (in a build without image readers, that
// the build reads none).
#include "image/cabinet.h"
#include "image/disk_image.h"
#include "image/image_module.h"

namespace quarvex::image {

std::unique_ptr<DiskImage> DiskImage::Open(const std::string& path, std::string& error) {
  const ImageModuleEntries* module = ImageModule(error);
  return module ? module->openDiskImage(path, error) : nullptr;
}

std::unique_ptr<ImageBytes> ImageBytes::Open(const std::string& path, std::string& error) {
  const ImageModuleEntries* module = ImageModule(error);
  return module ? module->openImageBytes(path, error) : nullptr;
}

std::optional<std::vector<CabinetMember>> ListCabinet(const std::vector<std::uint8_t>& bytes, std::string& error) {
  const ImageModuleEntries* module = ImageModule(error);
  if (!module) return std::nullopt;
  return module->listCabinet(bytes, error);
}

std::optional<std::vector<std::uint8_t>> ExtractCabinetMember(const std::vector<std::uint8_t>& bytes,
                                                              const std::string& member, std::string& error,
                                                              std::uint32_t largest) {
  const ImageModuleEntries* module = ImageModule(error);
  if (!module) return std::nullopt;
  return module->extractCabinetMember(bytes, member, error, largest);
}

}  // namespace quarvex::image
