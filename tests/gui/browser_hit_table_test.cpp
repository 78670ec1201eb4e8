// The Search dock's table of hits (key, value, type, matched text) and Find Next / Find
// Previous (F3, Shift+F3) through them.
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QStatusBar>
#include <QTableView>

#include "browser_fixture.h"
#include "browse/find.h"
#include "ui/browser/browser_hit_table.h"
#include "ui/browser/browser_search.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

using browse::PatternSyntax;

bool Search(BrowserFixture& f, const QString& pattern, PatternSyntax syntax) {
  QSignalSpy finished(f.window->Search(), &BrowserSearch::finished);
  QComboBox* kinds = f.window->SyntaxBox();
  kinds->setCurrentIndex(kinds->findData(static_cast<int>(syntax)));
  f.window->SearchField()->setText(pattern);
  f.window->StartSearch();
  if (!f.window->Search()->Running()) return false;
  return QTest::qWaitFor([&] { return !finished.isEmpty(); }, 60000);
}

QStringList Row(const QTableView* table, int row) {
  QStringList cells;
  for (int column = 0; column < table->model()->columnCount(); ++column)
    cells << table->model()->index(row, column).data().toString();
  return cells;
}

std::string Utf16(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += std::string{c, '\0'};
  return out;
}

// The fixture's hive with Software\App, whose binary value holds a UTF-16 string at +0x03.
BuiltHive WithBinaryString() {
  HiveBuilder b = FixtureBuilder();
  b.AddKey(kSoftware, "App",
           {testkit::Binary("Flags", std::string("\x01\x02\x03", 3) + Utf16("Microsoft Corporation"))});
  return b.Build();
}

TEST(BrowserHitTable, NamesItsColumns) {
  BrowserFixture f;
  const QAbstractItemModel* model = f.window->HitTable()->model();
  QStringList headers;
  for (int column = 0; column < model->columnCount(); ++column)
    headers << model->headerData(column, Qt::Horizontal).toString();
  EXPECT_EQ(headers, (QStringList{"Key", "Value", "Type", "Matched text"}));
}

TEST(BrowserHitTable, ShowsEachHitsKeyValueTypeAndMatchedText) {
  const struct {
    const char* pattern;
    PatternSyntax syntax;
    QStringList row;  // key, value, type, matched text
  } cases[] = {
      {"vendor", PatternSyntax::Text, {"Software\\Vendor", "", "", "Vendor"}},
      {"日本", PatternSyntax::Text, {QStringLiteral("Software\\Vendor\\日本"), "", "", QStringLiteral("日本")}},
      {"QUARVEX", PatternSyntax::Text, {"Software\\Vendor", "Name", "REG_SZ", "\"Quarvex\""}},
      // The value's name matched, not its data: the name is what matched.
      {"^Count$", PatternSyntax::Regex, {"Software", "Count", "REG_DWORD", "Count"}},
      {"^default$", PatternSyntax::Regex, {"Software", "(Default)", "REG_SZ", "\"default\""}},
      // Inside binary data: where the hit lies and what it is, the type in its own column.
      {"microsoft",
       PatternSyntax::Text,
       {"Software\\App", "Flags", "REG_BINARY", "at +0x03, UTF-16: \"Microsoft Corporation\""}},
      {"03 4D ?? 69", PatternSyntax::Bytes, {"Software\\App", "Flags", "REG_BINARY", "at +0x02: 03 4D 00 69"}},
  };
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(WithBinaryString())));
  for (const auto& c : cases) {
    ASSERT_TRUE(Search(f, QString::fromUtf8(c.pattern), c.syntax)) << c.pattern;
    QTableView* table = f.window->HitTable();
    ASSERT_EQ(table->model()->rowCount(), 1) << c.pattern;
    EXPECT_EQ(Row(table, 0), c.row) << c.pattern << ": " << Row(table, 0).join('|').toStdString();
    // The whole line is every cell's tooltip.
    const QString line = table->model()->index(0, BrowserSearchHits::kMatched).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(line.startsWith(c.row[0])) << line.toStdString();
    EXPECT_EQ(line, table->model()->index(0, BrowserSearchHits::kKey).data(BrowserSearchHits::kLineRole).toString());
  }
}

TEST(BrowserHitTable, StepGoesRoundTheHits) {
  const struct {
    int current, rows;
    bool forward;
    std::optional<int> next;
  } cases[] = {
      {-1, 3, true, 0}, {-1, 3, false, 2}, {0, 3, true, 1}, {2, 3, true, 0},  {0, 3, false, 2},
      {1, 3, false, 0}, {0, 1, true, 0},   {5, 3, true, 0}, {0, 0, true, {}}, {-1, 0, false, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(StepHit(c.current, c.rows, c.forward), c.next)
        << c.current << " of " << c.rows << (c.forward ? " +" : " -");
}

TEST(BrowserHitTable, F3AndShiftF3SelectTheNextAndPreviousHit) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  f.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
  // Three hits in the order of the keys: Software's Count and Blob, then 日本's Title.
  ASSERT_TRUE(Search(f, QStringLiteral("^(Count|Blob|Title)$"), PatternSyntax::Regex));
  ASSERT_EQ(f.window->HitTable()->model()->rowCount(), 3);
  const struct {
    Qt::KeyboardModifiers modifiers;
    int row;
    const char* key;
    const char* value;
  } steps[] = {
      {Qt::NoModifier, 0, "Software", "Count"},
      {Qt::NoModifier, 1, "Software", "Blob"},
      {Qt::NoModifier, 2, "Software\\Vendor\\日本", "Title"},
      {Qt::NoModifier, 0, "Software", "Count"},
      {Qt::ShiftModifier, 2, "Software\\Vendor\\日本", "Title"},
      {Qt::ShiftModifier, 1, "Software", "Blob"},
  };
  for (const auto& step : steps) {
    f.window->Tree()->setFocus();
    QTest::keyClick(f.window.get(), Qt::Key_F3, step.modifiers);
    const QModelIndex current = f.window->HitTable()->currentIndex();
    EXPECT_EQ(current.row(), step.row) << step.value;
    EXPECT_TRUE(f.window->HitTable()->selectionModel()->isRowSelected(step.row)) << step.value;
    EXPECT_EQ(f.window->SelectedKey(), f.Key(step.key)) << step.value;
    EXPECT_EQ(f.window->ValueTable()->currentIndex().siblingAtColumn(0).data().toString(),
              QString::fromUtf8(step.value));
  }
}

TEST(BrowserHitTable, FindNextWithoutHitsSaysSo) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  f.window->Tree()->setCurrentIndex({});
  f.window->FindNext();
  EXPECT_FALSE(f.window->SelectedKey().has_value());
  EXPECT_TRUE(f.window->statusBar()->currentMessage().startsWith(QStringLiteral("No hits")))
      << f.window->statusBar()->currentMessage().toStdString();
  ASSERT_TRUE(Search(f, QStringLiteral("nothing like this"), PatternSyntax::Text));
  f.window->FindPrevious();
  EXPECT_FALSE(f.window->SelectedKey().has_value());
}

}  // namespace
}  // namespace quarvex::ui::testing
