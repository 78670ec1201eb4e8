#include "image/container_kind.h"

#include "image/cabinet.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace quarvex::image {

namespace {

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(path), ec) && !ec;
}

std::string Head(std::ifstream& in, std::size_t count) {
  std::string head(count, '\0');
  in.read(head.data(), static_cast<std::streamsize>(count));
  head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return head;
}

}  // namespace

ImageFormat ImageFormatOf(const std::string& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  const std::string start = Head(in, 24);
  if (start.rfind("EVF\x09\x0d\x0a\xff", 0) == 0) return ImageFormat::Ewf;
  if (start.rfind("KDMV", 0) == 0 || start.rfind("# Disk DescriptorFile", 0) == 0) return ImageFormat::Vmdk;
  if (start.rfind("conectix", 0) == 0) return ImageFormat::Vhd;
  in.clear();
  in.seekg(-512, std::ios::end);
  char footer[8] = {};
  if (in && in.read(footer, sizeof footer) && std::string(footer, sizeof footer) == "conectix") return ImageFormat::Vhd;
  return ImageFormat::Raw;
}

ContainerKind ContainerKindOf(const std::string& path) {
  // Only regular files are looked into: a FIFO or a device would block the reader.
  if (!IsRegularFile(path)) return ContainerKind::None;
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  const std::string sector = Head(in, 512);
  // A hive: its signature first, or (its header damaged) the key-node area's at 0x20.
  if (sector.rfind("CREG", 0) == 0 || (sector.size() >= 0x24 && sector.compare(0x20, 4, "RGKN") == 0))
    return ContainerKind::None;
  if (sector.rfind("MSCF", 0) == 0) return ContainerKind::Cabinet;
  if (ImageFormatOf(path) != ImageFormat::Raw) return ContainerKind::DiskImage;
  if (sector.size() == 512 && static_cast<unsigned char>(sector[510]) == 0x55 &&
      static_cast<unsigned char>(sector[511]) == 0xAA)
    return ContainerKind::DiskImage;
  return ContainerKind::None;
}

bool LooksLikeCabinet(const std::vector<std::uint8_t>& bytes) {
  return bytes.size() >= 4 && bytes[0] == 'M' && bytes[1] == 'S' && bytes[2] == 'C' && bytes[3] == 'F';
}

}  // namespace quarvex::image
