#include "image/hive_source.h"

#include "image/carve_scope.h"
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

// A split raw image is opened by its first piece, from which The Sleuth Kit finds the others
// ("disk.001", "disk.002", ...). Named by a later piece it reads that piece alone, which starts
// with no partition table: the reason then says which piece to name.
std::string SplitPieceHint(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.size() - dot != 4) return {};
  const std::string digits = path.substr(dot + 1);
  for (char c : digits)
    if (c < '0' || c > '9') return {};
  if (digits == "000" || digits == "001") return {};
  for (const char* first : {"001", "000"}) {
    const std::string firstPiece = path.substr(0, dot + 1) + first;
    std::error_code ec;
    if (std::filesystem::is_regular_file(std::filesystem::path(firstPiece), ec))
      return " (this is a later piece of a split image: name its first piece, " + firstPiece + ")";
  }
  return {};
}

std::unique_ptr<DiskImage> OpenImage(const std::string& path, std::string& error) {
  std::string why;
  std::unique_ptr<DiskImage> image = DiskImage::Open(path, why);
  if (!image) error = path + ": " + why + SplitPieceHint(path);
  return image;
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
  // A carved hive: its offset in the image, whatever file system (if any) lies there.
  if (const std::optional<std::uint64_t> carved = ParseCarvedOffset(address.parts[0], why); carved || !why.empty()) {
    if (!carved || address.parts.size() != 1) {
      error = address.container + ": " + (carved ? "a carved hive (@OFFSET) is a registry file, not a cabinet" : why);
      return std::nullopt;
    }
    return ReadCarvedFile(address.container, *carved, error);
  }
  const std::unique_ptr<DiskImage> image = OpenImage(address.container, error);
  if (!image) return std::nullopt;
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
  const std::unique_ptr<DiskImage> image = OpenImage(container, error);
  if (!image) return std::nullopt;
  listing.format = image->FormatText();
  listing.partitionTable = image->PartitionTableText();
  listing.size = image->Size();
  listing.fileSystems = image->FileSystems();
  // A file system that runs past the image's end: a split image missing its later pieces, or
  // an image cut short. What lies beyond cannot be read, and reading a file there says so.
  for (const FileSystemInfo& fs : listing.fileSystems)
    if (fs.offset + fs.size > listing.size)
      listing.notes.push_back("file system " + std::to_string(fs.number) + " ends at byte " +
                              std::to_string(fs.offset + fs.size) + ", past the image's end at byte " +
                              std::to_string(listing.size) +
                              ": the image is cut short (a split image missing a piece?); files beyond cannot be read");
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
