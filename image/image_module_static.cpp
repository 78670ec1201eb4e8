// The image module's table in the web page's engine (WebAssembly): there is no module to load
// and no Sleuth Kit, so the cabinet reader (libmspack, linked in) is bound to the table
// directly, and the table's disk image entries say that this build reads none. Everything
// else goes the same way as in the other builds (image_module_calls.cpp).
#include "image/cabinet_reader.h"
#include "image/image_module.h"

namespace quarvex::image {

namespace {

constexpr const char* kNoDiskImages =
    "this build of Quarvex reads cabinets but no disk images (made without The Sleuth Kit)";

std::unique_ptr<DiskImage> NoDiskImage(const std::string&, std::string& error) {
  error = kNoDiskImages;
  return nullptr;
}

std::unique_ptr<ImageBytes> NoImageBytes(const std::string&, std::string& error) {
  error = kNoDiskImages;
  return nullptr;
}

}  // namespace

// Cabinets are read: the addresses into them are let through, and a disk image fails when
// opened, with the reason above.
bool ImagesSupported() { return true; }

void UseImageModuleAt(std::string) {}

const ImageModuleEntries* ImageModule(std::string&) {
  static const ImageModuleEntries entries{kImageModuleVersion, NoDiskImage, NoImageBytes, ListCabinetWithMspack,
                                          ExtractCabinetMemberWithMspack};
  return &entries;
}

}  // namespace quarvex::image
