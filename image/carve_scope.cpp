#include "image/carve_scope.h"

#include <filesystem>
#include <fstream>

#include "carve/hive_chain.h"

namespace quarvex::image {

namespace {

// A carver's source over an opened image (with or without file systems).
template <typename Image>
class ImageSource final : public carve::ByteSource {
 public:
  ImageSource(std::unique_ptr<Image> image, std::uint64_t size) : image_(std::move(image)), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  bool Read(std::uint64_t at, std::span<std::uint8_t> into) const override {
    if constexpr (std::is_same_v<Image, DiskImage>)
      return image_->ReadBytes(at, into);
    else
      return image_->Read(at, into);
  }

 private:
  std::unique_ptr<Image> image_;
  std::uint64_t size_;
};

bool StartsLikeCabinetFile(const std::string& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  char magic[4] = {};
  return in.read(magic, 4) && std::string_view(magic, 4) == "MSCF";
}

std::vector<carve::ByteRange> Ranges(const std::vector<ImageExtent>& extents) {
  std::vector<carve::ByteRange> ranges;
  ranges.reserve(extents.size());
  for (const ImageExtent& e : extents) ranges.push_back({e.offset, e.offset + e.size});
  return ranges;
}

}  // namespace

std::optional<CarveScope> OpenCarveScope(const std::string& container, bool everything, std::string& error) {
  if (StartsLikeCabinetFile(container)) {
    error = container + ": a cabinet keeps its members compressed; there is nothing to carve in it";
    return std::nullopt;
  }
  CarveScope scope;
  std::string why;
  std::unique_ptr<DiskImage> image = DiskImage::Open(container, why);
  if (image) {
    scope.format = image->FormatText();
    const std::uint64_t size = image->Size();
    // The clusters of every registry file the directories still name.
    std::vector<ImageExtent> named;
    for (const FoundFile& file : image->FindHives(true, scope.notes))
      for (const ImageExtent& e : image->FileExtents(file)) named.push_back(e);
    const carve::RangeSet known(Ranges(named));
    std::string systems;
    for (const FileSystemInfo& fs : image->FileSystems())
      systems += (systems.empty() ? "" : ", ") + std::to_string(fs.number);
    if (everything) {
      scope.scan = carve::RangeSet::Without(carve::RangeSet({{0, size}}), known);
      scope.searched = "every byte of the image but the registry files its directories name";
    } else {
      scope.scan = carve::RangeSet::Without(carve::RangeSet(Ranges(image->UnallocatedExtents(scope.notes))), known);
      scope.searched = std::string("the unallocated clusters of file system") +
                       (image->FileSystems().size() > 1 ? "s " : " ") + systems;
    }
    scope.source = std::make_unique<ImageSource<DiskImage>>(std::move(image), size);
    return scope;
  }
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::path(container), ec)) {
    error = container + ": no such file";
    return std::nullopt;
  }
  if (!everything) {
    error = container + ": " + why + "; --carve-all searches every byte of an image with no file system";
    return std::nullopt;
  }
  std::unique_ptr<ImageBytes> bytes = ImageBytes::Open(container, why);
  if (!bytes) {
    error = container + ": " + why;
    return std::nullopt;
  }
  const std::uint64_t size = bytes->Size();
  scope.format = "raw bytes";
  scope.scan = carve::RangeSet({{0, size}});
  scope.searched = "every byte (no FAT file system found)";
  scope.source = std::make_unique<ImageSource<ImageBytes>>(std::move(bytes), size);
  return scope;
}

std::optional<std::uint64_t> ParseCarvedOffset(const std::string& part, std::string& error) {
  error.clear();
  if (part.empty() || part.front() != '@') return std::nullopt;
  std::string digits = part.substr(1);
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits = digits.substr(2);
  std::uint64_t value = 0;
  bool ok = !digits.empty() && digits.size() <= 16;
  for (char c : digits) {
    int d = -1;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    if (d < 0) {
      ok = false;
      break;
    }
    value = value * 16 + static_cast<std::uint64_t>(d);
  }
  if (!ok) {
    error = "'" + part + "' is not a carved hive's offset (@0x followed by hex digits, as `hives --carve` lists it)";
    return std::nullopt;
  }
  return value;
}

std::optional<std::vector<std::uint8_t>> ReadCarvedFile(const std::string& container, std::uint64_t offset,
                                                        std::string& error) {
  std::string why;
  std::unique_ptr<ImageBytes> bytes = ImageBytes::Open(container, why);
  if (!bytes) {
    error = container + ": " + why;
    return std::nullopt;
  }
  const std::uint64_t size = bytes->Size();
  const ImageSource<ImageBytes> source(std::move(bytes), size);
  auto hive = carve::ReadCarvedHive(source, offset, why);
  if (!hive) error = container + ": " + why;
  return hive;
}

}  // namespace quarvex::image
