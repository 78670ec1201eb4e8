// Executable files with version resources, laid out byte by byte for the host probe's tests:
// a PE file (one ".rsrc" section with the three-level resource directory) and an NE file (a
// resource table with one version resource), each reporting where its parts went so that a
// test can damage exactly one field.
#pragma once

#include <sys/time.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/version_resource.h"
#include "testkit/hive_builder.h"

namespace quarvex::testkit {

using host::EncodeVersionBlock;
using host::VersionBlockForm;
using host::VersionNode;

struct ExecutableFixture {
  std::vector<std::uint8_t> bytes;
  std::size_t newHeader = 0;       // "PE\0\0" or "NE"
  std::size_t optionalHeader = 0;  // PE
  std::size_t sectionTable = 0;    // PE
  std::size_t resources = 0;       // PE: the resource root; NE: the resource table
  std::size_t dataEntry = 0;       // PE: the version's data entry; NE: its name record
  std::size_t block = 0;           // the version block itself
  std::size_t blockSize = 0;

  void Put16(std::size_t at, std::uint16_t v) {
    bytes[at] = static_cast<std::uint8_t>(v);
    bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
  }
  void Put32(std::size_t at, std::uint32_t v) {
    Put16(at, static_cast<std::uint16_t>(v));
    Put16(at + 2, static_cast<std::uint16_t>(v >> 16));
  }
  std::string AsString() const { return std::string(bytes.begin(), bytes.end()); }

  // size zero bytes, the DOS header ("MZ") pointing at a new header with this signature.
  static ExecutableFixture Start(std::size_t size, std::size_t at, std::string_view signature) {
    ExecutableFixture f;
    f.bytes.assign(size, 0);
    f.bytes[0] = 'M';
    f.bytes[1] = 'Z';
    f.Put32(0x3C, static_cast<std::uint32_t>(at));
    f.newHeader = at;
    std::copy(signature.begin(), signature.end(), f.bytes.begin() + static_cast<std::ptrdiff_t>(at));
    return f;
  }
  void PlaceBlock(std::size_t at, const std::vector<std::uint8_t>& versionBlock) {
    block = at;
    blockSize = versionBlock.size();
    std::copy(versionBlock.begin(), versionBlock.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  }
  std::vector<std::uint8_t> Block() const {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(block),
            bytes.begin() + static_cast<std::ptrdiff_t>(block + blockSize)};
  }
};

inline std::string Le32(std::uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// A version block: fixed part, one string table holding the given strings, one translation.
inline std::vector<std::uint8_t> VersionBlockFor(VersionBlockForm form, std::uint16_t language, std::uint16_t codePage,
                                                 std::vector<std::pair<std::string, std::string>> strings) {
  std::string fixed = Le32(0xFEEF04BD) + Le32(0x00010000) + std::string(44, '\0');
  VersionNode table{"", true, "", {}};
  static const char* hex = "0123456789ABCDEF";
  for (std::uint16_t v : {language, codePage})
    for (int shift = 12; shift >= 0; shift -= 4) table.key += hex[(v >> shift) & 0xF];
  for (auto& [key, value] : strings) table.children.push_back({key, true, value, {}});
  const std::string translation = Le32(static_cast<std::uint32_t>(codePage) << 16 | language);
  VersionNode root{
      "VS_VERSION_INFO",
      false,
      fixed,
      {{"StringFileInfo", true, "", {table}}, {"VarFileInfo", true, "", {{"Translation", false, translation, {}}}}}};
  return EncodeVersionNode(root, form);
}

// A PE file whose only section holds the resources: root (type 16) -> name 1 -> language
// 0x0411 -> data entry -> the block. pe32plus: the 64-bit optional header.
inline ExecutableFixture BuildPeFixture(const std::vector<std::uint8_t>& versionBlock, bool pe32plus = false) {
  constexpr std::size_t kNewHeader = 0x80, kRaw = 0x200;
  constexpr std::uint32_t kRva = 0x1000;
  const std::size_t optionalSize = pe32plus ? 240 : 224;
  const std::size_t resourceSize = 0x58 + versionBlock.size();
  ExecutableFixture f = ExecutableFixture::Start(kRaw + ((resourceSize + 0x1FF) & ~std::size_t{0x1FF}), kNewHeader,
                                                 std::string_view("PE\0\0", 4));
  const std::size_t coff = kNewHeader + 4;
  f.Put16(coff, pe32plus ? 0x8664 : 0x14C);
  f.Put16(coff + 2, 1);  // one section
  f.Put16(coff + 16, static_cast<std::uint16_t>(optionalSize));
  f.optionalHeader = coff + 20;
  f.Put16(f.optionalHeader, pe32plus ? 0x20B : 0x10B);
  const std::size_t count = f.optionalHeader + (pe32plus ? 108 : 92);
  f.Put32(count, 16);
  f.Put32(count + 4 + 16, kRva);  // data directory 2: the resources
  f.Put32(count + 4 + 20, static_cast<std::uint32_t>(resourceSize));
  f.sectionTable = f.optionalHeader + optionalSize;
  for (std::size_t i = 0; i < 5; ++i) f.bytes[f.sectionTable + i] = static_cast<std::uint8_t>(".rsrc"[i]);
  f.Put32(f.sectionTable + 8, static_cast<std::uint32_t>(resourceSize));
  f.Put32(f.sectionTable + 12, kRva);
  f.Put32(f.sectionTable + 16, static_cast<std::uint32_t>(f.bytes.size() - kRaw));
  f.Put32(f.sectionTable + 20, kRaw);
  // Three directories of one entry each, 0x18 bytes apart, then the data entry and the data.
  f.resources = kRaw;
  f.Put16(kRaw + 14, 1);
  f.Put32(kRaw + 16, 16);
  f.Put32(kRaw + 20, 0x80000000u | 0x18);
  f.Put16(kRaw + 0x18 + 14, 1);
  f.Put32(kRaw + 0x18 + 16, 1);
  f.Put32(kRaw + 0x18 + 20, 0x80000000u | 0x30);
  f.Put16(kRaw + 0x30 + 14, 1);
  f.Put32(kRaw + 0x30 + 16, 0x0411);
  f.Put32(kRaw + 0x30 + 20, 0x48);
  f.dataEntry = kRaw + 0x48;
  f.Put32(f.dataEntry, kRva + 0x58);
  f.Put32(f.dataEntry + 4, static_cast<std::uint32_t>(versionBlock.size()));
  f.PlaceBlock(kRaw + 0x58, versionBlock);
  return f;
}

// An NE file: resource table (alignment shift 4; an icon type with two entries, then the
// version type with one) followed by the resident-name table, the block at 0x100.
inline ExecutableFixture BuildNeFixture(const std::vector<std::uint8_t>& versionBlock) {
  constexpr std::size_t kNewHeader = 0x40, kTable = 0x80, kData = 0x100;
  const std::size_t units = (versionBlock.size() + 15) / 16;
  ExecutableFixture f = ExecutableFixture::Start(kData + units * 16, kNewHeader, "NE");
  const std::size_t tableSize = 2 + (8 + 2 * 12) + (8 + 12) + 2;
  f.Put16(kNewHeader + 0x24, static_cast<std::uint16_t>(kTable - kNewHeader));
  f.Put16(kNewHeader + 0x26, static_cast<std::uint16_t>(kTable - kNewHeader + tableSize));
  f.resources = kTable;
  f.Put16(kTable, 4);  // alignment shift
  std::size_t p = kTable + 2;
  f.Put16(p, 0x8003);  // icons, pointing at nothing in particular
  f.Put16(p + 2, 2);
  p += 8 + 2 * 12;
  f.Put16(p, 0x8010);
  f.Put16(p + 2, 1);
  f.dataEntry = p + 8;
  f.Put16(f.dataEntry, static_cast<std::uint16_t>(kData >> 4));
  f.Put16(f.dataEntry + 2, static_cast<std::uint16_t>(units));
  f.Put16(f.dataEntry + 4, 0x30);
  f.Put16(f.dataEntry + 6, 0x8001);
  f.PlaceBlock(kData, versionBlock);
  return f;
}

// Sets a file's modification time to a local date-time.
inline void SetLocalModificationTime(const std::filesystem::path& path, int year, int month, int day, int hour,
                                     int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  const std::time_t when = std::mktime(&tm);
  const timeval times[2] = {{when, 0}, {when, 0}};
  if (::utimes(path.c_str(), times) != 0) throw std::runtime_error("cannot set the time of " + path.string());
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  BuiltHive file;
  file.bytes = bytes;
  file.WriteFile(path.string());
}

// A system.dat with the browser version and the machine's values.
inline BuiltHive MachineHive(const std::string& computerName) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int enumKey = b.AddKey(root, "ENUM");
  const int pnp = b.AddKey(b.AddKey(enumKey, "Root"), "*PNP0C01");
  b.AddKey(pnp, "0000", {Text("SetupMachineType", "IBM PC/AT"), Text("ComputerName", computerName)});
  const int software = b.AddKey(root, "SOFTWARE");
  b.AddKey(b.AddKey(software, "Microsoft"), "Internet Explorer", {Text("Version", "5.50.4134.0100")});
  return b.Build();
}

// A Windows 98 directory as it lies on a FAT disk, names in upper case mostly but not all:
// SYSTEM.DAT (machine RETRO, IBM PC/AT, browser 5.50.4134.0100), SYSTEM/ADVAPI32.DLL (PE,
// 4.80.1675 with trailing blanks, 1999/04/23 22:22:01), SYSTEM/Krnl386.Exe (16-bit NE,
// 4.10.2222 under 0x0409/0x04E4, 1999/04/23 at midnight), regedit.exe (PE, 4.10.2222 under
// 0x0409/0x04B0, 1999/04/23 22:22:00). Times are local.
inline void WriteWindowsDirectory(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  MachineHive("RETRO").WriteFile((dir / "SYSTEM.DAT").string());
  WriteFileBytes(
      dir / "SYSTEM" / "ADVAPI32.DLL",
      BuildPeFixture(VersionBlockFor(VersionBlockForm::Wide, 0x0411, 0x03A4, {{"FileVersion", "4.80.1675  "}})).bytes);
  WriteFileBytes(
      dir / "SYSTEM" / "Krnl386.Exe",
      BuildNeFixture(VersionBlockFor(VersionBlockForm::Narrow, 0x0409, 0x04E4, {{"FileVersion", "4.10.2222"}})).bytes);
  WriteFileBytes(
      dir / "regedit.exe",
      BuildPeFixture(VersionBlockFor(VersionBlockForm::Wide, 0x0409, 0x04B0, {{"FileVersion", "4.10.2222"}})).bytes);
  SetLocalModificationTime(dir / "SYSTEM" / "ADVAPI32.DLL", 1999, 4, 23, 22, 22, 1);
  SetLocalModificationTime(dir / "SYSTEM" / "Krnl386.Exe", 1999, 4, 23, 0, 0, 0);
  SetLocalModificationTime(dir / "regedit.exe", 1999, 4, 23, 22, 22, 0);
}

}  // namespace quarvex::testkit
