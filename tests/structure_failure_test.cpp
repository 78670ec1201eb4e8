// Damaged files in the structure report: each failure code from a fixture named after its
// defect, the lines before the failure kept and no total line after it; loops in the key tree
// and the free lists end with the loop code instead of running for ever.
//
// The small fixtures share one layout: the root node at relative offset 0x20, further nodes
// every 0x1C bytes, free key nodes behind them, and the root's data record (the file's last
// bytes unless free records follow) at file offset 0x7C when the root is the only key.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "report/structure_report.h"
#include "text/report_writer.h"
#include "tests/structure_fixtures.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

constexpr std::int64_t kRootRecord = 0x7C;
constexpr std::int64_t kFirstValue = kRootRecord + 20 + 4;  // behind the name "Root"
constexpr std::int64_t kFirstBlock = 0x5C;

HiveBuilder RootOnly(std::vector<Value> values = {}) {
  HiveBuilder b;
  b.AddKey(HiveBuilder::kRootParent, "Root", std::move(values));
  return b;
}

BuiltHive Patched(const HiveBuilder& builder, const std::function<void(BuiltHive&)>& damage) {
  BuiltHive hive = builder.Build();
  damage(hive);
  return hive;
}

// Field offsets inside the key-node block's records, as file offsets.
std::int64_t Node(std::int32_t relative) { return 32 + relative; }
constexpr int kUprOfs = 12, kLwrOfs = 16, kNodeNextOfs = 20, kFreeNextOfs = 8;

BuiltHive RootWithChildren(int children) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "Root");
  for (int i = 0; i < children; ++i) b.AddKey(root, std::string(1, static_cast<char>('A' + i)));
  return b.Build();
}

BuiltHive RootWithFreeKeyNodes(int count) {
  HiveBuilder b = RootOnly();
  for (int i = 0; i < count; ++i) b.AddFreeKeyNode(0x20);
  return b.Build();
}

BuiltHive RootWithFreeRecords(int count) {
  HiveBuilder b = RootOnly();
  for (int i = 0; i < count; ++i) b.AddFreeRecord(0, 0x20);
  return b.Build();
}

struct FailureCase {
  const char* name;
  std::function<BuiltHive()> fixture;
  AnalysisOptions options;
  std::int32_t code;
  // The report's last lines; an entry ending in ':' need only begin the line (a node line
  // named by its offset).
  std::vector<std::string> tail;
  bool blockTableBuilt = true;
};

const AnalysisOptions kAll = EveryOption({Option::PrescanRecordHeaders});

std::vector<FailureCase> Cases() {
  return {
      {"KernelHeaderShort",
       [] {
         HiveBuilder b = RootOnly();
         b.SetBlockCount(0);
         BuiltHive h = b.Build();
         h.bytes.resize(40);
         return h;
       },
       kAll,
       code::kKernelHeaderShort,
       {"iUnk9    : 00000000", ""}},
      {"KernelSignatureWrong",
       [] { return Patched(RootOnly(), [](BuiltHive& h) { h.bytes[35] = 'X'; }); },
       EveryOption({Option::PrescanRecordHeaders, Option::KeyNodeBlockInfo}),
       code::kKernelSignature,
       {"RGKN record <Using>", kKeyNodeColumns}},
      {"ChildLinkPastEnd",
       [] {
         BuiltHive h = RootWithChildren(1);
         h.PutU32(Node(0x20) + kLwrOfs, 0x00FFFF00);
         return h;
       },
       kAll,
       code::kKeyNodeShort,
       {kKeyNodeColumns, " 00000020:"}},
      {"FreeKeyNodePastEnd",
       [] {
         BuiltHive h = RootWithFreeKeyNodes(2);
         h.PutU32(Node(0x3C) + kFreeNextOfs, 0x00FFFF00);
         return h;
       },
       kAll,
       code::kFreeKeyNodeShort,
       {kFreeKeyNodeColumns, " 0000003C:00000000 00000020 00FFFF00"}},
      // The job always builds the block table, so only a hive without one reaches these.
      {"NoBlockTableForHeaders",
       [] { return RootOnly().Build(); },
       kAll,
       code::kNoSuchBlock,
       {"  Total: 0 Record(s)", "", ""},
       false},
      {"NoBlockTableForFreeRecords",
       [] { return RootOnly().Build(); },
       EveryOption({Option::PrescanRecordHeaders, Option::DataBlockInfo, Option::RecordsInUse}),
       code::kNoSuchBlock,
       {"RGDB record <Empty>", kFreeRecordColumns},
       false},
      {"NoIndexedRecord",
       [] {
         HiveBuilder b = RootOnly();
         b.SetNoRecord(0);
         return b.Build();
       },
       kAll,
       code::kIndexEmpty,
       {"", "RGDB record <Using>"}},
      {"TruncatedKeyName",
       [] { return Patched(RootOnly(), [](BuiltHive& h) { h.PutU16(kRootRecord + 12, 0x100); }); },
       kAll,
       code::kKeyNameShort,
       {kRecordColumns, " 0000007C 0000 0000  00000018 00000018 0100 0000 00000000"}},
      {"ValueEntryPastEnd",
       [] { return Patched(RootOnly({Text("A", "x")}), [](BuiltHive& h) { h.PutU16(kRootRecord + 14, 2); }); },
       kAll,
       code::kValueEntryShort,
       {"     Atr:0001 Un1:0000 Un2:00000000 NL:0001 VL:0002", "      A = \"x\""}},
      {"TextValuePastEnd",
       [] { return Patched(RootOnly({Text("A", "x")}), [](BuiltHive& h) { h.PutU16(kFirstValue + 10, 0x10); }); },
       kAll,
       code::kTextValueShort,
       {" Hex: 52 6F 6F 74", "     Atr:0001 Un1:0000 Un2:00000000 NL:0001 VL:0010"}},
      {"DwordValuePastEnd",
       [] {
         return RootOnly({Value{4, "D", "\x01\x02"}}).Build();
       },
       kAll,
       code::kDwordValueShort,
       {"     Atr:0004 Un1:0000 Un2:00000000 NL:0001 VL:0002"}},
      {"RawValuePastEnd",
       [] {
         return Patched(RootOnly({Binary("B", "\x01\x02")}), [](BuiltHive& h) { h.PutU16(kFirstValue + 10, 0x10); });
       },
       kAll,
       code::kRawValueShort,
       {"     Atr:0003 Un1:0000 Un2:00000000 NL:0001 VL:0010"}},
      {"ValueNamePastEnd",
       [] { return Patched(RootOnly({Binary("B", "")}), [](BuiltHive& h) { h.PutU16(kFirstValue + 8, 0x10); }); },
       kAll,
       code::kValueNameShort,
       {" Hex: 52 6F 6F 74", "     Atr:0003 Un1:0000 Un2:00000000 NL:0010 VL:0000"}},
      {"FreeRecordPastEnd",
       [] {
         BuiltHive h = RootWithFreeRecords(2);
         h.PutU32(kFirstBlock + 0x38 + 8, 0x00FFFF00);
         return h;
       },
       kAll,
       code::kFreeRecordShort,
       {kFreeRecordColumns, " RGDB(0000)00000038 00000020 00FFFF00"}},
      {"KeyTreeLoopsBack",
       [] {
         BuiltHive h = RootWithChildren(2);
         h.PutU32(Node(0x58) + kNodeNextOfs, 0x3C);  // B's next sibling is A again
         return h;
       },
       kAll,
       code::kLinkLoop,
       {" 00000020:", " 0000003C:", " 00000058:"}},
      {"ParentChainLoops",
       [] {
         BuiltHive h = RootWithChildren(1);
         h.PutU32(Node(0x3C) + kUprOfs, 0x3C);  // A is its own parent: the climb never ends
         return h;
       },
       kAll,
       code::kLinkLoop,
       {" 00000020:", " 0000003C:"}},
      {"FreeKeyListLoopsBack",
       [] {
         BuiltHive h = RootWithFreeKeyNodes(2);
         h.PutU32(Node(0x5C) + kFreeNextOfs, 0x3C);
         return h;
       },
       kAll,
       code::kLinkLoop,
       {" 0000003C:00000000 00000020 0000005C", " 0000005C:00000000 00000020 0000003C"}},
      // Offset 0 is the block header seen as a free node; it leads to the root node, whose
      // third field (0) leads back to the header.
      {"FreeKeyListLoopsBackThroughHeader",
       [] {
         BuiltHive h = RootWithFreeKeyNodes(1);
         h.PutU32(Node(0x3C) + kFreeNextOfs, 0);
         return h;
       },
       kAll,
       code::kLinkLoop,
       {" 0000003C:00000000 00000020 00000000", " 00000000:4E4B4752 0000005C 00000020",
        " 00000020:00000000 00000144 00000000"}},
      {"FreeRecordListLoopsBack",
       [] {
         BuiltHive h = RootWithFreeRecords(2);
         h.PutU32(kFirstBlock + 0x58 + 8, 0x38);
         return h;
       },
       kAll,
       code::kLinkLoop,
       {" RGDB(0000)00000038 00000020 00000058", " RGDB(0000)00000058 00000020 00000038"}},
  };
}

struct Outcome {
  std::int32_t code;
  std::vector<std::string> lines;
  std::string status;
  std::optional<Finding> finding;
};

Outcome RunCase(const FailureCase& c) {
  const BuiltHive built = c.fixture();
  if (c.blockTableBuilt) {
    auto run = RunJob(built, c.options);
    return {run->Code(), run->Lines(), run->events.status, run->result.finding};
  }
  // The structure report alone on a hive whose header was read but whose block table was not.
  Hive hive;
  hive.hiveImage = HiveImage(built.bytes);
  EXPECT_TRUE(hive.ReadHiveHeader());
  ReportLines lines;
  ReportWriter writer(lines);
  const LeadByteSet leadBytes = LeadByteSet::For(CodePage::Cp932);
  const TextLocale locale = TextLocale::Japanese();
  report::BuildStructureReport({hive, c.options, CodePage::Cp932, leadBytes, locale, writer, {}});
  Outcome outcome{hive.errorCode, {}, {}, hive.failure};
  for (std::size_t i = 0; i < lines.Count(); ++i) outcome.lines.emplace_back(lines[i]);
  return outcome;
}

TEST(StructureFailures, EachDefectEndsTheReportWithItsCode) {
  for (const FailureCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    const Outcome out = RunCase(c);
    EXPECT_EQ(out.code, c.code);
    if (c.blockTableBuilt) {
      EXPECT_EQ(out.status, FailureText(c.code));
    }
    ASSERT_GE(out.lines.size(), c.tail.size());
    const std::size_t first = out.lines.size() - c.tail.size();
    for (std::size_t k = 0; k < c.tail.size(); ++k) {
      const std::string& want = c.tail[k];
      const std::string& got = out.lines[first + k];
      if (!want.empty() && want.back() == ':')
        EXPECT_TRUE(got.starts_with(want)) << "line " << first + k << ": " << got;
      else
        EXPECT_EQ(got, want) << "line " << first + k;
    }
  }
}

// Every failure names the structure, its file offset and the field: where a user with a hex
// viewer finds what ended the report.
TEST(StructureFailures, EachDefectNamesItsFinding) {
  struct Expected {
    Structure structure;
    std::int64_t offset;
    const char* field;
  };
  const std::map<std::string, Expected> expected = {
      {"KernelHeaderShort", {Structure::RgknHeader, 0x20, "record"}},
      {"KernelSignatureWrong", {Structure::RgknHeader, 0x20, "signature"}},
      {"ChildLinkPastEnd", {Structure::KeyNode, 0x20 + 0x00FFFF00, "record"}},
      {"FreeKeyNodePastEnd", {Structure::FreeKeyNode, 0x20 + 0x00FFFF00, "record"}},
      {"NoBlockTableForHeaders", {Structure::CregHeader, 16, "wDBblks"}},
      {"NoBlockTableForFreeRecords", {Structure::CregHeader, 16, "wDBblks"}},
      {"NoIndexedRecord", {Structure::RgdbHeader, kFirstBlock, "record chain"}},
      {"TruncatedKeyName", {Structure::DataRecord, kRootRecord, "KeyL"}},
      {"ValueEntryPastEnd", {Structure::Value, kFirstValue + 12 + 1 + 2, "value entry"}},
      {"TextValuePastEnd", {Structure::Value, kFirstValue, "data"}},
      {"DwordValuePastEnd", {Structure::Value, kFirstValue, "data"}},
      {"RawValuePastEnd", {Structure::Value, kFirstValue, "data"}},
      {"ValueNamePastEnd", {Structure::Value, kFirstValue, "NL"}},
      {"FreeRecordPastEnd", {Structure::FreeDataRecord, kFirstBlock + 0x00FFFF00, "record"}},
      {"KeyTreeLoopsBack", {Structure::KeyNode, Node(0x58), "NextOfs"}},
      {"ParentChainLoops", {Structure::KeyNode, Node(0x3C), "UprOfs"}},
      {"FreeKeyListLoopsBack", {Structure::FreeKeyNode, Node(0x5C), "NextOfs"}},
      {"FreeKeyListLoopsBackThroughHeader", {Structure::FreeKeyNode, Node(0x20), "NextOfs"}},
      {"FreeRecordListLoopsBack", {Structure::FreeDataRecord, kFirstBlock + 0x58, "NextOfs"}},
  };
  for (const FailureCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    const auto want = expected.find(c.name);
    ASSERT_NE(want, expected.end()) << "no expected finding";
    const Outcome out = RunCase(c);
    ASSERT_TRUE(out.finding.has_value());
    EXPECT_EQ(out.finding->structure, want->second.structure) << out.finding->Text();
    EXPECT_EQ(out.finding->offset.value, want->second.offset) << out.finding->Text();
    EXPECT_EQ(out.finding->field, want->second.field) << out.finding->Text();
    EXPECT_EQ(out.finding->severity, Severity::Damage);
    EXPECT_FALSE(out.finding->found.empty()) << out.finding->Text();
  }
}

// A loop is caught before anything is listed a second time.
TEST(StructureFailures, LoopsListNothingTwice) {
  for (const FailureCase& c : Cases()) {
    if (c.code != code::kLinkLoop) continue;
    SCOPED_TRACE(c.name);
    std::set<std::string> seen;
    for (const std::string& line : RunCase(c).lines) {
      const bool listed = line.starts_with(" 0") || line.starts_with(" RGDB(");
      EXPECT_TRUE(!listed || seen.insert(line).second) << line;
    }
  }
}

TEST(StructureFailures, EveryCodeOfTheSectionsHasAFixture) {
  std::set<std::int32_t> codes;
  for (const FailureCase& c : Cases()) codes.insert(c.code);
  EXPECT_EQ(codes, (std::set<std::int32_t>{3, 4, 5, 6, 9, 11, 13, 14, 16, 17, 18, 19, 21, 23}));
}

}  // namespace
}  // namespace quarvex::testing
