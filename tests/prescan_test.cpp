// The record-index pre-scan: its trace lines, the records it indexes, and that every walk ends.
#include <gtest/gtest.h>

#include "hive/prescan.h"
#include "tests/support/test_support.h"

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
  PreScanDataBlocks(r->hive, {trace, [&](std::string_view l) { r->lines.emplace_back(l); },
                              [&](std::string_view s) { r->status.emplace_back(s); }});
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
  EXPECT_EQ(r->lines, (std::vector<std::string>{
                          "<<<<< Pre-Scanning Status of each RGDB records >>>>>", " RGDB(0000) =====",
                          "  Includes MAYBE 0002 record(s)...", "0000,FFFF,0001,0002,>END",
                          "<<<<< ---------------------------------------- >>>>>", ""}));
  EXPECT_EQ(r->hive.indexedRecordCount, 3);
  EXPECT_EQ(r->status, (std::vector<std::string>{"DB_rec_pre:00000000", "DB_rec_pre:00000001",
                                                 "DB_rec_pre:00000002"}));
}

}  // namespace
}  // namespace quarvex::testing
