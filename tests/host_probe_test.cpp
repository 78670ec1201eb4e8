// The host probe against a fake platform: the operating-system table and its examples, the
// registry values (missing keys and values, empty and non-text values), the three system files
// in order with their versions and time stamps, the Windows directory's edge cases, the About
// memo's ten lines, and the report header a job writes from the facts.
#include <gtest/gtest.h>

#include <map>

#include "host/host_probe.h"
#include "testkit/host_fixtures.h"
#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

// Everything the probe asks, answered from tables, every call logged.
class FakePlatform : public HostPlatform {
 public:
  std::optional<OsVersionInfo> version = OsVersionInfo{1, 4, 10, 0x040A08AE, ""};
  std::optional<std::string> windowsDirectory = "C:\\WINDOWS";
  std::map<std::string, std::map<std::string, RegistryValue>> keys;
  // Per file: its version values by sub-block (no entry: no version information at all).
  std::map<std::string, std::map<std::string, std::string>> versions;
  std::map<std::string, LocalDateTime> stamps;
  std::string programPath = "C:\\Program Files\\Quarvex\\quarvex.exe";
  bool doubleByte = true;
  std::vector<std::string> log;
  int openKeys = 0;

  class Key : public RegistryKey {
   public:
    Key(FakePlatform& owner, const std::map<std::string, RegistryValue>& values) : owner_(owner), values_(values) {
      ++owner_.openKeys;
    }
    ~Key() override { --owner_.openKeys; }
    std::optional<RegistryValueInfo> QueryValueInfo(const std::string& name) override {
      const auto it = values_.find(name);
      if (it == values_.end()) return std::nullopt;
      return RegistryValueInfo{it->second.type, static_cast<std::uint32_t>(it->second.data.size())};
    }
    std::optional<RegistryValue> ReadValue(const std::string& name) override {
      owner_.log.push_back("read:" + name);
      const auto it = values_.find(name);
      if (it == values_.end()) return std::nullopt;
      return it->second;
    }

   private:
    FakePlatform& owner_;
    const std::map<std::string, RegistryValue>& values_;
  };

  std::optional<OsVersionInfo> GetVersion() override { return version; }
  std::optional<std::string> WindowsDirectory() override { return windowsDirectory; }
  std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string& path) override {
    log.push_back("open:" + path);
    const auto it = keys.find(path);
    if (it == keys.end()) return nullptr;
    return std::make_unique<Key>(*this, it->second);
  }
  std::uint32_t FileVersionInfoSize(const std::string& path) override {
    log.push_back("version:" + path);
    return versions.contains(path) ? 100 : 0;
  }
  std::optional<std::vector<std::uint8_t>> FileVersionInfo(const std::string& path, std::uint32_t) override {
    return std::vector<std::uint8_t>(path.begin(), path.end());
  }
  std::optional<std::string> QueryVersionValue(std::vector<std::uint8_t>& info, const std::string& subBlock) override {
    log.push_back("query:" + subBlock);
    const auto& values = versions.at(std::string(info.begin(), info.end()));
    const auto it = values.find(subBlock);
    if (it == values.end() || it->second.empty()) return std::nullopt;
    return it->second;
  }
  std::optional<LocalDateTime> FileLastWriteLocal(const std::string& path) override {
    log.push_back("stamp:" + path);
    const auto it = stamps.find(path);
    if (it == stamps.end()) return std::nullopt;
    return it->second;
  }
  std::vector<LeadByteRange> LeadByteRanges(std::uint32_t codePage) override {
    log.push_back("leadbytes:" + std::to_string(codePage));
    return {{0x81, 0x9F}, {0xE0, 0xFC}};
  }
  bool DoubleByteEnabled() override { return doubleByte; }
  std::string ProgramPath() override { return programPath; }

  // A file whose only translation is (language, code page) with this FileVersion.
  void AddFile(const std::string& path, std::uint16_t language, std::uint16_t codePage,
               const std::string& fileVersion) {
    const std::string table = TranslationTableName(static_cast<std::uint32_t>(codePage) << 16 | language);
    versions[path] = {{"\\VarFileInfo\\Translation", Le32(static_cast<std::uint32_t>(codePage) << 16 | language)},
                      {"\\StringFileInfo\\" + table + "\\FileVersion", fileVersion}};
  }
};

RegistryValue TextValue(const std::string& text) { return {kRegistryText, text + std::string(1, '\0')}; }

// A Windows 98 SE machine with everything in place.
FakePlatform Windows98Se() {
  FakePlatform p;
  p.keys["Software\\Microsoft\\Internet Explorer"] = {{"Version", TextValue("5.50.4134.0100")}};
  p.keys["Enum\\Root\\*PNP0C01\\0000"] = {{"SetupMachineType", TextValue("IBM PC/AT")},
                                          {"ComputerName", TextValue("RETRO")}};
  p.AddFile(p.programPath, 0x0411, 0x03A4, "0.1.0");
  p.AddFile("C:\\WINDOWS\\system\\advapi32.dll", 0x0411, 0x03A4, "4.80.1675");
  p.AddFile("C:\\WINDOWS\\system\\krnl386.exe", 0x0409, 0x04E4, "4.10.2222");
  p.AddFile("C:\\WINDOWS\\regedit.exe", 0x0411, 0x03A4, "4.10.2222");
  p.stamps["C:\\WINDOWS\\system\\advapi32.dll"] = {1999, 4, 23, 22, 22, 0};
  p.stamps["C:\\WINDOWS\\system\\krnl386.exe"] = {1999, 4, 23, 0, 0, 0};
  p.stamps["C:\\WINDOWS\\regedit.exe"] = {1999, 4, 23, 22, 22, 1};
  return p;
}

struct Probed {
  HostFacts facts;
  std::vector<std::string> meStat;
};

Probed Probe(FakePlatform& p) {
  Probed out;
  ProbeHostEnvironment(p, TextLocale::Japanese(), out.facts, out.meStat);
  EXPECT_EQ(p.openKeys, 0) << "every opened key is closed";
  return out;
}

TEST(HostProbe, AboutMemoOfAWindows98SeMachine) {
  FakePlatform p = Windows98Se();
  const Probed r = Probe(p);
  const std::vector<std::string> expected = {
      " Machine: RETRO(IBM PC/AT)",
      " Windows 98 SE(ver 4.10.2222)",
      " Internet Explorer(ver 5.50.4134.0100)",
      " C:\\WINDOWS\\system\\advapi32.dll(ver 4.80.1675)",
      "   Time Stamp: 1999/04/23 22:22:00",
      " C:\\WINDOWS\\system\\krnl386.exe(ver 4.10.2222)",
      "   Time Stamp: 1999/04/23",
      " C:\\WINDOWS\\regedit.exe(ver 4.10.2222)",
      "   Time Stamp: 1999/04/23 22:22:00",
      "",
  };
  EXPECT_EQ(r.meStat, expected);
  EXPECT_EQ(r.facts.ProgramVersion, "0.1.0");
}

struct OsRow {
  std::uint32_t platform, major, minor, build;
  const char* otherName;
  const char* expected;
};

TEST(HostProbe, OperatingSystemTable) {
  const OsRow rows[] = {
      {0, 3, 10, 0, "", "Windows 3.1 with Win32s(ver 3.10.0)"},
      {0, 3, 95, 0x1234ABCD, "", "Windows 3.1 with Win32s(ver 3.95.43981)"},
      {1, 4, 0, 950, "", "Windows 95(ver 4.0.950)"},
      {1, 4, 9, 0x04000457, "", "Windows 95(ver 4.9.1111)"},
      {1, 4, 10, 1998, "", "Windows 98(ver 4.10.1998)"},
      {1, 4, 10, 0x040A07CE, "", "Windows 98(ver 4.10.1998)"},
      {1, 4, 10, 1999, "", "Windows 98 SE(ver 4.10.1999)"},
      {1, 4, 10, 2222, "", "Windows 98 SE(ver 4.10.2222)"},
      {1, 4, 10, 0x040A08AE, "", "Windows 98 SE(ver 4.10.2222)"},
      {1, 4, 10, 0x000107CF, "", "Windows 98 SE(ver 4.10.1999)"},  // only the low 16 bits count
      {1, 4, 10, 0x07CF0001, "", "Windows 98(ver 4.10.1)"},
      {1, 4, 89, 2222, "", "Windows 98 SE(ver 4.89.2222)"},
      {1, 4, 90, 3000, "", "Windows Me(ver 4.90.3000)"},
      {1, 4, 99, 3000, "", "Windows Me(ver 4.99.3000)"},
      {1, 4, 100, 3000, "", "Unknown Win9x(ver 4.100.3000)"},
      {1, 4, 0xFFFFFFFF, 3000, "", "Unknown Win9x(ver 4.4294967295.3000)"},  // compared unsigned
      {2, 4, 0, 1381, "", "Windows NT family(ver 4.0.1381)"},
      {2, 10, 0, 19045, "", "Windows NT family(ver 10.0.19045)"},
      {3, 2, 0, 0, "", "(unknown os)(ver 2.0.0)"},
      {kOtherPlatform, 6, 1, 0, "", "(unknown os)(ver 6.1.0)"},
      {kOtherPlatform, 6, 1, 0, "Linux", "Linux(ver 6.1.0)"},
  };
  for (const OsRow& row : rows) {
    FakePlatform p;
    p.version = OsVersionInfo{row.platform, row.major, row.minor, row.build, row.otherName};
    EXPECT_EQ(Probe(p).facts.OsText, row.expected) << row.platform << " " << row.minor << " " << row.build;
  }
}

TEST(HostProbe, VersionQueryFailure) {
  FakePlatform p = Windows98Se();
  p.version.reset();
  const Probed r = Probe(p);
  EXPECT_EQ(r.facts.OsText, "(GetVer Failure)");
  EXPECT_EQ(r.meStat[1], " (GetVer Failure)");
}

TEST(HostProbe, NoRegistryKeysLeaveTheFieldsEmpty) {
  FakePlatform p = Windows98Se();
  p.keys.clear();
  const Probed r = Probe(p);
  EXPECT_EQ(r.meStat[0], " Machine: ()");
  EXPECT_EQ(r.meStat[2], " Internet Explorer(ver )");
  EXPECT_EQ(r.facts.IeVersion, "");
  // Only the two keys are opened, nothing is created.
  EXPECT_EQ(std::count_if(p.log.begin(), p.log.end(), [](const std::string& e) { return e.starts_with("open:"); }), 2);
}

struct ValueRow {
  const char* defect;
  std::optional<RegistryValue> computerName;  // nothing: the value is missing
  std::string expected;
};

TEST(HostProbe, RegistryValueKinds) {
  const ValueRow rows[] = {
      {"Missing", std::nullopt, ""},
      {"EmptyData", RegistryValue{kRegistryText, ""}, ""},
      {"Dword", RegistryValue{4, std::string("\x10\0\0\0", 4)}, ""},
      {"Binary", RegistryValue{3, "RETRO"}, ""},
      {"TypeWithHighBitsSet", RegistryValue{0x10001, "RETRO"}, ""},
      {"Text", TextValue("RETRO"), "RETRO"},
      {"TextWithoutTerminator", RegistryValue{kRegistryText, "RETRO"}, "RETRO"},
      {"TextWithZeroInside", RegistryValue{kRegistryText, std::string("RET\0RO", 6)}, "RET"},
      {"ExpandableTextNotExpanded", RegistryValue{kRegistryExpandableText, "%windir%\\x"}, "%windir%\\x"},
  };
  for (const ValueRow& row : rows) {
    FakePlatform p = Windows98Se();
    auto& machine = p.keys["Enum\\Root\\*PNP0C01\\0000"];
    machine.erase("ComputerName");
    if (row.computerName) machine["ComputerName"] = *row.computerName;
    const Probed r = Probe(p);
    EXPECT_EQ(r.facts.ComputerName, row.expected) << row.defect;
    EXPECT_EQ(r.facts.MachineType, "IBM PC/AT") << row.defect;  // read independently
  }
}

TEST(HostProbe, MachineTypeMissingComputerNameStillRead) {
  FakePlatform p = Windows98Se();
  p.keys["Enum\\Root\\*PNP0C01\\0000"].erase("SetupMachineType");
  p.keys["Software\\Microsoft\\Internet Explorer"].erase("Version");
  const Probed r = Probe(p);
  EXPECT_EQ(r.meStat[0], " Machine: RETRO()");
  EXPECT_EQ(r.meStat[2], " Internet Explorer(ver )");
}

TEST(HostProbe, SystemFilesInOrderPathVersionStamp) {
  FakePlatform p = Windows98Se();
  Probe(p);
  std::vector<std::string> files;
  for (const std::string& e : p.log)
    if (e.starts_with("version:C:\\WINDOWS") || e.starts_with("stamp:")) files.push_back(e);
  const std::vector<std::string> expected = {
      "version:C:\\WINDOWS\\system\\advapi32.dll", "stamp:C:\\WINDOWS\\system\\advapi32.dll",
      "version:C:\\WINDOWS\\system\\krnl386.exe",  "stamp:C:\\WINDOWS\\system\\krnl386.exe",
      "version:C:\\WINDOWS\\regedit.exe",          "stamp:C:\\WINDOWS\\regedit.exe"};
  EXPECT_EQ(files, expected);
}

TEST(HostProbe, NoWindowsDirectoryLeavesTheNineFileFieldsEmpty) {
  FakePlatform p = Windows98Se();
  p.windowsDirectory.reset();
  const Probed r = Probe(p);
  for (const std::string* field : {&r.facts.Advapi32File, &r.facts.Advapi32Version, &r.facts.Advapi32Stamp,
                                   &r.facts.Krnl386File, &r.facts.Krnl386Version, &r.facts.Krnl386Stamp,
                                   &r.facts.RegeditFile, &r.facts.RegeditVersion, &r.facts.RegeditStamp})
    EXPECT_EQ(*field, "");
  for (std::size_t line : {3u, 5u, 7u}) {
    EXPECT_EQ(r.meStat[line], " (ver )");
    EXPECT_EQ(r.meStat[line + 1], "   Time Stamp: ");
  }
  EXPECT_EQ(r.meStat.size(), 10u);
}

TEST(HostProbe, RootDirectoryEndingInABackslashDoublesIt) {
  FakePlatform p = Windows98Se();
  p.windowsDirectory = "D:\\";
  const Probed r = Probe(p);
  EXPECT_EQ(r.facts.Advapi32File, "D:\\\\system\\advapi32.dll");
  EXPECT_EQ(r.facts.Krnl386File, "D:\\\\system\\krnl386.exe");
  EXPECT_EQ(r.facts.RegeditFile, "D:\\\\regedit.exe");
}

TEST(HostProbe, WindowsDirectoryOfAtMost124Characters) {
  FakePlatform p = Windows98Se();
  p.windowsDirectory = "C:\\" + std::string(121, 'W');
  EXPECT_EQ(Probe(p).facts.RegeditFile, *p.windowsDirectory + "\\regedit.exe");
  p.windowsDirectory = "C:\\" + std::string(122, 'W');
  EXPECT_EQ(Probe(p).facts.RegeditFile, "");
  p.windowsDirectory = std::string("C:\\WINDOWS\0junk", 15);
  EXPECT_EQ(Probe(p).facts.RegeditFile, "C:\\WINDOWS\\regedit.exe");
}

TEST(HostProbe, MissingSystemFile) {
  FakePlatform p = Windows98Se();
  p.versions.erase("C:\\WINDOWS\\system\\krnl386.exe");
  p.stamps.erase("C:\\WINDOWS\\system\\krnl386.exe");
  const Probed r = Probe(p);
  EXPECT_EQ(r.meStat[5], " C:\\WINDOWS\\system\\krnl386.exe(ver (unknown version))");
  EXPECT_EQ(r.meStat[6], "   Time Stamp: (unknown time stamp)");
  EXPECT_EQ(r.facts.RegeditVersion, "4.10.2222");  // the probe goes on
}

TEST(HostProbe, TimeStampsAtTwoSecondsAndMidnight) {
  FakePlatform p = Windows98Se();
  p.stamps["C:\\WINDOWS\\regedit.exe"] = {2000, 1, 1, 0, 0, 0};
  p.stamps["C:\\WINDOWS\\system\\advapi32.dll"] = {2000, 12, 31, 23, 59, 59};
  p.stamps["C:\\WINDOWS\\system\\krnl386.exe"] = {2000, 1, 1, 0, 0, 1};  // rounds down to midnight
  const Probed r = Probe(p);
  EXPECT_EQ(r.facts.RegeditStamp, "2000/01/01");
  EXPECT_EQ(r.facts.Advapi32Stamp, "2000/12/31 23:59:58");
  EXPECT_EQ(r.facts.Krnl386Stamp, "2000/01/01");
}

TEST(HostProbe, TranslationTableNames) {
  EXPECT_EQ(TranslationTableName(0x03A40411), "041103A4");
  EXPECT_EQ(TranslationTableName(0x04E40409), "040904E4");
  EXPECT_EQ(TranslationTableName(0x04B00000), "000004B0");
  EXPECT_EQ(TranslationTableName(0), "00000000");
  EXPECT_EQ(TranslationTableName(0xFFFFFFFF), "FFFFFFFF");
}

struct VersionRow {
  const char* defect;
  std::map<std::string, std::string> values;  // no entry for the file at all when empty
  std::string expected;
};

TEST(HostProbe, FileVersionTexts) {
  const std::string us = "\\StringFileInfo\\040904E4\\FileVersion";
  const std::string tr = "\\VarFileInfo\\Translation";
  const VersionRow rows[] = {
      {"NoVersionInformation", {}, "(unknown version)"},
      {"NoTranslation", {{us, "4.72.3110.0"}}, "(unknown version)"},
      {"TranslationShorterThanOneEntry", {{tr, "\x09\x04"}, {us, "4.72.3110.0"}}, "(unknown version)"},
      {"UsEnglishWindowsCodePage", {{tr, Le32(0x04E40409)}, {us, "4.72.3110.0"}}, "4.72.3110.0"},
      {"TrailingBlanks", {{tr, Le32(0x04E40409)}, {us, "4.72.3110.0   "}}, "4.72.3110.0"},
      {"TrailingControlCharacters", {{tr, Le32(0x04E40409)}, {us, "4.72.3110.0\t\r\n\x01 "}}, "4.72.3110.0"},
      {"TerminatorAndJunk", {{tr, Le32(0x04E40409)}, {us, std::string("4.72 \0junk", 10)}}, "4.72"},
      {"LeadingBlanksKept", {{tr, Le32(0x04E40409)}, {us, "  4.72"}}, "  4.72"},
      {"NonAsciiEndKept", {{tr, Le32(0x04E40409)}, {us, "4.72\xC3\xA9"}}, "4.72\xC3\xA9"},
      {"OnlyBlanks", {{tr, Le32(0x04E40409)}, {us, "   "}}, ""},
      {"UnderAnotherTranslation", {{tr, Le32(0x04E40411)}, {us, "4.72.3110.0"}}, "(unknown version)"},
      {"SecondTranslationNotTried",
       {{tr, Le32(0x03A40411) + Le32(0x04E40409)}, {us, "4.72.3110.0"}},
       "(unknown version)"},
  };
  for (const VersionRow& row : rows) {
    FakePlatform p;
    if (!row.values.empty()) p.versions["x.dll"] = row.values;
    EXPECT_EQ(GetFileVersionText(p, "x.dll"), row.expected) << row.defect;
  }
}

TEST(HostProbe, UsEnglishTranslationLooksUpItsOwnTable) {
  FakePlatform p;
  p.AddFile("x.dll", 0x0409, 0x04E4, "4.72.3110.0");
  GetFileVersionText(p, "x.dll");
  EXPECT_EQ(p.log.back(), "query:\\StringFileInfo\\040904E4\\FileVersion");
}

TEST(HostProbe, LeadBytesOnlyWithDoubleByteSupport) {
  FakePlatform p;
  EXPECT_EQ(HostLeadByteRanges(p), (std::vector<LeadByteRange>{{0x81, 0x9F}, {0xE0, 0xFC}}));
  EXPECT_EQ(p.log.back(), "leadbytes:0");
  p.doubleByte = false;
  EXPECT_TRUE(HostLeadByteRanges(p).empty());
}

AnalysisOptions WithoutAnalysis() {
  AnalysisOptions o = AnalysisOptions::Initial();
  o.Set(Option::Analyse, false);
  return o;
}

// The probed facts in a job's report header.
TEST(HostProbe, ReportHeaderFromTheProbedFacts) {
  FakePlatform p = Windows98Se();
  const Probed r = Probe(p);
  HiveBuilder b;
  b.SetNoRecord(b.AddKey(HiveBuilder::kRootParent, ""));
  JobInput input;
  input.hostFacts = r.facts;
  auto run = RunJob(b.Build(), WithoutAnalysis(), input);
  std::vector<std::string> header;
  for (std::size_t i = 0; i < 13; ++i) header.emplace_back(run->result.report[i]);
  const std::vector<std::string> expected = {
      " Quarvex  <Registry Analizer>(ver 0.1.0)",
      "",
      " Execute on Windows 98 SE(ver 4.10.2222)",
      "   & Internet Explorer(ver 5.50.4134.0100)",
      "   Machine: RETRO(IBM PC/AT)",
      " Date: 2026/12/07 10:00:00",
      "",
      " Registry Access Environment",
      "  ADVAPI32.DLL = C:\\WINDOWS\\system\\advapi32.dll(ver 4.80.1675)",
      "   Time Stamp: 1999/04/23 22:22:00",
      "  KRNL386.EXE = C:\\WINDOWS\\system\\krnl386.exe(ver 4.10.2222)",
      "   Time Stamp: 1999/04/23",
      "",
  };
  EXPECT_EQ(header, expected);
}

}  // namespace
}  // namespace quarvex::testing
