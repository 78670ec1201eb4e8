// The light reader of the code page detection: it reads whole hives (generated, the real
// user.dat, the sample), refuses damaged ones, and the detection chooses the same code page
// with the same reason through it as through the salvage reader, on every hive below and on
// one-byte mutants of two small ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "detect/codepage_detect.h"
#include "detect/light_reader.h"
#include "salvage/salvage.h"
#include "testkit/hive_builder.h"
#include "text/text_encoding.h"
#include "tools/hive_generator.h"

namespace {

using namespace quarvex;
using testkit::HiveBuilder;
using text::CodePage;

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> Generated(tools::HiveKind kind, int keys, unsigned seed) {
  tools::GeneratorOptions options;
  options.kind = kind;
  options.keys = keys;
  options.seed = seed;
  return tools::GenerateHive(options).bytes;
}

// The unnamed top node of a real hive, without a record, under which its keys stand.
int AddHiddenRoot(HiveBuilder& b) {
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  return root;
}

// A user.dat with a Locale and Japanese names, and a system.dat whose ACP names no page of
// ours (so the detection goes on to the names), a free key node and a free record.
std::vector<std::uint8_t> UserWithLocale() {
  HiveBuilder b;
  const int root = AddHiddenRoot(b);
  const int def = b.AddKey(root, ".DEFAULT");
  const int panel = b.AddKey(def, "Control Panel");
  b.AddKey(panel, "International", {testkit::Text("sCountry", "Japan"), testkit::Text("Locale", "00000411")});
  const int software = b.AddKey(def, "Software");
  for (const char* name : {"ソフト", "設定", "ﾃｽﾄ"}) b.AddKey(software, text::Utf8ToCodePage(name, CodePage::Cp932));
  return b.Build().bytes;
}

std::vector<std::uint8_t> SystemWithUnknownAcp() {
  HiveBuilder b;
  const int root = AddHiddenRoot(b);
  const int system = b.AddKey(root, "System");
  const int current = b.AddKey(system, "CurrentControlSet");
  const int control = b.AddKey(current, "Control");
  const int nls = b.AddKey(control, "Nls");
  b.AddKey(nls, "Codepage", {testkit::Text("OEMCP", "437"), testkit::Text("ACP", " 1361\t")});
  const int software = b.AddKey(root, "Software");
  for (const char* name : {"软件", "设置"}) b.AddKey(software, text::Utf8ToCodePage(name, CodePage::Cp936));
  b.AddFreeKeyNode(28 * 2);
  b.AddFreeRecord(0, 40);
  b.SetCodePage(CodePage::Cp936);
  return b.Build().bytes;
}

// The choice through the light reader (when it answers) equals the one through the salvage
// reader, reason included.
void ExpectSameChoice(const std::vector<std::uint8_t>& bytes, const std::string& what) {
  const detect::CodePageChoice light = detect::DetectCodePage(bytes, {});
  const detect::CodePageChoice full = detect::DetectCodePage(salvage::Salvage(bytes, {CodePage::SingleByte}), {});
  EXPECT_EQ(light.codePage, full.codePage) << what;
  EXPECT_EQ(light.source, full.source) << what;
  EXPECT_EQ(light.reason, full.reason) << what;
}

TEST(LightReaderTest, ReadsWholeHivesAndChoosesAsTheSalvageReader) {
  struct Row {
    std::string what;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Row> rows{
      {"user.dat with a Locale", UserWithLocale()},
      {"system.dat with an ACP of no known page", SystemWithUnknownAcp()},
      {"the real user.dat", ReadFile(std::filesystem::path(QUARVEX_TEST_DATA_DIR) / "USER.DAT")},
      {"the sample", ReadFile(std::filesystem::path(QUARVEX_SAMPLES_DIR) / "USER-SAMPLE.DAT")},
  };
  for (tools::HiveKind kind : {tools::HiveKind::User, tools::HiveKind::System})
    for (int keys : {20, 800, 5000})
      for (unsigned seed : {1u, 1998u})
        rows.push_back(
            {"generated " + std::to_string(keys) + " keys, seed " + std::to_string(seed), Generated(kind, keys, seed)});
  for (const Row& row : rows) {
    EXPECT_TRUE(detect::LightReader(row.bytes).Sound()) << row.what;
    ExpectSameChoice(row.bytes, row.what);
  }
  EXPECT_EQ(detect::LightReader(UserWithLocale()).TextValue(".default\\CONTROL PANEL\\International", "locale"),
            "00000411");
  EXPECT_EQ(
      detect::LightReader(SystemWithUnknownAcp()).TextValue("System\\CurrentControlSet\\Control\\Nls\\Codepage", "ACP"),
      "1361");
  EXPECT_EQ(detect::LightReader(SystemWithUnknownAcp()).TextValue("System\\Nls", "ACP"), std::nullopt);
}

// Damage the salvage reader reads past (or reports) makes the light reader step aside; the
// choice is then the salvage reader's own.
TEST(LightReaderTest, StepsAsideOnDamage) {
  struct Row {
    const char* what;
    void (*damage)(testkit::BuiltHive&, const HiveBuilder&);
  };
  const Row rows[] = {
      {"sibling-link-loops-back",
       [](testkit::BuiltHive& h, const HiveBuilder&) {
         // The last top-level key's NextOfs points at the first child of the root.
         const std::uint32_t root = h.GetU32(32 + 8);
         const std::uint32_t first = h.GetU32(32 + root + 16);
         h.PutU32(32 + first + 20, first);
       }},
      {"headers-disagree-on-first-block",
       [](testkit::BuiltHive& h, const HiveBuilder&) { h.PutU32(8, h.GetU32(8) + 4); }},
      {"record-chain-breaks",
       [](testkit::BuiltHive& h, const HiveBuilder&) {
         const std::uint32_t block = h.GetU32(8);
         h.PutU32(block + 32, 3);  // the first record's NextOfs
       }},
      {"file-cut-inside-last-block",
       [](testkit::BuiltHive& h, const HiveBuilder&) { h.bytes.erase(h.bytes.end() - 10, h.bytes.end()); }},
      {"key-node-area-with-room-for-a-lost-key", nullptr},
  };
  for (const Row& row : rows) {
    HiveBuilder b;
    const int root = AddHiddenRoot(b);
    const int def = b.AddKey(root, ".DEFAULT");
    const int panel = b.AddKey(def, "Control Panel");
    b.AddKey(panel, "International", {testkit::Text("Locale", "00000419")});
    b.AddKey(root, text::Utf8ToCodePage("ソフト", CodePage::Cp932));
    if (!row.damage) b.SetKeyNodeGap(28);
    testkit::BuiltHive hive = b.Build();
    if (row.damage) row.damage(hive, b);
    EXPECT_FALSE(detect::LightReader(hive.bytes).Sound()) << row.what;
    ExpectSameChoice(hive.bytes, row.what);
  }
}

// Record numbers and owners, each where it decides whether the ACP is found: a record number
// far above the rest is still found; a key's children are found past a sibling's whole
// subtree. A number two records share and a record two keys link are where the salvage reader
// weighs the nodes' checksums (the Codepage key keeps the record named Codepage, whichever
// comes first), so the light reader steps aside there and the choice is the salvage reader's.
TEST(LightReaderTest, RecordNumbersAndOwnersAsTheSalvageReader) {
  struct Row {
    const char* what;
    std::function<void(HiveBuilder&, int early, int codepage)> build;
    std::function<void(testkit::BuiltHive&, int early, int codepage)> damage;
    bool sound;
  };
  const Row rows[] = {
      {"sound", nullptr, nullptr, true},
      {"number-shared-with-an-earlier-record",
       [](HiveBuilder& b, int early, int codepage) {
         b.SetRecordNumber(early, 7);
         b.SetRecordNumber(codepage, 7);
       },
       nullptr, false},
      {"number-shared-with-a-later-record",
       [](HiveBuilder& b, int, int codepage) {
         b.SetRecordNumber(codepage, 7);
         b.AddOrphanRecord(0, 7, "Codepage");
       },
       nullptr, false},
      {"number-far-above-the-rest", [](HiveBuilder& b, int, int codepage) { b.SetRecordNumber(codepage, 60000); },
       nullptr, true},
      {"record-linked-by-an-earlier-key", nullptr,
       [](testkit::BuiltHive& h, int early, int codepage) {
         h.PutU16(h.KeyNodeFileOffset(early) + 24, h.keyRecordNo[codepage]);
       },
       false},
      {"record-number-finds-nothing", nullptr,
       [](testkit::BuiltHive& h, int early, int) { h.PutU16(h.KeyNodeFileOffset(early) + 24, 0x0300); }, false},
  };
  const std::string path = "System\\CurrentControlSet\\Control\\Nls\\Codepage";
  for (const Row& row : rows) {
    HiveBuilder b;
    const int root = AddHiddenRoot(b);
    const int early = b.AddKey(root, "Early");
    const int system = b.AddKey(root, "System");
    const int control = b.AddKey(b.AddKey(system, "CurrentControlSet"), "Control");
    b.AddKey(b.AddKey(b.AddKey(control, "Aaa"), "Nls"), "Codepage", {testkit::Text("ACP", "1250")});
    const int codepage = b.AddKey(b.AddKey(control, "Nls"), "Codepage", {testkit::Text("ACP", "1251")});
    if (row.build) row.build(b, early, codepage);
    testkit::BuiltHive hive = b.Build();
    if (row.damage) row.damage(hive, early, codepage);
    const detect::LightReader light(hive.bytes);
    EXPECT_EQ(light.Sound(), row.sound) << row.what;
    if (row.sound) {
      EXPECT_EQ(light.TextValue(path, "ACP"), "1251") << row.what;
    }
    ExpectSameChoice(hive.bytes, row.what);
    EXPECT_EQ(detect::DetectCodePage(hive.bytes, {}).codePage, CodePage::Cp1251) << row.what;
  }
}

// A hive damaged away from the two paths the detection reads: the ACP on a path whose keys read
// as written still answers (without the salvage reader), with the salvage reader's choice. A
// key on the path that does not read as written, or a value not found, leaves the answer to
// the salvage reader.
TEST(LightReaderTest, DamageElsewhereLeavesThePathToTheAcpReadable) {
  struct Row {
    const char* what;
    bool roomForALostKey;  // a gap in the key-node block: the hive is not sound anyway
    std::function<void(testkit::BuiltHive&, int other, int second, int nls)> damage;
    bool answers;  // through the path, without the salvage reader
  };
  auto link = [](testkit::BuiltHive& h, int key, std::uint16_t number) {
    h.PutU16(h.KeyNodeFileOffset(key) + 24, number);
  };
  const Row rows[] = {
      {"room-for-a-lost-key", true, nullptr, true},
      {"link-finds-nothing-elsewhere", false,
       [&](testkit::BuiltHive& h, int other, int, int) { link(h, other, 0x0300); }, true},
      {"record-linked-by-two-keys-elsewhere", false,
       [&](testkit::BuiltHive& h, int other, int second, int) { link(h, second, h.keyRecordNo[other]); }, true},
      {"link-finds-nothing-on-the-path", false, [&](testkit::BuiltHive& h, int, int, int nls) { link(h, nls, 0x0300); },
       false},
      {"record-of-the-path-linked-by-another-key", false,
       [&](testkit::BuiltHive& h, int other, int, int nls) { link(h, other, h.keyRecordNo[nls]); }, false},
      {"wrong-checksum-on-the-path", true,
       [](testkit::BuiltHive& h, int, int, int nls) { h.PutU32(h.KeyNodeFileOffset(nls) + 4, 0x1234); }, false},
  };
  const std::string path = "System\\CurrentControlSet\\Control\\Nls\\Codepage";
  for (const Row& row : rows) {
    HiveBuilder b;
    const int root = AddHiddenRoot(b);
    const int software = b.AddKey(root, "Software");
    const int other = b.AddKey(software, "Other");
    const int second = b.AddKey(software, "Second");
    const int control = b.AddKey(b.AddKey(b.AddKey(root, "System"), "CurrentControlSet"), "Control");
    const int nls = b.AddKey(control, "Nls");
    b.AddKey(nls, "Codepage", {testkit::Text("ACP", "1251")});
    if (row.roomForALostKey) b.SetKeyNodeGap(28);
    testkit::BuiltHive hive = b.Build();
    if (row.damage) row.damage(hive, other, second, nls);
    const detect::LightReader light(hive.bytes);
    EXPECT_FALSE(light.Sound()) << row.what;
    EXPECT_TRUE(light.PathsReadable()) << row.what;
    EXPECT_EQ(light.TextValue(path, "ACP").has_value(), row.answers) << row.what;
    ExpectSameChoice(hive.bytes, row.what);
  }
}

TEST(LightReaderTest, OneByteMutantsChooseAsTheSalvageReader) {
  std::size_t sound = 0, mutants = 0;
  for (const std::vector<std::uint8_t>& base : {UserWithLocale(), SystemWithUnknownAcp()}) {
    for (std::size_t at = 0; at < base.size(); at += 3) {
      for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x20}}) {
        if (base[at] == value) continue;
        std::vector<std::uint8_t> mutant = base;
        mutant[at] = value;
        ++mutants;
        sound += detect::LightReader(mutant).Sound();
        ExpectSameChoice(mutant, "byte " + std::to_string(at) + " set to " + std::to_string(value));
      }
    }
  }
  // Most mutants change a name, a value or a checksum, which the light reader reads on.
  EXPECT_GT(sound, mutants / 3);
}

TEST(LightReaderTest, FuzzSeedsChooseAsTheSalvageReader) {
  for (const char* corpus : {"detect", "salvage", "job", "recover"}) {
    const auto dir = std::filesystem::path(QUARVEX_SAMPLES_DIR).parent_path() / "fuzz" / "corpus" / corpus;
    if (!std::filesystem::is_directory(dir)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      ExpectSameChoice(ReadFile(entry.path()), entry.path().string());
  }
}

}  // namespace
