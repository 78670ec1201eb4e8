// The browser on the files a user really opens: the real Windows Me user.dat, a generated
// system.dat of over 20 blocks, a copy of it cut in the middle of a block, and a FAT16 disk
// image holding both hives (opened through the list of its registry files, which chooses the
// live hive). On each: open, a search whose hit lies inside REG_BINARY data, Back and Forward,
// a bookmark restored in another window, the key's path and its REGEDIT4 lines copied, and Go
// to Offset inside a free record.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTreeWidget>
#include <cstdlib>
#include <fstream>

#include "browse/free_records.h"
#include "browser_fixture.h"
#include "salvage/check_text.h"
#include "ui/browser/browser_hex_view.h"
#include "ui/browser/browser_search.h"
#include "ui/common/hive_choice_dialog.h"
#include "tests/support/test_namespaces.h"
#include "tools/hive_generator.h"

namespace quarvex::ui::testing {
namespace {

constexpr std::uint16_t kBinary = 3;

std::string RealUserDatPath() { return std::string(QUARVEX_TEST_DATA_DIR) + "/USER.DAT"; }

BuiltHive GeneratedSystemDat() {
  tools::GeneratorOptions options;
  options.kind = tools::HiveKind::System;
  options.keys = 5000;
  options.seed = 34;
  return tools::GenerateHive(options);
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

QString StatusLabel(const BrowserWindow& window) {
  return window.findChild<QLabel*>(QStringLiteral("statusLabel"))->text();
}

// A value of REG_BINARY type with at least 8 data bytes, in a key the tree can select.
struct BinaryValue {
  std::int32_t key = -1;
  std::size_t value = 0;
};
std::optional<BinaryValue> FindBinary(const BrowserDocument& doc) {
  const browse::HiveView& view = doc.View();
  for (std::size_t k = 0; k < doc.Hive().keys.size(); ++k) {
    const auto key = static_cast<std::int32_t>(k);
    if (doc.Hive().keys[k].lost) continue;
    for (const salvage::SalvagedValue& v : view.Values(key))
      if (v.type == kBinary && !v.cut && v.data.size() >= 8)
        return BinaryValue{key, static_cast<std::size_t>(&v - doc.Hive().values.data())};
  }
  return std::nullopt;
}

QString HexOf(hive::Bytes bytes) {
  QStringList parts;
  for (const std::uint8_t b : bytes) parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
  return parts.join(QLatin1Char(' '));
}

void SearchesABinaryHit(BrowserFixture& f) {
  const std::optional<BinaryValue> binary = FindBinary(f.Doc());
  ASSERT_TRUE(binary.has_value());
  const salvage::SalvagedValue& value = f.Doc().Hive().values[binary->value];
  // Its first 8 bytes: the first place in this value they are found.
  const hive::Bytes needle = value.data.first(8);
  f.window->SyntaxBox()->setCurrentIndex(
      f.window->SyntaxBox()->findData(static_cast<int>(browse::PatternSyntax::Bytes)));
  f.window->SearchField()->setText(HexOf(needle));
  QSignalSpy finished(f.window->Search(), &BrowserSearch::finished);
  f.window->StartSearch();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 60000));
  const BrowserSearchHits* hits = f.window->Search()->Hits();
  int row = -1;
  for (int r = 0; r < hits->rowCount() && row < 0; ++r)
    if (hits->At(r).value == binary->value) row = r;
  ASSERT_GE(row, 0) << "the bytes of the value are found in it";
  ASSERT_TRUE(hits->At(row).inside.has_value());
  EXPECT_EQ(hits->At(row).inside->offset, 0u);
  // A click on the hit selects its key and marks the bytes found.
  emit f.window->HitTable()->clicked(f.window->HitTable()->model()->index(row, 0));
  EXPECT_EQ(f.window->SelectedKey(), binary->key);
  const std::int64_t dataAt = value.data.data() - f.Doc().Image().data();
  EXPECT_EQ(f.window->HexView()->Highlight(), std::make_optional(std::pair{dataAt, std::int64_t{8}}));
  EXPECT_EQ(f.window->HexView()->HighlightedHex(), HexOf(needle));
}

// Two keys below the top, the second deeper than the first when the hive has one.
std::pair<std::int32_t, std::int32_t> TwoKeys(const BrowserDocument& doc) {
  std::int32_t first = -1, second = -1;
  doc.View().Walk(browse::kTop, 0, [&](std::int32_t key, int depth) {
    if (doc.Hive().keys[static_cast<std::size_t>(key)].record == salvage::kNoIndex) return true;
    if (first < 0 && depth >= 1)
      first = key;
    else if (first >= 0 && depth >= 2 && key != first)
      second = key;
    return second < 0;
  });
  return {first, second};
}

void NavigatesBookmarksAndCopies(BrowserFixture& f, const std::string& path) {
  const auto [a, b] = TwoKeys(f.Doc());
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  ASSERT_TRUE(f.window->SelectKey(a));
  ASSERT_TRUE(f.window->SelectKey(b));
  f.window->GoBack();
  EXPECT_EQ(f.window->SelectedKey(), a);
  f.window->GoForward();
  EXPECT_EQ(f.window->SelectedKey(), b);

  const QString keyPath =
      QString::fromStdString(f.Doc().RootKey()) + QLatin1Char('\\') + QString::fromUtf8(f.Doc().View().Path(b));
  f.window->CopyKeyPath();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), keyPath);
  f.window->CopyKeyAsRegedit4();
  const QString regedit = QGuiApplication::clipboard()->text();
  EXPECT_TRUE(regedit.startsWith(QStringLiteral("REGEDIT4\n\n[") + keyPath + QStringLiteral("]\n")))
      << regedit.left(200).toStdString();

  f.window->BookmarkCurrentKey();
  ASSERT_EQ(f.window->Bookmarks().size(), 1u);
  BrowserWindow other(BrowserWindow::Settings{});
  other.SetBookmarkDirectory(f.dir.filePath(QStringLiteral("bookmarks")));
  other.SetHiveChoiceHook([](HiveChoiceDialog& dialog) {
    return dialog.OpenButton()->isEnabled() ? int(QDialog::Accepted) : int(QDialog::Rejected);
  });
  QSignalSpy loaded(&other, &BrowserWindow::loaded);
  other.OpenFile(QString::fromStdString(path));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 60000));
  ASSERT_EQ(other.Bookmarks().size(), 1u);
  EXPECT_EQ(other.Bookmarks()[0].label, keyPath);
  ASSERT_TRUE(other.GoToBookmark(0));
  EXPECT_EQ(other.SelectedKey(), b);
}

void GoesToAFreeRecord(BrowserFixture& f) {
  const std::vector<browse::FreeRecord>& frees = f.Doc().FreeRecords();
  ASSERT_FALSE(frees.empty());
  const browse::FreeRecord& free = frees[frees.size() / 2];
  ASSERT_TRUE(f.window->GoToOffset(free.offset + free.size / 2));
  const QString said = f.window->statusBar()->currentMessage();
  EXPECT_TRUE(said.contains(QStringLiteral(": free record, block %1, size %2, at 0x").arg(free.block).arg(free.size)))
      << said.toStdString();
  EXPECT_EQ(f.window->HexView()->Highlight()->first, free.offset);
}

TEST(BrowserSources, TheRealUserDat) {
  BrowserFixture f;
  f.window->SetBookmarkDirectory(f.dir.filePath(QStringLiteral("bookmarks")));
  ASSERT_TRUE(f.Open(RealUserDatPath()));
  EXPECT_TRUE(StatusLabel(*f.window).contains(QString::fromStdString(salvage::SummaryText(f.Doc().Hive()))));
  SearchesABinaryHit(f);
  NavigatesBookmarksAndCopies(f, RealUserDatPath());
  GoesToAFreeRecord(f);
}

TEST(BrowserSources, AGeneratedSystemDatOfTwentyBlocks) {
  BrowserFixture f;
  f.window->SetBookmarkDirectory(f.dir.filePath(QStringLiteral("bookmarks")));
  const std::string path = f.Write(GeneratedSystemDat(), "system.dat");
  ASSERT_TRUE(f.Open(path));
  EXPECT_GE(f.Doc().Hive().blocks.size(), 20u);
  EXPECT_GE(f.Doc().Hive().keys.size(), 5000u);
  EXPECT_TRUE(StatusLabel(*f.window).startsWith(QStringLiteral("healthy: "))) << StatusLabel(*f.window).toStdString();
  SearchesABinaryHit(f);
  NavigatesBookmarksAndCopies(f, path);
  GoesToAFreeRecord(f);
}

TEST(BrowserSources, ACopyCutInTheMiddleOfABlockShowsTheDamageAndTheBytesLost) {
  BrowserFixture f;
  f.window->SetBookmarkDirectory(f.dir.filePath(QStringLiteral("bookmarks")));
  BuiltHive hive = GeneratedSystemDat();
  ASSERT_GE(hive.block.size(), 20u);
  const std::int64_t blockStart = hive.block[10];
  const std::int64_t blockEnd = hive.block[11];
  const auto cutAt = static_cast<std::size_t>(blockStart + (blockEnd - blockStart) / 2);
  const std::size_t whole = hive.bytes.size();
  hive.bytes.resize(cutAt);
  const std::string path = f.dir.filePath(QStringLiteral("system-cut.dat")).toStdString();
  WriteBytes(path, hive.bytes);
  ASSERT_TRUE(f.Open(path));
  const salvage::SalvageSummary& summary = f.Doc().Hive().summary;
  EXPECT_GT(summary.damage, 0u);
  // What the headers place past the end is lost: at least the rest of the cut block.
  EXPECT_GE(summary.bytesLost, static_cast<std::uint64_t>(blockEnd) - cutAt) << StatusLabel(*f.window).toStdString();
  EXPECT_LE(summary.bytesLost, whole);
  const QString status = StatusLabel(*f.window);
  EXPECT_TRUE(status.contains(QStringLiteral(" damage"))) << status.toStdString();
  EXPECT_TRUE(status.contains(QStringLiteral(" lost"))) << status.toStdString();
  EXPECT_TRUE(status.contains(QString::fromStdString(salvage::SummaryText(f.Doc().Hive())))) << status.toStdString();
  // The Problems dock lists the cut.
  EXPECT_GT(f.window->ProblemTable()->model()->rowCount(), 0);
  SearchesABinaryHit(f);
  NavigatesBookmarksAndCopies(f, path);
  GoesToAFreeRecord(f);
}

bool HaveTool(const char* tool) {
  return std::system((std::string("command -v ") + tool + " > /dev/null").c_str()) == 0;
}

TEST(BrowserSources, ADiskImageOpensItsLiveHiveFromTheList) {
  if (!QUARVEX_TEST_HAVE_IMAGES) GTEST_SKIP() << "this build reads no images";
  for (const char* tool : {"sfdisk", "mkfs.fat", "mcopy", "mmd", "mdel"})
    if (!HaveTool(tool)) GTEST_SKIP() << tool << " missing";
  BrowserFixture f;
  f.window->SetBookmarkDirectory(f.dir.filePath(QStringLiteral("bookmarks")));
  const std::string at = f.dir.path().toStdString();
  GeneratedSystemDat().WriteFile(at + "/SYSTEM.DAT");
  // A deleted USER.DAT and a setup copy come first in the listing; the live SYSTEM.DAT is chosen.
  const std::string script = "set -e; cd '" + at +
                             "'; export MTOOLS_SKIP_CHECK=1; truncate -s 24M disk.img;"
                             "echo 'start=2048, type=6' | sfdisk -q disk.img;"
                             "mkfs.fat -F 16 -n WIN98 --offset=2048 disk.img $(((24 * 2048 - 2048) / 2)) > /dev/null;"
                             "mmd -i disk.img@@1M ::TEMP ::WINDOWS;"
                             "mcopy -i disk.img@@1M '" +
                             RealUserDatPath() +
                             "' ::TEMP/USER.DAT;"
                             "mdel -i disk.img@@1M ::TEMP/USER.DAT;"
                             "mcopy -i disk.img@@1M SYSTEM.DAT ::SYSTEM.1ST;"
                             "mcopy -i disk.img@@1M SYSTEM.DAT ::WINDOWS/SYSTEM.DAT;"
                             "mcopy -i disk.img@@1M '" +
                             RealUserDatPath() + "' ::WINDOWS/USER.DAT";
  ASSERT_EQ(std::system(script.c_str()), 0);
  QStringList kinds;
  QString preselected;
  f.window->SetHiveChoiceHook([&](HiveChoiceDialog& dialog) {
    for (int row = 0; row < dialog.List()->topLevelItemCount(); ++row)
      kinds << dialog.List()->topLevelItem(row)->text(HiveChoiceDialog::kKind) + QLatin1Char(' ') +
                   dialog.List()->topLevelItem(row)->text(HiveChoiceDialog::kAddress);
    if (dialog.List()->currentItem()) preselected = dialog.List()->currentItem()->text(HiveChoiceDialog::kAddress);
    return int(QDialog::Accepted);  // Open on the row chosen at first
  });
  QSignalSpy loaded(f.window.get(), &BrowserWindow::loaded);
  f.window->OpenChosenFile(QString::fromStdString(at + "/disk.img"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 60000)) << f.messages.join('\n').toStdString();
  EXPECT_EQ(preselected, QStringLiteral("WINDOWS/SYSTEM.DAT")) << kinds.join('\n').toStdString();
  const std::string address = at + "/disk.img::WINDOWS/SYSTEM.DAT";
  EXPECT_EQ(f.Doc().Path(), address);
  EXPECT_GE(f.Doc().Hive().blocks.size(), 20u);
  SearchesABinaryHit(f);
  NavigatesBookmarksAndCopies(f, address);
  GoesToAFreeRecord(f);
}

}  // namespace
}  // namespace quarvex::ui::testing
