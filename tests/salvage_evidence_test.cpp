// Which record a key is read from when its node's record link reads wrong: the node's checksum,
// the records no key reads, the parent's other children and the block's numbering decide, or
// the candidates are listed. Fixtures are hives of real shape, each damaged one named after its
// defect.
#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hive/finding.h"
#include "hive/keyname.h"
#include "salvage/check_text.h"
#include "salvage/salvage.h"
#include "testkit/hive_builder.h"

#include "tests/support/test_support.h"

namespace quarvex::salvage {
namespace {

using quarvex::testing::CountReadable;
using quarvex::testing::Readable;

using hive::Severity;
using testkit::BuiltHive;
using testkit::HiveBuilder;

constexpr int kRecNoField = 24, kBlkNoField = 26;

std::string Filler(int seed, std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) text += static_cast<char>('a' + (seed * 7 + static_cast<int>(i) * 3) % 26);
  return text;
}

std::vector<testkit::Value> SomeValues(int seed) {
  return {testkit::Text("Path", "C:\\WINDOWS\\" + Filler(seed, 48)),
          testkit::Dword("Flags", static_cast<std::uint32_t>(seed)), testkit::Binary("Data", Filler(seed + 1, 40))};
}

// A hive of the shapes real files have: an unnamed root; SOFTWARE, System and Enum; three data
// blocks of 20-60 KiB with at most 255 records each, written in shuffled order; older freed
// copies of live keys in every block (a key grows and is written elsewhere); numeric key names
// whose checksums collide ("0001" and "0010").
struct RealShape {
  BuiltHive hive;
  int software = 0, classKey = 0, ports = 0, modem = 0, portsZero = 0, portsOne = 0, portsTen = 0, modemZero = 0;
};

RealShape MakeRealShape(const std::function<void(HiveBuilder&, RealShape&)>& more = {}) {
  RealShape s;
  HiveBuilder b;
  b.SetCodePage(text::CodePage::Cp1252);
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  std::vector<int> oldCopies;
  // Block 0: the programs under SOFTWARE.
  s.software = b.AddKey(root, "SOFTWARE", {testkit::Text("", "")});
  b.PlaceInBlock(s.software, 1);
  const int ms = b.AddKey(s.software, "Microsoft");
  b.PlaceInBlock(ms, 0);
  const int windows = b.AddKey(ms, "Windows");
  const int current = b.AddKey(windows, "CurrentVersion", {testkit::Text("ProgramFilesDir", "C:\\Program Files")});
  for (int i = 0; i < 140; ++i) {
    const std::string name = "App" + std::to_string(1000 + i);
    b.AddKey(current, name, SomeValues(i));
    if (i % 17 == 0) oldCopies.push_back(b.AddKey(current, name, {testkit::Text("Path", "old")}));
  }
  // Block 1: SOFTWARE itself, the classes and the drivers under System.
  const int system = b.AddKey(root, "System");
  b.PlaceInBlock(system, 1);
  const int ccs = b.AddKey(system, "CurrentControlSet");
  const int services = b.AddKey(ccs, "Services");
  s.classKey = b.AddKey(services, "Class");
  s.ports = b.AddKey(s.classKey, "Ports",
                     {testkit::Text("", "Ports (COM & LPT)"), testkit::Text("Class", "Ports"),
                      testkit::Text("Icon", "-23"), testkit::Text("Installer", "MSPORTS.DLL")});
  oldCopies.push_back(b.AddKey(s.classKey, "Ports", {testkit::Text("", "Ports (COM & LPT)")}));
  s.portsZero = b.AddKey(s.ports, "0000", SomeValues(500));
  s.portsOne = b.AddKey(s.ports, "0001", SomeValues(501));
  s.portsTen = b.AddKey(s.ports, "0010", SomeValues(502));
  s.modem = b.AddKey(s.classKey, "Modem", {testkit::Text("", "Modem"), testkit::Text("Class", "Modem")});
  s.modemZero = b.AddKey(s.modem, "0000", SomeValues(503));
  b.AddKey(s.modem, "0001", SomeValues(504));
  for (const char* name : {"Display", "Net", "NetTrans", "Keyboard", "Monitor"}) {
    const int c = b.AddKey(s.classKey, name, {testkit::Text("", name)});
    for (int i = 0; i < 3; ++i) b.AddKey(c, "000" + std::to_string(i), SomeValues(600 + i));
  }
  const int vxd = b.AddKey(services, "VxD");
  for (int i = 0; i < 100; ++i) {
    const int k = b.AddKey(vxd, "VXD" + std::to_string(200 + i), SomeValues(700 + i));
    if (i % 13 == 0) oldCopies.push_back(b.AddKey(vxd, "VXD" + std::to_string(200 + i), {testkit::Dword("Start", 1)}));
    (void)k;
  }
  // Block 2: Enum.
  const int enumKey = b.AddKey(root, "Enum");
  b.PlaceInBlock(enumKey, 2);
  const int rootEnum = b.AddKey(enumKey, "Root");
  for (int i = 0; i < 130; ++i) {
    b.AddKey(rootEnum, "*PNP0C" + std::to_string(10 + i), SomeValues(900 + i));
    if (i % 19 == 0)
      oldCopies.push_back(b.AddKey(rootEnum, "*PNP0C" + std::to_string(10 + i), {testkit::Text("Class", "x")}));
  }
  if (more) more(b, s);
  b.ShuffleRecords(1999);
  s.hive = b.Build();
  for (int old : oldCopies) testkit::DeleteKey(s.hive, old);
  return s;
}

std::int32_t KeyOf(const SalvagedHive& hive, const BuiltHive& built, int id) {
  for (std::size_t k = 0; k < hive.keys.size(); ++k)
    if (hive.keys[k].node.value == built.keyNode[static_cast<std::size_t>(id)]) return static_cast<std::int32_t>(k);
  return kNoIndex;
}

std::string Lines(const SalvagedHive& hive) {
  std::string lines;
  for (const hive::Finding& f : hive.findings) lines += FindingLine(f) + "\n";
  return lines;
}

SalvagedHive Read(const BuiltHive& h) { return Salvage(h.bytes, {text::CodePage::Cp1252}); }

TEST(RecordEvidence, TheRealShapeIsSoundAndShapedAsRealFilesAre) {
  const RealShape s = MakeRealShape();
  const SalvagedHive hive = Read(s.hive);
  EXPECT_EQ(hive.summary.damage + hive.summary.warnings, 0u) << Lines(hive);
  ASSERT_EQ(hive.blocks.size(), 3u);
  for (const SalvagedBlock& block : hive.blocks) {
    const std::int64_t size = block.end - block.offset.value;
    EXPECT_GE(size, 20 * 1024);
    EXPECT_LE(size, 60 * 1024);
    EXPECT_LE(block.records, 255u);
    EXPECT_GT(block.freeRecords, 0u);  // the older copies, freed
  }
  EXPECT_EQ(hive.KeyPathBytes(static_cast<std::size_t>(KeyOf(hive, s.hive, s.ports))),
            "System\\CurrentControlSet\\Services\\Class\\Ports");
}

// ---- one table: each defect, the key it hits, how that key reads afterwards --------------------

enum class Outcome { Chosen, Shared, Unread };

struct EvidenceCase {
  const char* name;
  std::function<void(HiveBuilder&, RealShape&)> shape;  // extra records before the build
  std::function<void(RealShape&)> damage;
  std::function<int(const RealShape&)> key;  // the key to look at
  Outcome outcome;
  std::vector<std::pair<Severity, std::string>> nodeFindings;  // at the key's node, in order
  std::vector<std::string> texts;                              // parts of those findings' lines
};

void PutRecNo(RealShape& s, int key, std::uint16_t value) {
  s.hive.PutU16(s.hive.KeyNodeFileOffset(key) + kRecNoField, value);
}
void PutBlkNo(RealShape& s, int key, std::uint16_t value) {
  s.hive.PutU16(s.hive.KeyNodeFileOffset(key) + kBlkNoField, value);
}
std::uint16_t RecNoOf(const RealShape& s, int key) { return s.hive.keyRecordNo[static_cast<std::size_t>(key)]; }

constexpr auto D = Severity::Damage;
constexpr auto N = Severity::Note;

std::vector<EvidenceCase> EvidenceCases() {
  return {
      // One byte of Ports' record number turned it into SOFTWARE's: SOFTWARE's name gives its own
      // node's checksum, not Ports'; Ports' record, left behind, gives Ports'.
      {"DuplicateRecordNumber",
       {},
       [](RealShape& s) { PutRecNo(s, s.ports, RecNoOf(s, s.software)); },
       [](const RealShape& s) { return s.ports; },
       Outcome::Chosen,
       {{D, "RecNo"}, {N, "record"}},
       {"is read by key SOFTWARE, whose checksum its name gives; the node's checksum 0x00000198 is that of \"Ports\", "
        "and no key reads that record"}},
      // The same fault in the node the walk reads first: the later key's evidence still wins.
      {"DuplicateRecordNumberInTheKeyReadFirst",
       {},
       [](RealShape& s) { PutRecNo(s, s.software, RecNoOf(s, s.ports)); },
       [](const RealShape& s) { return s.software; },
       Outcome::Chosen,
       {{D, "RecNo"}, {N, "record"}},
       {"is read by key System\\CurrentControlSet\\Services\\Class\\Ports, whose checksum its name gives"}},
      {"LostBlockNumber",
       {},
       [](RealShape& s) { PutBlkNo(s, s.ports, 0xFFFF); },
       [](const RealShape& s) { return s.ports; },
       Outcome::Chosen,
       {{D, "BlkNo"}, {N, "record"}},
       {"Blk# 0xFFFF names no data block (3 found)"}},
      {"LostBlockAndRecordNumber",
       {},
       [](RealShape& s) {
         PutBlkNo(s, s.ports, 0xFFFF);
         PutRecNo(s, s.ports, 0xFFFF);
       },
       [](const RealShape& s) { return s.ports; },
       Outcome::Chosen,
       {{D, "BlkNo"}, {N, "record"}},
       {"Blk# and Rec# 0xFFFF link no record"}},
      {"RecordNumberOneByteOff",
       {},
       [](RealShape& s) { PutRecNo(s, s.ports, RecNoOf(s, s.ports) ^ 0x4000); },
       [](const RealShape& s) { return s.ports; },
       Outcome::Chosen,
       {{D, "RecNo"}, {N, "record"}},
       {"holds no record"}},
      // Two links crossed: each names the other's record, whose name is not its own.
      {"SwappedRecordNumbers",
       {},
       [](RealShape& s) {
         const std::uint16_t ports = RecNoOf(s, s.ports);
         PutRecNo(s, s.ports, RecNoOf(s, s.modem));
         PutRecNo(s, s.modem, ports);
       },
       [](const RealShape& s) { return s.modem; },
       Outcome::Chosen,
       {{D, "RecNo"}, {N, "record"}},
       {"is named \"Ports\", which does not give the node's checksum"}},
      // The link names a record no key reads (left by some other fault): still not Ports' name.
      {"RecordNumberOfAnOrphan",
       [](HiveBuilder& b, RealShape&) { b.AddOrphanRecord(1, 0x0200, "Obsolete"); },
       [](RealShape& s) { PutRecNo(s, s.ports, 0x0200); },
       [](const RealShape& s) { return s.ports; },
       Outcome::Chosen,
       {{D, "RecNo"}, {N, "record"}},
       {"is named \"Obsolete\""}},
      // Of two records named Ports no key reads, only the key's own is one byte from the number
      // now stored in the node.
      {"RecordNumberOneByteOffBesideANamesake",
       [](HiveBuilder& b, RealShape&) { b.AddOrphanRecord(1, 0x0202, "Ports"); },
       [](RealShape& s) { PutRecNo(s, s.ports, RecNoOf(s, s.ports) ^ 0x4000); },
       [](const RealShape& s) { return s.ports; },
       Outcome::Chosen,
       {{D, "RecNo"}, {N, "record"}},
       {"as of 2 records no key reads, of which this is the only one whose numbers differ from the node's in one "
        "byte"}},
      // "0001" gives the same checksum as "0010"; a stale record named 0001 is no candidate for
      // Ports\0010, because Ports already has a child named 0001.
      {"RecordNumberLostBesideASiblingsNamesake",
       [](HiveBuilder& b, RealShape&) { b.AddOrphanRecord(1, 0x0201, "0001"); },
       [](RealShape& s) { PutRecNo(s, s.portsTen, 0x3333); },
       [](const RealShape& s) { return s.portsTen; },
       Outcome::Chosen,
       {{D, "RecNo"}, {N, "record"}},
       {"is that of \"0010\""}},
      // Ambiguous: Modem\0000 now links Ports\0000's record, whose name gives both nodes'
      // checksums; Modem\0000's own record fits both as well. Nothing tells which node was hit.
      {"DuplicateRecordNumberBetweenNamesakes",
       {},
       [](RealShape& s) { PutRecNo(s, s.modemZero, RecNoOf(s, s.portsZero)); },
       [](const RealShape& s) { return s.modemZero; },
       Outcome::Shared,
       {{D, "RecNo"}, {D, "record candidates"}},
       {"2 records fit the node's checksum 0x000000C0: record ",
        "(read by key System\\CurrentControlSet\\Services\\Class\\Ports\\0000)", "\"0000\" (no key reads it)",
        "it shows the name of the record its link names, without values"}},
      // Ambiguous: the number names nothing, two records named Ports fit and neither is a byte
      // away; the freed older copy is listed as well.
      {"RecordNumberLostBetweenNamesakes",
       [](HiveBuilder& b, RealShape&) { b.AddOrphanRecord(1, 0x0202, "Ports"); },
       [](RealShape& s) { PutRecNo(s, s.ports, 0x3333); },
       [](const RealShape& s) { return s.ports; },
       Outcome::Unread,
       {{D, "RecNo"}, {D, "record candidates"}},
       {"the key's record is missing", "3 records fit the node's checksum 0x00000198: record ",
        "\"Ports\" (no key reads it); record 0x0202 of block 1", "\"Ports\" (no key reads it); freed record at ",
        "its name and values stay unread"}},
      // The key's record was freed: only freed records named Ports are left (the older copy too),
      // which are listed and never read as the key's.
      {"RecordFreed",
       {},
       [](RealShape& s) { testkit::FreeRecord(s.hive, s.hive.keyRecord[static_cast<std::size_t>(s.ports)]); },
       [](const RealShape& s) { return s.ports; },
       Outcome::Unread,
       {{D, "RecNo"}, {D, "record candidates"}},
       {"freed record at ", "\"Ports\""}},
  };
}

class SalvageEvidence : public ::testing::TestWithParam<EvidenceCase> {};

TEST_P(SalvageEvidence, ReadsTheKeyAsTheEvidenceSays) {
  const EvidenceCase& c = GetParam();
  const RealShape soundShape = MakeRealShape(c.shape);
  const SalvagedHive sound = Read(soundShape.hive);
  RealShape s = MakeRealShape(c.shape);
  c.damage(s);
  const SalvagedHive hive = Read(s.hive);
  const std::string lines = Lines(hive);
  const int id = c.key(s);
  const std::int32_t k = KeyOf(hive, s.hive, id);
  ASSERT_NE(k, kNoIndex) << lines;
  const SalvagedKey& key = hive.keys[static_cast<std::size_t>(k)];
  const std::int32_t soundKey = KeyOf(sound, soundShape.hive, id);
  const std::string soundPath = sound.KeyPathBytes(static_cast<std::size_t>(soundKey));
  const SalvagedRecord& soundRecord =
      sound.records[static_cast<std::size_t>(sound.keys[static_cast<std::size_t>(soundKey)].record)];

  std::vector<std::pair<Severity, std::string>> atNode;
  std::string nodeLines;
  for (const hive::Finding& f : hive.findings) {
    if (f.offset.value != s.hive.KeyNodeFileOffset(id)) continue;
    atNode.emplace_back(f.severity, f.field);
    nodeLines += FindingLine(f) + "\n";
  }
  EXPECT_EQ(atNode, c.nodeFindings) << lines;
  for (const std::string& part : c.texts)
    EXPECT_NE(nodeLines.find(part), std::string::npos) << part << "\n" << nodeLines;
  EXPECT_GT(hive.summary.damage, 0u);  // the link is wrong: a reader that follows it loses the key

  const Readable before = CountReadable(sound), after = CountReadable(hive);
  switch (c.outcome) {
    case Outcome::Chosen: {
      // The key reads as in the sound file, name and values, and nothing is lost anywhere.
      EXPECT_EQ(hive.KeyPathBytes(static_cast<std::size_t>(k)), soundPath) << lines;
      ASSERT_NE(key.record, kNoIndex);
      const SalvagedRecord& record = hive.records[static_cast<std::size_t>(key.record)];
      EXPECT_EQ(record.key, k);
      EXPECT_EQ(record.offset, soundRecord.offset);
      EXPECT_EQ(record.valueCount, soundRecord.valueCount);
      EXPECT_EQ(after.keys, before.keys) << lines;
      EXPECT_EQ(after.values, before.values) << lines;
      EXPECT_EQ(hive.summary.keysUnreadable, 0u);
      break;
    }
    case Outcome::Shared:
      // The name read is the key's (its checksum fits), its values are not shown: they may be the
      // other key's.
      EXPECT_EQ(hive.KeyPathBytes(static_cast<std::size_t>(k)), soundPath) << lines;
      ASSERT_NE(key.record, kNoIndex);
      EXPECT_NE(hive.records[static_cast<std::size_t>(key.record)].key, k);
      EXPECT_LT(after.values, before.values);
      break;
    case Outcome::Unread:
      EXPECT_EQ(key.record, kNoIndex) << lines;
      EXPECT_EQ(hive.summary.keysUnreadable, 1u);
      EXPECT_LT(after.keys, before.keys);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, SalvageEvidence, ::testing::ValuesIn(EvidenceCases()),
                         [](const auto& row) { return std::string(row.param.name); });

// A key found between the nodes (no link reaches it) whose record link is wrong as well: taken
// in by its parent, read from its own record by its checksum.
TEST(RecordEvidence, LostNodeWithAWrongRecordNumberIsReadToo) {
  RealShape s = MakeRealShape([](HiveBuilder& b, RealShape&) { b.AddOrphanRecord(1, 0x0200, "Obsolete"); });
  // Ports' NextOfs skips Modem: no link reaches it.
  s.hive.PutU32(s.hive.KeyNodeFileOffset(s.ports) + 20, s.hive.GetU32(s.hive.KeyNodeFileOffset(s.modem) + 20));
  PutRecNo(s, s.modem, 0x0200);
  const SalvagedHive hive = Read(s.hive);
  const std::int32_t k = KeyOf(hive, s.hive, s.modem);
  ASSERT_NE(k, kNoIndex) << Lines(hive);
  EXPECT_TRUE(hive.keys[static_cast<std::size_t>(k)].lost);
  EXPECT_EQ(hive.KeyPathBytes(static_cast<std::size_t>(k)), "System\\CurrentControlSet\\Services\\Class\\Modem");
  EXPECT_EQ(hive.summary.keysUnreadable, 0u) << Lines(hive);
  const SalvagedRecord& record = hive.records[static_cast<std::size_t>(hive.keys[static_cast<std::size_t>(k)].record)];
  EXPECT_EQ(record.offset.value, s.hive.keyRecord[static_cast<std::size_t>(s.modem)]);
}

// Every node's record number overwritten with SOFTWARE's: in SOFTWARE's block all links name
// one record, in the others each names some key's record. SOFTWARE keeps its own; a key whose
// name's checksum no other record left behind has (Ports) is read back; keys of colliding
// checksums ("0001" and "0010", App1001 and App1010) are not guessed but each carries damage;
// no key shows a name the checksums give to another key; a record's values count once.
TEST(RecordEvidence, EveryNodeOnOneRecordNumber) {
  const RealShape soundShape = MakeRealShape();
  const SalvagedHive sound = Read(soundShape.hive);
  RealShape s = MakeRealShape();
  for (int id = 0; id < static_cast<int>(s.hive.keyNode.size()); ++id)
    if (s.hive.keyRecordNo[static_cast<std::size_t>(id)] != 0xFFFF && id != s.software)
      PutRecNo(s, id, RecNoOf(s, s.software));
  const SalvagedHive hive = Read(s.hive);
  ASSERT_EQ(hive.keys.size(), sound.keys.size());
  EXPECT_EQ(hive.KeyPathBytes(static_cast<std::size_t>(KeyOf(hive, s.hive, s.software))), "SOFTWARE");
  EXPECT_EQ(hive.KeyPathBytes(static_cast<std::size_t>(KeyOf(hive, s.hive, s.ports))),
            "System\\CurrentControlSet\\Services\\Class\\Ports");
  std::vector<bool> damaged(hive.image.size(), false);
  for (const hive::Finding& f : hive.findings)
    if (f.severity == Severity::Damage) damaged[static_cast<std::size_t>(f.offset.value)] = true;
  std::size_t values = 0;
  for (std::size_t k = 1; k < hive.keys.size(); ++k) {
    const SalvagedKey& key = hive.keys[k];
    const bool own = key.record != kNoIndex &&
                     hive.records[static_cast<std::size_t>(key.record)].key == static_cast<std::int32_t>(k);
    if (!own) {
      EXPECT_TRUE(damaged[static_cast<std::size_t>(key.node.InFile().value)]) << hive.KeyPathBytes(k);
    }
    if (key.record == kNoIndex) continue;
    const SalvagedRecord& record = hive.records[static_cast<std::size_t>(key.record)];
    if (own) {
      values += record.valueCount;
      continue;
    }
    // Read from another key's record: only where the checksums cannot tell the two apart.
    const std::uint32_t sum = hive::KeyNameChecksum(key.name, text::LeadByteSet::For(text::CodePage::Cp1252));
    const std::uint32_t holderSum = hive.keys[static_cast<std::size_t>(record.key)].fields.Chksum;
    EXPECT_TRUE(sum == key.fields.Chksum || sum != holderSum) << hive.KeyPathBytes(k);
  }
  EXPECT_EQ(hive.summary.values, values);
}

}  // namespace
}  // namespace quarvex::salvage
