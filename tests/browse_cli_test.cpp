// quarvex-cli ls, get, find, diff, stats and help through RunCli: lines, JSON, exit codes,
// double-byte names printed in UTF-8, damaged and cut files listed to their end.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_run.h"
#include "tests/support/test_namespaces.h"
#include "tests/support/test_support.h"

namespace quarvex::testing {
namespace {

const std::string kSjis = "\x83\x5C\x83\x74\x83\x67";  // ソフト
const std::string kUtf8 = "ソフト";

BuiltHive Small() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {Text("", "top")});
  b.AddKey(software, "Vendor",
           {Dword("Count", 42), Text("Name", "Quarvex"), Binary("Icon", std::string("\x00\x01\x02", 3))});
  b.AddKey(software, kSjis, {Text(kSjis, kSjis)});
  b.AddKey(root, "Control Panel");
  return b.Build();
}

TEST(BrowseCli, LsListsTopLevelAndTree) {
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", Small());
  CliResult r = Cli({"ls", file});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Software\nControl Panel\n");
  r = Cli({"ls", "-R", "-v", file});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Software\n"
            "  @  REG_SZ  \"top\"\n"
            "  Vendor\n"
            "    Count  REG_DWORD  0x0000002A (42)\n"
            "    Name  REG_SZ  \"Quarvex\"\n"
            "    Icon  REG_BINARY  00 01 02 (3 bytes)\n"
            "  " +
                kUtf8 +
                "\n"
                "    " +
                kUtf8 + "  REG_SZ  \"" + kUtf8 +
                "\"\n"
                "Control Panel\n");
  EXPECT_EQ(Cli({"ls", "-R", "-d", "1", file}).out, "Software\nControl Panel\n");
  EXPECT_EQ(Cli({"ls", file, "HKEY_USERS\\SOFTWARE"}).out, "Vendor\n" + kUtf8 + "\n");
}

// Each key with the file offset of its 28-byte key node (the third and fourth nodes, after
// the 32-byte CREG and RGKN headers and the root's and Software's nodes).
TEST(BrowseCli, LsJsonIsOneObjectPerKey) {
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", Small());
  const CliResult r = Cli({"ls", "--json", file, "Software"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "{\"path\": \"Software\\\\Vendor\", \"name\": \"Vendor\", \"depth\": 2, \"offset\": 120, \"subkeys\": 0, "
            "\"marks\": [], \"findings\": []}\n"
            "{\"path\": \"Software\\\\" +
                kUtf8 + "\", \"name\": \"" + kUtf8 +
                "\", \"depth\": 2, \"offset\": 148, \"subkeys\": 0, \"marks\": [], \"findings\": []}\n");
}

TEST(BrowseCli, GetValuesOneValueAndRaw) {
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", Small());
  CliResult r = Cli({"get", file, "software\\vendor"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Count  REG_DWORD  0x0000002A (42)\nName  REG_SZ  \"Quarvex\"\nIcon  REG_BINARY  00 01 02 (3 bytes)\n");
  r = Cli({"get", file, "Software", "@"});
  EXPECT_EQ(r.out,
            "key:    Software\nname:   @ (the unnamed value)\ntype:   REG_SZ (1)\nlength: 4 bytes\ndata:   \"top\"\n");
  EXPECT_EQ(Cli({"get", file, "Software", ""}).out, r.out);
  r = Cli({"get", file, "Software\\Vendor", "Icon"});
  EXPECT_EQ(r.out,
            "key:    Software\\Vendor\nname:   Icon\ntype:   REG_BINARY (3)\nlength: 3 bytes\ndata:\n"
            "  00000000  00 01 02                                          |...|\n");
  r = Cli({"get", "--raw", file, "Software\\Vendor", "Icon"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("\x00\x01\x02", 3));
  r = Cli({"get", "--json", file, "Software\\Vendor", "count"});
  EXPECT_EQ(
      r.out,
      "{\"program\": {\"name\": \"quarvex-cli\", \"version\": \"" QUARVEX_VERSION
      "\"}, "
      "\"path\": \"Software\\\\Vendor\", \"value\": {\"name\": \"Count\", \"type\": \"REG_DWORD\", \"typeNumber\": 4, "
      "\"length\": 4, \"declaredLength\": 4, \"cut\": false, \"data\": \"0x0000002A (42)\", \"hex\": \"2A 00 00 "
      "00\"}}\n");
}

TEST(BrowseCli, ExitCodes) {
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", Small());
  const std::string other = dir.Write("OTHER.DAT", std::string("not a hive at all, just text"));
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string errHas;
  };
  const std::vector<Case> cases = {
      {{"ls", file, "Software\\Nope"}, 1, "no key 'Software\\Nope' (under 'Software')"},
      {{"ls", other}, 1, "not a registry file"},
      {{"ls", dir.Path("missing.dat").string()}, 1, "no such file"},
      {{"ls", "--bogus", file}, 2, "unknown option '--bogus'"},
      {{"ls", "-d", "0", "-R", file}, 2, "-d needs a depth"},
      {{"get", file}, 2, "FILE and KEY are needed"},
      {{"get", file, "Software", "Nope"}, 1, "no value 'Nope' in 'Software'"},
      {{"get", "--raw", file, "Software"}, 2, "--raw needs a VALUE"},
      {{"find", file, "quarvex"}, 0, ""},
      {{"find", file, "nothing-like-this"}, 1, ""},
      {{"find", other, "x"}, 2, "not a registry file"},
      {{"find", "--regex", file, "("}, 2, "not a regular expression"},
      {{"find", "--type", "REG_NOPE", file, "x"}, 2, "unknown value type"},
      {{"diff", file, file}, 0, ""},
      {{"diff", file, other}, 2, "not a registry file"},
      {{"diff", file}, 2, "two files are needed"},
      {{"stats", other}, 1, "not a registry file"},
      {{"help", "nope"}, 2, "no subcommand 'nope'"},
      {{"ls", "--codepage", "123", file}, 2, "unknown code page"},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[0] << " " << r.err;
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
  }
}

TEST(BrowseCli, FindLinesAndJson) {
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", Small());
  CliResult r = Cli({"find", file, "o"});
  EXPECT_EQ(r.out,
            "Software\n"
            "Software: @  REG_SZ  \"top\"\n"
            "Software\\Vendor\n"
            "Software\\Vendor: Count  REG_DWORD  0x0000002A (42)\n"
            "Software\\Vendor: Icon  REG_BINARY  00 01 02 (3 bytes)\n"
            "Control Panel\n");
  r = Cli({"find", "--keys", "-s", file, "o"});
  EXPECT_EQ(r.out, "Software\nSoftware\\Vendor\nControl Panel\n");
  r = Cli({"find", "--json", "--values", file, kUtf8});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\"kind\": \"value\", \"matched\": \"name\""), std::string::npos) << r.out;
}

TEST(BrowseCli, DiffOneAddedOneRemovedOneChanged) {
  TempDir dir;
  const std::string a = dir.Write("SYSTEM.1ST", Small());
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {Text("", "top")});
  b.AddKey(software, "Vendor",
           {Dword("Count", 43), Text("Name", "Quarvex"), Binary("Icon", std::string("\x00\x01\x02", 3))});
  b.AddKey(root, "Control Panel");
  b.AddKey(root, "Added", {Dword("N", 1)});
  const std::string bfile = dir.Write("SYSTEM.DAT", b.Build());
  CliResult r = Cli({"diff", a, bfile});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "~ Software\\Vendor: Count: 0x0000002A (42) → 0x0000002B (43)\n"
            "- Software\\" +
                kUtf8 +
                "\n"
                "- Software\\" +
                kUtf8 + ": " + kUtf8 + ": \"" + kUtf8 +
                "\"\n"
                "+ Added\n"
                "+ Added: N: 0x00000001 (1)\n");
  EXPECT_EQ(Cli({"diff", "--keys-only", a, bfile}).out, "- Software\\" + kUtf8 + "\n+ Added\n");
  r = Cli({"diff", "--json", "--values-only", a, bfile});
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
            "{\"change\": \"value changed\", \"path\": \"Software\\\\Vendor\", \"old\": {\"name\": \"Count\", "
            "\"type\": \"REG_DWORD\", "
            "\"typeNumber\": 4, \"length\": 4, \"declaredLength\": 4, \"cut\": false, \"data\": \"0x0000002A (42)\", "
            "\"hex\": \"2A 00 00 00\"}, \"new\": {\"name\": \"Count\", \"type\": \"REG_DWORD\", \"typeNumber\": 4, "
            "\"length\": 4, "
            "\"declaredLength\": 4, \"cut\": false, \"data\": \"0x0000002B (43)\", \"hex\": \"2B 00 00 00\"}}");
}

TEST(BrowseCli, DamagedHiveIsListedWithMarksAndTheRest) {
  TempDir dir;
  BuiltHive h = Small();
  h.PutU16(h.KeyNodeFileOffset(2) + 24, 0x0777);                 // Vendor's record number leads nowhere,
  h.bytes[static_cast<std::size_t>(h.keyRecord[2]) + 20] = 'Q';  // and no record's name gives its checksum
  const std::string file = dir.Write("USER.DAT", h);
  const CliResult r = Cli({"ls", "-R", file});
  EXPECT_EQ(r.status, 0);
  const std::string node = "{key node 0x";
  EXPECT_NE(r.out.find(node), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("[unreadable]\n    ! 0x"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  " + kUtf8 + "\nControl Panel\n"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("keys marked in brackets"), std::string::npos) << r.err;
}

TEST(BrowseCli, CutHiveStillListsItsFirstKeys) {
  TempDir dir;
  BuiltHive h = Small();
  h.bytes.resize(static_cast<std::size_t>(h.keyRecord[3]) + 10);  // inside the record of ソフト
  const std::string file = dir.Write("USER.DAT", h);
  const CliResult r = Cli({"ls", "-R", "-v", file});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("    Name  REG_SZ  \"Quarvex\"\n"), std::string::npos) << r.out;
  // The names of the keys whose records lay past the cut are gone; the keys are still there.
  EXPECT_NE(r.out.find("\n  {key node 0x"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n{key node 0x"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("[unreadable]\n    ! 0x"), std::string::npos) << r.out;
  EXPECT_EQ(Cli({"stats", file}).status, 0);
  EXPECT_EQ(Cli({"find", file, "Quarvex"}).status, 0);
}

TEST(BrowseCli, StatsTextAndJson) {
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", Small());
  CliResult r = Cli({"stats", file});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("keys:     4\nvalues:   5\n  REG_SZ: 3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("depth:    2 (Software\\Vendor)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("most values:\n  3 values  Software\\Vendor\n"), std::string::npos) << r.out;
  r = Cli({"stats", "--json", file});
  // The program that wrote it comes first, as in every JSON document of quarvex-cli.
  EXPECT_EQ(
      r.out.rfind("{\"program\": {\"name\": \"quarvex-cli\", \"version\": \"" QUARVEX_VERSION "\"}, \"file\": ", 0), 0u)
      << r.out;
  EXPECT_NE(r.out.find("\"keys\": 4, \"lostKeys\": 0, \"unreadableKeys\": 0, \"values\": 5"), std::string::npos)
      << r.out;
}

TEST(BrowseCli, HelpAndReportName) {
  for (const std::string sub : {"ls", "get", "find", "diff", "stats"}) {
    const CliResult viaHelp = Cli({"help", sub});
    EXPECT_EQ(viaHelp.status, 0);
    EXPECT_EQ(viaHelp.out.rfind("usage: quarvex-cli " + sub, 0), 0u) << viaHelp.out;
    EXPECT_EQ(Cli({sub, "--help"}).out, viaHelp.out);
  }
  EXPECT_EQ(Cli({"help", "check"}).status, 0);
  EXPECT_EQ(Cli({"report", "--help"}).out, Cli({"--help"}).out);
  EXPECT_EQ(Cli({"report", "--version"}).out, Cli({"--version"}).out);
}

}  // namespace
}  // namespace quarvex::testing

namespace quarvex::testing {
namespace {

// A US-English user.dat: its Locale names code page 1252, which every subcommand takes by
// default; a named code page still wins.
BuiltHive WesternUserDat() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int def = b.AddKey(root, ".DEFAULT");
  const int panel = b.AddKey(def, "Control Panel");
  b.AddKey(panel, "International", {Text("Locale", "00000409")});
  b.AddKey(def, "Caf\xE9", {Text("Name", "fen\xEAtre")});
  return b.Build();
}

TEST(BrowseCli, EverySubcommandTakesTheHivesOwnCodePage) {
  TempDir dir;
  const std::string hive = dir.Write("USER.DAT", WesternUserDat());
  struct Case {
    std::vector<std::string> args;
    const char* expected;
  };
  const Case cases[] = {
      {{"ls", hive, ".DEFAULT"}, "Caf\xC3\xA9"},
      {{"get", hive, ".DEFAULT\\Caf\xC3\xA9", "Name"}, "fen\xC3\xAAtre"},
      {{"find", hive, "fen\xC3\xAAtre"}, "Caf\xC3\xA9"},
      {{"check", hive}, "healthy"},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli(c.args);
    EXPECT_NE(r.out.find(c.expected), std::string::npos) << c.args[0] << ": " << r.out << r.err;
  }
  // Read as 932, 0xE9 starts a double-byte character: the name is not "Café" any more.
  const CliResult named = Cli({"ls", "--codepage", "932", hive, ".DEFAULT"});
  EXPECT_EQ(named.out.find("Caf\xC3\xA9"), std::string::npos) << named.out;
  EXPECT_EQ(Cli({"ls", "--codepage", "auto", hive, ".DEFAULT"}).out, Cli({"ls", hive, ".DEFAULT"}).out);
  EXPECT_EQ(Cli({"ls", "--codepage", "1259", hive}).status, cli::kExitUsage);
}

}  // namespace
}  // namespace quarvex::testing
