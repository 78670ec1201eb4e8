// A root key whose record names it with one zero byte, as Windows 95 writes its system.dat
// (Windows 98 and Me write the root no record at all). The root is the top of the hive either
// way: no command may show it as a key named "" with the real top-level keys under it.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_run.h"
#include "browse/hive_view.h"
#include "detect/codepage_detect.h"
#include "detect/hive_root.h"
#include "salvage/salvage.h"
#include "tests/support/test_namespaces.h"
#include "tests/support/test_support.h"

namespace quarvex::testing {
namespace {

enum class RootRecord { None, ZeroByteName, EmptyName };

// A small system.dat: its code page in Nls, its version under Software, its computer name.
BuiltHive Windows95System(RootRecord rootRecord) {
  HiveBuilder b;
  const int root =
      b.AddKey(HiveBuilder::kRootParent, rootRecord == RootRecord::ZeroByteName ? std::string(1, '\0') : "");
  if (rootRecord == RootRecord::None) b.SetNoRecord(root);
  const int software = b.AddKey(root, "SOFTWARE");
  const int windows = b.AddKey(b.AddKey(software, "Microsoft"), "Windows");
  b.AddKey(windows, "CurrentVersion", {Text("ProductName", "Microsoft Windows 95"), Text("VersionNumber", "4.00.950")});
  const int system = b.AddKey(root, "System");
  const int control = b.AddKey(b.AddKey(system, "CurrentControlSet"), "control");
  b.AddKey(b.AddKey(control, "Nls"), "Codepage", {Text("ACP", "1252"), Text("OEMCP", "850")});
  b.AddKey(b.AddKey(control, "ComputerName"), "ComputerName", {Text("ComputerName", "RETRO95")});
  b.AddKey(root, "Enum");
  b.AddKey(root, "Config");
  return b.Build();
}

class UnnamedRoot : public ::testing::TestWithParam<RootRecord> {};

TEST_P(UnnamedRoot, EveryCommandReadsTheTopBelowIt) {
  TempDir dir;
  const std::string file = dir.Write("SYSTEM.1ST", Windows95System(GetParam()));
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;  // the whole output, or a line it must hold when `holds`
    bool holds = false;
  };
  const std::vector<Case> cases = {
      {{"ls", file}, 0, "SOFTWARE\nSystem\nEnum\nConfig\n"},
      {{"get", file, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProductName"},
       0,
       "data:   \"Microsoft Windows 95\"\n",
       true},
      {{"get", file, "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"},
       0,
       "ProductName  REG_SZ  \"Microsoft Windows 95\"\nVersionNumber  REG_SZ  \"4.00.950\"\n"},
      {{"find", file, "RETRO95"},
       0,
       "System\\CurrentControlSet\\control\\ComputerName\\ComputerName: ComputerName  REG_SZ  \"RETRO95\"\n"},
      {{"facts", file}, 0, "RETRO95", true},
      {{"facts", file}, 0, "Microsoft Windows 95", true},
      {{"--export", "-", "--salvage", file},
       0,
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n",
       true},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[0] << ": " << r.err;
    if (c.holds)
      EXPECT_NE(r.out.find(c.out), std::string::npos) << c.args[0] << ":\n" << r.out;
    else
      EXPECT_EQ(r.out, c.out) << c.args[0];
  }
}

TEST_P(UnnamedRoot, CodePageAndRootKeyComeFromTheKeysBelowIt) {
  const BuiltHive built = Windows95System(GetParam());
  const detect::CodePageChoice choice = detect::DetectCodePage(built.bytes, {});
  EXPECT_EQ(choice.codePage, text::CodePage::Cp1252);
  EXPECT_EQ(choice.source, detect::CodePageSource::Hive) << choice.reason;
  const salvage::SalvagedHive hive = salvage::Salvage(built.bytes, {text::CodePage::Cp1252});
  const auto root = detect::RootKeyForContent(hive);
  ASSERT_TRUE(root);
  EXPECT_EQ(root->rootKey, "HKEY_LOCAL_MACHINE");
  const browse::HiveView view(hive, text::CodePage::Cp1252);
  EXPECT_EQ(view.Path(view.Find("System\\CurrentControlSet\\control\\Nls\\Codepage").key.value_or(browse::kTop)),
            "System\\CurrentControlSet\\control\\Nls\\Codepage");
}

INSTANTIATE_TEST_SUITE_P(RootRecords, UnnamedRoot,
                         ::testing::Values(RootRecord::None, RootRecord::ZeroByteName, RootRecord::EmptyName));

TEST(UnnamedRoot, TheZeroByteNameIsSaidOnceAsANote) {
  const BuiltHive built = Windows95System(RootRecord::ZeroByteName);
  const salvage::SalvagedHive hive = salvage::Salvage(built.bytes, {text::CodePage::Cp1252});
  EXPECT_EQ(hive.summary.damage, 0u);
  std::vector<std::string> notes;
  for (const hive::Finding& f : hive.findings)
    if (f.field == "key name") notes.push_back(f.Text());
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("\"\" (1 byte, a zero byte)"), std::string::npos) << notes[0];
  EXPECT_NE(notes[0].find("the root key"), std::string::npos) << notes[0];
}

// A root whose record gives it a real name (hand-made files) stays a key like the others.
TEST(UnnamedRoot, ANamedRootIsAKey) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "ROOT");
  b.AddKey(root, "Child");
  const BuiltHive built = b.Build();
  const salvage::SalvagedHive hive = salvage::Salvage(built.bytes, {text::CodePage::Cp1252});
  const browse::HiveView view(hive, text::CodePage::Cp1252);
  ASSERT_EQ(view.Children(browse::kTop).size(), 1u);
  EXPECT_EQ(view.Name(view.Children(browse::kTop)[0]), "ROOT");
  EXPECT_EQ(view.Path(view.Find("ROOT\\Child").key.value_or(browse::kTop)), "ROOT\\Child");
}

}  // namespace
}  // namespace quarvex::testing
