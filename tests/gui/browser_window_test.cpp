// The browser window: opening the fixtures, the lazy key tree, the value table and the bytes.
#include <QHeaderView>
#include <QTableView>
#include <QTreeView>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "browser_fixture.h"
#include "hive/format.h"
#include "text/text_encoding.h"
#include "ui/browser/browser_hex_lines.h"
#include "ui/browser/browser_hex_view.h"
#include "ui/browser/browser_value_table_model.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

QString Utf8(const std::string& bytes932) {
  return QString::fromStdString(text::CodePageToUtf8(bytes932, CodePage::Cp932));
}

struct OpenCase {
  const char* name;
  Fixture fixture;
  std::string fileName;
  bool damageFound;
};

TEST(BrowserWindow, OpensEachFixtureNamingItInTheTitle) {
  const OpenCase cases[] = {
      {"DoubleByteNames", Fixture::DoubleByteNames, "USER.DAT", false},
      {"DamagedChecksum", Fixture::DamagedChecksum, "SYSTEM.DAT", true},
      {"TruncatedFile", Fixture::TruncatedFile, "USER.DAT", true},
      {"DeletedKey", Fixture::DeletedKey, "USER.DAT", false},
  };
  for (const OpenCase& c : cases) {
    BrowserFixture f;
    ASSERT_TRUE(f.OpenFixture(c.fixture, c.fileName)) << c.name << ": " << f.messages.join('\n').toStdString();
    EXPECT_EQ(f.window->windowTitle(), QString::fromStdString(c.fileName) + QStringLiteral(" — Quarvex")) << c.name;
    EXPECT_GE(f.window->TreeModel()->rowCount(), 2) << c.name;  // Software, Control Panel
    EXPECT_EQ(f.Doc().Hive().summary.damage > 0 || f.Doc().Hive().summary.warnings > 0, c.damageFound) << c.name;
    EXPECT_EQ(f.window->ProblemTable()->model()->rowCount(), static_cast<int>(f.Doc().Hive().findings.size()))
        << c.name;
  }
}

TEST(BrowserWindow, AFileThatIsNoHiveIsSaidAndNothingIsLost) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  const std::string junk = f.dir.filePath("JUNK.DAT").toStdString();
  BuiltHive notAHive;
  notAHive.bytes.assign(100, 0x41);
  notAHive.WriteFile(junk);
  EXPECT_FALSE(f.Open(junk));
  ASSERT_EQ(f.messages.size(), 1);
  EXPECT_TRUE(f.messages[0].contains(QStringLiteral("not a registry file"))) << f.messages[0].toStdString();
  EXPECT_TRUE(f.messages[0].contains(QStringLiteral("JUNK.DAT")));
  // The open hive stays open.
  EXPECT_EQ(f.window->windowTitle(), QStringLiteral("USER.DAT — Quarvex"));
  // A missing file is said in the command line's words: the window opens hives as it does.
  EXPECT_FALSE(f.Open(f.dir.filePath("MISSING.DAT").toStdString()));
  EXPECT_TRUE(f.messages.back().contains(QStringLiteral("MISSING.DAT: no such file")))
      << f.messages.back().toStdString();
}

#ifndef _WIN32
// A named pipe chosen by mistake: refused at once (reading it would hold the loading thread,
// and closing the window waits for that thread), and the open hive stays open.
TEST(BrowserWindow, ANamedPipeIsRefusedWithoutWaiting) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  const std::string pipe = f.dir.filePath("PIPE.DAT").toStdString();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(f.Open(pipe));
  ASSERT_EQ(f.messages.size(), 1);
  EXPECT_EQ(f.messages[0], QString::fromStdString(pipe + ": not a regular file"));
  EXPECT_EQ(f.window->windowTitle(), QStringLiteral("USER.DAT — Quarvex"));
}
#endif

TEST(BrowserWindow, ExpandingShowsDoubleByteNamesAsUnicode) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  BrowserKeyTreeModel* model = f.window->TreeModel();
  const QModelIndex software = model->index(0, 0);
  EXPECT_EQ(software.data().toString(), QStringLiteral("Software"));
  EXPECT_EQ(model->rowCount(software), 0) << "nothing made before it is expanded";
  f.window->Tree()->expand(software);
  ASSERT_EQ(model->rowCount(software), 2);
  const QModelIndex vendor = model->index(0, 0, software);
  f.window->Tree()->expand(vendor);
  EXPECT_EQ(model->index(0, 0, vendor).data().toString(), QStringLiteral("日本"));
  EXPECT_EQ(Utf8(kNihon), QStringLiteral("日本"));
}

// Windows 95 writes the root key a record whose name is one zero byte: the tree's top is the
// root's children all the same, with no nameless level above them.
TEST(BrowserWindow, ARootNamedByAZeroByteAddsNoLevel) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, std::string(1, '\0'));
  b.AddKey(b.AddKey(root, "SOFTWARE"), "Microsoft");
  b.AddKey(root, "System");
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(b.Build(), "SYSTEM.1ST")));
  BrowserKeyTreeModel* model = f.window->TreeModel();
  QStringList top;
  for (int row = 0; row < model->rowCount(); ++row) top << model->index(row, 0).data().toString();
  EXPECT_EQ(top, (QStringList{QStringLiteral("SOFTWARE"), QStringLiteral("System")}));
  EXPECT_EQ(f.Key("SOFTWARE\\Microsoft"), f.Doc().View().Children(f.Key("SOFTWARE"))[0]);
}

TEST(BrowserWindow, SelectingAKeyListsItsValuesUnnamedFirst) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  ASSERT_TRUE(f.window->SelectKey(f.Key("Software")));
  const QAbstractItemModel* table = f.window->ValueTable()->model();
  ASSERT_EQ(table->rowCount(), 3);
  const auto cell = [&](int row, int column) { return table->index(row, column).data().toString(); };
  EXPECT_EQ(cell(0, 0), QStringLiteral("(Default)"));
  EXPECT_EQ(cell(0, 1), QStringLiteral("REG_SZ"));
  EXPECT_EQ(cell(0, 2), QStringLiteral("8"));
  EXPECT_EQ(cell(0, 3), QStringLiteral("\"default\""));
  EXPECT_EQ(cell(1, 0), QStringLiteral("Blob"));
  EXPECT_EQ(cell(1, 3), QStringLiteral("01 02 03 (3 bytes)"));
  EXPECT_EQ(cell(2, 0), QStringLiteral("Count"));
  EXPECT_EQ(cell(2, 1), QStringLiteral("REG_DWORD"));
  EXPECT_EQ(cell(2, 3), QStringLiteral("0x0000002A (42)"));
  // Sorted the other way, the unnamed value stays on top.
  f.window->ValueTable()->sortByColumn(0, Qt::DescendingOrder);
  EXPECT_EQ(cell(0, 0), QStringLiteral("(Default)"));
  EXPECT_EQ(cell(1, 0), QStringLiteral("Count"));
  f.window->ValueTable()->sortByColumn(2, Qt::AscendingOrder);  // by size
  EXPECT_EQ(cell(0, 0), QStringLiteral("(Default)"));
  EXPECT_EQ(cell(1, 0), QStringLiteral("Blob"));
  // A double-byte text value.
  ASSERT_TRUE(f.window->SelectKey(f.Key("Software\\Vendor\\日本")));
  EXPECT_EQ(cell(0, 3), QStringLiteral("\"ソフト\""));
}

TEST(BrowserWindow, HexViewShowsTheKeyNodeTheRecordAndTheSelectedValue) {
  BrowserFixture f;
  const BuiltHive hive = MakeFixture(Fixture::DoubleByteNames);
  ASSERT_TRUE(f.Open(f.Write(hive)));
  ASSERT_TRUE(f.window->SelectKey(f.Key("Software")));
  BrowserHexView* hex = f.window->HexView();
  ASSERT_EQ(hex->Sections().size(), 2u);
  const QByteArray all = QByteArray::fromStdString(hive.AsString());
  EXPECT_EQ(hex->Sections()[0].start, hive.KeyNodeFileOffset(kSoftware));
  EXPECT_EQ(hex->SectionBytes(0), all.mid(hive.KeyNodeFileOffset(kSoftware), 28));
  EXPECT_EQ(hex->Sections()[1].start, hive.keyRecord[kSoftware]);
  EXPECT_EQ(hex->SectionBytes(1).left(4), all.mid(hive.keyRecord[kSoftware], 4));
  EXPECT_FALSE(hex->Highlight());
  // Count is the record's first value: 12-byte entry, "Count", 4 bytes of data.
  QTableView* table = f.window->ValueTable();
  table->setCurrentIndex(table->model()->index(2, 0));
  ASSERT_TRUE(hex->Highlight());
  EXPECT_EQ(hex->Highlight()->first, hive.keyRecord[kSoftware] + 20 + 8);  // header, then the name "Software"
  EXPECT_EQ(hex->Highlight()->second, 12 + 5 + 4);
  EXPECT_TRUE(hex->HighlightedHex().contains(QStringLiteral("43 6F 75 6E 74 2A 00 00 00")) ||
              hex->HighlightedHex().remove(QLatin1Char(' ')).contains(QStringLiteral("436F756E742A000000")))
      << hex->HighlightedHex().toStdString();
  EXPECT_TRUE(hex->toPlainText().contains(QStringLiteral("Key node at")));
}

TEST(BrowserHexRows, OffsetsBytesAndTextInTheCodePage) {
  std::string bytes = "AB" + kNihon + std::string("\x01\x02", 2) + "0123456789";
  bytes += kSofuto;
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::vector<HexRow> rows =
      HexRows(hive::Bytes(data, bytes.size()), 0, static_cast<std::int64_t>(bytes.size()), CodePage::Cp932);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].text.substr(0, 14), "00000000  41 4");
  EXPECT_EQ(rows[0].text.substr(kHexTextColumn), "AB日本..01234567");
  EXPECT_EQ(rows[1].offset, 16);
  // ソフト's 0x5C is the second byte of a character, shown whole; blanks after the end.
  EXPECT_EQ(rows[1].text.substr(kHexColumn, 18), "38 39 83 5C 83 74 ");
  EXPECT_EQ(rows[1].text.substr(kHexTextColumn), "89ソフト        ");
  // A range in the middle of a row: blanks before it, and never past the image.
  const std::vector<HexRow> part = HexRows(hive::Bytes(data, bytes.size()), 3, 1000, CodePage::Cp932);
  ASSERT_EQ(part.size(), 2u);
  EXPECT_EQ(part[0].text.substr(kHexColumn, 9), "         ");
  EXPECT_TRUE(HexRows(hive::Bytes(data, bytes.size()), 5000, 16, CodePage::Cp932).empty());
}

TEST(BrowserWindow, AKeyWithManySubkeysIsFetchedInBatches) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int many = b.AddKey(root, "Many");
  const int count = BrowserKeyTreeModel::kFetchBatch * 2 + 7;
  for (int i = 0; i < count; ++i) b.AddKey(many, "Key" + std::to_string(i));
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(b.Build())));
  // The model alone: rows are made a batch at a time.
  BrowserKeyTreeModel alone;
  alone.SetDocument(f.window->Document());
  ASSERT_TRUE(alone.canFetchMore({}));
  alone.fetchMore({});
  const QModelIndex manyRow = alone.index(0, 0);
  EXPECT_TRUE(alone.hasChildren(manyRow));
  EXPECT_EQ(alone.rowCount(manyRow), 0);
  alone.fetchMore(manyRow);
  EXPECT_EQ(alone.rowCount(manyRow), BrowserKeyTreeModel::kFetchBatch);
  alone.fetchMore(manyRow);
  alone.fetchMore(manyRow);
  EXPECT_EQ(alone.rowCount(manyRow), count);
  EXPECT_FALSE(alone.canFetchMore(manyRow));
  // In the window: selecting the last one makes the rows up to it. (An index taken before the
  // selection may be stale after it: the rows of "Many" are asked for through the selection.)
  BrowserKeyTreeModel* model = f.window->TreeModel();
  ASSERT_TRUE(f.window->SelectKey(f.Key("Many\\Key" + std::to_string(count - 1))));
  const QModelIndex top = f.window->Tree()->currentIndex().parent();
  EXPECT_EQ(top.data().toString(), QStringLiteral("Many"));
  EXPECT_EQ(model->rowCount(top), count);
  EXPECT_FALSE(model->canFetchMore(top));
  EXPECT_EQ(f.window->Tree()->currentIndex().data().toString(), QStringLiteral("Key%1").arg(count - 1));
}

TEST(BrowserWindow, GoToOffsetFindsTheStructureAndItsKey) {
  BrowserFixture f;
  const BuiltHive hive = MakeFixture(Fixture::DoubleByteNames);
  ASSERT_TRUE(f.Open(f.Write(hive)));
  // Inside Vendor's key node.
  ASSERT_TRUE(f.window->GoToOffset(hive.KeyNodeFileOffset(kVendor) + 5));
  EXPECT_EQ(f.window->SelectedKey(), f.Key("Software\\Vendor"));
  EXPECT_EQ(f.window->HexView()->Highlight()->first, hive.KeyNodeFileOffset(kVendor));
  EXPECT_EQ(f.window->HexView()->Highlight()->second, 28);
  // Inside the first value of Control Panel's record: the value's row is selected.
  ASSERT_TRUE(f.window->GoToOffset(hive.keyRecord[kControl] + 20 + 13 + 2));
  EXPECT_EQ(f.window->SelectedKey(), f.Key("Control Panel"));
  EXPECT_EQ(f.window->ValueTable()->currentIndex().data().toString(), QStringLiteral("Wallpaper"));
  // The file header has no key; outside the file is said.
  ASSERT_TRUE(f.window->GoToOffset(4));
  EXPECT_EQ(f.window->HexView()->Sections()[0].start, 0);
  EXPECT_FALSE(f.window->GoToOffset(static_cast<std::int64_t>(hive.bytes.size())));
  EXPECT_TRUE(f.messages.back().contains(QStringLiteral("outside the file")));
}

}  // namespace
}  // namespace quarvex::ui::testing
