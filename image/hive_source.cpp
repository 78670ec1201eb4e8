#include "image/hive_source.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace quarvex::image {

namespace {

std::optional<std::vector<std::uint8_t>> ReadDiskFile(const std::string& path, std::string& error) {
  std::error_code ec;
  const std::filesystem::path p(path);
  if (!std::filesystem::is_regular_file(p, ec)) {
    error = std::filesystem::exists(p, ec) ? path + ": not a regular file" : path + ": no such file";
    return std::nullopt;
  }
  std::ifstream in(p, std::ios::binary);
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (!in || size < 0) {
    error = path + ": cannot be opened for reading";
    return std::nullopt;
  }
  if (static_cast<std::uint64_t>(size) > kLargestHive) {
    error = path + ": larger than 2 GiB, too large for a cabinet of registry files";
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.seekg(0, std::ios::beg);
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
    error = path + ": read error";
    return std::nullopt;
  }
  return bytes;
}

bool StartsLikeCabinet(const std::string& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  char magic[4] = {};
  return in.read(magic, 4) && magic[0] == 'M' && magic[1] == 'S' && magic[2] == 'C' && magic[3] == 'F';
}

std::optional<std::vector<std::uint8_t>> FromCabinet(const std::vector<std::uint8_t>& cabinet, const std::string& where,
                                                     const std::string& member, std::string& error) {
  std::string why;
  auto bytes = ExtractCabinetMember(cabinet, member, why);
  if (!bytes) error = where + ": " + why;
  return bytes;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadAddressedFile(const ImageAddress& address, std::string& error) {
  if (address.parts.empty() || address.parts.size() > 2) {
    error = address.container + ": an address is IMAGE::PATH, IMAGE::PATH::MEMBER or CABINET::MEMBER";
    return std::nullopt;
  }
  if (StartsLikeCabinet(address.container)) {
    if (address.parts.size() != 1) {
      error = address.container + " is a cabinet: name one member after it (CABINET::MEMBER)";
      return std::nullopt;
    }
    const auto cabinet = ReadDiskFile(address.container, error);
    if (!cabinet) return std::nullopt;
    return FromCabinet(*cabinet, address.container, address.parts[0], error);
  }
  std::string why;
  const std::unique_ptr<DiskImage> image = DiskImage::Open(address.container, why);
  if (!image) {
    error = address.container + ": " + why;
    return std::nullopt;
  }
  const std::optional<InnerPath> inner = ParseInnerPath(address.parts[0], why);
  if (!inner) {
    error = address.container + ": " + why;
    return std::nullopt;
  }
  auto bytes = image->ReadFile(*inner, why, kLargestHive);
  if (!bytes) {
    error = address.container + ": " + why;
    return std::nullopt;
  }
  if (address.parts.size() == 1) return bytes;
  return FromCabinet(*bytes, address.container + "::" + address.parts[0], address.parts[1], error);
}

std::optional<HiveListing> ListHives(const std::string& container, bool withDeleted, std::string& error) {
  HiveListing listing;
  if (StartsLikeCabinet(container)) {
    const auto cabinet = ReadDiskFile(container, error);
    if (!cabinet) return std::nullopt;
    std::string why;
    const auto members = ListCabinet(*cabinet, why);
    if (!members) {
      error = container + ": " + why;
      return std::nullopt;
    }
    listing.format = "cabinet";
    listing.partitionTable = "none";
    listing.size = cabinet->size();
    for (const CabinetMember& member : *members)
      if (IsHiveMemberName(member.name)) {
        FoundFile file;
        file.kind = HiveKind::CabinetMember;
        file.size = member.size;
        listing.hives.push_back({file, member, member.name});
      }
    return listing;
  }
  std::string why;
  const std::unique_ptr<DiskImage> image = DiskImage::Open(container, why);
  if (!image) {
    error = container + ": " + why;
    return std::nullopt;
  }
  listing.format = image->FormatText();
  listing.partitionTable = image->PartitionTableText();
  listing.size = image->Size();
  listing.fileSystems = image->FileSystems();
  const bool numbered = listing.fileSystems.size() > 1;
  for (const FoundFile& file : image->FindHives(withDeleted, listing.notes)) {
    const std::string address = (numbered ? std::to_string(file.fileSystem) + ":" : std::string()) + file.path;
    listing.hives.push_back({file, std::nullopt, address});
    if (file.kind != HiveKind::CabinetBackup) continue;
    // The backup's hives, with the dates the cabinet keeps for them.
    std::string readWhy;
    const auto cabinet = image->ReadFile({file.fileSystem, file.path}, readWhy, kLargestHive);
    std::optional<std::vector<CabinetMember>> members;
    if (cabinet) members = ListCabinet(*cabinet, readWhy);
    if (!members) {
      listing.notes.push_back(address + ": " + readWhy);
      continue;
    }
    for (const CabinetMember& member : *members)
      if (IsHiveMemberName(member.name)) {
        FoundFile inside = file;
        inside.kind = HiveKind::CabinetMember;
        inside.size = member.size;
        listing.hives.push_back({inside, member, address + "::" + member.name});
      }
  }
  return listing;
}

}  // namespace quarvex::image
