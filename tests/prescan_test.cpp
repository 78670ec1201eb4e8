// The record-index pre-scan: its trace lines, the records it indexes, and that every walk ends.
#include <gtest/gtest.h>

#include "hive/prescan.h"
#include "text/printf.h"
#include "tests/support/test_support.h"
#include "report/prescan_trace.h"
#include "text/printf.h"
#include "text/report_writer.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

struct PreScanResult {
  Hive hive;
  std::vector<std::string> lines;
  std::vector<std::string> status;
};

std::unique_ptr<PreScanResult> PreScan(const BuiltHive& built, bool trace = true) {
  auto r = std::make_unique<PreScanResult>();
  r->hive.hiveImage = HiveImage(built.bytes);
  EXPECT_TRUE(r->hive.ReadHiveHeader());
  EXPECT_TRUE(r->hive.BuildBlockTable());
  PreScanTrace walk;
  PreScanDataBlocks(r->hive, {[&](std::uint16_t block, std::uint16_t record) {
                                r->status.push_back(Printf("DB_rec_pre:%.4X%.4X", unsigned{block}, unsigned{record}));
                              },
                              trace ? &walk : nullptr});
  if (trace) {
    ReportLines lines;
    ReportWriter writer(lines);
    report::WritePreScanTrace(writer, walk);
    for (std::size_t i = 0; i < lines.Count(); ++i) r->lines.emplace_back(lines[i]);
  }
  return r;
}

// Root with two children: records 0, 1, 2 in block 0.
HiveBuilder ThreeKeys(int* keys = nullptr) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "root");
  const int one = b.AddKey(root, "one");
  const int two = b.AddKey(root, "two");
  if (keys) {
    keys[0] = root;
    keys[1] = one;
    keys[2] = two;
  }
  return b;
}

// Block 0 with wMaxRecNo 2 whose chain holds records 0, FFFF, 1 and 2, the last ending it.
TEST(PreScan, TracesEveryRecordNumberOfTheChain) {
  int k[3];
  HiveBuilder b = ThreeKeys(k);
  b.AddFreeRecord(0, 24, k[0]);
  auto r = PreScan(b.Build());
  EXPECT_EQ(r->lines, (std::vector<std::string>{"<<<<< Pre-Scanning Status of each RGDB records >>>>>",
                                                " RGDB(0000) =====", "  Includes MAYBE 0002 record(s)...",
                                                "0000,FFFF,0001,0002,>END",
                                                "<<<<< ---------------------------------------- >>>>>", ""}));
  EXPECT_EQ(r->hive.indexedRecordCount, 3);
  EXPECT_EQ(r->status, (std::vector<std::string>{"DB_rec_pre:00000000", "DB_rec_pre:00000001", "DB_rec_pre:00000002"}));
}

// The chain's record headers by file offset, in chain order, for damaging one of them.
std::vector<std::int64_t> ChainOf(const BuiltHive& h, int block) {
  std::vector<std::int64_t> chain;
  const std::int64_t base = h.block[static_cast<std::size_t>(block)];
  const std::int64_t end = base + static_cast<std::int32_t>(h.GetU32(base + 4));
  for (std::int64_t at = base + 32; at < end; at += static_cast<std::int32_t>(h.GetU32(at))) chain.push_back(at);
  return chain;
}

std::string TraceLine(const PreScanResult& r, std::size_t block = 0) { return r.lines.at(3 + 3 * block); }

// A record whose NextOfs points 0x10 bytes beyond the block's end ends the block's walk.
TEST(PreScan, LinkBeyondTheBlockEndsTheWalk) {
  BuiltHive h = ThreeKeys().Build();
  const auto chain = ChainOf(h, 0);
  const std::int64_t end = h.block[0] + static_cast<std::int32_t>(h.GetU32(h.block[0] + 4));
  h.PutU32(chain[1], static_cast<std::uint32_t>(end + 0x10 - chain[1]));
  auto r = PreScan(h);
  EXPECT_EQ(TraceLine(*r), "0000,*OutOfArea*>END");
  EXPECT_EQ(r->hive.indexedRecordCount, 1);
  EXPECT_EQ(r->hive.errorCode, code::kOk);
}

// A chain that ends with an unnumbered record does not count it down, so the walk reads one
// more header at the block's end: the next block's header, or nothing at the end of the file.
TEST(PreScan, UnnumberedLastRecordReadsOnePastTheEnd) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "root");
  const int child = b.AddKey(root, "child");
  b.PlaceInBlock(child, 1);
  b.AddFreeRecord(0, 40);
  b.AddFreeRecord(1, 40);
  b.SetMaxRecNo(0, 1);
  b.SetMaxRecNo(1, 1);
  auto r = PreScan(b.Build());
  EXPECT_EQ(TraceLine(*r, 0), "0000,FFFF,*OutOfArea*>END");
  EXPECT_EQ(TraceLine(*r, 1), "0000,FFFF,*GetFail*>END");
  EXPECT_EQ(r->hive.indexedRecordCount, 2);
}

// wMaxRecNo 1 takes at most two numbered records from the block.
TEST(PreScan, TakesAtMostMaxRecNoPlusOneRecords) {
  HiveBuilder b = ThreeKeys();
  b.SetMaxRecNo(0, 1);
  auto r = PreScan(b.Build());
  EXPECT_EQ(TraceLine(*r), "0000,0001,>END");
  EXPECT_EQ(r->hive.indexedRecordCount, 2);
  EXPECT_FALSE(r->hive.recordIndex.Find(0, 2).has_value());
}

// Two records with the same number: the later one's offset stays, both are counted.
TEST(PreScan, LaterRecordWithTheSameNumberReplacesTheEarlier) {
  int k[3];
  HiveBuilder b = ThreeKeys(k);
  b.SetRecordNumber(k[2], 1);
  b.SetMaxRecNo(0, 2);
  BuiltHive h = b.Build();
  auto r = PreScan(h);
  EXPECT_EQ(r->hive.indexedRecordCount, 3);
  EXPECT_EQ(r->hive.recordIndex.Find(0, 1), h.keyRecord[k[2]]);
}

// Links that do not move forward would read the same records for ever: each one ends the
// block's walk as leading out of the block, and the job goes on.
TEST(PreScan, LinksThatDoNotMoveForwardEndTheWalk) {
  struct Case {
    const char* name;
    std::int32_t nextOfs;  // written into the second record
  };
  for (Case c : {Case{"ZeroNextOfs", 0}, Case{"NegativeNextOfsBackToFirst", 0}, Case{"MinusOne", -1},
                 Case{"MostNegative", INT32_MIN}}) {
    BuiltHive h = ThreeKeys().Build();
    const auto chain = ChainOf(h, 0);
    const std::int32_t next = std::string(c.name) == "NegativeNextOfsBackToFirst"
                                  ? static_cast<std::int32_t>(chain[0] - chain[1])
                                  : c.nextOfs;
    h.PutU32(chain[1], static_cast<std::uint32_t>(next));
    auto r = PreScan(h);
    EXPECT_EQ(TraceLine(*r), "0000,*OutOfArea*>END") << c.name;
  }
}

// A chain made only of unnumbered records never counts down; it still ends, at the block end.
TEST(PreScan, ChainOfUnnumberedRecordsEnds) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "root");
  b.SetNoRecord(root);
  for (int i = 0; i < 50; ++i) b.AddFreeRecord(0, 20);
  auto r = PreScan(b.Build());
  EXPECT_EQ(r->hive.indexedRecordCount, 0);
  std::string expected;
  for (int i = 0; i < 50; ++i) expected += "FFFF,";
  EXPECT_EQ(TraceLine(*r), expected + "*GetFail*>END");
}

TEST(PreScan, NoBlocksGivesOnlyTheFrame) {
  HiveBuilder b;
  b.AddKey(HiveBuilder::kRootParent, "root");
  b.SetBlockCount(0);
  auto r = PreScan(b.Build());
  EXPECT_EQ(r->lines, (std::vector<std::string>{"<<<<< Pre-Scanning Status of each RGDB records >>>>>",
                                                "<<<<< ---------------------------------------- >>>>>", ""}));
  EXPECT_EQ(r->hive.FindDataRecord(0, 0).value, 0);
  EXPECT_EQ(r->hive.errorCode, code::kIndexEmpty);
}

TEST(PreScan, WritesNoLinesWithTheTraceOff) {
  auto r = PreScan(ThreeKeys().Build(), false);
  EXPECT_TRUE(r->lines.empty());
  EXPECT_EQ(r->hive.indexedRecordCount, 3);
}

// Record numbers of 256 and more keep their own entries: a block of 300 records next to
// another block, every key finds exactly its own record.
TEST(PreScan, RecordNumbersAbove255StayInTheirOwnBlock) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "root");
  std::vector<int> keys;
  for (int i = 0; i < 300; ++i) keys.push_back(b.AddKey(root, "k" + std::to_string(i)));
  for (int i = 0; i < 60; ++i) {
    keys.push_back(b.AddKey(root, "second" + std::to_string(i)));
    b.PlaceInBlock(keys.back(), 1);
  }
  b.ShuffleRecords(7);
  BuiltHive h = b.Build();
  auto r = PreScan(h, false);
  EXPECT_EQ(r->hive.indexedRecordCount, 361);
  keys.push_back(root);
  for (int key : keys) {
    const std::uint16_t block = key > 300 && key != root ? 1 : 0;
    EXPECT_EQ(r->hive.FindDataRecord(block, h.keyRecordNo[key]).value, h.keyRecord[key]) << "key " << key;
  }
}

// A damaged block claiming very high, scattered record numbers costs little memory and
// still answers every lookup.
TEST(PreScan, SparseHighRecordNumbers) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "root");
  const int high = b.AddKey(root, "high");
  b.SetRecordNumber(root, 65000);
  b.SetRecordNumber(high, 40000);
  BuiltHive h = b.Build();
  auto r = PreScan(h, false);
  EXPECT_EQ(r->hive.FindDataRecord(0, 65000).value, h.keyRecord[root]);
  EXPECT_EQ(r->hive.FindDataRecord(0, 40000).value, h.keyRecord[high]);
  EXPECT_EQ(r->hive.FindDataRecord(0, 0).value, 0);
  EXPECT_EQ(r->hive.errorCode, code::kNoSuchRecord);
  EXPECT_EQ(r->hive.recordIndex.PositionCount(0), 65001u);
}

// The real Windows Me user.dat: four blocks, record numbers 0-254, chains not in number order.
TEST(PreScan, RealUserDat) {
  const auto bytes = RealUserDat();
  if (!bytes) GTEST_SKIP() << "no real hive here";
  BuiltHive h;
  h.bytes.assign(bytes->begin(), bytes->end());
  auto r = PreScan(h);
  EXPECT_EQ(r->hive.hiveHeader.wDBblks, 4);
  ASSERT_EQ(r->lines.size(), 1u + 3 * 4 + 2);
  for (std::size_t b = 0; b < 4; ++b) {
    EXPECT_EQ(r->lines[1 + 3 * b], Printf(" RGDB(%.4X) =====", static_cast<unsigned>(b)));
    EXPECT_TRUE(TraceLine(*r, b).ends_with(">END"));
    EXPECT_EQ(r->hive.recordIndex.PositionCount(static_cast<std::uint16_t>(b)), 256u);
  }
  EXPECT_GT(r->hive.indexedRecordCount, 600);
}

}  // namespace
}  // namespace quarvex::testing
