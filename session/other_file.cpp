#include "session/other_file.h"

#include <string_view>

#include "image/container_kind.h"

namespace quarvex::session {

namespace {

bool StartsWith(hive::Bytes bytes, std::string_view signature) {
  return bytes.size() >= signature.size() &&
         std::string_view(reinterpret_cast<const char*>(bytes.data()), signature.size()) == signature;
}

}  // namespace

OtherFile WhatFileIs(const HiveAddress& address, hive::Bytes bytes) {
  if (bytes.empty()) return OtherFile::Empty;
  if (StartsWith(bytes, "regf")) return OtherFile::NtHive;
  if (StartsWith(bytes, "MSCF")) return OtherFile::Cabinet;
  // A disk file is told by every signature the image layer knows (some lie at its end); a file
  // inside an image, or standard input, by its boot sector's signature.
  if (address.What() == HiveAddress::Kind::DiskFile) {
    switch (image::ContainerKindOf(address.Text())) {
      case image::ContainerKind::DiskImage:
        return OtherFile::DiskImage;
      case image::ContainerKind::Cabinet:
        return OtherFile::Cabinet;
      case image::ContainerKind::None:
        return OtherFile::Unknown;
    }
  }
  if (bytes.size() >= 512 && bytes[510] == 0x55 && bytes[511] == 0xAA) return OtherFile::DiskImage;
  return OtherFile::Unknown;
}

std::string OtherFileText(OtherFile kind) {
  switch (kind) {
    case OtherFile::Empty:
      return "the file is empty (0 bytes)";
    case OtherFile::DiskImage:
      return "a disk image";
    case OtherFile::Cabinet:
      return "a cabinet";
    case OtherFile::NtHive:
      return "a registry file of Windows NT, 2000 or XP (\"regf\"), which this tool does not read";
    case OtherFile::Unknown:
      break;
  }
  return {};
}

std::string HivesHint(const std::string& file, OtherFile kind) {
  if (kind != OtherFile::DiskImage && kind != OtherFile::Cabinet) return {};
  return "'quarvex-cli hives " + file + "' lists the registry files in it; give one as " + file +
         (kind == OtherFile::Cabinet ? "::USER.DAT" : "::WINDOWS/USER.DAT") + " to any command";
}

}  // namespace quarvex::session
