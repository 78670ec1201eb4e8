// The salvage reader: one table of damaged hives, each named after its defect, with the exact
// findings it must produce; then the real Windows Me hive, truncations and loops.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hive/finding.h"
#include "salvage/check_text.h"
#include "salvage/salvage.h"
#include "testkit/hive_builder.h"

namespace quarvex::salvage {
namespace {

using hive::Severity;
using hive::Structure;
using testkit::BuiltHive;
using testkit::HiveBuilder;

// Keys of the small hive every fixture starts from.
enum Key { kRoot, kSoftware, kMicrosoft, kControlPanel, kDesktop, kColors };

// Root without a record (as in real files), two top-level branches, values of each kind, a
// free key node and a free record: a healthy hive with nothing to report.
HiveBuilder SmallHive() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {testkit::Text("", "default")});
  b.AddKey(software, "Microsoft", {testkit::Dword("Version", 4), testkit::Text("Name", "Quarvex")});
  const int control = b.AddKey(root, "Control Panel", {testkit::Text("Wallpaper", "(None)")});
  b.AddKey(control, "Desktop", {testkit::Binary("Pattern", std::string("\x01\x02\x03", 3))});
  b.AddKey(control, "Colors", {testkit::Text("Window", "255 255 255")});
  b.AddFreeKeyNode(28);
  b.AddFreeRecord(0, 40);
  return b;
}

// The same keys over two data blocks (Control Panel and below in block 1).
HiveBuilder TwoBlockHive() {
  HiveBuilder b = SmallHive();
  b.PlaceInBlock(kControlPanel, 1);
  b.PlaceInBlock(kDesktop, 1);
  b.PlaceInBlock(kColors, 1);
  return b;
}

// Offsets of a key's node fields and of its record's fields.
std::int64_t Node(const BuiltHive& h, int key, int field) { return h.KeyNodeFileOffset(key) + field; }
std::int64_t Rec(const BuiltHive& h, int key, int field) { return h.keyRecord[static_cast<std::size_t>(key)] + field; }
constexpr int kUprOfs = 12, kLwrOfs = 16, kNextOfs = 20, kRecNoField = 24, kBlkNoField = 26;
constexpr int kRecNext = 0, kRecRecNo = 4, kRecBlkNo = 6, kRecSize = 8, kRecDatN = 14, kRecName = 20;

struct Expected {
  Severity severity;
  Structure structure;
  std::int64_t offset;
  std::string field;
  friend bool operator==(const Expected&, const Expected&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Expected& e) {
    return os << hive::SeverityName(e.severity) << " " << hive::StructureName(e.structure) << " @"
              << hive::Hex32(static_cast<std::uint32_t>(e.offset)) << " " << e.field;
  }
};

struct DamageCase {
  const char* name;
  std::function<HiveBuilder()> shape;
  std::function<void(BuiltHive&)> damage;
  std::function<std::vector<Expected>(const BuiltHive&)> expected;
  std::size_t keys;  // keys the salvage reader still gets
};

constexpr auto D = Severity::Damage;
constexpr auto W = Severity::Warning;
constexpr auto N = Severity::Note;

std::vector<DamageCase> DamageCases() {
  return {
      {"Healthy", SmallHive, [](BuiltHive&) {}, [](const BuiltHive&) { return std::vector<Expected>{}; }, 6},
      // A free record of 18 bytes, fewer than a record in use's 20-byte header, closes the
      // block and ends its free list: sound (the generator makes such files, the report reads
      // them), so no finding.
      {"FreeRecordSmallerThanARecordHeaderEndsTheBlock",
       [] {
         HiveBuilder b = SmallHive();
         b.AddFreeRecord(0, 18);
         return b;
       },
       [](BuiltHive&) {}, [](const BuiltHive&) { return std::vector<Expected>{}; }, 6},
      {"FreeKeyListHeadZero",
       [] {
         HiveBuilder b = SmallHive();
         b = HiveBuilder();  // as the hand-made files of other libraries: no free node at all
         const int root = b.AddKey(HiveBuilder::kRootParent, "");
         b.SetNoRecord(root);
         b.AddKey(root, "Software");
         return b;
       },
       [](BuiltHive& h) { h.PutU32(44, 0); },
       [](const BuiltHive&) {
         return std::vector<Expected>{{W, Structure::RgknHeader, 32, "iERecOfs"}};
       },
       2},
      {"RecordCountZero", SmallHive,
       [](BuiltHive& h) {
         h.PutU16(h.block[0] + 20, 0);  // wMaxRecNo
         h.PutU16(h.block[0] + 22, 0);  // wRecNum
       },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{W, Structure::RgdbHeader, h.block[0], "wMaxRecNo"}};
       },
       6},
      {"SiblingChainLoopsBack", SmallHive,
       [](BuiltHive& h) { h.PutU32(Node(h, kColors, kNextOfs), static_cast<std::uint32_t>(h.keyNode[kDesktop])); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::KeyNode, Node(h, kColors, 0), "NextOfs"}};
       },
       6},
      {"ChildLinkLoopsToRoot", SmallHive,
       [](BuiltHive& h) { h.PutU32(Node(h, kMicrosoft, kLwrOfs), static_cast<std::uint32_t>(h.keyNode[kRoot])); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::KeyNode, Node(h, kMicrosoft, 0), "LwrOfs"}};
       },
       6},
      {"ChildLinkLeavesBlock", SmallHive, [](BuiltHive& h) { h.PutU32(Node(h, kSoftware, kLwrOfs), 0x7FFFFFF0); },
       [](const BuiltHive& h) {
         // The cut-off node is found between the others and read under its UprOfs parent.
         return std::vector<Expected>{{D, Structure::KeyNode, Node(h, kSoftware, 0), "LwrOfs"},
                                      {D, Structure::KeyNode, Node(h, kMicrosoft, 0), "links to it"}};
       },
       6},
      {"ParentLinkDisagrees", SmallHive,
       [](BuiltHive& h) { h.PutU32(Node(h, kDesktop, kUprOfs), static_cast<std::uint32_t>(h.keyNode[kRoot])); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::KeyNode, Node(h, kDesktop, 0), "UprOfs"}};
       },
       6},
      {"RootLinkLeavesBlock", SmallHive, [](BuiltHive& h) { h.PutU32(40, 0x00100000); },
       [](const BuiltHive& h) {
         // Every node is lost and found again between the others, the unnamed root by its
         // first child naming it as parent.
         return std::vector<Expected>{{D, Structure::RgknHeader, 32, "iRec1stOfs"},
                                      {D, Structure::KeyNode, Node(h, kRoot, 0), "links to it"},
                                      {D, Structure::KeyNode, Node(h, kSoftware, 0), "links to it"},
                                      {D, Structure::KeyNode, Node(h, kMicrosoft, 0), "links to it"},
                                      {D, Structure::KeyNode, Node(h, kControlPanel, 0), "links to it"},
                                      {D, Structure::KeyNode, Node(h, kDesktop, 0), "links to it"},
                                      {D, Structure::KeyNode, Node(h, kColors, 0), "links to it"}};
       },
       6},
      {"RecordSizeZero", SmallHive, [](BuiltHive& h) { h.PutU32(Rec(h, kMicrosoft, kRecSize), 0); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::DataRecord, Rec(h, kMicrosoft, 0), "RecSize"}};
       },
       6},
      {"RecordChainLinkZero", SmallHive, [](BuiltHive& h) { h.PutU32(Rec(h, kMicrosoft, kRecNext), 0); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::DataRecord, Rec(h, kMicrosoft, 0), "NextOfs"},
                                      {N, Structure::DataRecord, Rec(h, kControlPanel, 0), "record chain"}};
       },
       6},
      {"RecordChainLeavesBlock", SmallHive, [](BuiltHive& h) { h.PutU32(Rec(h, kSoftware, kRecNext), 0x01000000); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::DataRecord, Rec(h, kSoftware, 0), "NextOfs"},
                                      {N, Structure::DataRecord, Rec(h, kMicrosoft, 0), "record chain"}};
       },
       6},
      {"RecordInWrongBlock", SmallHive, [](BuiltHive& h) { h.PutU16(Rec(h, kDesktop, kRecBlkNo), 7); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::DataRecord, Rec(h, kDesktop, 0), "BlkNo"}};
       },
       6},
      // The record's number is Desktop's now: Colors' node finds no record of its number, and
      // its record, whose name gives the node's checksum, is read as its own (a note says so).
      {"DuplicateRecordNumber", SmallHive,
       [](BuiltHive& h) { h.PutU16(Rec(h, kColors, kRecRecNo), h.keyRecordNo[kDesktop]); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::KeyNode, Node(h, kColors, 0), "RecNo"},
                                      {N, Structure::KeyNode, Node(h, kColors, 0), "record"},
                                      {D, Structure::DataRecord, Rec(h, kColors, 0), "RecNo"}};
       },
       6},
      // The record no link reaches any more is found by the node's checksum: no orphan left.
      {"KeyRecordMissing", SmallHive, [](BuiltHive& h) { h.PutU16(Node(h, kDesktop, kRecNoField), 0x0050); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::KeyNode, Node(h, kDesktop, 0), "RecNo"},
                                      {N, Structure::KeyNode, Node(h, kDesktop, 0), "record"}};
       },
       6},
      {"KeyBlockMissing", SmallHive, [](BuiltHive& h) { h.PutU16(Node(h, kDesktop, kBlkNoField), 3); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::KeyNode, Node(h, kDesktop, 0), "BlkNo"},
                                      {N, Structure::KeyNode, Node(h, kDesktop, 0), "record"}};
       },
       6},
      // Colors links Desktop's record, whose name gives Desktop's checksum, not Colors': Colors
      // is read from its own record, left behind (no ghost, no orphan).
      {"TwoKeysShareRecord", SmallHive,
       [](BuiltHive& h) { h.PutU16(Node(h, kColors, kRecNoField), h.keyRecordNo[kDesktop]); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::KeyNode, Node(h, kColors, 0), "RecNo"},
                                      {N, Structure::KeyNode, Node(h, kColors, 0), "record"}};
       },
       6},
      {"GhostChecksum",
       [] {
         HiveBuilder b = SmallHive();
         b.SetChecksum(kDesktop, 0x1234);
         return b;
       },
       [](BuiltHive&) {},
       [](const BuiltHive& h) {
         return std::vector<Expected>{{W, Structure::KeyNode, Node(h, kDesktop, 0), "Chksum"}};
       },
       6},
      {"OrphanRecord",
       [] {
         HiveBuilder b = SmallHive();
         b.AddOrphanRecord(0, 40, "Deleted");
         return b;
       },
       [](BuiltHive&) {},
       [](const BuiltHive& h) {
         return std::vector<Expected>{{W, Structure::DataRecord, h.orphanRecords[0], "key"}};
       },
       6},
      {"ValueDataPastRecord", SmallHive, [](BuiltHive& h) { h.PutU16(Rec(h, kMicrosoft, 20 + 9 + 10), 0x4000); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::Value, Rec(h, kMicrosoft, 20 + 9), "VL"}};
       },
       6},
      {"ValueCountPastRecord", SmallHive, [](BuiltHive& h) { h.PutU16(Rec(h, kDesktop, kRecDatN), 9); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::DataRecord, Rec(h, kDesktop, 0), "DatN"}};
       },
       6},
      {"KeyNamePastRecord", SmallHive, [](BuiltHive& h) { h.PutU16(Rec(h, kColors, 12), 0x0400); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{W, Structure::KeyNode, Node(h, kColors, 0), "Chksum"},
                                      {D, Structure::DataRecord, Rec(h, kColors, 0), "KeyL"},
                                      {D, Structure::DataRecord, Rec(h, kColors, 0), "DatN"}};
       },
       6},
      {"UnknownValueType",
       [] {
         HiveBuilder b;
         const int root = b.AddKey(HiveBuilder::kRootParent, "");
         b.SetNoRecord(root);
         b.AddKey(root, "Odd", {testkit::Binary("Strange", "xy", 0x0123)});
         return b;
       },
       [](BuiltHive&) {},
       [](const BuiltHive& h) {
         return std::vector<Expected>{{W, Structure::Value, Rec(h, 1, kRecName + 3), "Atr"}};
       },
       2},
      {"FreeRecordListLoopsBack", SmallHive,
       [](BuiltHive& h) {
         h.PutU32(h.block[0] + h.freeRecords[0][0] + 8, static_cast<std::uint32_t>(h.freeRecords[0][0]));
       },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::FreeDataRecord, h.block[0] + h.freeRecords[0][0], "NextOfs"}};
       },
       6},
      {"FreeRecordListIntoRecordInUse", SmallHive,
       [](BuiltHive& h) { h.PutU32(h.block[0] + 16, static_cast<std::uint32_t>(h.keyRecord[kDesktop] - h.block[0])); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::RgdbHeader, h.block[0], "iERecOfs"},
                                      {N, Structure::FreeDataRecord, h.block[0] + h.freeRecords[0][0], "free list"}};
       },
       6},
      {"FreeRecordListHeadZero", SmallHive, [](BuiltHive& h) { h.PutU32(h.block[0] + 16, 0); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{W, Structure::RgdbHeader, h.block[0], "iERecOfs"},
                                      {N, Structure::FreeDataRecord, h.block[0] + h.freeRecords[0][0], "free list"}};
       },
       6},
      {"FreeKeyListLoopsBack", SmallHive,
       [](BuiltHive& h) { h.PutU32(32 + h.freeKeyNodes[0] + 8, static_cast<std::uint32_t>(h.freeKeyNodes[0])); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::FreeKeyNode, 32 + h.freeKeyNodes[0], "NextOfs"}};
       },
       6},
      {"FreeKeyListOntoKeyNode", SmallHive,
       [](BuiltHive& h) { h.PutU32(44, static_cast<std::uint32_t>(h.keyNode[kColors])); },
       [](const BuiltHive& h) {
         // The key node read as a free area: its checksum field as Size runs past the block,
         // its Unk1 as NextOfs is 0, and it overlaps the node.
         return std::vector<Expected>{{D, Structure::FreeKeyNode, Node(h, kColors, 0), "Size"},
                                      {D, Structure::FreeKeyNode, Node(h, kColors, 0), "NextOfs"},
                                      {D, Structure::FreeKeyNode, Node(h, kColors, 0), "position"}};
       },
       6},
      {"KeyNodeBlockSizeWrong", SmallHive, [](BuiltHive& h) { h.PutU32(36, 0x00010000); },
       [](const BuiltHive&) {
         return std::vector<Expected>{{D, Structure::RgknHeader, 32, "iBlkSize"}};
       },
       6},
      {"FirstBlockOffsetWrong", SmallHive, [](BuiltHive& h) { h.PutU32(8, 0x00000300); },
       [](const BuiltHive&) {
         return std::vector<Expected>{{D, Structure::CregHeader, 0, "iRGDB1st"}};
       },
       6},
      {"BlockCountTooHigh", TwoBlockHive, [](BuiltHive& h) { h.PutU16(16, 5); },
       [](const BuiltHive&) {
         return std::vector<Expected>{{D, Structure::CregHeader, 0, "wDBblks"}};
       },
       6},
      {"BlockSizeTooSmall", TwoBlockHive, [](BuiltHive& h) { h.PutU32(h.block[0] + 4, 0x10); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::RgdbHeader, h.block[0], "iBlkSize"},
                                      {N, Structure::RgdbHeader, h.block[1], "signature"}};
       },
       6},
      {"BlockSignatureDamaged", TwoBlockHive,
       [](BuiltHive& h) { h.bytes[static_cast<std::size_t>(h.block[1]) + 3] = 'X'; },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{D, Structure::RgdbHeader, h.block[1], "signature"}};
       },
       6},
      {"DeadGapsBetweenKeyNodes",
       [] {
         HiveBuilder b = SmallHive();
         b.SetKeyNodeGap(8);  // as real files leave at page ends: not damage
         return b;
       },
       [](BuiltHive&) {},
       [](const BuiltHive& h) {
         return std::vector<Expected>{{N, Structure::KeyNode, Node(h, kRoot, 28), "dead gaps"}};
       },
       6},
      {"TrailingBytesAfterLastBlock", SmallHive, [](BuiltHive& h) { h.bytes.resize(h.bytes.size() + 64, 0); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{W, Structure::File, static_cast<std::int64_t>(h.bytes.size()) - 64, "size"}};
       },
       6},
      {"TruncatedInsideLastRecord", SmallHive,
       [](BuiltHive& h) { h.bytes.resize(static_cast<std::size_t>(Rec(h, kColors, 30))); },
       [](const BuiltHive& h) {
         return std::vector<Expected>{{N, Structure::RgdbHeader, h.block[0], "iERecOfs"},
                                      {D, Structure::DataRecord, Rec(h, kColors, 0), "DatN"},
                                      {D, Structure::DataRecord, Rec(h, kColors, 0), "NextOfs"},
                                      {D, Structure::File, Rec(h, kColors, 30), "size"}};
       },
       6},
  };
}

class SalvageDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(SalvageDamage, GivesExactlyItsFindings) {
  const DamageCase& c = GetParam();
  BuiltHive built = c.shape().Build();
  c.damage(built);
  const SalvagedHive hive = Salvage(built.bytes);
  std::vector<Expected> got;
  for (const hive::Finding& f : hive.findings) got.push_back({f.severity, f.structure, f.offset.value, f.field});
  std::string lines;
  for (const hive::Finding& f : hive.findings) lines += FindingLine(f) + "\n";
  EXPECT_EQ(got, c.expected(built)) << lines;
  EXPECT_EQ(hive.summary.keys, c.keys) << lines;
  EXPECT_TRUE(hive.isHive);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, SalvageDamage, ::testing::ValuesIn(DamageCases()),
                         [](const auto& row) { return std::string(row.param.name); });

// ---- the grade rule: damage where something can no longer be read, a warning only where ----
// ---- nothing is lost ---------------------------------------------------------------------

// Keys read from a record of their own, and values read whole.
std::pair<std::size_t, std::size_t> Readable(const SalvagedHive& hive) {
  std::size_t keys = 0, values = 0;
  for (std::size_t k = 0; k < hive.keys.size(); ++k) {
    const std::int32_t r = hive.keys[k].record;
    if (r == kNoIndex || hive.records[static_cast<std::size_t>(r)].key != static_cast<std::int32_t>(k)) continue;
    ++keys;
    const SalvagedRecord& record = hive.records[static_cast<std::size_t>(r)];
    for (std::uint32_t v = 0; v < record.valueCount; ++v) values += hive.values[record.firstValue + v].cut ? 0 : 1;
  }
  return {keys, values};
}

struct GradeCase {
  const char* name;
  std::function<HiveBuilder()> shape;
  std::function<void(BuiltHive&)> damage;
  Structure structure;  // the finding the defect makes
  std::string field;
  Severity grade;
  bool lost;  // fewer keys or values can be read than in the sound hive
};

std::vector<GradeCase> GradeCases() {
  // Desktop's name no longer gives its node's checksum: no evidence can find its record.
  const auto renameDesktop = [](BuiltHive& h) { h.bytes[static_cast<std::size_t>(Rec(h, kDesktop, kRecName))] = 'X'; };
  return {
      // A key's name and values unreadable: damage, whatever structure the fault is in.
      {"KeyBelowTheTopWithoutRecordNumbers", SmallHive,
       [=](BuiltHive& h) {
         renameDesktop(h);
         h.PutU32(Node(h, kDesktop, kRecNoField), 0xFFFFFFFF);
       },
       Structure::KeyNode, "BlkNo", D, true},
      {"KeyRecordNumberNamesNothing", SmallHive,
       [=](BuiltHive& h) {
         renameDesktop(h);
         h.PutU16(Node(h, kDesktop, kRecNoField), 0x0050);
       },
       Structure::KeyNode, "RecNo", D, true},
      {"ValueRunsPastItsRecord", SmallHive, [](BuiltHive& h) { h.PutU16(Rec(h, kMicrosoft, 20 + 9 + 10), 0x4000); },
       Structure::Value, "VL", D, true},
      // Found again by the evidence: nothing lost here, but a reader that follows the link
      // (Windows) loses the key, so the link stays damage; a note says how it was read.
      {"KeyBelowTheTopWithoutRecordNumbersFoundByChecksum", SmallHive,
       [](BuiltHive& h) { h.PutU32(Node(h, kDesktop, kRecNoField), 0xFFFFFFFF); }, Structure::KeyNode, "BlkNo", D,
       false},
      {"RecordSizeWrong", SmallHive, [](BuiltHive& h) { h.PutU32(Rec(h, kMicrosoft, kRecSize), 0); },
       Structure::DataRecord, "RecSize", D, false},
      // Nothing lost: warnings.
      {"GhostChecksum", SmallHive, [](BuiltHive& h) { h.PutU32(Node(h, kDesktop, 4), 0x1234); }, Structure::KeyNode,
       "Chksum", W, false},
      {"FreeRecordListHeadZero", SmallHive, [](BuiltHive& h) { h.PutU32(h.block[0] + 16, 0); }, Structure::RgdbHeader,
       "iERecOfs", W, false},
      {"HighestRecordNumberTooLow", SmallHive, [](BuiltHive& h) { h.PutU16(h.block[0] + 20, 1); },
       Structure::RgdbHeader, "wMaxRecNo", W, false},
      {"OrphanRecord",
       [] {
         HiveBuilder b = SmallHive();
         b.AddOrphanRecord(0, 40, "Deleted");
         return b;
       },
       [](BuiltHive&) {}, Structure::DataRecord, "key", W, false},
      // The block's last free record one byte short: a byte no record header fits in.
      {"ByteTooFewForARecordAtTheBlocksEnd", SmallHive,
       [](BuiltHive& h) { h.PutU32(h.block[0] + h.freeRecords[0][0], 39); }, Structure::DataRecord, "header", W, false},
      {"BytesAfterTheLastBlock", SmallHive, [](BuiltHive& h) { h.bytes.resize(h.bytes.size() + 64, 0); },
       Structure::File, "size", W, false},
  };
}

class SalvageGrade : public ::testing::TestWithParam<GradeCase> {};

TEST_P(SalvageGrade, GradeFollowsWhatIsLost) {
  const GradeCase& c = GetParam();
  const BuiltHive sound = c.shape().Build();
  BuiltHive built = sound;
  c.damage(built);
  const SalvagedHive hive = Salvage(built.bytes);
  std::string lines;
  for (const hive::Finding& f : hive.findings) lines += FindingLine(f) + "\n";
  const auto finding = std::find_if(hive.findings.begin(), hive.findings.end(), [&](const hive::Finding& f) {
    return f.structure == c.structure && f.field == c.field;
  });
  ASSERT_NE(finding, hive.findings.end()) << lines;
  EXPECT_EQ(finding->severity, c.grade) << lines;
  const auto before = Readable(Salvage(sound.bytes)), after = Readable(hive);
  EXPECT_EQ(after.first < before.first || after.second < before.second, c.lost) << lines;
  // The rule itself: loss is never left without damage, and healthy means nothing lost.
  if (c.lost) {
    EXPECT_GT(hive.summary.damage, 0u) << lines;
  }
  if (hive.summary.damage == 0) {
    EXPECT_EQ(SummaryText(hive).rfind("healthy", 0), 0u);
    EXPECT_EQ(hive.summary.keysUnreadable + hive.summary.valuesUnreadable + hive.summary.bytesLost, 0u) << lines;
  }
}

INSTANTIATE_TEST_SUITE_P(Rules, SalvageGrade, ::testing::ValuesIn(GradeCases()),
                         [](const auto& row) { return std::string(row.param.name); });

// What is read of a damaged hive, beyond the findings.
TEST(Salvage, ReadsNamesAndValuesPastABrokenRecordChain) {
  BuiltHive h = SmallHive().Build();
  h.PutU32(Rec(h, kSoftware, kRecNext), 0);
  const SalvagedHive hive = Salvage(h.bytes);
  std::vector<std::string> paths;
  for (std::size_t k = 0; k < hive.keys.size(); ++k) paths.push_back(hive.KeyPathBytes(k));
  EXPECT_EQ(paths, (std::vector<std::string>{"", "Software", "Software\\Microsoft", "Control Panel",
                                             "Control Panel\\Desktop", "Control Panel\\Colors"}));
  EXPECT_EQ(hive.summary.values, 6u);
  EXPECT_EQ(hive.summary.keysUnreadable, 0u);
}

TEST(Salvage, LostNodeIsReadUnderItsParent) {
  BuiltHive h = SmallHive().Build();
  h.PutU32(Node(h, kSoftware, kLwrOfs), 0x7FFFFFF0);
  const SalvagedHive hive = Salvage(h.bytes);
  ASSERT_EQ(hive.keys.size(), 6u);
  EXPECT_TRUE(hive.keys.back().lost);
  EXPECT_EQ(hive.KeyPathBytes(hive.keys.size() - 1), "Software\\Microsoft");
}

TEST(Salvage, MutualSiblingLoopIsCutAndEveryKeyReadOnce) {
  HiveBuilder b = SmallHive();
  for (int i = 0; i < 20; ++i) b.AddKey(kDesktop, "Key" + std::to_string(i));
  BuiltHive h = b.Build();
  // Key19 -> Key5: the chain comes back onto itself behind the start.
  h.PutU32(Node(h, 6 + 19, kNextOfs), static_cast<std::uint32_t>(h.keyNode[6 + 5]));
  const SalvagedHive hive = Salvage(h.bytes);
  EXPECT_EQ(hive.keys.size(), 26u);
  ASSERT_EQ(hive.summary.damage, 1u);
  EXPECT_EQ(hive.findings[0].field, "NextOfs");
  EXPECT_EQ(hive.findings[0].keyPath, "Control Panel\\Desktop\\Key19");
}

// Every prefix of a hive is read to its last byte: never more keys than the whole, damage as
// soon as something is cut, the truncation named.
TEST(Salvage, TruncatedFileIsReadToItsLastByte) {
  HiveBuilder b = TwoBlockHive();
  const BuiltHive whole = b.Build();
  for (std::size_t cut = 0; cut < whole.bytes.size(); cut += 7) {
    const std::vector<std::uint8_t> prefix(whole.bytes.begin(), whole.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    const SalvagedHive hive = Salvage(prefix);
    if (cut < 4) {
      EXPECT_FALSE(hive.isHive) << cut;
      continue;
    }
    EXPECT_GT(hive.summary.damage, 0u) << cut;
    EXPECT_LE(hive.keys.size(), 6u) << cut;
    const bool named = std::any_of(hive.findings.begin(), hive.findings.end(), [](const hive::Finding& f) {
      return f.structure == Structure::File && f.field == "size" && f.severity == Severity::Damage;
    });
    EXPECT_TRUE(named) << cut;
  }
}

// A cut loses what it took away: the bytes the headers still place past the end count as lost,
// as a least count when whole data blocks are gone with them, which the summary then names (so
// that "at least" is not read as all that was lost). Cut inside the last block, the count is
// exactly what was cut.
TEST(Salvage, CutBytesCountAsLost) {
  const BuiltHive whole = TwoBlockHive().Build();
  const auto size = static_cast<std::int64_t>(whole.bytes.size());
  const std::int64_t rgknEnd = 32 + whole.rgknSize;
  const std::int64_t second = whole.block[1];
  struct Case {
    const char* where;
    std::int64_t cut;
    std::uint64_t pastEnd;
    bool atLeast;
    const char* blocksGone;  // what the summary says of the blocks past the end, if anything
  };
  const Case cases[] = {
      {"inside the last block", size - 100, 100, false, nullptr},
      {"one byte short", size - 1, 1, false, nullptr},
      {"inside the last block's header, its size still there", second + 10,
       static_cast<std::uint64_t>(size - second - 10), false, nullptr},
      {"inside the last block's size field", second + 6, 26, false, nullptr},
      {"inside the first data block", second - 50, 50, true,
       "; data block 1 of 2 lies wholly past it, its size unknown)"},
      {"inside the key-node block", rgknEnd - 40, 40, true,
       "; data blocks 0 to 1 of 2 lie wholly past it, their sizes unknown)"},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint8_t> prefix(whole.bytes.begin(),
                                           whole.bytes.begin() + static_cast<std::ptrdiff_t>(c.cut));
    const SalvagedHive hive = Salvage(prefix);
    EXPECT_EQ(hive.summary.bytesPastEnd, c.pastEnd) << c.where;
    EXPECT_GE(hive.summary.bytesLost, c.pastEnd) << c.where;
    EXPECT_EQ(hive.summary.blocksPastEnd, c.atLeast) << c.where;
    const std::string text = SummaryText(hive);
    EXPECT_EQ(text.find("at least ") != std::string::npos, c.atLeast) << c.where << ": " << text;
    const std::string end = c.blocksGone ? std::string(" cut off the end of the file") + c.blocksGone
                                         : std::string(" cut off the end of the file)");
    if (c.pastEnd > 0) {
      EXPECT_TRUE(text.ends_with(end)) << c.where << ": " << text;
    }
  }
  EXPECT_EQ(Salvage(whole.bytes).summary.bytesLost, 0u);
}

TEST(Salvage, NotAHive) {
  const std::string text = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n";
  const SalvagedHive hive = Salvage(hive::Bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  EXPECT_FALSE(hive.isHive);
  ASSERT_EQ(hive.findings.size(), 1u);
  EXPECT_EQ(FindingLine(hive.findings[0]), "0x00000000: damage: file header: signature \"REGE\", expected \"CREG\"");
}

// ---- the real Windows Me hive ---------------------------------------------------------------

std::vector<std::uint8_t> RealUserDat() {
  std::ifstream in(std::string(QUARVEX_TEST_DATA_DIR) + "/USER.DAT", std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

TEST(SalvageRealHive, HealthyWithTheCountsOtherReadersGive) {
  const std::vector<std::uint8_t> bytes = RealUserDat();
  ASSERT_EQ(bytes.size(), 159776u);
  const SalvagedHive hive = Salvage(bytes);
  std::string lines;
  for (const hive::Finding& f : hive.findings) lines += FindingLine(f) + "\n";
  EXPECT_EQ(hive.summary.damage, 0u) << lines;
  EXPECT_EQ(hive.summary.warnings, 0u) << lines;
  EXPECT_EQ(hive.summary.keys, 788u);
  EXPECT_EQ(hive.summary.values, 1518u);
  EXPECT_EQ(hive.summary.blocks, 4u);
  // 788 key nodes: the unnamed root and 787 keys, which the summary counts (salvage/counts.h).
  EXPECT_EQ(SummaryText(hive), "healthy: 787 keys, 1,518 values, 4 blocks");
  // The one note: 8- and 12-byte gaps at the 4 KiB page ends of the key-node block.
  ASSERT_EQ(hive.findings.size(), 1u);
  EXPECT_EQ(FindingLine(hive.findings[0]),
            "0x00002014: note: key node: dead gaps 4 gaps of 36 bytes in all (too small for a key node; real "
            "files leave them at 4 KiB page ends)");
}

TEST(SalvageRealHive, CutHiveKeepsEveryKeyWhoseBytesSurvive) {
  std::vector<std::uint8_t> bytes = RealUserDat();
  ASSERT_EQ(bytes.size(), 159776u);
  bytes.resize(100000);  // inside data block 2
  const SalvagedHive hive = Salvage(bytes);
  EXPECT_EQ(hive.summary.keys, 788u);  // the key-node block is whole
  EXPECT_EQ(hive.summary.blocks, 3u);
  std::size_t named = 0;
  for (const SalvagedKey& k : hive.keys) named += k.record != kNoIndex;
  EXPECT_EQ(named + hive.summary.keysUnreadable + 1, 788u);  // + the unnamed root
  EXPECT_GT(named, 400u);
  EXPECT_EQ(hive.findings.back().structure, Structure::File);
  EXPECT_EQ(hive.findings.back().offset.value, 100000);
  // What the cut took of block 2 is lost, and block 3 with it: a least count.
  EXPECT_EQ(hive.summary.bytesPastEnd, static_cast<std::uint64_t>(hive.blocks[2].header.iBlkSize) +
                                           static_cast<std::uint64_t>(hive.blocks[2].offset.value) - 100000u);
  EXPECT_TRUE(hive.summary.blocksPastEnd);
}

// One key node's record numbers set to 0xFFFF, as though it were a top-level key without a
// record: the key's name and its one value would be lost, so it is damage; the record it lost,
// "basefolder" in block 2, is the only one no key reads whose name gives the node's checksum,
// so it is read all the same, and a note says how.
TEST(SalvageRealHive, KeyWithoutRecordNumbersIsDamageAndReadByItsChecksum) {
  std::vector<std::uint8_t> bytes = RealUserDat();
  ASSERT_EQ(bytes.size(), 159776u);
  constexpr std::size_t kNode = 32 + 0x4E54;
  for (std::size_t i = 24; i < 28; ++i) bytes[kNode + i] = 0xFF;
  const SalvagedHive hive = Salvage(bytes, {text::CodePage::Cp1252});
  std::vector<std::string> atNode;
  for (const hive::Finding& f : hive.findings)
    if (f.offset.value == static_cast<std::int64_t>(kNode)) atNode.push_back(FindingLine(f));
  const std::string path =
      "(key .DEFAULT\\Software\\Macromedia\\Shockwave 8\\current\\xtras\\files\\textasset\\basefolder)";
  EXPECT_EQ(atNode,
            (std::vector<std::string>{
                "0x00004E74: damage: key node: BlkNo 0xFFFF, expected a data block (only a top-level key goes "
                "without a record and a name) " +
                    path,
                "0x00004E74: note: key node: record 0x00CC of block 2 at 0x0001B923 (\"basefolder\"), chosen by "
                "the evidence: Blk# and Rec# 0xFFFF link no record; the node's checksum 0x000002D7 is that of "
                "\"basefolder\", and no key reads that record " +
                    path}));
  EXPECT_EQ(hive.summary.damage, 1u);
  EXPECT_EQ(hive.summary.keys, 788u);
  EXPECT_EQ(hive.summary.values, 1518u);
  EXPECT_EQ(hive.summary.keysUnreadable, 0u);
}

// The same, with the record's name damaged too: nothing gives the node's checksum any more, so
// the key stays unread, and check must not call the file healthy.
TEST(SalvageRealHive, KeyWithoutRecordNumbersAndNoEvidenceIsLost) {
  std::vector<std::uint8_t> bytes = RealUserDat();
  ASSERT_EQ(bytes.size(), 159776u);
  for (std::size_t i = 24; i < 28; ++i) bytes[32 + 0x4E54 + i] = 0xFF;
  bytes[0x1B923 + 20] = 'X';  // "basefolder" -> "Xasefolder"
  const SalvagedHive hive = Salvage(bytes, {text::CodePage::Cp1252});
  EXPECT_GT(hive.summary.damage, 0u);
  EXPECT_EQ(hive.summary.keysUnreadable, 1u);
  EXPECT_EQ(hive.summary.values, 1517u);
  EXPECT_EQ(SummaryText(hive).rfind("healthy", 0), std::string::npos) << SummaryText(hive);
}

// ---- texts ----------------------------------------------------------------------------------

TEST(CheckText, GroupsThousands) {
  const std::vector<std::pair<std::uint64_t, std::string>> cases{
      {0, "0"}, {999, "999"}, {1000, "1,000"}, {1518, "1,518"}, {15858, "15,858"}, {1234567, "1,234,567"}};
  for (const auto& [n, text] : cases) EXPECT_EQ(GroupThousands(n), text);
}

TEST(CheckText, FindingLineNamesStructureFieldAndKey) {
  BuiltHive h = SmallHive().Build();
  h.PutU32(Rec(h, kMicrosoft, kRecSize), 0);
  const SalvagedHive hive = Salvage(h.bytes);
  ASSERT_EQ(hive.findings.size(), 1u);
  char offset[16];
  std::snprintf(offset, sizeof offset, "0x%08X", static_cast<unsigned>(Rec(h, kMicrosoft, 0)));
  EXPECT_EQ(FindingLine(hive.findings[0]),
            std::string(offset) +
                ": damage: data record (block 0, record 1): RecSize 0x00000000, "
                "expected 0x0000004C (header, key name and values) (key Software\\Microsoft)");
  EXPECT_EQ(SummaryText(hive), "1 damage: 0 keys and 0 values unreadable; 0 bytes lost");
}

}  // namespace
}  // namespace quarvex::salvage
