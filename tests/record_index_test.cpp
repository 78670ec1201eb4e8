// The record index: of two records with the same numbers a lookup finds the later one (the
// pre-scan) or the first one (the light reader), in a block kept as a table by number and in a
// sparse block kept as a sorted list alike; blocks added as they come count as given.
#include <gtest/gtest.h>

#include "hive/record_index.h"

namespace {

using quarvex::hive::RecordIndex;

TEST(RecordIndex, DuplicatesResolveAsAskedInDenseAndSparseBlocks) {
  struct Case {
    const char* block;
    std::uint16_t number;  // the duplicated number; the block also holds 0 and 1
  };
  const Case cases[] = {{"dense", 7}, {"sparse", 60000}};
  for (const Case& c : cases) {
    for (auto duplicates : {RecordIndex::Duplicates::LaterWins, RecordIndex::Duplicates::FirstWins}) {
      RecordIndex index;
      index.Reset(0, duplicates);
      index.AddBlock();
      index.Store(0, 0, 100);
      index.Store(0, c.number, 200);
      index.Store(0, 1, 300);
      index.Store(0, c.number, 400);
      index.FinishBlock(0);
      const bool first = duplicates == RecordIndex::Duplicates::FirstWins;
      EXPECT_EQ(index.Find(0, c.number), first ? 200 : 400) << c.block << (first ? ", first wins" : ", later wins");
      EXPECT_EQ(index.Find(0, 0), 100) << c.block;
      EXPECT_EQ(index.Find(0, 1), 300) << c.block;
      EXPECT_EQ(index.Find(0, 2), std::nullopt) << c.block;
      EXPECT_EQ(index.Find(1, 0), std::nullopt) << c.block << ": no such block";
      EXPECT_EQ(index.BlockCount(), 1u);
    }
  }
}

}  // namespace
