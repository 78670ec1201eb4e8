// The host outside Windows, against a Windows directory made here: system.dat for the
// machine's registry, a PE advapi32.dll and regedit.exe, a 16-bit NE krnl386.exe, names in
// any letter case, modification times in local time; and without any Windows directory.
#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "host/host_probe.h"
#include "host/this_host.h"
#include "testkit/host_fixtures.h"
#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

// Sets (or unsets) QUARVEX_WINDIR for one test and puts it back afterwards.
class WindirVariable {
 public:
  explicit WindirVariable(const char* value) {
    if (const char* old = std::getenv("QUARVEX_WINDIR")) old_ = old;
    if (value)
      ::setenv("QUARVEX_WINDIR", value, 1);
    else
      ::unsetenv("QUARVEX_WINDIR");
  }
  ~WindirVariable() {
    if (old_)
      ::setenv("QUARVEX_WINDIR", old_->c_str(), 1);
    else
      ::unsetenv("QUARVEX_WINDIR");
  }

 private:
  std::optional<std::string> old_;
};

// The fixture Windows directory, removed with its temporary folder.
struct WindowsDirFixture {
  TempDir temp;
  std::string dir = temp.Path("WINDOWS").string();
  WindowsDirFixture() { WriteWindowsDirectory(dir); }
};

struct Probed {
  HostFacts facts;
  std::vector<std::string> meStat;
};

Probed ProbeWith(std::optional<std::string> windowsDir, CodePage codePage = CodePage::Cp932) {
  Probed out;
  const auto host = MakeThisHost({std::move(windowsDir), codePage});
  ProbeHostEnvironment(*host, TextLocale::Japanese(), out.facts, out.meStat);
  return out;
}

TEST(PosixHost, ReadsTheNamedWindowsInstallation) {
  WindowsDirFixture w;
  const Probed r = ProbeWith(w.dir);
  const std::vector<std::string> expected = {
      " Machine: RETRO(IBM PC/AT)",
      " " + r.facts.OsText,
      " Internet Explorer(ver 5.50.4134.0100)",
      " " + w.dir + "\\system\\advapi32.dll(ver 4.80.1675)",
      "   Time Stamp: 1999/04/23 22:22:00",
      " " + w.dir + "\\system\\krnl386.exe(ver 4.10.2222)",
      "   Time Stamp: 1999/04/23",
      " " + w.dir + "\\regedit.exe(ver 4.10.2222)",
      "   Time Stamp: 1999/04/23 22:22:00",
      "",
  };
  EXPECT_EQ(r.meStat, expected);
  EXPECT_EQ(r.facts.ProgramVersion, QUARVEX_VERSION);
}

TEST(PosixHost, OperatingSystemIsThisMachinesKernel) {
  utsname names{};
  ASSERT_EQ(::uname(&names), 0);
  const Probed r = ProbeWith(std::nullopt);
  EXPECT_TRUE(r.facts.OsText.starts_with(std::string(names.sysname) + "(ver ")) << r.facts.OsText;
  EXPECT_NE(r.facts.OsText, "(GetVer Failure)");
}

TEST(PosixHost, WindowsDirectoryFromTheEnvironment) {
  WindowsDirFixture w;
  WindirVariable set(w.dir.c_str());
  EXPECT_EQ(ProbeWith(std::nullopt).facts.ComputerName, "RETRO");
}

TEST(PosixHost, NoWindowsDirectory) {
  WindirVariable unset(nullptr);
  const Probed r = ProbeWith(std::nullopt);
  EXPECT_EQ(r.facts.IeVersion, "");
  EXPECT_EQ(r.facts.ComputerName, "");
  EXPECT_EQ(r.facts.Advapi32File, "");
  EXPECT_EQ(r.facts.RegeditStamp, "");
  EXPECT_EQ(r.meStat[3], " (ver )");
  EXPECT_EQ(r.facts.ProgramVersion, QUARVEX_VERSION);
}

TEST(PosixHost, DirectoryThatDoesNotExist) {
  WindowsDirFixture w;
  const Probed r = ProbeWith(w.dir + "/nothing");
  EXPECT_EQ(r.facts.Advapi32File, "");
  EXPECT_EQ(r.facts.MachineType, "");
}

TEST(PosixHost, DirectoryEndingInASeparator) {
  WindowsDirFixture w;
  const Probed r = ProbeWith(w.dir + "/");
  EXPECT_EQ(r.facts.Advapi32File, w.dir + "/\\system\\advapi32.dll");
  EXPECT_EQ(r.facts.Advapi32Version, "4.80.1675");
  EXPECT_EQ(r.facts.ComputerName, "RETRO");
}

TEST(PosixHost, MissingAndForeignSystemFiles) {
  WindowsDirFixture w;
  std::filesystem::remove(w.dir + "/SYSTEM/Krnl386.Exe");
  WriteFileBytes(w.dir + "/regedit.exe", std::vector<std::uint8_t>(300, 'x'));
  const Probed r = ProbeWith(w.dir);
  EXPECT_EQ(r.facts.Krnl386Version, "(unknown version)");
  EXPECT_EQ(r.facts.Krnl386Stamp, "(unknown time stamp)");
  EXPECT_EQ(r.facts.RegeditVersion, "(unknown version)");
  EXPECT_NE(r.facts.RegeditStamp, "(unknown time stamp)");
  EXPECT_EQ(r.facts.Advapi32Version, "4.80.1675");
}

TEST(PosixHost, SystemFileThatIsADirectory) {
  WindowsDirFixture w;
  std::filesystem::remove(w.dir + "/regedit.exe");
  std::filesystem::create_directories(w.dir + "/REGEDIT.EXE");
  const Probed r = ProbeWith(w.dir);
  EXPECT_EQ(r.facts.RegeditVersion, "(unknown version)");
  EXPECT_EQ(r.facts.RegeditStamp, "(unknown time stamp)");
}

TEST(PosixHost, TimeBeforeFileDatesBegan) {
  WindowsDirFixture w;
  SetLocalModificationTime(w.dir + "/regedit.exe", 1979, 12, 31, 12, 0, 0);
  EXPECT_EQ(ProbeWith(w.dir).facts.RegeditStamp, "(unknown time stamp)");
}

TEST(PosixHost, DamagedSystemDatLeavesTheRegistryFieldsEmpty) {
  WindowsDirFixture w;
  std::filesystem::resize_file(w.dir + "/SYSTEM.DAT", 100);
  const Probed r = ProbeWith(w.dir);
  EXPECT_EQ(r.meStat[0], " Machine: ()");
  EXPECT_EQ(r.facts.IeVersion, "");
  EXPECT_EQ(r.facts.Advapi32Version, "4.80.1675");
}

TEST(PosixHost, RegistryTextInTheInstallationsCodePage) {
  WindowsDirFixture w;
  MachineHive("\x83\x8C\x83\x67\x83\x8D").WriteFile(w.dir + "/SYSTEM.DAT");  // レトロ in code page 932
  EXPECT_EQ(ProbeWith(w.dir).facts.ComputerName, "レトロ");
}

TEST(PosixHost, LeadBytesOfTheNamedCodePage) {
  const auto host = MakeThisHost({std::nullopt, CodePage::Cp932});
  EXPECT_TRUE(host->DoubleByteEnabled());
  EXPECT_EQ(HostLeadByteRanges(*host), (std::vector<LeadByteRange>{{0x81, 0x9F}, {0xE0, 0xFC}}));
  EXPECT_EQ(host->LeadByteRanges(950), (std::vector<LeadByteRange>{{0x81, 0xFE}}));
  EXPECT_TRUE(host->LeadByteRanges(1252).empty());
  const auto single = MakeThisHost({std::nullopt, CodePage::SingleByte});
  EXPECT_FALSE(single->DoubleByteEnabled());
  EXPECT_TRUE(HostLeadByteRanges(*single).empty());
}

}  // namespace
}  // namespace quarvex::testing
