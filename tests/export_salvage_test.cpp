// The REGEDIT4 export from the salvage reader: on a sound hive the very bytes of the key tree
// walk's export; on each damaged fixture every key whose bytes survive, with its path, and a
// comment naming the damage after the key it concerns; and the CLI's --export --salvage.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands/check.h"
#include "cli/cli_run.h"
#include "export/regedit4_export.h"
#include "export/regedit4_lines.h"
#include "export/salvage_export.h"
#include "salvage/salvage.h"
#include "tests/peers/peer_shapes.h"
#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"
#include "tools/hive_generator.h"

namespace quarvex::testing {
namespace {

hive::Bytes View(const std::string& bytes) {
  return hive::Bytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

struct SalvageExported {
  salvage::SalvagedHive hive;
  ExportOutcome outcome;
  ReportLines lines;
  std::string Text() const { return lines.SavedText(); }
  bool Has(const std::string& piece) const { return Text().find(piece) != std::string::npos; }
};

// The image must outlive the salvaged hive, which views it.
SalvageExported ExportSalvagedBytes(const std::string& image, ExportSettings settings = {}) {
  SalvageExported e;
  e.hive = salvage::Salvage(View(image));
  e.outcome = ExportSalvaged(e.hive, settings, e.lines);
  EXPECT_GE(e.lines.Count(), 2u);
  EXPECT_EQ(e.lines[0], "REGEDIT4");
  for (std::size_t i = 0; i < e.lines.Count(); ++i)
    EXPECT_EQ(e.lines[i].find_first_of("\r\n"), std::string_view::npos) << "line " << i << " breaks";
  return e;
}

// The key tree walk's export of the same bytes, through the job's load and index stages.
std::string FaithfulExport(const std::string& image, const ExportSettings& settings) {
  AnalysisOptions options = AnalysisOptions::Initial();
  options.Set(Option::Analyse, false);
  const auto run = RunJob(image, options);
  EXPECT_EQ(run->Code(), code::kOk);
  ReportLines lines;
  EXPECT_EQ(ExportRegedit4(run->result.hive, settings, lines).code, code::kOk);
  return lines.SavedText();
}

// ---- a sound hive: the same bytes as the other export ------------------------------------

struct SoundHive {
  std::string name;
  std::function<std::string()> bytes;
};

std::vector<SoundHive> SoundHives() {
  std::vector<SoundHive> hives;
  for (const PeerShape& shape : PeerShapes())
    hives.push_back({shape.name, [build = shape.build] { return build().AsString(); }});
  for (const auto& [name, options] : std::vector<std::pair<const char*, tools::GeneratorOptions>>{
           {"system-5000-1", {tools::HiveKind::System, 5000, 1}},
           {"user-800-1998", {tools::HiveKind::User, 800, 1998}}})
    hives.push_back({name, [o = options] { return tools::GenerateHive(o).AsString(); }});
  hives.push_back({"real-user-dat", [] { return RealUserDat().value_or(std::string()); }});
  return hives;
}

TEST(ExportSalvageSound, SameBytesAsTheKeyTreeExport) {
  for (const SoundHive& sound : SoundHives()) {
    SCOPED_TRACE(sound.name);
    const std::string image = sound.bytes();
    if (image.empty()) continue;  // the real user.dat is not here
    ExportSettings settings;
    settings.rootKey = "HKEY_USERS";
    const SalvageExported e = ExportSalvagedBytes(image, settings);
    // Shapes made to show damage (keys whose record is missing, values past their record)
    // are sound only when the salvage reader finds no damage in them.
    if (e.hive.summary.damage > 0) {
      EXPECT_TRUE(sound.name == "keys-without-records" || sound.name == "value-runs-past-record") << sound.name;
      continue;
    }
    EXPECT_EQ(e.outcome.code, code::kOk);
    EXPECT_EQ(e.Text(), FaithfulExport(image, settings));
  }
}

// ---- damaged fixtures ---------------------------------------------------------------------

enum Key { kRoot, kSoftware, kMicrosoft, kControlPanel, kDesktop, kColors };

// An unnamed root, two branches with values of each kind, Control Panel and below in a
// second data block.
BuiltHive TwoBlockHive() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {Text("", "default")});
  b.AddKey(software, "Microsoft", {Dword("Version", 4), Text("Name", "Quarvex")});
  const int control = b.AddKey(root, "Control Panel", {Text("Wallpaper", "(None)")});
  b.AddKey(control, "Desktop", {Binary("Pattern", std::string("\x01\x02\x03", 3))});
  b.AddKey(control, "Colors", {Text("Window", "255 255 255")});
  b.PlaceInBlock(kControlPanel, 1);
  b.PlaceInBlock(kDesktop, 1);
  b.PlaceInBlock(kColors, 1);
  return b.Build();
}

constexpr int kNodeLwrOfs = 16, kNodeNextOfs = 20, kRecNextOfs = 0, kRecSize = 8;

std::string StandIn(const BuiltHive& h, int key) { return StandInName(static_cast<std::uint32_t>(h.keyNode[key])); }

struct DamageRow {
  const char* name;
  std::function<void(BuiltHive&)> damage;
  // Key lines and comments that must be in the export, in this order.
  std::function<std::vector<std::string>(const BuiltHive&)> expected;
  std::size_t keys;
  std::size_t damageComments;  // "; damage: " lines
};

std::vector<DamageRow> DamageRows() {
  const std::string software = "[HKEY_USERS\\Software]\r\n@=\"default\"\r\n";
  const std::string microsoft = "[HKEY_USERS\\Software\\Microsoft]\r\n";
  const std::string microsoftValues = "\"Version\"=dword:00000004\r\n\"Name\"=\"Quarvex\"\r\n";
  return {
      {"TruncatedInsideSecondBlockHeader",
       [](BuiltHive& h) { h.bytes.resize(static_cast<std::size_t>(h.block[1] + 10)); },
       [=](const BuiltHive& h) {
         // The key nodes all survive; the names and values of block 1 are gone with the cut.
         const std::string panel = "[HKEY_USERS\\" + StandIn(h, kControlPanel);
         return std::vector<std::string>{"; damage: file at ",
                                         software,
                                         microsoft + microsoftValues,
                                         panel + "]\r\n; damage: key node at ",
                                         "the key's record is missing",
                                         "; key node " + StandIn(h, kControlPanel).substr(5, 8),
                                         panel + "\\" + StandIn(h, kDesktop) + "]\r\n",
                                         panel + "\\" + StandIn(h, kColors) + "]\r\n"};
       },
       6, 4},
      {"TruncatedInsideARecord",
       [](BuiltHive& h) { h.bytes.resize(static_cast<std::size_t>(h.keyRecord[kColors] + 30)); },
       [=](const BuiltHive&) {
         return std::vector<std::string>{
             software,
             microsoft + microsoftValues,
             "[HKEY_USERS\\Control Panel]\r\n\"Wallpaper\"=\"(None)\"\r\n",
             "[HKEY_USERS\\Control Panel\\Desktop]\r\n\"Pattern\"=hex:01,02,03\r\n",
             "[HKEY_USERS\\Control Panel\\Colors]\r\n; damage: data record (block 1, record ",
             "DatN 0x0001, expected at most 0"};
       },
       6, 3},
      {"RecordCountZeroInBlockHeader",
       [](BuiltHive& h) {
         h.PutU16(h.block[0] + 20, 0);  // wMaxRecNo
         h.PutU16(h.block[0] + 22, 0);  // wRecNum
       },
       [=](const BuiltHive&) {
         return std::vector<std::string>{software, microsoft + microsoftValues, "[HKEY_USERS\\Control Panel]\r\n",
                                         "[HKEY_USERS\\Control Panel\\Colors]\r\n\"Window\"=\"255 255 255\"\r\n"};
       },
       6, 0},
      {"SiblingLinkLoopsBack",
       [](BuiltHive& h) {
         h.PutU32(h.KeyNodeFileOffset(kColors) + kNodeNextOfs, static_cast<std::uint32_t>(h.keyNode[kDesktop]));
       },
       [](const BuiltHive& h) {
         return std::vector<std::string>{"[HKEY_USERS\\Control Panel\\Desktop]\r\n",
                                         "[HKEY_USERS\\Control Panel\\Colors]\r\n; damage: key node at " +
                                             Hex32(static_cast<std::uint32_t>(h.KeyNodeFileOffset(kColors))) +
                                             ": NextOfs " + Hex32(static_cast<std::uint32_t>(h.keyNode[kDesktop])) +
                                             ", expected a key node not yet read",
                                         "\"Window\"=\"255 255 255\"\r\n"};
       },
       6, 1},
      {"RecordSizeZero", [](BuiltHive& h) { h.PutU32(h.keyRecord[kMicrosoft] + kRecSize, 0); },
       [=](const BuiltHive& h) {
         return std::vector<std::string>{microsoft + "; damage: data record (block 0, record " +
                                             std::to_string(h.keyRecordNo[kMicrosoft]) + ") at " +
                                             Hex32(static_cast<std::uint32_t>(h.keyRecord[kMicrosoft])) +
                                             ": RecSize 0x00000000, expected 0x",
                                         microsoftValues, "[HKEY_USERS\\Control Panel\\Colors]\r\n"};
       },
       6, 1},
      {"RecordChainLinkZero", [](BuiltHive& h) { h.PutU32(h.keyRecord[kSoftware] + kRecNextOfs, 0); },
       [=](const BuiltHive&) {
         // The chain is picked up again at the next record: nothing after it is lost.
         return std::vector<std::string>{"[HKEY_USERS\\Software]\r\n; damage: data record", ": NextOfs 0x00000000",
                                         "@=\"default\"\r\n", microsoft + microsoftValues,
                                         "[HKEY_USERS\\Control Panel\\Colors]\r\n"};
       },
       6, 1},
      {"ChildLinkLeavesBlock", [](BuiltHive& h) { h.PutU32(h.KeyNodeFileOffset(kSoftware) + kNodeLwrOfs, 0x7FFFFFF0); },
       [=](const BuiltHive&) {
         // Microsoft is found between the other nodes and written under its parent's path.
         return std::vector<std::string>{"[HKEY_USERS\\Software]\r\n; damage: key node at ", ": LwrOfs 0x7FFFFFF0",
                                         "[HKEY_USERS\\Control Panel\\Colors]\r\n",
                                         "[HKEY_USERS\\(lost keys)\\Software\\Microsoft]\r\n; damage: key node at ",
                                         microsoftValues};
       },
       6, 2},
  };
}

class ExportSalvageDamage : public ::testing::TestWithParam<DamageRow> {};

TEST_P(ExportSalvageDamage, EveryKeyWhoseBytesSurviveWithItsPath) {
  const DamageRow& row = GetParam();
  BuiltHive built = TwoBlockHive();
  row.damage(built);
  ExportSettings settings;
  settings.rootKey = "HKEY_USERS";
  const SalvageExported e = ExportSalvagedBytes(built.AsString(), settings);
  EXPECT_EQ(e.outcome.code, code::kOk);
  EXPECT_EQ(e.outcome.keys, row.keys);
  const std::string text = e.Text();
  std::size_t at = 0;
  for (const std::string& piece : row.expected(built)) {
    const std::size_t found = text.find(piece, at);
    ASSERT_NE(found, std::string::npos) << "missing, or out of order: " << piece << "\n" << text;
    at = found + piece.size();
  }
  std::size_t comments = 0;
  for (std::size_t i = 0; i < e.lines.Count(); ++i) comments += e.lines[i].rfind("; damage: ", 0) == 0;
  EXPECT_EQ(comments, row.damageComments) << text;
  EXPECT_EQ(comments, std::min(e.hive.summary.damage, comments)) << "a comment per damage finding at most";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ExportSalvageDamage, ::testing::ValuesIn(DamageRows()),
                         [](const ::testing::TestParamInfo<DamageRow>& row) { return std::string(row.param.name); });

TEST(ExportSalvage, NotAHiveEndsWithAComment) {
  const SalvageExported e = ExportSalvagedBytes(std::string(64, 'x'));
  EXPECT_EQ(e.outcome.code, code::kHiveSignature);
  EXPECT_TRUE(e.Has("; the export ends here: Fail(2): no CREG or RGKN signature"));
}

TEST(ExportSalvage, OutputLimitEndsTheExport) {
  ExportSettings settings;
  settings.outputLimit = 64;
  const SalvageExported e = ExportSalvagedBytes(TwoBlockHive().AsString(), settings);
  EXPECT_EQ(e.outcome.code, code::kInternalFailure);
  EXPECT_TRUE(e.Has("passed its limit of 64 bytes")) << e.Text();
}

// ---- the CLI -------------------------------------------------------------------------------

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

CliResult Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = cli::RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(ExportSalvageCli, SoundHiveGivesTheSameFileAsExport) {
  TempDir dir;
  const std::string hive = dir.Write("USER.DAT", tools::GenerateHive({tools::HiveKind::User, 300, 5}));
  const std::string plain = dir.Path("plain.reg").string(), salvaged = dir.Path("salvaged.reg").string();
  ASSERT_EQ(Cli({"--export", plain, hive}).status, cli::kExitOk);
  const CliResult r = Cli({"--export", salvaged, "--salvage", hive});
  EXPECT_EQ(r.status, cli::kExitOk) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFileBytes(salvaged), ReadFileBytes(plain));
}

TEST(ExportSalvageCli, TruncatedFileIsExportedThoughTheJobFails) {
  TempDir dir;
  BuiltHive built = TwoBlockHive();
  built.bytes.resize(static_cast<std::size_t>(built.block[1] + 10));
  const std::string hive = dir.Write("USER.DAT", built);
  const std::string reg = dir.Path("out.reg").string();
  EXPECT_EQ(Cli({"--export", reg, hive}).status, cli::kExitJobFailed);
  EXPECT_FALSE(std::filesystem::exists(reg));
  const CliResult r = Cli({"--export", reg, "--salvage", hive});
  EXPECT_EQ(r.status, cli::kCheckDamage);
  EXPECT_NE(r.err.find("export: damage: file at "), std::string::npos) << r.err;
  EXPECT_NE(ReadFileBytes(reg).find("[HKEY_USERS\\Software\\Microsoft]\r\n\"Version\"=dword:00000004"),
            std::string::npos);
  // With a report as well: the job fails, the export is written all the same.
  const std::string report = dir.Path("report.txt").string();
  std::filesystem::remove(reg);
  EXPECT_EQ(Cli({"-o", report, "--export", reg, "--salvage", hive}).status, cli::kExitJobFailed);
  EXPECT_TRUE(std::filesystem::exists(reg));
}

TEST(ExportSalvageCli, SalvageWithoutExportIsAUsageError) {
  TempDir dir;
  const std::string hive = dir.Write("USER.DAT", TwoBlockHive());
  EXPECT_EQ(Cli({"--salvage", hive}).status, cli::kExitUsage);
  EXPECT_EQ(Cli({"--export", "-", "--salvage", dir.Path("missing.dat").string()}).status, cli::kExitJobFailed);
}

}  // namespace
}  // namespace quarvex::testing
