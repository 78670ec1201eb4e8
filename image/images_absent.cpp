// This build was made without The Sleuth Kit and libmspack: addresses into images and
// cabinets are understood, and every attempt to open one says why it cannot.
#include "image/cabinet.h"
#include "image/container_kind.h"
#include "image/disk_image.h"

namespace quarvex::image {

namespace {
constexpr const char* kAbsent = "this build of Quarvex reads no disk images or cabinets (made without The Sleuth Kit and libmspack)";
}

bool ImagesSupported() { return false; }

struct DiskImage::Impl {};
DiskImage::DiskImage(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
DiskImage::~DiskImage() = default;
std::unique_ptr<DiskImage> DiskImage::Open(const std::string&, std::string& error) {
  error = kAbsent;
  return nullptr;
}
std::string DiskImage::FormatText() const { return {}; }
std::string DiskImage::PartitionTableText() const { return {}; }
std::uint64_t DiskImage::Size() const { return 0; }
const std::vector<FileSystemInfo>& DiskImage::FileSystems() const {
  static const std::vector<FileSystemInfo> none;
  return none;
}
std::vector<FoundFile> DiskImage::FindHives(bool, std::vector<std::string>&) const { return {}; }
std::optional<std::vector<std::uint8_t>> DiskImage::ReadFile(const InnerPath&, std::string& error, std::uint64_t) const {
  error = kAbsent;
  return std::nullopt;
}

bool LooksLikeCabinet(const std::vector<std::uint8_t>& bytes) {
  return bytes.size() >= 4 && bytes[0] == 'M' && bytes[1] == 'S' && bytes[2] == 'C' && bytes[3] == 'F';
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
