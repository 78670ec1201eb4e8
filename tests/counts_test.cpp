// One definition of each count (salvage/counts.h): on sound hives its space rows are the
// report's Using Rate table to the byte, and every command (check, summary, stats, ls, the
// salvage export's summary line, their JSON) gives the same keys, values, findings by grade and
// space for the same file, whether it is sound, cut short or has one byte changed.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "salvage/check_text.h"
#include "salvage/counts.h"
#include "salvage/salvage.h"
#include "text/printf.h"
#include "tests/support/test_support.h"
#include "tools/hive_generator.h"

namespace quarvex::testing {
namespace {

using nlohmann::json;

std::string Generated(tools::HiveKind kind, int keys, unsigned seed, int largeBinaries = 0) {
  tools::GeneratorOptions options;
  options.kind = kind;
  options.keys = keys;
  options.seed = seed;
  options.largeBinaries = largeBinaries;
  return tools::GenerateHive(options).AsString();
}

// Every kind of space the table tells apart: free key nodes, free records, an orphan record
// (dead gap to the report), record slack, a gap between key nodes, slack at the key-node
// block's end, keys in two blocks.
std::string EveryKindOfSpace() {
  HiveBuilder b;
  b.SetCodePage(CodePage::Cp1252);
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {Text("", "default")});
  const int vendor = b.AddKey(software, "Vendor", {Dword("Count", 42), Binary("Blob", std::string(40, 'x'))});
  b.SetRecordSlack(vendor, 12);
  const int far = b.AddKey(root, "Far", {Text("Where", "block 1")});
  b.PlaceInBlock(far, 1);
  b.AddFreeRecord(0, 64, vendor);
  b.AddFreeRecord(1, 48);
  b.AddOrphanRecord(0, 200, "orphan");
  b.AddFreeKeyNode(56);
  b.AddFreeKeyNode(28);
  b.SetKeyNodeGap(8);
  b.SetRgknSlack(40);
  return b.Build().AsString();
}

struct SoundHive {
  const char* name;
  std::string bytes;
  CodePage codePage;
};

std::vector<SoundHive> SoundHives() {
  std::vector<SoundHive> hives = {
      {"every kind of space", EveryKindOfSpace(), CodePage::Cp1252},
      {"generated user.dat", Generated(tools::HiveKind::User, 400, 7), CodePage::Cp932},
      {"generated system.dat", Generated(tools::HiveKind::System, 1500, 3), CodePage::Cp932},
      {"generated, large binaries", Generated(tools::HiveKind::System, 300, 5, 2), CodePage::Cp932},
  };
  if (const auto real = RealUserDat()) hives.push_back({"real user.dat", *real, CodePage::Cp1252});
  if (const auto sample = ReadFileBytes(QUARVEX_SAMPLES_DIR "/USER-SAMPLE.DAT"); !sample.empty())
    hives.push_back({"bundled sample", sample, CodePage::Cp932});
  return hives;
}

salvage::SpaceCounts Row(const SpaceUsage& u) { return {u.Using, u.Empty, u.DeadGap}; }

TEST(Counts, SpaceRowsAreTheReportsOnSoundHives) {
  for (const SoundHive& h : SoundHives()) {
    SCOPED_TRACE(h.name);
    JobInput base;
    base.codePage = h.codePage;
    const auto run = RunJob(h.bytes, AnalysisOptions::Initial(), base);
    ASSERT_EQ(run->Code(), 0);
    const AnalysisResult& a = *run->result.analysis;
    const std::vector<std::uint8_t> bytes(h.bytes.begin(), h.bytes.end());
    const salvage::SalvagedHive hive = salvage::Salvage(bytes, {h.codePage});
    const salvage::HiveCounts c = salvage::CountHive(hive);
    EXPECT_EQ(c.keyNodeBlock, Row(a.keyNodeBlock));
    ASSERT_EQ(c.dataBlocks.size(), a.dataBlocks.size());
    for (std::size_t b = 0; b < c.dataBlocks.size(); ++b)
      EXPECT_EQ(c.dataBlocks[b], Row(a.dataBlocks[b])) << "block " << b;
    EXPECT_EQ(c.whole, Row(a.wholeFile));
    EXPECT_EQ(c.whole.Total(), static_cast<std::int64_t>(h.bytes.size()));
    // Keys: the report judges every key with a record; the unnamed root is none of them.
    EXPECT_EQ(c.keys, static_cast<std::uint64_t>(a.goodCount + a.badCount + a.ghostCount));
    EXPECT_EQ(c.keyNodes, c.keys + 1);
    EXPECT_EQ(c.unreadableKeys, 0u);
    EXPECT_EQ(c.damage, hive.summary.damage);
    // The shares as the report prints them.
    EXPECT_EQ(
        salvage::Share(c.whole.inUse, c.whole.Total()),
        Printf("%.1f", 100.0 * static_cast<double>(a.wholeFile.Using) / static_cast<double>(a.wholeFile.Total())));
  }
}

TEST(Counts, DamagedListsAreCountedUpToWhereTheyStop) {
  struct Case {
    const char* name;
    void (*damage)(BuiltHive&);
    std::int64_t keyNodeFree;  // -1: not checked
  };
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  b.AddKey(root, "Software", {Text("A", "1")});
  b.AddFreeKeyNode(56);
  b.AddFreeKeyNode(28);
  b.AddFreeRecord(0, 64);
  const BuiltHive sound = b.Build();
  const std::vector<Case> cases = {
      {"a key-node list headed by 0 is empty", [](BuiltHive& h) { h.PutU32(32 + 12, 0); }, 0},
      {"a key-node list that loops counts each area once",
       [](BuiltHive& h) { h.PutU32(32 + h.freeKeyNodes[1] + 8, static_cast<std::uint32_t>(h.freeKeyNodes[0])); }, 84},
      {"a key-node list that leaves the block ends there",
       [](BuiltHive& h) { h.PutU32(32 + h.freeKeyNodes[0] + 8, 0x7FFFFFF0); }, 56},
      {"a record list headed by 0 is empty", [](BuiltHive& h) { h.PutU32(h.block[0] + 16, 0); }, -1},
      {"a record list that loops back to itself",
       [](BuiltHive& h) {
         h.PutU32(h.block[0] + h.freeRecords[0][0] + 8, static_cast<std::uint32_t>(h.freeRecords[0][0]));
       },
       -1},
      {"cut inside the data block", [](BuiltHive& h) { h.bytes.resize(h.bytes.size() - 30); }, -1},
      {"cut inside the key-node block", [](BuiltHive& h) { h.bytes.resize(static_cast<std::size_t>(32 + 80)); }, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuiltHive built = sound;
    c.damage(built);
    const salvage::SalvagedHive hive = salvage::Salvage(built.bytes, {CodePage::Cp1252});
    const salvage::HiveCounts counts = salvage::CountHive(hive);
    if (c.keyNodeFree >= 0) {
      EXPECT_EQ(counts.keyNodeBlock.free, c.keyNodeFree);
    }
    // Whatever the damage, the rows hold no negative share and stay within the file.
    for (const salvage::SpaceCounts& row : counts.dataBlocks) {
      EXPECT_GE(row.inUse, 0);
      EXPECT_GE(row.free, 0);
      EXPECT_GE(row.deadGap, 0);
    }
    EXPECT_GE(counts.keyNodeBlock.deadGap, 0);
    EXPECT_LE(counts.whole.Total(), static_cast<std::int64_t>(built.bytes.size()));
  }
}

// ---- every command, one file ----------------------------------------------------------------

json Parse(const std::string& text) { return json::parse(text); }

std::vector<json> Lines(const std::string& text) {
  std::vector<json> out;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
    if (end > begin) out.push_back(json::parse(text.substr(begin, end - begin)));
  return out;
}

// What each command says of one file, side by side.
void ExpectEveryCommandAlike(const std::string& file, const std::string& what) {
  SCOPED_TRACE(what);
  const CliResult check = Cli({"check", "--json", "-", file});
  const json checked = Parse(check.out)["files"][0];
  ASSERT_NE(checked["status"], "not a registry file") << check.out;
  const json summary = Parse(Cli({"summary", "--json", file}).out);
  const CliResult statsRun = Cli({"stats", "--json", file});
  ASSERT_EQ(statsRun.status, 0) << statsRun.err;
  const json stats = Parse(statsRun.out);
  const std::vector<json> listed = Lines(Cli({"ls", "-R", "-v", "--json", file}).out);
  std::uint64_t listedValues = 0;
  for (const json& key : listed) listedValues += key["values"].size();

  // Keys: every key but the unnamed root, as ls lists them.
  EXPECT_EQ(checked["keys"], listed.size());
  EXPECT_EQ(summary["keys"], checked["keys"]);
  EXPECT_EQ(stats["keys"], checked["keys"]);
  EXPECT_EQ(stats["keyNodes"], checked["keyNodes"]);
  EXPECT_EQ(stats["lostKeys"], checked["lostKeys"]);
  EXPECT_EQ(stats["unreadableKeys"], checked["keysUnreadable"]);
  // Values: those ls shows under the keys.
  EXPECT_EQ(checked["values"], listedValues);
  EXPECT_EQ(summary["values"], checked["values"]);
  EXPECT_EQ(stats["values"], checked["values"]);
  // Findings by grade.
  for (const char* grade : {"damage", "warnings", "notes"}) {
    EXPECT_EQ(summary[grade], checked[grade]) << grade;
    EXPECT_EQ(stats[grade], checked[grade]) << grade;
  }
  // Space: free and dead gap apart, as the report has them.
  EXPECT_EQ(stats["space"]["whole"], checked["space"]);
  EXPECT_EQ(stats["freeBytes"], checked["space"]["free"]);
  EXPECT_EQ(stats["deadGapBytes"], checked["space"]["deadGap"]);
  EXPECT_EQ(stats["inUseBytes"], checked["space"]["inUse"]);
  const std::int64_t whole = checked["space"]["inUse"].get<std::int64_t>() +
                             checked["space"]["free"].get<std::int64_t>() +
                             checked["space"]["deadGap"].get<std::int64_t>();
  EXPECT_EQ(summary["usingPct"].dump(), salvage::Share(checked["space"]["inUse"], whole));
  EXPECT_EQ(summary["emptyPct"].dump(), salvage::Share(checked["space"]["free"], whole));
  EXPECT_EQ(summary["deadGapPct"].dump(), salvage::Share(checked["space"]["deadGap"], whole));
  // The text lines say what the JSON says.
  const std::string summaryLine = checked["summary"];
  EXPECT_NE(Cli({"check", file}).out.find(file + ": " + summaryLine + "\n"), std::string::npos);
  const std::string statsText = Cli({"stats", file}).out;
  EXPECT_NE(statsText.find("free:     " + salvage::GroupThousands(checked["space"]["free"]) + " of "),
            std::string::npos)
      << statsText;
  EXPECT_NE(statsText.find("dead gap: " + salvage::GroupThousands(checked["space"]["deadGap"]) + " of "),
            std::string::npos)
      << statsText;
  // The salvage export's summary line is check's, damage or not.
  const CliResult exported = Cli({"--export", "-", "--salvage", file});
  if (checked["damage"] > 0) {
    EXPECT_NE(exported.err.find("export: " + summaryLine + " (quarvex-cli check"), std::string::npos) << exported.err;
  } else {
    EXPECT_EQ(exported.status, 0) << exported.err;
  }
}

TEST(Counts, EveryCommandCountsTheSameSoundHive) {
  TempDir dir;
  for (const SoundHive& h : SoundHives()) ExpectEveryCommandAlike(dir.Write("sound.dat", h.bytes), h.name);
}

TEST(Counts, EveryCommandCountsTheSameCutHive) {
  TempDir dir;
  const std::string system = Generated(tools::HiveKind::System, 800, 11);
  std::vector<std::pair<std::string, std::string>> cuts;
  for (std::size_t share : {30u, 55u, 80u, 97u})
    cuts.emplace_back(std::to_string(share) + "%", system.substr(0, system.size() * share / 100));
  if (const auto real = RealUserDat()) cuts.emplace_back("real user.dat to 100,000 bytes", real->substr(0, 100000));
  for (const auto& [what, bytes] : cuts) ExpectEveryCommandAlike(dir.Write("cut.dat", bytes), "cut to " + what);
}

TEST(Counts, EveryCommandCountsTheSameOneByteMutants) {
  const auto real = RealUserDat();
  if (!real) GTEST_SKIP() << "tests/data/USER.DAT is missing";
  TempDir dir;
  // The key-node block's free-list head, a key node's links, a data block's size and free-list
  // head, a record's size and a value's length; then bytes spread over the file.
  std::vector<std::size_t> offsets = {32 + 12,     32 + 32 + 28 * 3 + 16, 0x6020 + 4,
                                      0x6020 + 16, 0x6020 + 32 + 8,       0x6020 + 32 + 36};
  for (std::size_t i = 1; i <= 6; ++i) offsets.push_back(real->size() * i / 7);
  for (const std::size_t at : offsets) {
    std::string mutant = *real;
    mutant[at] = static_cast<char>(mutant[at] ^ 0x5A);
    ExpectEveryCommandAlike(dir.Write("mutant.dat", mutant), "byte " + std::to_string(at) + " changed");
  }
}

}  // namespace
}  // namespace quarvex::testing
