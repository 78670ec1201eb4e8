// The browser's search (off the window's thread), its Problems dock and the recovered keys.
#include <QBrush>
#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QTableView>

#include "browser_fixture.h"
#include "ui/browser_hex_view.h"
#include "ui/browser_search.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

bool RunSearch(BrowserFixture& f, const QString& pattern, bool regex = false) {
  QSignalSpy finished(f.window->Search(), &BrowserSearch::finished);
  f.window->SearchField()->setText(pattern);
  f.window->RegexBox()->setChecked(regex);
  f.window->StartSearch();
  if (!f.window->Search()->Running()) return false;
  return QTest::qWaitFor([&] { return !finished.isEmpty(); }, 20000);
}

QStringList Hits(BrowserFixture& f) {
  QStringList hits;
  const QAbstractItemModel* model = f.window->HitList()->model();
  for (int row = 0; row < model->rowCount(); ++row) hits << model->index(row, 0).data().toString();
  return hits;
}

void Click(QAbstractItemView* view, const QModelIndex& index) {
  view->scrollTo(index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

struct SearchCase {
  const char* pattern;
  bool regex;
  QStringList hits;
};

TEST(BrowserSearch, FindsKeysValueNamesAndData) {
  const SearchCase cases[] = {
      {"vendor", false, {QStringLiteral("Software\\Vendor")}},
      {"QUARVEX", false, {QStringLiteral("Software\\Vendor  Name = \"Quarvex\"")}},
      {"ソフト", false, {QStringLiteral("Software\\Vendor\\日本  Title = \"ソフト\"")}},
      {"^(count|blob)$", true,
       {QStringLiteral("Software  Count = 0x0000002A (42)"), QStringLiteral("Software  Blob = 01 02 03 (3 bytes)")}},
      {"nothing like this", false, {}},
  };
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  for (const SearchCase& c : cases) {
    ASSERT_TRUE(RunSearch(f, QString::fromUtf8(c.pattern), c.regex)) << c.pattern;
    EXPECT_EQ(Hits(f), c.hits) << c.pattern << ": " << Hits(f).join('|').toStdString();
    EXPECT_EQ(f.window->SearchProgress()->value(), 100) << c.pattern;
  }
}

TEST(BrowserSearch, ABadRegularExpressionIsSaidAndNothingRuns) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  EXPECT_FALSE(RunSearch(f, QStringLiteral("(unclosed"), true));
  EXPECT_FALSE(f.window->Search()->Running());
}

TEST(BrowserSearch, ClickingAHitSelectsItsKeyAndValue) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  ASSERT_TRUE(RunSearch(f, QStringLiteral("Title")));
  ASSERT_EQ(Hits(f).size(), 1);
  Click(f.window->HitList(), f.window->HitList()->model()->index(0, 0));
  EXPECT_EQ(f.window->SelectedKey(), f.Key("Software\\Vendor\\日本"));
  EXPECT_EQ(f.window->ValueTable()->currentIndex().data().toString(), QStringLiteral("Title"));
}

TEST(BrowserSearch, ASearchCanBeCancelled) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  for (int i = 0; i < 3000; ++i) b.AddKey(root, "Key" + std::to_string(i), {testkit::Text("V", "value")});
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(b.Build())));
  QSignalSpy finished(f.window->Search(), &BrowserSearch::finished);
  f.window->SearchField()->setText(QStringLiteral("e"));
  f.window->StartSearch();
  f.window->Search()->Cancel();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 20000));
  // Whether it ended before or after the cancel, the list holds what was found, no more.
  EXPECT_LE(f.window->HitList()->model()->rowCount(), 6000);
  EXPECT_FALSE(f.window->Search()->Running());
}

TEST(BrowserProblems, ClickingAFindingSelectsItsKey) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DamagedChecksum));
  QTableView* problems = f.window->ProblemTable();
  const std::int32_t desktop = f.Key("Control Panel\\Desktop");
  int row = -1;
  for (int r = 0; r < problems->model()->rowCount(); ++r)
    if (f.Doc().FindingKey(static_cast<std::size_t>(r)) == desktop) row = r;
  ASSERT_GE(row, 0) << "a finding about the key with the wrong checksum";
  EXPECT_FALSE(problems->model()->index(row, 0).data().toString().isEmpty());
  EXPECT_TRUE(problems->model()->index(row, 1).data().toString().startsWith(QStringLiteral("0x")));
  Click(problems, problems->model()->index(row, 4));
  EXPECT_EQ(f.window->SelectedKey(), desktop);
  // The key is marked in the tree, its finding in the tooltip.
  const QModelIndex index = f.window->Tree()->currentIndex();
  EXPECT_FALSE(index.data(Qt::DecorationRole).isNull());
  EXPECT_TRUE(index.data(Qt::ToolTipRole).toString().contains(QStringLiteral("0x"))) << index.data(Qt::ToolTipRole).toString().toStdString();
}

TEST(BrowserProblems, AFindingOfATruncatedFileShowsItsBytes) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::TruncatedFile));
  QTableView* problems = f.window->ProblemTable();
  ASSERT_GT(problems->model()->rowCount(), 0);
  Click(problems, problems->model()->index(0, 4));
  EXPECT_FALSE(f.window->HexView()->Sections().empty());
}

TEST(BrowserRecovered, ADeletedKeyShowsUnderItsParentInItsColourAndCanBeHidden) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DeletedKey));
  const recover::Recovery& recovery = f.Doc().Recovery();
  std::optional<std::size_t> old;
  for (std::size_t i = 0; i < recovery.keys.size(); ++i)
    if (std::string(recovery.keys[i].name.begin(), recovery.keys[i].name.end()) == "Old") old = i;
  ASSERT_TRUE(old) << recovery.keys.size() << " recovered";
  EXPECT_EQ(f.Doc().Placement(*old).parent, f.Key("Software"));
  ASSERT_TRUE(f.window->SelectRecovered(*old));
  const QModelIndex index = f.window->Tree()->currentIndex();
  EXPECT_TRUE(index.data().toString().startsWith(QStringLiteral("Old  (deleted, "))) << index.data().toString().toStdString();
  EXPECT_EQ(index.parent().data().toString(), QStringLiteral("Software"));
  EXPECT_TRUE(index.data(Qt::ForegroundRole).canConvert<QBrush>());
  EXPECT_FALSE(index.data(Qt::ToolTipRole).toString().isEmpty());
  // Its values and bytes.
  EXPECT_EQ(f.window->ValueTable()->model()->index(0, 0).data().toString(), QStringLiteral("Gone"));
  EXPECT_FALSE(f.window->HexView()->Sections().empty());
  // Hidden: Software keeps only its live subkey.
  const std::int32_t software = f.Key("Software");
  f.window->ShowRecoveredAction()->trigger();
  EXPECT_FALSE(f.window->TreeModel()->ShowRecovered());
  const QModelIndex softwareRow = f.window->TreeModel()->IndexForKey(software);
  f.window->Tree()->expand(softwareRow);
  QTest::qWait(20);  // the view lays out (and fetches) after a reset
  EXPECT_EQ(f.window->TreeModel()->rowCount(softwareRow), 1);
  EXPECT_FALSE(f.window->SelectRecovered(*old));
}

TEST(BrowserRecovered, AKeyWithoutAKnownParentGoesUnderUnknownParent) {
  // Deleting Vendor and its subkey 日本: 日本's parent is gone too.
  BrowserFixture f;
  BuiltHive h = FixtureBuilder().Build();
  testkit::DeleteKey(h, kVendor);
  ASSERT_TRUE(f.Open(f.Write(h)));
  const recover::Recovery& recovery = f.Doc().Recovery();
  ASSERT_FALSE(recovery.keys.empty());
  for (std::size_t i = 0; i < recovery.keys.size(); ++i) {
    ASSERT_TRUE(f.window->SelectRecovered(i)) << i;
    const QModelIndex parent = f.window->Tree()->currentIndex().parent();
    if (recovery.keys[i].parentKnown)
      EXPECT_NE(parent.data().toString(), QStringLiteral("(unknown parent)")) << i;
    else
      EXPECT_EQ(parent.data().toString(), QStringLiteral("(unknown parent)")) << i;
  }
}

}  // namespace
}  // namespace quarvex::ui::testing
