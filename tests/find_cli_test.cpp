// quarvex-cli find --regex / --hex and get --strings through RunCli: hits inside binary data
// say where, patterns that are not one are usage errors naming their fault, and the strings
// of a value are listed with offset and encoding.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_run.h"
#include "tests/support/test_namespaces.h"
#include "tests/support/test_support.h"

namespace quarvex::testing {
namespace {

// An application's REG_BINARY holding UTF-16 at an odd offset, an MRU blob holding an ANSI
// path, an executable's first bytes, and a text.
BuiltHive WithBinaryStrings() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software");
  b.AddKey(software, "App",
           {Binary("Flags", std::string("\x10\x00\x00", 3) + Utf16Le("Microsoft Corporation") + std::string(2, '\0')),
            Binary("MRU", std::string("\x14\x00", 2) + "C:\\WINDOWS\\NOTEPAD.EXE" + std::string(1, '\0')),
            Binary("Stub", std::string("MZ\x90\x00\x03\x00", 6)), Text("Vendor", "Microsoft")});
  return b.Build();
}

TEST(FindCli, HitsInsideBinaryDataSayWhere) {
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", WithBinaryStrings());
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{"find", "--codepage", "1252", "--data", file, "microsoft"},
       "Software\\App: Flags  REG_BINARY at +0x03, UTF-16: \"Microsoft Corporation\"\n"
       "Software\\App: Vendor  REG_SZ  \"Microsoft\"\n"},
      {{"find", "--codepage", "1252", "--data", "--regex", file, "notepad\\.exe$"},
       "Software\\App: MRU  REG_BINARY at +0x02, cp1252: \"C:\\\\WINDOWS\\\\NOTEPAD.EXE\"\n"},
      {{"find", "--codepage", "1252", "--hex", file, "4d 5a ?? 00"},
       "Software\\App: Stub  REG_BINARY at +0x00: 4D 5A 90 00\n"},
      {{"find", "--codepage", "none", "--data", file, "corporation"},
       "Software\\App: Flags  REG_BINARY at +0x03, UTF-16: \"Microsoft Corporation\"\n"},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli(c.args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out) << c.args.back();
  }
  const CliResult json = Cli({"find", "--json", "--codepage", "1252", "--data", file, "microsoft"});
  EXPECT_NE(json.out.find("\"matched\": \"data\", \"value\": {\"name\": \"Flags\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find(", \"inside\": {\"offset\": 3, \"length\": 42, \"as\": \"UTF-16\", \"text\": \"Microsoft "
                          "Corporation\"}}\n"),
            std::string::npos)
      << json.out;
  // A hit of the whole text has no "inside", and every line is one value hit.
  EXPECT_NE(json.out.find("\"name\": \"Vendor\", \"type\": \"REG_SZ\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"hex\": \"4D 69 63 72 6F 73 6F 66 74 00\", \"text\": \"Microsoft\"}}\n"), std::string::npos)
      << json.out;
  EXPECT_EQ(json.out.find("\"kind\": \"key\""), std::string::npos) << json.out;
  const CliResult bytes = Cli({"find", "--json", "--hex", file, "4D5A"});
  EXPECT_NE(bytes.out.find(", \"inside\": {\"offset\": 0, \"length\": 2, \"as\": \"bytes\"}}\n"), std::string::npos)
      << bytes.out;
}

TEST(FindCli, PatternsThatAreNotOneAreUsageErrors) {
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", WithBinaryStrings());
  struct Case {
    std::vector<std::string> args;
    std::string errHas;
  };
  const std::vector<Case> cases = {
      {{"find", "--regex", file, "a{2,1}"}, "not a regular expression: 'a{2,1}': invalid repetition size: {2,1}"},
      {{"find", "--regex", file, "(?<=a)b"}, "not a regular expression: '(?<=a)b'"},
      {{"find", "--regex", file, "\\pL{1000}\\pL{1000}\\pL{1000}"}, "needs more than the 8 MiB a pattern may use"},
      {{"find", "--hex", file, "4D 5Z"}, "not a byte pattern: '4D 5Z': 'Z' at character 5 is not a hexadecimal digit"},
      {{"find", "--hex", file, "?\? ?\?"}, "not a byte pattern: '?\? ?\?': only wildcards"},
      {{"find", "--regex", "--hex", file, "4D"}, "--regex and --hex exclude each other"},
      {{"find", "--hex", "--keys", file, "4D"}, "--hex matches value data only"},
      {{"get", "--raw", "--strings", file, "Software\\App", "MRU"}, "--raw and --strings exclude each other"},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli(c.args);
    EXPECT_EQ(r.status, 2) << c.args.back() << ": " << r.err;
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << c.args.back();
  }
}

TEST(FindCli, GetStringsListsAValuesOrAKeysStrings) {
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", WithBinaryStrings());
  CliResult r = Cli({"get", "--strings", "--codepage", "1252", file, "Software\\App"});
  EXPECT_EQ(r.status, 0) << r.err;
  // The text value is no binary data: a whole key lists only the others' strings.
  EXPECT_EQ(r.out,
            "Flags  REG_BINARY at +0x03, UTF-16: \"Microsoft Corporation\"\n"
            "MRU  REG_BINARY at +0x02, cp1252: \"C:\\\\WINDOWS\\\\NOTEPAD.EXE\"\n");
  r = Cli({"get", "--strings", "--codepage", "1252", file, "Software\\App", "Vendor"});
  EXPECT_EQ(r.out, "Vendor  REG_SZ at +0x00, cp1252: \"Microsoft\"\n");
  r = Cli({"get", "--strings", "--json", "--codepage", "1252", file, "Software\\App", "Flags"});
  EXPECT_NE(r.out.find("\"path\": \"Software\\\\App\", \"strings\": [{\"value\": \"Flags\", \"offset\": 3, \"length\": "
                       "42, \"as\": \"UTF-16\", \"text\": \"Microsoft Corporation\"}]}\n"),
            std::string::npos)
      << r.out;
  r = Cli({"get", "--strings", file, "Software\\App", "Nope"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no value 'Nope' in 'Software\\App'"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace quarvex::testing
