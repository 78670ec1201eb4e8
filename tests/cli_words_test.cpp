// How quarvex-cli takes its words, one row per manner: options shared by every subcommand before
// its name, a mistyped subcommand, check -v, key paths with slashes, several files at once (each
// line naming its file, as grep writes it), files that are no hive (empty, a disk image, a
// cabinet, a hive given to `hives`), a key without values, and English on standard error.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/cli_dispatch.h"
#include "cli/line_prefix.h"
#include "browse/hive_view.h"
#include "browse/path_lookup.h"
#include "salvage/salvage.h"
#include "tests/support/test_support.h"

namespace quarvex::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Keys whose names hold slashes beside keys the slashes would part: "A/B" and A\B, and
// "Software\Microsoft" beside "Software/Old" (one name).
BuiltHive Slashes() {
  HiveBuilder b;
  b.SetCodePage(CodePage::Cp1252);
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {Text("Name", "Quarvex")});
  const int microsoft = b.AddKey(software, "Microsoft");
  b.AddKey(microsoft, "Windows", {Text("DevicePath", "C:\\WINDOWS\\INF")});
  b.AddKey(software, "Old/Name", {Dword("Literal", 1)});
  const int a = b.AddKey(root, "A");
  b.AddKey(a, "B", {Dword("Split", 2)});
  b.AddKey(root, "A/B", {Dword("Literal", 3)});
  b.AddKey(root, "Empty");
  return b.Build();
}

// The current directory for one row, put back afterwards: a word is a file when it names one
// here, so a file named like a subcommand must lie in the directory the command runs in.
class InDirectory {
 public:
  explicit InDirectory(const fs::path& dir) : before_(fs::current_path()) { fs::current_path(dir); }
  ~InDirectory() { fs::current_path(before_); }
  InDirectory(const InDirectory&) = delete;
  InDirectory& operator=(const InDirectory&) = delete;

 private:
  fs::path before_;
};

struct Scene {
  TempDir dir;
  std::string hive;   // Slashes(), as h.dat
  std::string other;  // a second hive, o.dat
  CliResult run;
  std::string Path(const std::string& name) const { return dir.Path(name).string(); }
};

struct Row {
  const char* name;
  std::function<void(Scene&)> prepare;
  std::function<std::vector<std::string>(const Scene&)> args;
  int status;
  std::function<void(const Scene&)> check;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
    lines.push_back(text.substr(begin, end - begin));
  return lines;
}

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      // ---- options before the subcommand's name ----
      {"--codepage before check works as after it", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"--codepage", "932", "check", s.hive};
       },
       0,
       [](const Scene& s) {
         EXPECT_EQ(s.run.out, Cli({"check", "--codepage", "932", s.hive}).out);
         EXPECT_TRUE(Has(s.run.out, "note: file: code page 932 (option")) << s.run.out;
       }},
      {"--codepage=CP before ls", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"--codepage=1252", "ls", s.hive};
       },
       0, [](const Scene& s) { EXPECT_EQ(s.run.out, "Software\nA\nA/B\nEmpty\n"); }},
      {"-v before check says the code page on standard error", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"-v", "check", s.hive};
       },
       0,
       [](const Scene& s) {
         EXPECT_TRUE(Has(s.run.err, "quarvex-cli check: " + s.hive + ": code page 1252 (")) << s.run.err;
       }},
      {"check -v, as the README has it", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"check", "-v", s.hive};
       },
       0,
       [](const Scene& s) {
         EXPECT_TRUE(Has(s.run.err, ": code page 1252 (")) << s.run.err;
         EXPECT_EQ(Cli({"check", s.hive}).err, "") << "without -v nothing on standard error";
       }},
      {"--help before a subcommand is its help", nullptr,
       [](const Scene&) {
         return std::vector<std::string>{"--help", "stats"};
       },
       0, [](const Scene& s) { EXPECT_TRUE(s.run.out.starts_with("usage: quarvex-cli stats")) << s.run.out; }},
      {"a report option before a subcommand is a usage error", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"--all", "check", s.hive};
       },
       2,
       [](const Scene& s) {
         EXPECT_TRUE(Has(s.run.err, "--all is an option of the report, not of check")) << s.run.err;
       }},
      {"-v before ls is no verbose: ls's -v lists values", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"-v", "ls", s.hive};
       },
       2,
       [](const Scene& s) {
         EXPECT_TRUE(Has(s.run.err, "-v before ls: give ls's options after its name")) << s.run.err;
       }},
      {"report options before `report` stay the report's", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"-o", s.Path("r.txt"), "report", s.hive};
       },
       0, [](const Scene& s) { EXPECT_TRUE(Has(ReadFileBytes(s.Path("r.txt")), "Registry Analizer")); }},
      {"an option's value named like a subcommand is the value", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"--export-root", "check", "--export", "-", s.hive};
       },
       0, [](const Scene& s) { EXPECT_TRUE(Has(s.run.out, "[check\\Software]")) << s.run.out.substr(0, 200); }},

      // ---- mistyped subcommands ----
      {"chek: did you mean check?", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"chek", s.hive};
       },
       2,
       [](const Scene& s) {
         EXPECT_TRUE(Has(s.run.err, "unknown command 'chek' (did you mean check?)")) << s.run.err;
         EXPECT_EQ(s.run.out, "");
       }},
      {"STATS in capitals", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"STATS", s.hive};
       },
       2, [](const Scene& s) { EXPECT_TRUE(Has(s.run.err, "(did you mean stats?)")) << s.run.err; }},
      {"sumary after an option", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"--codepage", "932", "sumary", s.hive};
       },
       2, [](const Scene& s) { EXPECT_TRUE(Has(s.run.err, "(did you mean summary?)")) << s.run.err; }},
      {"a file named like a mistyped subcommand is a file: its report is made",
       [](Scene& s) { s.dir.Write("chek", Slashes()); },
       [](const Scene&) {
         return std::vector<std::string>{"--now", "2026-12-07T10:00:00", "chek"};
       },
       0, [](const Scene& s) { EXPECT_TRUE(Has(s.run.out, "FileName: chek")) << s.run.err; }},
      {"a word far from every name is a file, and missing", nullptr,
       [](const Scene&) { return std::vector<std::string>{"nothing-like-a-command.dat"}; }, 1,
       [](const Scene& s) { EXPECT_TRUE(Has(s.run.err, "Fail(-9): no such file")) << s.run.err; }},

      // ---- key paths with slashes ----
      {"ls with slashes", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"ls", s.hive, "SOFTWARE/Microsoft"};
       },
       0, [](const Scene& s) { EXPECT_EQ(s.run.out, "Windows\n"); }},
      {"a name holding a slash is taken before the slash parts names", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"get", s.hive, "A/B"};
       },
       0, [](const Scene& s) { EXPECT_EQ(s.run.out, "Literal  REG_DWORD  0x00000003 (3)\n"); }},
      {"a backslash always parts names", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"get", s.hive, "A\\B"};
       },
       0, [](const Scene& s) { EXPECT_EQ(s.run.out, "Split  REG_DWORD  0x00000002 (2)\n"); }},
      {"slashes and backslashes mixed, with a root name", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"get", s.hive, "HKLM/Software\\Microsoft/Windows", "DevicePath"};
       },
       0, [](const Scene& s) { EXPECT_TRUE(Has(s.run.out, "data:   \"C:\\\\WINDOWS\\\\INF\"\n")) << s.run.out; }},
      {"a literal name deeper down", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"get", s.hive, "Software/Old/Name"};
       },
       0, [](const Scene& s) { EXPECT_EQ(s.run.out, "Literal  REG_DWORD  0x00000001 (1)\n"); }},
      {"a slash path that is not there says where the walk stopped", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"ls", s.hive, "Software/Micro/Windows"};
       },
       1,
       [](const Scene& s) { EXPECT_TRUE(Has(s.run.err, "no key 'Software\\Micro' (under 'Software')")) << s.run.err; }},

      // ---- several files ----
      {"ls of two files: each line names its file", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"ls", s.hive, s.other, "Software"};
       },
       0,
       [](const Scene& s) {
         EXPECT_EQ(s.run.out, s.hive + ": Microsoft\n" + s.hive + ": Old/Name\n" + s.other + ": Vendor\n");
       }},
      {"get of two files, as JSON: one document a line, each naming its file", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"get", "--json", s.hive, s.other, "Software"};
       },
       0,
       [](const Scene& s) {
         const std::vector<std::string> lines = TextLines(s.run.out);
         ASSERT_EQ(lines.size(), 2u) << s.run.out;
         EXPECT_EQ(json::parse(lines[0])["file"], s.hive);
         EXPECT_EQ(json::parse(lines[1])["file"], s.other);
         EXPECT_TRUE(lines[0].starts_with("{\"program\": ")) << "the program first, as every document has it";
       }},
      {"find in two files", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"find", s.hive, s.other, "quarvex"};
       },
       0,
       [](const Scene& s) {
         EXPECT_EQ(s.run.out, s.hive + ": Software: Name  REG_SZ  \"Quarvex\"\n" + s.other +
                                  ": Software\\Vendor: Name  REG_SZ  \"Quarvex\"\n");
       }},
      {"find: trouble with one file wins over hits in the other", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"find", s.hive, s.Path("none.dat"), "quarvex"};
       },
       2, [](const Scene& s) { EXPECT_TRUE(Has(s.run.out, "Name  REG_SZ")); }},
      {"stats of two files", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"stats", s.hive, s.other};
       },
       0,
       [](const Scene& s) {
         for (const std::string& line : TextLines(s.run.out))
           EXPECT_TRUE(line.starts_with(s.hive + ": ") || line.starts_with(s.other + ": ")) << line;
         EXPECT_TRUE(Has(s.run.out, s.other + ": keys:     2\n")) << s.run.out;
       }},
      {"stats --json of two files: one document a line", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"stats", "--json", s.hive, s.other};
       },
       0, [](const Scene& s) { EXPECT_EQ(TextLines(s.run.out).size(), 2u); }},
      {"recover of two files", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"recover", s.hive, s.other};
       },
       0,
       [](const Scene& s) {
         const std::string none = ": 0 keys and 0 values recovered: 0 high, 0 medium, 0 low confidence\n";
         EXPECT_EQ(s.run.out, s.hive + none + s.other + none);
       }},
      {"recover --json of two files: one document a line", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"recover", "--json", "-", s.hive, s.other};
       },
       0,
       [](const Scene& s) {
         const std::vector<std::string> lines = TextLines(s.run.out);
         ASSERT_EQ(lines.size(), 2u) << s.run.out;
         EXPECT_EQ(json::parse(lines[1])["file"], s.other);
       }},
      {"one unreadable file among several: the others are read, the status says it", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"stats", s.hive, s.Path("none.dat")};
       },
       1,
       [](const Scene& s) {
         EXPECT_TRUE(Has(s.run.out, s.hive + ": keys:     8\n")) << s.run.out;
         EXPECT_TRUE(Has(s.run.err, "none.dat: cannot read: no such file")) << s.run.err;
       }},
      {"after FILE, a word that names no file is the KEY", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"ls", s.hive, s.Path("none.dat")};
       },
       1, [](const Scene& s) { EXPECT_TRUE(Has(s.run.err, "no key '")) << s.run.err; }},
      {"get --raw reads one file", nullptr,
       [](const Scene& s) { return std::vector<std::string>{"get", "--raw", s.hive, s.other, "Software", "Name"}; }, 2,
       [](const Scene& s) { EXPECT_TRUE(Has(s.run.err, "--raw writes the bytes of one FILE's value")) << s.run.err; }},

      // ---- files that are no hive ----
      {"an empty file says so, to the report", [](Scene& s) { s.dir.Write("empty.dat", std::string()); },
       [](const Scene& s) { return std::vector<std::string>{s.Path("empty.dat")}; }, 1,
       [](const Scene& s) {
         EXPECT_TRUE(Has(s.run.err, ": Fail(1): the file is empty (0 bytes)\n")) << s.run.err;
         EXPECT_FALSE(Has(s.run.err, "\\x00")) << s.run.err;
       }},
      {"an empty file says so, to check", [](Scene& s) { s.dir.Write("empty.dat", std::string()); },
       [](const Scene& s) {
         return std::vector<std::string>{"check", s.Path("empty.dat")};
       },
       1,
       [](const Scene& s) {
         EXPECT_EQ(s.run.out, s.Path("empty.dat") + ": not a registry file: the file is empty (0 bytes)\n");
       }},
      {"a disk image given to the report: Fail(2) and the way to its hives",
       [](Scene& s) {
         std::string image(4096, '\0');
         image[510] = '\x55';
         image[511] = '\xAA';
         s.dir.Write("disk.img", image);
       },
       [](const Scene& s) {
         return std::vector<std::string>{"-o", s.Path("r.txt"), s.Path("disk.img")};
       },
       1,
       [](const Scene& s) {
         EXPECT_TRUE(Has(s.run.err, "Fail(2)")) << s.run.err;
         EXPECT_TRUE(Has(s.run.err, s.Path("disk.img") + " is a disk image: 'quarvex-cli hives " + s.Path("disk.img") +
                                        "' lists the registry files in it"))
             << s.run.err;
         EXPECT_FALSE(fs::exists(s.dir.Path("r.txt"))) << "no report is written";
       }},
      {"a cabinet given to check",
       [](Scene& s) { s.dir.Write("RB001.CAB", std::string("MSCF") + std::string(60, '\0')); },
       [](const Scene& s) {
         return std::vector<std::string>{"check", s.Path("RB001.CAB")};
       },
       1,
       [](const Scene& s) {
         EXPECT_TRUE(Has(s.run.out, ": not a registry file: a cabinet\n")) << s.run.out;
         EXPECT_TRUE(Has(s.run.err, "'quarvex-cli hives " + s.Path("RB001.CAB") + "'")) << s.run.err;
       }},
      {"a Windows NT hive is named as one",
       [](Scene& s) { s.dir.Write("NTUSER.DAT", std::string("regf") + std::string(4092, '\0')); },
       [](const Scene& s) {
         return std::vector<std::string>{"ls", s.Path("NTUSER.DAT")};
       },
       1,
       [](const Scene& s) {
         EXPECT_TRUE(Has(s.run.err, "a registry file of Windows NT, 2000 or XP (\"regf\")")) << s.run.err;
       }},
      {"a hive given to hives says what it is and what reads it", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"hives", s.hive};
       },
       1,
       [](const Scene& s) {
         EXPECT_TRUE(
             Has(s.run.err, "is a registry file itself, not a disk image or cabinet: read it with quarvex-cli check"))
             << s.run.err;
       }},
      {"facts of no hive fails and writes no report",
       [](Scene& s) { s.dir.Write("photo.png", std::string("\x89PNG\r\n\x1a\n") + std::string(100, 'x')); },
       [](const Scene& s) {
         return std::vector<std::string>{"facts", s.Path("photo.png")};
       },
       1,
       [](const Scene& s) {
         EXPECT_EQ(s.run.out, "");
         EXPECT_TRUE(Has(s.run.err, "photo.png: not a registry file")) << s.run.err;
       }},
      {"facts of a hive and no hive: the hive's facts, status 1",
       [](Scene& s) { s.dir.Write("photo.png", std::string("\x89PNG")); },
       [](const Scene& s) {
         return std::vector<std::string>{"facts", s.hive, s.Path("photo.png")};
       },
       1, [](const Scene& s) { EXPECT_TRUE(Has(s.run.out, "Facts of 1 hive")) << s.run.out; }},

      // ---- a key without values, and the language of the messages ----
      {"get of a key without values says so, and succeeds", nullptr,
       [](const Scene& s) {
         return std::vector<std::string>{"get", s.hive, "Empty"};
       },
       0,
       [](const Scene& s) {
         EXPECT_EQ(s.run.out, "");
         EXPECT_EQ(s.run.err, "quarvex-cli get: " + s.hive + ": 'Empty' has no values\n");
       }},
      {"the failure line is English; the code stays",
       [](Scene& s) { s.dir.Write("bad.dat", std::string("creg") + std::string(60, '\0')); },
       [](const Scene& s) { return std::vector<std::string>{s.Path("bad.dat")}; }, 1,
       [](const Scene& s) {
         EXPECT_TRUE(s.run.err.starts_with("quarvex-cli: " + s.Path("bad.dat") + ": Fail(2): ")) << s.run.err;
         for (const char c : s.run.err) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << s.run.err;
       }},
  };
  return rows;
}

BuiltHive Other() {
  HiveBuilder b;
  b.SetCodePage(CodePage::Cp1252);
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  b.AddKey(b.AddKey(root, "Software"), "Vendor", {Text("Name", "Quarvex")});
  return b.Build();
}

TEST(CliWords, EveryRow) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    Scene scene;
    scene.hive = scene.dir.Write("h.dat", Slashes());
    scene.other = scene.dir.Write("o.dat", Other());
    if (row.prepare) row.prepare(scene);
    const InDirectory here(scene.dir.Path(""));
    scene.run = Cli(row.args(scene));
    EXPECT_EQ(scene.run.status, row.status) << scene.run.err;
    if (row.check) row.check(scene);
  }
}

TEST(CliWords, CloseSubcommands) {
  struct Case {
    std::string word;
    std::optional<std::string_view> meant;
  };
  const std::vector<Case> cases = {
      {"chek", "check"},  {"cehck", "check"},
      {"CHECK", "check"}, {"recovr", "recover"},
      {"lss", "ls"},      {"l", "ls"},
      {"gte", "get"},     {"hlep", "help"},
      {"stat", "stats"},  {"summry", "summary"},
      {"check", {}},      {"lsxx", {}},
      {"USER.DAT", {}},   {"", {}},
      {"xyzzy", {}},      {std::string(200, 'c'), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(cli::CloseSubcommand(c.word), c.meant) << c.word;
}

TEST(CliWords, ArrangedCommandLines) {
  struct Case {
    std::vector<std::string> given;
    std::vector<std::string> arranged;  // empty: a usage error
  };
  const std::vector<Case> cases = {
      {{"--codepage", "932", "check", "F"}, {"check", "--codepage", "932", "F"}},
      {{"--codepage=932", "-v", "check", "F"}, {"check", "--codepage=932", "-v", "F"}},
      {{"-h", "ls"}, {"ls", "-h"}},
      {{"check", "F"}, {"check", "F"}},
      {{"-o", "check", "F"}, {"-o", "check", "F"}},  // "check" is -o's value: the report of F
      {{"--", "check"}, {"--", "check"}},            // after --, a file named check
      {{"--codepage", "932"}, {"--codepage", "932"}},
      {{"--codepage", "932", "hives", "I"}, {}},
      {{"--structure", "ls", "F"}, {}},
  };
  for (const Case& c : cases) {
    const cli::ArrangedCommandLine a = cli::ArrangeCommandLine(c.given);
    if (c.arranged.empty()) {
      EXPECT_FALSE(a.error.empty()) << ::testing::PrintToString(c.given);
    } else {
      EXPECT_EQ(a.args, c.arranged) << ::testing::PrintToString(c.given) << a.error;
    }
  }
}

// The lookup itself, and a hostile path: a hundred thousand slashes cost no more than their
// length (the candidates at a level are bounded by its longest name).
TEST(CliWords, KeyPathLookup) {
  const BuiltHive built = Slashes();
  const salvage::SalvagedHive hive = salvage::Salvage(built.bytes, {CodePage::Cp1252});
  const browse::HiveView view(hive, CodePage::Cp1252);
  struct Case {
    std::string path;
    std::string found;  // the key's path; empty: not found
  };
  std::string many;
  for (int i = 0; i < 100000; ++i) many += "A/";
  const std::vector<Case> cases = {
      {"Software/Microsoft/Windows", "Software\\Microsoft\\Windows"},
      {"/Software//Microsoft/", "Software\\Microsoft"},
      {"software/MICROSOFT", "Software\\Microsoft"},
      {"A/B", "A/B"},
      {"a/b", "A/B"},
      {"A\\B", "A\\B"},
      {"HKEY_LOCAL_MACHINE/A\\B", "A\\B"},
      {"Software/Old/Name", "Software\\Old/Name"},
      {"Software/Old", ""},
      {"Software/Nope", ""},
      {many, ""},
  };
  for (const Case& c : cases) {
    const browse::Lookup found = browse::FindKeyPath(view, c.path);
    if (c.found.empty()) {
      EXPECT_FALSE(found.key) << c.path.substr(0, 40);
      EXPECT_FALSE(found.error.empty());
    } else {
      ASSERT_TRUE(found.key) << c.path << ": " << found.error;
      EXPECT_EQ(view.Path(*found.key), c.found) << c.path;
    }
  }
}

// A hive nested deep through keys named "A/A", each beside a leaf "A": the literal name wins at
// each level (no backtracking is needed, none is done), and the walk takes each level once.
TEST(CliWords, KeyPathLookupDeepDown) {
  HiveBuilder b;
  b.SetCodePage(CodePage::Cp1252);
  int at = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(at);
  constexpr int kDepth = 1500;
  for (int level = 0; level < kDepth; ++level) {
    b.AddKey(at, "A");
    at = b.AddKey(at, "A/A");
  }
  const BuiltHive built = b.Build();
  const salvage::SalvagedHive hive = salvage::Salvage(built.bytes, {CodePage::Cp1252});
  const browse::HiveView view(hive, CodePage::Cp1252);
  std::string slashes, literal;
  for (int level = 0; level < kDepth; ++level) {
    slashes += (level ? "/" : "") + std::string("A/A");
    literal += (level ? "\\" : "") + std::string("A/A");
  }
  for (const std::string& path : {slashes, literal}) {
    const browse::Lookup found = browse::FindKeyPath(view, path);
    ASSERT_TRUE(found.key) << found.error.substr(0, 200);
    EXPECT_EQ(view.Depth(*found.key), kDepth);
    EXPECT_EQ(view.Name(*found.key), "A/A");
  }
  // One "A" fewer: the last word is the leaf "A" beside the deepest "A/A".
  const browse::Lookup leaf = browse::FindKeyPath(view, slashes.substr(0, slashes.size() - 2));
  ASSERT_TRUE(leaf.key);
  EXPECT_EQ(view.Name(*leaf.key), "A");
  EXPECT_EQ(view.Depth(*leaf.key), kDepth);
  EXPECT_FALSE(browse::FindKeyPath(view, slashes + "/A").key) << "the deepest key has no subkey";
}

TEST(CliWords, LinePrefixes) {
  std::ostringstream target;
  {
    cli::PrefixedStream lines(target, "F: ");
    lines << "one\ntw" << 'o' << "\n\nthree";
    lines.flush();
  }
  EXPECT_EQ(target.str(), "F: one\nF: two\nF: \nF: three");
  std::ostringstream plain;
  cli::PrefixedStream unprefixed(plain, "");
  unprefixed << "a\nb\n";
  EXPECT_EQ(plain.str(), "a\nb\n");
  std::ostringstream failing;
  failing.setstate(std::ios::badbit);
  cli::PrefixedStream broken(failing, "F: ");
  broken << "x\n";
  EXPECT_FALSE(broken) << "a failed target fails the stream";
}

}  // namespace
}  // namespace quarvex::testing
