// The image module's one exported symbol: its table of entry points.
#include "image/cabinet_reader.h"
#include "image/disk_image_reader.h"
#include "image/image_module.h"

extern "C" __attribute__((visibility("default"))) const quarvex::image::ImageModuleEntries*
quarvex_image_module_entries() {
  using namespace quarvex::image;
  static const ImageModuleEntries entries{kImageModuleVersion, OpenDiskImageWithTsk, OpenImageBytesWithTsk,
                                          ListCabinetWithMspack, ExtractCabinetMemberWithMspack};
  return &entries;
}
