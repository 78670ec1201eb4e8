// Addresses of hives inside images and cabinets, the kinds a file name tells, and cabinets too
// damaged to read (named after their defect): each gives a reason, none crashes.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>
#include <vector>

#include "image/cabinet.h"
#include "image/container_kind.h"
#include "image/hive_kind.h"
#include "image/image_address.h"

namespace quarvex::image {
namespace {

class ImageAddressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("quarvex-address-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    for (const char* name : {"disk.img", "odd::name.img"}) std::ofstream(dir_ / name) << "x";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string At(const std::string& name) const { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

TEST_F(ImageAddressTest, SplitsAtTheSeparatorsAfterTheLongestExistingFile) {
  struct Case {
    std::string argument;
    bool address;
    std::string container;
    std::vector<std::string> parts;
  };
  const std::vector<Case> cases{
      {At("disk.img"), false, "", {}},
      {At("disk.img") + "::WINDOWS/SYSTEM.DAT", true, At("disk.img"), {"WINDOWS/SYSTEM.DAT"}},
      {At("disk.img") + "::WINDOWS/SYSBCKUP/RB001.CAB::USER.DAT",
       true,
       At("disk.img"),
       {"WINDOWS/SYSBCKUP/RB001.CAB", "USER.DAT"}},
      {At("odd::name.img"), false, "", {}},
      {At("odd::name.img") + "::2:SYSTEM.1ST", true, At("odd::name.img"), {"2:SYSTEM.1ST"}},
      {At("missing.img") + "::USER.DAT", true, At("missing.img"), {"USER.DAT"}},
      {"plain.dat", false, "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    const std::optional<ImageAddress> address = ParseImageAddress(c.argument);
    ASSERT_EQ(address.has_value(), c.address);
    if (!address) continue;
    EXPECT_EQ(address->container, c.container);
    EXPECT_EQ(address->parts, c.parts);
  }
}

TEST_F(ImageAddressTest, AWindowShowsTheImagesNameWithTheAddressAndNamesReportsAfterTheHive) {
  struct Case {
    std::string argument, container, innermost, shown;
  };
  const std::vector<Case> cases{
      {At("disk.img") + "::WINDOWS/SYSTEM.DAT", At("disk.img"), "SYSTEM.DAT", "disk.img::WINDOWS/SYSTEM.DAT"},
      {At("disk.img") + "::2:WINDOWS/SYSBCKUP/RB001.CAB::USER.DAT", At("disk.img"), "USER.DAT",
       "disk.img::2:WINDOWS/SYSBCKUP/RB001.CAB::USER.DAT"},
      {At("disk.img") + "::2:SYSTEM.1ST", At("disk.img"), "SYSTEM.1ST", "disk.img::2:SYSTEM.1ST"},
      {At("disk.img") + "::WINDOWS\\USER.DAT", At("disk.img"), "USER.DAT", "disk.img::WINDOWS\\USER.DAT"},
      {At("disk.img"), At("disk.img"), "disk.img", "disk.img"},
      {At("odd::name.img"), At("odd::name.img"), "odd::name.img", "odd::name.img"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    EXPECT_EQ(ContainerOf(c.argument), c.container);
    EXPECT_EQ(InnermostFileName(c.argument), c.innermost);
    EXPECT_EQ(DisplayName(c.argument), c.shown);
  }
}

// What a chosen file is, by its first bytes (and a VHD's footer): only a container's signature
// makes the windows list its hives; everything else is opened as a hive, as before.
TEST_F(ImageAddressTest, TheKindOfAChosenFileIsToldByItsSignatures) {
  auto sector = [](std::size_t size, std::uint8_t b510, std::uint8_t b511) {
    std::string bytes(size, '\0');
    if (size >= 512) {
      bytes[510] = static_cast<char>(b510);
      bytes[511] = static_cast<char>(b511);
    }
    return bytes;
  };
  std::string vhdFooter(4096, '\0');
  vhdFooter.replace(4096 - 512, 8, "conectix");
  std::string hiveWithBootSignature = sector(4096, 0x55, 0xAA);
  hiveWithBootSignature.replace(0, 4, "CREG");
  std::string hiveWithoutItsSignature = hiveWithBootSignature;
  hiveWithoutItsSignature.replace(0, 4, "XXXX");
  hiveWithoutItsSignature.replace(0x20, 4, "RGKN");
  struct Case {
    const char* name;
    std::string bytes;
    ContainerKind kind;
  };
  const std::vector<Case> cases{
      {"hive.dat", "CREG\x00\x00\x01\x00" + std::string(100, '\0'), ContainerKind::None},
      {"hive-with-boot-signature.dat", hiveWithBootSignature, ContainerKind::None},
      {"hive-signature-smashed.dat", hiveWithoutItsSignature, ContainerKind::None},
      {"rb001.cab", "MSCF" + std::string(60, '\0'), ContainerKind::Cabinet},
      {"mbr.img", sector(1024, 0x55, 0xAA), ContainerKind::DiskImage},
      {"no-boot-signature.img", sector(1024, 0x55, 0x00), ContainerKind::None},
      {"short-sector.img", std::string(511, '\x55'), ContainerKind::None},
      {"disk.E01", std::string("EVF\x09\x0d\x0a\xff\x00", 8) + std::string(100, '\0'), ContainerKind::DiskImage},
      {"sparse.vmdk", "KDMV" + std::string(100, '\0'), ContainerKind::DiskImage},
      {"descriptor.vmdk", "# Disk DescriptorFile\nversion=1\n", ContainerKind::DiskImage},
      {"dynamic.vhd", "conectix" + std::string(600, '\0'), ContainerKind::DiskImage},
      {"fixed.vhd", vhdFooter, ContainerKind::DiskImage},
      {"empty.dat", "", ContainerKind::None},
      {"text.txt", "hello", ContainerKind::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(At(c.name), std::ios::binary) << c.bytes;
    EXPECT_EQ(ContainerKindOf(At(c.name)), c.kind);
  }
  EXPECT_EQ(ContainerKindOf(At("missing.img")), ContainerKind::None);
  EXPECT_EQ(ContainerKindOf(dir_.string()), ContainerKind::None) << "a directory";
  EXPECT_EQ(ImageFormatOf(At("disk.E01")), ImageFormat::Ewf);
  EXPECT_EQ(ImageFormatOf(At("fixed.vhd")), ImageFormat::Vhd);
  EXPECT_EQ(ImageFormatOf(At("mbr.img")), ImageFormat::Raw);
  EXPECT_EQ(ImagesSupported(), bool(QUARVEX_TEST_HAVE_IMAGES));
}

TEST(InnerPathTest, TakesAFileSystemNumberAndEitherSlash) {
  struct Case {
    std::string text;
    bool ok;
    unsigned fileSystem;
    std::string path;
    std::string error;
  };
  const std::vector<Case> cases{
      {"WINDOWS/SYSTEM.DAT", true, 0, "WINDOWS/SYSTEM.DAT", ""},
      {"\\WINDOWS\\USER.DAT", true, 0, "WINDOWS/USER.DAT", ""},
      {"2:WINDOWS/SYSTEM.DAT", true, 2, "WINDOWS/SYSTEM.DAT", ""},
      {"0:SYSTEM.DAT", false, 0, "", "not a file system number"},
      {"C:SYSTEM.DAT", false, 0, "", "not a file system number"},
      {"1:", false, 0, "", "no path inside the image"},
      {"", false, 0, "", "no path inside the image"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const std::optional<InnerPath> inner = ParseInnerPath(c.text, error);
    ASSERT_EQ(inner.has_value(), c.ok);
    if (inner) {
      EXPECT_EQ(inner->fileSystem, c.fileSystem);
      EXPECT_EQ(inner->path, c.path);
    } else {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
  }
}

TEST(HiveKindTest, NamesTellTheKindInEitherCaseAndDeletedOnesWithoutTheirFirstLetter) {
  struct Case {
    std::string name;
    bool deleted;
    std::optional<HiveKind> kind;
  };
  const std::vector<Case> cases{
      {"SYSTEM.DAT", false, HiveKind::Live},
      {"user.dat", false, HiveKind::Live},
      {"Classes.dat", false, HiveKind::Live},
      {"SYSTEM.1ST", false, HiveKind::SetupCopy},
      {"SYSTEM.DA0", false, HiveKind::Win95Backup},
      {"USER.DA0", false, HiveKind::Win95Backup},
      {"RB000.CAB", false, HiveKind::CabinetBackup},
      {"rb004.cab", false, HiveKind::CabinetBackup},
      {"RBX00.CAB", false, std::nullopt},
      {"SYSTEM.INI", false, std::nullopt},
      {"_SER.DAT", false, std::nullopt},
      {"_SER.DAT", true, HiveKind::Live},
      {"_B001.CAB", true, HiveKind::CabinetBackup},
      {"_YSTEM.DA0", true, HiveKind::Win95Backup},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HiveKindOfName(c.name, c.deleted), c.kind);
  }
}

#if QUARVEX_TEST_HAVE_IMAGES
std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(DamagedCabinetTest, EachDefectGivesAReason) {
  // A header of 36 bytes whose counts claim one folder and one file that are not there.
  std::vector<std::uint8_t> headerOnly = Bytes("MSCF");
  headerOnly.resize(36, 0);
  headerOnly[8] = 36;  // cabinet size
  headerOnly[24] = 3;  // version 1.3
  headerOnly[25] = 1;
  headerOnly[26] = 1;  // one folder
  headerOnly[28] = 1;  // one file
  struct Case {
    std::string name;
    std::vector<std::uint8_t> bytes;
  };
  const std::vector<Case> cases{
      {"empty", {}},
      {"no_signature", Bytes("NOTACABINETATALL-NOTACABINETATALL-NOTACABINET")},
      {"signature_only", Bytes("MSCF")},
      {"header_claims_missing_folder_and_file", headerOnly},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    EXPECT_FALSE(ListCabinet(c.bytes, error).has_value());
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(ExtractCabinetMember(c.bytes, "SYSTEM.DAT", error).has_value());
    EXPECT_FALSE(error.empty());
  }
}
#endif

}  // namespace
}  // namespace quarvex::image
