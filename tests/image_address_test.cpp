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
      {At("disk.img") + "::WINDOWS/SYSBCKUP/RB001.CAB::USER.DAT", true, At("disk.img"),
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
      {"SYSTEM.DAT", false, HiveKind::Live},     {"user.dat", false, HiveKind::Live},
      {"Classes.dat", false, HiveKind::Live},    {"SYSTEM.1ST", false, HiveKind::SetupCopy},
      {"SYSTEM.DA0", false, HiveKind::Win95Backup}, {"USER.DA0", false, HiveKind::Win95Backup},
      {"RB000.CAB", false, HiveKind::CabinetBackup}, {"rb004.cab", false, HiveKind::CabinetBackup},
      {"RBX00.CAB", false, std::nullopt},        {"SYSTEM.INI", false, std::nullopt},
      {"_SER.DAT", false, std::nullopt},         {"_SER.DAT", true, HiveKind::Live},
      {"_B001.CAB", true, HiveKind::CabinetBackup}, {"_YSTEM.DA0", true, HiveKind::Win95Backup},
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
  headerOnly[8] = 36;             // cabinet size
  headerOnly[24] = 3;             // version 1.3
  headerOnly[25] = 1;
  headerOnly[26] = 1;             // one folder
  headerOnly[28] = 1;             // one file
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
