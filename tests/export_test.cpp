// The REGEDIT4 export of whole hives: golden files, every damaged fixture's comments and
// code, key paths through parent links, the output limit, and the CLI's --export.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_run.h"
#include "export/regedit4_export.h"
#include "text/report_file.h"
#include "tests/peers/peer_shapes.h"
#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

struct Exported {
  std::int32_t jobCode = 0;
  ExportOutcome outcome;
  ReportLines lines;
  std::string Text() const { return lines.SavedText(); }
  bool Has(const std::string& piece) const { return Text().find(piece) != std::string::npos; }
};

Exported Export(const BuiltHive& hive, ExportSettings settings = {}) {
  AnalysisOptions options = AnalysisOptions::Initial();
  options.Set(Option::Analyse, false);
  const auto run = RunJob(hive, options);
  Exported e;
  e.jobCode = run->Code();
  if (e.jobCode == code::kOk) e.outcome = ExportRegedit4(run->result.hive, settings, e.lines);
  EXPECT_EQ(run->Code(), e.jobCode) << "the export changed the hive's code";
  for (std::size_t i = 0; i < e.lines.Count(); ++i)
    EXPECT_EQ(e.lines[i].find_first_of("\r\n"), std::string_view::npos) << "line " << i << " breaks";
  return e;
}

// Every value form, wrapped hex lines, nested keys and a second top-level key.
TEST(ExportGolden, ValueForms) {
  const Exported e = Export(ValueFormsShape());
  EXPECT_EQ(e.outcome.code, code::kOk);
  EXPECT_TRUE(e.outcome.findings.empty());
  EXPECT_EQ(e.outcome.keys, 7u);
  EXPECT_EQ(e.outcome.values, 17u);
  EXPECT_TRUE(MatchesGolden("export_value_forms.reg", e.Text()));
}

// Shift-JIS names whose second byte is 0x5C stay unescaped, in code page 932 and in UTF-8.
TEST(ExportGolden, DoubleByteNamesNativeAndUtf8) {
  ExportSettings settings;
  settings.rootKey = "HKEY_USERS";
  const Exported e = Export(DoubleByteNamesShape(), settings);
  EXPECT_TRUE(MatchesGolden("export_double_byte_names.reg", e.Text()));
  EXPECT_TRUE(MatchesGolden("export_double_byte_names_utf8.reg", SavedReportText(e.lines, CodePage::Cp932)));
}

BuiltHive WithRootChild(const std::function<void(HiveBuilder&, int root)>& add) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  add(b, root);
  return b.Build();
}

// A key A under the root with children B and C; `damage` changes the built bytes.
BuiltHive ThreeKeys(const std::function<void(BuiltHive&)>& damage) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int a = b.AddKey(root, "A", {Text("Name", "value"), Dword("Number", 1)});
  b.AddKey(a, "B", {Text("", "b")});
  b.AddKey(a, "C");
  BuiltHive hive = b.Build();
  damage(hive);
  return hive;
}

constexpr int kA = 1, kB = 2, kC = 3;

struct DamageRow {
  const char* fixture;
  std::function<BuiltHive()> build;
  std::int32_t code;
  std::vector<std::string> pieces;  // each must be in the export
};

TEST(ExportDamage, EachDefectIsACommentOrACode) {
  const std::vector<DamageRow> rows = {
      {"KeyWithoutRecord",
       [] { return ThreeKeys([](BuiltHive& h) { h.PutU32(h.KeyNodeFileOffset(kA) + 24, 0xFFFFFFFF); }); },
       code::kOk,
       {"[HKEY_UNKNOWN\\(key 0000003C)]\r\n; key node 0000003C has no data record (Blk# FFFF, Rec# FFFF)",
        "[HKEY_UNKNOWN\\(key 0000003C)\\B]\r\n@=\"b\""}},
      {"RecordNotIndexed",
       [] { return ThreeKeys([](BuiltHive& h) { h.PutU16(h.KeyNodeFileOffset(kB) + 24, 77); }); },
       code::kOk,
       {"[HKEY_UNKNOWN\\A\\(key 00000058)]\r\n; key node 00000058: its data record (Blk# 0000, Rec# 004D) is not "
        "in the file's record index"}},
      {"ValueDataRunsPastRecord",
       [] { return ThreeKeys([](BuiltHive& h) { h.PutU16(h.keyRecord[kA] + 20 + 1 + 10, 0x0200); }); },
       code::kOk,
       {"; value 1 of 2: its data runs past the end of its record (type 0001, name \"Name\", NL 0004, VL 0200)",
        "it and the 1 after it are not exported"}},
      {"ValueCountRunsPastRecord",
       [] { return ThreeKeys([](BuiltHive& h) { h.PutU16(h.keyRecord[kA] + 14, 3); }); },
       code::kOk,
       {"\"Number\"=dword:00000001\r\n; value 3 of 3: its entry at",
        "runs past the end of its record; it is not exported"}},
      {"KeyNameRunsPastRecord",
       [] { return ThreeKeys([](BuiltHive& h) { h.PutU16(h.keyRecord[kC] + 12, 0x0100); }); },
       code::kOk,
       {"; key node 00000074: its name (KeyL 0100) runs past the end of its record"}},
      {"KeyNameHoldsZeroByte",
       [] { return WithRootChild([](HiveBuilder& b, int root) { b.AddKey(root, std::string("ab\0cd", 5)); }); },
       code::kOk,
       {"[HKEY_UNKNOWN\\ab]\r\n; key node 0000003C: its name holds a zero byte after 2 byte(s), and is taken up to it; "
        "whole name: hex 61,62,00,63,64"}},
      {"ValueNameHoldsLineBreak",
       [] { return WithRootChild([](HiveBuilder& b, int root) { b.AddKey(root, "K", {Text("a\r\nb", "x")}); }); },
       code::kOk,
       {"; value 1: its name holds a line break, written as '?'; name: hex 61,0d,0a,62\r\n\"a??b\"=\"x\""}},
      {"TypeWithHighWord",
       [] {
         return WithRootChild([](HiveBuilder& b, int root) {
           Value v = Text("T", "x");
           v.un1 = 2;
           b.AddKey(root, "K", {v});
         });
       },
       code::kOk,
       {"; value 1: the word after its type (Un1) is 0002; the type is read as 1\r\n\"T\"=\"x\""}},
      {"ParentLinkLoopsOnItself",
       [] {
         return ThreeKeys(
             [](BuiltHive& h) { h.PutU32(h.KeyNodeFileOffset(kB) + 12, static_cast<std::uint32_t>(h.keyNode[kB])); });
       },
       code::kOk,
       {"[HKEY_UNKNOWN\\(parent links loop at 00000058)\\B]", "[HKEY_UNKNOWN\\A\\C]"}},
      {"ParentOutsideFile",
       [] { return ThreeKeys([](BuiltHive& h) { h.PutU32(h.KeyNodeFileOffset(kB) + 12, 0x7FFFFF00); }); },
       code::kOk,
       {"[HKEY_UNKNOWN\\(parent 7FFFFF00 outside the file)\\B]", "[HKEY_UNKNOWN\\A\\C]"}},
      {"KeyTreeLinksBackToRoot",
       [] {
         return ThreeKeys(
             [](BuiltHive& h) { h.PutU32(h.KeyNodeFileOffset(kC) + 16, static_cast<std::uint32_t>(h.keyNode[0])); });
       },
       code::kLinkLoop,
       {"[HKEY_UNKNOWN\\A\\C]\r\n\r\n; the export ends here: Fail(21)"}},
      {"KeyNodeOutsideFile",
       [] { return ThreeKeys([](BuiltHive& h) { h.PutU32(h.KeyNodeFileOffset(kC) + 16, 0x00FFFFF0); }); },
       code::kKeyNodeShort,
       {"; the export ends here: Fail(5)"}},
  };
  for (const DamageRow& row : rows) {
    SCOPED_TRACE(row.fixture);
    const Exported e = Export(row.build());
    ASSERT_EQ(e.jobCode, code::kOk);
    EXPECT_EQ(e.outcome.code, row.code);
    for (const std::string& piece : row.pieces) EXPECT_TRUE(e.Has(piece)) << piece << "\n--- in ---\n" << e.Text();
    // Every comment is a finding, and the other way round.
    std::size_t comments = 0;
    for (std::size_t i = 0; i < e.lines.Count(); ++i) comments += e.lines[i].rfind("; ", 0) == 0;
    EXPECT_EQ(comments, e.outcome.findings.size());
  }
}

TEST(ExportDamage, RootKeyWithoutRecordIsNoFinding) {
  const Exported e = Export(ThreeKeys([](BuiltHive&) {}));
  EXPECT_TRUE(e.outcome.findings.empty());
  EXPECT_EQ(e.Text().rfind("REGEDIT4\r\n\r\n[HKEY_UNKNOWN]\r\n\r\n[HKEY_UNKNOWN\\A]\r\n", 0), 0u);
}

TEST(ExportDamage, KeysNestedPastTheLimitEndTheExport) {
  HiveBuilder b;
  int key = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(key);
  for (int depth = 0; depth < 200; ++depth) key = b.AddKey(key, std::string(40, 'k'));
  ExportSettings settings;
  settings.outputLimit = 64 * 1024;
  const Exported e = Export(b.Build(), settings);
  EXPECT_EQ(e.outcome.code, code::kInternalFailure);
  EXPECT_TRUE(e.Has("; the export ends here: Fail(22): the export passed its limit of 65536 bytes"));
  EXPECT_LT(e.lines.SavedSize(), 80u * 1024);
}

// A key whose parent link leads up a chain of 100 keys the walk never reaches, each named by
// 1,000 bytes: its path alone would pass the limit, and is never built whole.
TEST(ExportDamage, ParentChainLongerThanTheLimitEndsTheExport) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  int deepest = root;
  for (int depth = 0; depth < 100; ++depth) deepest = b.AddKey(deepest, std::string(1000, 'y'));
  const int x = b.AddKey(root, "X");
  BuiltHive hive = b.Build();
  hive.PutU32(hive.KeyNodeFileOffset(root) + 16, static_cast<std::uint32_t>(hive.keyNode[x]));     // LwrOfs
  hive.PutU32(hive.KeyNodeFileOffset(x) + 20, 0xFFFFFFFF);                                         // NextOfs
  hive.PutU32(hive.KeyNodeFileOffset(x) + 12, static_cast<std::uint32_t>(hive.keyNode[deepest]));  // UprOfs
  ExportSettings settings;
  settings.outputLimit = 64 * 1024;
  const Exported e = Export(hive, settings);
  EXPECT_EQ(e.outcome.code, code::kInternalFailure);
  EXPECT_TRUE(e.Has("passed the export's limit of 65536 bytes")) << e.Text();
  EXPECT_LT(e.lines.SavedSize(), 1024u);
}

TEST(ExportRoot, ToldByTheFileName) {
  const std::pair<const char*, const char*> rows[] = {
      {"/a/USER.DAT", "HKEY_USERS"},        {"user.da0", "HKEY_USERS"},
      {"C:SYSTEM.1ST", "HKEY_UNKNOWN"},     {"/x/system.1st", "HKEY_LOCAL_MACHINE"},
      {"SYSTEM.DAT", "HKEY_LOCAL_MACHINE"}, {"classes.dat", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes"},
      {"myuser.dat", "HKEY_UNKNOWN"},       {"user-150.dat", "HKEY_UNKNOWN"},
  };
  for (const auto& [path, root] : rows) EXPECT_EQ(RootKeyForFileName(path), root) << path;
}

TEST(ExportCli, WritesTheFileAndNoReport) {
  TempDir dir;
  const std::string hive = dir.Write("USER.DAT", ValueFormsShape());
  const std::string reg = dir.Path("out.reg").string();
  const CliResult r = Cli({"--export", reg, hive});
  EXPECT_EQ(r.status, cli::kExitOk) << r.err;
  EXPECT_EQ(r.out, "");
  const std::string text = ReadFileBytes(reg);
  EXPECT_EQ(text.rfind("REGEDIT4\r\n\r\n[HKEY_USERS]\r\n", 0), 0u);
  // Nothing but the target is left in the folder: the temporary file was renamed.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")), {}), 2);
}

TEST(ExportCli, StandardOutputRootAndUtf8) {
  TempDir dir;
  const std::string hive = dir.Write("h.dat", DoubleByteNamesShape());
  const CliResult r = Cli({"--export", "-", "--export-root", "HKEY_CURRENT_USER", "--encoding", "utf-8", hive});
  EXPECT_EQ(r.status, cli::kExitOk);
  EXPECT_NE(r.out.find("[HKEY_CURRENT_USER\\ソフトウェア\\表示]\r\n\"ソース\"=\"予定表\""), std::string::npos) << r.out;
}

TEST(ExportCli, ReportWithOutputFileAndFindingsOnStandardError) {
  TempDir dir;
  const std::string hive = dir.Write("h.dat", KeysWithoutRecordsShape());
  const std::string report = dir.Path("r.txt").string();
  const CliResult r = Cli({"--export", dir.Path("o.reg").string(), "-o", report, hive});
  EXPECT_EQ(r.status, cli::kExitOk);
  EXPECT_NE(ReadFileBytes(report).find("Using Rate"), std::string::npos) << "the analysis ran for the report";
  EXPECT_NE(r.err.find("export: key node 00000058 has no data record"), std::string::npos) << r.err;
}

TEST(ExportCli, FailureLeavesNoFileUnlessPartial) {
  TempDir dir;
  const std::string hive = dir.Write("h.dat", ThreeKeys([](BuiltHive& h) {
                                       h.PutU32(h.KeyNodeFileOffset(kC) + 16, static_cast<std::uint32_t>(h.keyNode[0]));
                                     }));
  const std::string reg = dir.Path("o.reg").string();
  CliResult r = Cli({"--export", reg, hive});
  EXPECT_EQ(r.status, cli::kExitJobFailed);
  // quarvex-cli's own lines are English; the window's status bar keeps the job's bilingual text.
  EXPECT_NE(r.err.find("export: Fail(21): "), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("\xE6\x83\x85"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(reg));
  r = Cli({"--export", reg, "--partial", hive});
  EXPECT_EQ(r.status, cli::kExitJobFailed);
  EXPECT_NE(ReadFileBytes(reg).find("; the export ends here: Fail(21)"), std::string::npos);
}

TEST(ExportCli, RefusesToOverwriteTheHive) {
  TempDir dir;
  const std::string hive = dir.Write("h.dat", ValueFormsShape());
  const std::string before = ReadFileBytes(hive);
  EXPECT_EQ(Cli({"--export", hive, hive}).status, cli::kExitUsage);
  EXPECT_EQ(ReadFileBytes(hive), before);
  EXPECT_EQ(Cli({"--export"}).status, cli::kExitUsage);
}

// The real Windows Me user.dat: every key and value, and not one finding.
TEST(ExportReal, UserDatHasNoFinding) {
  const auto bytes = RealUserDat();
  if (!bytes) GTEST_SKIP() << "the real user.dat is not here";
  AnalysisOptions options = AnalysisOptions::Initial();
  options.Set(Option::Analyse, false);
  const auto run = RunJob(*bytes, options);
  ASSERT_EQ(run->Code(), code::kOk);
  ReportLines lines;
  const ExportOutcome outcome = ExportRegedit4(run->result.hive, {}, lines);
  EXPECT_EQ(outcome.code, code::kOk);
  EXPECT_TRUE(outcome.findings.empty());
  EXPECT_EQ(outcome.keys, 788u);
  EXPECT_EQ(outcome.values, 1518u);
}

}  // namespace
}  // namespace quarvex::testing
