// The structure report as a whole: golden reports, what each option adds or leaves out, the
// progress texts, record numbers above 255, and the real user.dat.
#include <gtest/gtest.h>

#include "text/printf.h"
#include "tests/structure_fixtures.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

// Two data blocks; a root with text, DWORD, binary, unnamed, long and oddly sized values; a
// key with a zero-length name, a double-byte name, a key without a record, a second
// top-level key; two free key nodes and free records in both blocks.
BuiltHive SampleHive() {
  HiveBuilder b;
  std::string bytes30;
  for (int i = 0; i < 30; ++i) bytes30.push_back(static_cast<char>(i * 9));
  const int root = b.AddKey(HiveBuilder::kRootParent, "Root",
                            {Text("", "Default value"), Dword("Count", 0x12345678), Binary("Blob", bytes30),
                             Text("Long", std::string(100, 'L')), Value{4, "Odd", "\x01\x02\x03\x04\x05\x06"},
                             Text("Multi", std::string("one\0two", 7))});
  const int software = b.AddKey(root, "Software", {Text("Vendor", "Quarvex Test")});
  b.AddKey(software, "");
  b.AddKey(root, "\x83\x65\x83\x58\x83\x67", {Binary("", "", 3)});  // a Shift-JIS name
  b.SetNoRecord(b.AddKey(root, "NoRecord"));
  const int network = b.AddKey(root, "Network", {Dword("Port", 8080)});
  b.PlaceInBlock(network, 1);
  b.AddKey(network, "Sub", {Binary("Mac", std::string("\x00\x1B\x63\x84\x45\xE6", 6), 3)});
  b.AddKey(HiveBuilder::kRootParent, "Sibling");
  b.AddFreeKeyNode(0x40);
  b.AddFreeKeyNode(0x30);
  b.AddFreeRecord(0, 0x40, software);
  b.AddFreeRecord(1, 0x20);
  return b.Build();
}

TEST(StructureReport, GoldenWithTheInitialOptions) {
  auto run = RunJob(SampleHive(), ReportOptions());
  ASSERT_EQ(run->Code(), code::kOk);
  // Every header and listing as the window starts; the record listing gives its total alone.
  EXPECT_TRUE(MatchesGolden("structure_initial.txt", run->ReportAfterHeader()));
}

TEST(StructureReport, GoldenWithEveryOption) {
  auto run = RunJob(SampleHive(), EveryOption());
  ASSERT_EQ(run->Code(), code::kOk);
  // Every section in full, each record with its column header, checksum and value lines.
  EXPECT_TRUE(MatchesGolden("structure_all.txt", run->ReportAfterHeader()));
}

TEST(StructureReport, OneNodeTreeWithEmptyFreeLists) {
  HiveBuilder b;
  b.AddKey(HiveBuilder::kRootParent, "Only");
  auto run = RunJob(b.Build(), ReportOptions({Option::RecordsInUse}));
  ASSERT_EQ(run->Code(), code::kOk);
  // A one-node tree, empty free lists, and the column header once before record 0.
  EXPECT_TRUE(MatchesGolden("structure_one_node.txt", run->ReportAfterHeader()));
}

TEST(StructureReport, WithoutHeaderDumpsTheReportStartsWithTheKeyNodeListing) {
  auto run = RunJob(SampleHive(), ReportOptions({}, {Option::HeaderInfo, Option::KeyNodeBlockInfo}));
  ASSERT_EQ(run->Code(), code::kOk);
  EXPECT_EQ(run->Lines().at(17), "RGKN record <Using>");
}

// Sections that the options reduce to their frame; the walks still run and count.
struct FrameCase {
  const char* name;
  AnalysisOptions options;
  const char* title;
  std::vector<std::string> expected;
};

TEST(StructureReport, OptionsOnlySuppressLines) {
  const std::vector<FrameCase> cases = {
      {"KeyNodeLinesOff",
       ReportOptions({}, {Option::KeyNodesInUse}),
       "RGKN record <Using>",
       {"RGKN record <Using>", "  Total: 8 Record(s)", ""}},
      {"KeyNodeCountOff",
       ReportOptions({}, {Option::KeyNodesInUse, Option::KeyNodesInUseCount}),
       "RGKN record <Using>",
       {"RGKN record <Using>", ""}},
      {"FreeKeyNodeLinesOff",
       ReportOptions({}, {Option::FreeKeyNodes}),
       "RGKN record <Empty>",
       {"RGKN record <Empty>", "  Total: 2 Record(s)", ""}},
      {"RecordListingOffStillTotalsTheIndex",
       ReportOptions(),
       "RGDB record <Using>",
       {"RGDB record <Using>", "  Total: 7 Record(s)", ""}},
      {"RecordListingAndCountOff",
       ReportOptions({}, {Option::DataBlockCount}),
       "RGDB record <Using>",
       {"RGDB record <Using>", ""}},
      {"FreeRecordLinesOffStillCountsAllBlocks",
       ReportOptions({}, {Option::FreeRecords}),
       "RGDB record <Empty>",
       {"RGDB record <Empty>", "  Total: 2 Record(s)", ""}},
      {"FreeRecordCountOff",
       ReportOptions({}, {Option::FreeRecords, Option::FreeRecordsCount}),
       "RGDB record <Empty>",
       {"RGDB record <Empty>", ""}},
  };
  for (const FrameCase& c : cases) {
    auto run = RunJob(SampleHive(), c.options);
    ASSERT_EQ(run->Code(), code::kOk) << c.name;
    EXPECT_EQ(Section(run->Lines(), c.title), c.expected) << c.name;
  }
}

TEST(StructureReport, BlockHeaderSectionWithoutDumps) {
  // Info off, Count on: an empty line, the total, an empty line.
  auto run = RunJob(SampleHive(), ReportOptions({}, {Option::DataBlockInfo}));
  std::vector<std::string> lines = run->Lines();
  auto total = std::find(lines.begin(), lines.end(), "RGDB: Total: 2 Header(s)");
  ASSERT_NE(total, lines.end());
  EXPECT_EQ(*(total - 1), "");
  EXPECT_EQ(*(total + 1), "");
  EXPECT_EQ(*(total + 2), "");  // the record listing opens with its own empty line
  EXPECT_EQ(*(total + 3), "RGDB record <Using>");

  // Both off: two empty lines between the free key-node listing and the record listing.
  run = RunJob(SampleHive(), ReportOptions({}, {Option::DataBlockInfo, Option::DataBlockCount}));
  lines = run->Lines();
  auto using_ = std::find(lines.begin(), lines.end(), "RGDB record <Using>");
  ASSERT_NE(using_, lines.end());
  EXPECT_EQ(std::vector<std::string>(using_ - 5, using_ + 1),
            (std::vector<std::string>{"  Total: 2 Record(s)", "", "", "", "", "RGDB record <Using>"}));
}

TEST(StructureReport, FileWithoutDataBlocks) {
  HiveBuilder b;
  b.AddKey(HiveBuilder::kRootParent, "Root");
  b.SetBlockCount(0);
  auto run = RunJob(b.Build(), ReportOptions({Option::RecordsInUse}));
  ASSERT_EQ(run->Code(), code::kOk);
  const auto lines = run->Lines();
  EXPECT_EQ(CountLines(lines, "RGDB: Total: 0 Header(s)"), 1u);
  EXPECT_EQ(Section(lines, "RGDB record <Using>"),
            (std::vector<std::string>{"RGDB record <Using>", "  Total: 0 Record(s)", ""}));
}

TEST(StructureReport, ColumnHeaderOnceBeforeRecordZeroOfBlockZero) {
  auto run = RunJob(SampleHive(), ReportOptions({Option::RecordsInUse}));
  const auto lines = run->Lines();
  ASSERT_EQ(CountLines(lines, kRecordColumns), 1u);
  const auto header = std::find(lines.begin(), lines.end(), kRecordColumns);
  EXPECT_EQ(*(header - 2), "RGDB record <Using>");
  EXPECT_EQ(*(header - 1), "");
  EXPECT_TRUE((header + 1)->starts_with(" ") && (header + 1)->find(" 0000 0000  ") != std::string::npos)
      << *(header + 1);

  // With the gauge on, one before each of the 7 records.
  run = RunJob(SampleHive(), ReportOptions({Option::RecordsInUse, Option::RecordsInUseGauge}));
  EXPECT_EQ(CountLines(run->Lines(), kRecordColumns), 7u);
}

TEST(StructureReport, BlockZeroWithoutRecordZeroHasNoColumnHeader) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "Root");
  b.SetRecordNumber(root, 1);
  const int second = b.AddKey(HiveBuilder::kRootParent, "Second");
  b.PlaceInBlock(second, 1);  // record 0 of block 1 is not position 0
  auto run = RunJob(b.Build(), ReportOptions({Option::RecordsInUse}));
  ASSERT_EQ(run->Code(), code::kOk);
  const auto lines = run->Lines();
  EXPECT_EQ(CountLines(lines, kRecordColumns), 0u);
  EXPECT_EQ(CountLines(lines, " [Root]"), 1u);
  EXPECT_EQ(CountLines(lines, " [Second]"), 1u);
}

TEST(StructureReport, KeyNameLines) {
  struct NameCase {
    const char* name;
    std::string keyName;
    std::string nameLine;
    std::string hexLine;
  };
  const std::vector<NameCase> cases = {
      {"ZeroLength", "", " [] ChkSum: 0000", " Hex:"},
      {"FoldsLowerCase", "abc", " [abc] ChkSum: 00C6", " Hex: 61 62 63"},
      {"EndsAtFirstZeroButHexShowsAll", std::string("ab\0cd", 5), " [ab] ChkSum: 0083", " Hex: 61 62 00 63 64"},
      {"DoubleByte", "\x82\xA0", " [\x82\xA0] ChkSum: 0022", " Hex: 82 A0"},
      // 800 bytes: past any fixed name buffer, shown whole; the sum needs five digits.
      {"LongerThan768", std::string(800, 'Z'), " [" + std::string(800, 'Z') + "] ChkSum: 11940", ""},
  };
  for (const NameCase& c : cases) {
    HiveBuilder b;
    b.AddKey(HiveBuilder::kRootParent, c.keyName);
    auto run = RunJob(b.Build(), ReportOptions({Option::RecordsInUse, Option::RecordsInUseChecksum}));
    ASSERT_EQ(run->Code(), code::kOk) << c.name;
    const auto lines = run->Lines();
    const auto header = std::find(lines.begin(), lines.end(), kRecordColumns);
    ASSERT_LT(header + 3, lines.end()) << c.name;
    EXPECT_EQ(*(header + 2), c.nameLine) << c.name;
    if (!c.hexLine.empty())
      EXPECT_EQ(*(header + 3), c.hexLine) << c.name;
    else
      EXPECT_EQ((header + 3)->size(), 5u + 3u * c.keyName.size()) << c.name;
  }
}

TEST(StructureReport, FreeNodeWhoseNextIsZeroIsFollowed) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "Root");
  b.AddFreeKeyNode(0x20);
  BuiltHive hive = b.Build();
  hive.PutU32(32 + hive.freeKeyNodes[0] + 8, 0);  // next free node: relative offset 0
  // Offset 0 is the block's own header, read as a free node: its third field is iRec1stOfs,
  // the root node, whose third field (Unk1) ends the list here.
  hive.PutU32(hive.KeyNodeFileOffset(root) + 8, 0xFFFFFFFF);
  auto run = RunJob(hive, ReportOptions());
  ASSERT_EQ(run->Code(), code::kOk);
  EXPECT_EQ(Section(run->Lines(), "RGKN record <Empty>"),
            (std::vector<std::string>{"RGKN record <Empty>", kFreeKeyNodeColumns,
                                      " 0000003C:00000000 00000020 00000000", " 00000000:4E4B4752 0000005C 00000020",
                                      " 00000020:00000000 00000144 FFFFFFFF", "  Total: 3 Record(s)", ""}));
}

std::vector<std::string> StatusTexts(const JobRun& run, const std::string& prefix) {
  std::vector<std::string> texts;
  for (const std::string& e : run.events.log)
    if (e.starts_with("status1:" + prefix)) texts.push_back(e.substr(8));
  return texts;
}

TEST(StructureReport, ProgressTexts) {
  auto run = RunJob(SampleHive(), EveryOption());
  ASSERT_EQ(run->Code(), code::kOk);
  const auto nodes = StatusTexts(*run, "KN_U:");
  ASSERT_EQ(nodes.size(), 8u);
  EXPECT_EQ(nodes.front(), "KN_U:00000020");
  EXPECT_EQ(StatusTexts(*run, "KN_E"), std::vector<std::string>(3, "KN_E"));  // two nodes and the end
  EXPECT_EQ(StatusTexts(*run, "DB_hdr:"), (std::vector<std::string>{"DB_hdr:0", "DB_hdr:1"}));
  // Every one of the 2 x 256 positions, found or not, with the index's record count.
  const auto positions = StatusTexts(*run, "DB_rec:");
  ASSERT_EQ(positions.size(), 512u);
  EXPECT_EQ(positions.front(), "DB_rec:00000000/00000007");
  EXPECT_EQ(positions[0x100], "DB_rec:00000100/00000007");
  EXPECT_EQ(positions.back(), "DB_rec:000001FF/00000007");
  EXPECT_EQ(StatusTexts(*run, "DB(").size(), 2u);
  EXPECT_EQ(StatusTexts(*run, "DB(").back(), "DB(0001)_E");
}

TEST(StructureReport, RecordListingShowsNoProgressWhenOff) {
  auto run = RunJob(SampleHive(), ReportOptions());
  EXPECT_TRUE(StatusTexts(*run, "DB_rec:").empty());
}

TEST(StructureReport, BlockNumbersAreHexInTitlesAndDecimalInProgress) {
  HiveBuilder b;
  b.AddKey(HiveBuilder::kRootParent, "Root");
  b.SetBlockCount(11);
  auto run = RunJob(b.Build(), ReportOptions());
  ASSERT_EQ(run->Code(), code::kOk);
  EXPECT_EQ(CountLines(run->Lines(), "== Registry Data Block[RGDB](000A) ========"), 1u);
  EXPECT_EQ(StatusTexts(*run, "DB_hdr:").back(), "DB_hdr:10");
  EXPECT_EQ(CountLines(run->Lines(), "RGDB: Total: 11 Header(s)"), 1u);
}

// A damaged block numbering a record above 255 keeps it in its own block, listed after the
// block's other records; the next block's positions start behind it.
TEST(StructureReport, RecordNumberAbove255StaysInItsBlock) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "Root");
  const int high = b.AddKey(root, "High");
  b.SetRecordNumber(high, 300);
  const int other = b.AddKey(HiveBuilder::kRootParent, "Other");
  b.PlaceInBlock(other, 1);
  auto run = RunJob(b.Build(), ReportOptions({Option::RecordsInUse}));
  ASSERT_EQ(run->Code(), code::kOk);
  const auto lines = run->Lines();
  const auto rootAt = std::find(lines.begin(), lines.end(), " [Root]");
  const auto highAt = std::find(lines.begin(), lines.end(), " [High]");
  const auto otherAt = std::find(lines.begin(), lines.end(), " [Other]");
  ASSERT_NE(highAt, lines.end());
  EXPECT_LT(rootAt, highAt);
  EXPECT_LT(highAt, otherAt);
  EXPECT_NE((highAt - 1)->find(" 0000 012C  "), std::string::npos) << *(highAt - 1);
  const auto positions = StatusTexts(*run, "DB_rec:");
  // Block 0: 256 positions and record 300 (position 0x12C); block 1 starts at 301 = 0x12D.
  ASSERT_EQ(positions.size(), 256u + 1u + 256u);
  EXPECT_EQ(positions[256], "DB_rec:0000012C/00000003");
  EXPECT_EQ(positions[257], "DB_rec:0000012D/00000003");
}

// A block claiming record 65000 costs the records it holds, not 65000 probes.
TEST(StructureReport, SparseRecordNumbersAreProbedOnlyWhereTheyAre) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "Root");
  b.SetRecordNumber(b.AddKey(root, "Far"), 65000);
  auto run = RunJob(b.Build(), ReportOptions({Option::RecordsInUse}));
  ASSERT_EQ(run->Code(), code::kOk);
  EXPECT_EQ(CountLines(run->Lines(), " [Far]"), 1u);
  const auto positions = StatusTexts(*run, "DB_rec:");
  ASSERT_EQ(positions.size(), 257u);
  EXPECT_EQ(positions.back(), "DB_rec:0000FDE8/00000002");
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(StructureReport, RealUserDatWithEveryOption) {
  const auto userDat = RealUserDat();
  if (!userDat) GTEST_SKIP() << "the real user.dat is not available";
  AnalysisOptions options = AnalysisOptions::Initial();
  options.SelectAll();
  auto run = RunJob(*userDat, options);
  ASSERT_EQ(run->Code(), code::kOk);
  const auto lines = run->Lines();
  const auto keyNodes = Section(lines, "RGKN record <Using>");
  ASSERT_FALSE(keyNodes.empty());
  EXPECT_EQ(keyNodes.size(), 2u + 788u + 2u);
  EXPECT_EQ(keyNodes[keyNodes.size() - 2], "  Total: 788 Record(s)");
  EXPECT_EQ(CountLines(lines, "RGDB: Total: 4 Header(s)"), 1u);
  const std::string report = run->Report();
  EXPECT_EQ(Count(report, "== Registry Data Block[RGDB]("), 4u);
  // Every indexed record is listed once, each with its column header (gauge on).
  const auto freeListing = std::find(lines.begin(), lines.end(), "RGDB record <Empty>");
  ASSERT_NE(freeListing, lines.end());
  EXPECT_EQ(*(freeListing - 2), Printf("  Total: %d Record(s)", run->result.hive.indexedRecordCount));
  EXPECT_EQ(CountLines(lines, kRecordColumns), static_cast<std::size_t>(run->result.hive.indexedRecordCount));
  EXPECT_EQ(run->events.status, "The report has been made.");
}

}  // namespace
}  // namespace quarvex::testing
