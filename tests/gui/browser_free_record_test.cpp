// Go to Offset in free space: an offset inside a free record of a block's chain says "free
// record, block N, size S, at 0x..." and shows the record's bytes; when recovery read a deleted
// key there, that key is selected and named. The free records the window knows are those the
// hive builder laid (browse/free_records.h), and a chain that breaks lists none past the break.
#include <QStatusBar>
#include <set>
#include <utility>

#include "browse/free_records.h"
#include "browser_fixture.h"
#include "ui/browser/browser_hex_view.h"
#include "tests/support/test_namespaces.h"
#include "tools/hive_generator.h"

namespace quarvex::ui::testing {
namespace {

std::set<std::pair<std::uint32_t, std::int64_t>> BuiltFrees(const BuiltHive& h) {
  std::set<std::pair<std::uint32_t, std::int64_t>> frees;
  for (std::size_t b = 0; b < h.freeRecords.size(); ++b)
    for (const std::int32_t rel : h.freeRecords[b]) frees.emplace(static_cast<std::uint32_t>(b), h.block[b] + rel);
  return frees;
}

std::set<std::pair<std::uint32_t, std::int64_t>> FoundFrees(const BuiltHive& h) {
  const salvage::SalvagedHive hive = salvage::Salvage(hive::Bytes(h.bytes));
  std::set<std::pair<std::uint32_t, std::int64_t>> frees;
  for (const browse::FreeRecord& r : browse::FreeRecords(hive)) frees.emplace(r.block, r.offset);
  return frees;
}

TEST(BrowserFreeRecords, TheFreeRecordsFoundAreThoseTheBuilderLaid) {
  HiveBuilder two = FixtureBuilder();
  two.SetBlockCount(2);
  two.PlaceInBlock(kControl, 1);
  two.PlaceInBlock(kDesktop, 1);
  two.AddFreeRecord(0, 64, kSoftware);
  two.AddFreeRecord(1, 40);
  tools::GeneratorOptions generated;
  generated.kind = tools::HiveKind::System;
  generated.keys = 3000;
  const struct {
    const char* hive;
    BuiltHive built;
  } cases[] = {{"DeletedKey", MakeFixture(Fixture::DeletedKey)},
               {"TwoBlocksWithFreeRecords", two.Build()},
               {"Generated", tools::GenerateHive(generated)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hive);
    EXPECT_FALSE(BuiltFrees(c.built).empty());
    EXPECT_EQ(FoundFrees(c.built), BuiltFrees(c.built));
  }
}

TEST(BrowserFreeRecords, AChainThatBreaksListsNoFreeRecordPastTheBreak) {
  HiveBuilder b = FixtureBuilder();
  b.AddFreeRecord(0, 64);  // after every numbered record
  BuiltHive h = b.Build();
  ASSERT_EQ(h.freeRecords[0].size(), 1u);
  // Control Panel's NextOfs points far past the block: the chain breaks there.
  h.PutU32(h.keyRecord[kControl], 0x7FFFFFF0);
  const salvage::SalvagedHive hive = salvage::Salvage(hive::Bytes(h.bytes));
  for (const browse::FreeRecord& r : browse::FreeRecords(hive)) {
    EXPECT_LT(r.offset, h.keyRecord[kControl]);
    EXPECT_LE(r.offset + r.size, hive.blocks[r.block].end);
  }
}

TEST(BrowserFreeRecords, GoToOffsetInAFreeRecordNamesItAndTheDeletedKeyReadThere) {
  BrowserFixture f;
  const BuiltHive hive = MakeFixture(Fixture::DeletedKey);
  ASSERT_TRUE(f.Open(f.Write(hive)));
  ASSERT_EQ(f.Doc().Recovery().keys.size(), 1u);
  const std::optional<browse::FreeRecord> free = browse::FreeRecordAt(f.Doc().FreeRecords(), hive.keyRecord[kOld]);
  ASSERT_TRUE(free.has_value());
  const QString at =
      QStringLiteral("0x") + QString::number(free->offset, 16).toUpper().rightJustified(8, QLatin1Char('0'));
  for (const std::int64_t offset :
       {free->offset, free->offset + 12, hive.keyRecord[kOld] + 25, free->offset + free->size - 1}) {
    SCOPED_TRACE(offset);
    f.window->SelectKey(f.Key("Control Panel"));
    ASSERT_TRUE(f.window->GoToOffset(offset));
    const QString said = f.window->statusBar()->currentMessage();
    EXPECT_TRUE(said.contains(QStringLiteral(": free record, block 0, size %1, at %2").arg(free->size).arg(at)))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("; deleted key %1\\Software\\Old read at %2")
                                  .arg(QString::fromStdString(f.Doc().RootKey()), at)))
        << said.toStdString();
    EXPECT_EQ(f.window->TreeModel()->KindOf(f.window->Tree()->currentIndex()), BrowserKeyTreeModel::Kind::Recovered);
    ASSERT_EQ(f.window->HexView()->Sections().size(), 1u);
    EXPECT_TRUE(f.window->HexView()->Sections()[0].title.startsWith(QStringLiteral("Free record at ") + at));
    EXPECT_EQ(f.window->HexView()->Highlight(), std::make_optional(std::pair{free->offset, free->size}));
    EXPECT_EQ(f.window->HexView()->SectionBytes(0).size(), free->size);
  }
}

TEST(BrowserFreeRecords, AFreeRecordWithNothingRecoveredInItIsNamedAlone) {
  BrowserFixture f;
  HiveBuilder b = FixtureBuilder();
  b.AddFreeRecord(0, 48);
  const BuiltHive hive = b.Build();
  ASSERT_TRUE(f.Open(f.Write(hive)));
  const std::int64_t start = hive.block[0] + hive.freeRecords[0].at(0);
  ASSERT_TRUE(f.window->SelectKey(f.Key("Control Panel")));
  ASSERT_TRUE(f.window->GoToOffset(start + 20));
  const QString said = f.window->statusBar()->currentMessage();
  EXPECT_TRUE(said.contains(QStringLiteral(": free record, block 0, size 48, at "))) << said.toStdString();
  EXPECT_FALSE(said.contains(QStringLiteral("deleted key")));
  EXPECT_EQ(f.window->SelectedKey(), f.Key("Control Panel")) << "the selection stays";
  EXPECT_EQ(f.window->HexView()->Highlight(), std::make_optional(std::pair{start, std::int64_t{48}}));
}

}  // namespace
}  // namespace quarvex::ui::testing
