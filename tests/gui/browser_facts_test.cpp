// The browser's Facts dock: the facts of the open hive grouped by theme and place, live,
// recovered (with the confidence) and damaged (with the finding); clicking a fact selects its
// key and value, a linked fact the key the link reached.
#include <QDockWidget>
#include <QTableView>
#include <QTreeView>

#include "browser_fixture.h"
#include "ui/browser/browser_facts_model.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

const std::string kCv = "Software\\Microsoft\\Windows\\CurrentVersion";

// A user.dat: the desktop settings (live), Run with one value more announced than stored
// (damaged), RunMRU deleted (recovered from free space).
BuiltHive UserFacts() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  b.AddKey(root, "AppEvents");
  const int panel = b.AddKey(root, "Control Panel");
  b.AddKey(panel, "Desktop",
           {testkit::Text("Pattern", "(None)"), testkit::Text("Wallpaper", "C:\\WINDOWS\\Clouds.bmp")});
  int parent = root;
  for (const char* part : {"Software", "Microsoft", "Windows", "CurrentVersion"}) parent = b.AddKey(parent, part);
  const int run = b.AddKey(parent, "Run", {testkit::Text("Pointer", "point32.exe")});
  const int explorer = b.AddKey(parent, "Explorer", {testkit::Text("Logon User Name", "taro")});
  const int mru = b.AddKey(explorer, "RunMRU", {testkit::Text("a", "secret.exe\\1"), testkit::Text("MRUList", "a")});
  BuiltHive h = b.Build();
  h.PutU16(h.keyRecord[static_cast<std::size_t>(run)] + 14, 2);  // DatN: two values, one stored
  testkit::DeleteKey(h, mru);
  return h;
}

// A system.dat with one network adapter whose Driver names its driver's key.
BuiltHive SystemFacts() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int enumKey = b.AddKey(root, "Enum");
  const int pci = b.AddKey(b.AddKey(enumKey, "PCI"), "VEN_10EC&DEV_8139");
  b.AddKey(pci, "BUS_00&DEV_0B",
           {testkit::Text("Class", "Net"), testkit::Text("DeviceDesc", "Realtek RTL8139"),
            testkit::Text("Driver", "Net\\0000")});
  int parent = root;
  for (const char* part : {"System", "CurrentControlSet", "Services", "Class", "Net"}) parent = b.AddKey(parent, part);
  b.AddKey(parent, "0000",
           {testkit::Text("DriverDate", "4-23-1999"), testkit::Text("DriverDesc", "Realtek RTL8139(A)")});
  return b.Build();
}

// The fact rows of the model, depth first: "theme / place / fact | key | found | reached by".
QStringList Rows(const QAbstractItemModel* model, const QModelIndex& parent = {}, const QString& prefix = {}) {
  QStringList rows;
  for (int r = 0; r < model->rowCount(parent); ++r) {
    const QModelIndex index = model->index(r, 0, parent);
    const QString name =
        prefix.isEmpty() ? index.data().toString() : prefix + QStringLiteral(" / ") + index.data().toString();
    if (model->rowCount(index) == 0) {
      QStringList cells{name};
      for (int c = 1; c < BrowserFactsModel::kNote; ++c) cells << model->index(r, c, parent).data().toString();
      rows << cells.join(QStringLiteral(" | "));
    }
    rows << Rows(model, index, name);
  }
  return rows;
}

// The row of a fact by its text, under the place of that label when one is given.
QModelIndex FactRow(BrowserFixture& f, const QString& text, const QString& place = {}) {
  QModelIndexList found = f.window->FactsModel()->match(f.window->FactsModel()->index(0, 0), Qt::DisplayRole, text, -1,
                                                        Qt::MatchExactly | Qt::MatchRecursive);
  if (!place.isEmpty())
    found.removeIf([&](const QModelIndex& index) { return index.parent().data().toString() != place; });
  EXPECT_EQ(found.size(), 1) << text.toStdString();
  return found.value(0);
}

// Clicks the cell near its left edge: the dock may be narrower than the column.
void Click(QAbstractItemView* view, const QModelIndex& index) {
  view->scrollTo(index);
  const QRect cell = view->visualRect(index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 4, cell.center().y()));
}

QString CurrentValueName(BrowserFixture& f) { return f.window->ValueTable()->currentIndex().data().toString(); }

TEST(BrowserFacts, TheDockListsTheFactsByThemeWithHowEachWasFound) {
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(UserFacts())));
  f.window->FactsDock()->show();
  f.window->FactsDock()->raise();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window.get()));
  EXPECT_TRUE(f.window->FactsView()->isVisible());
  const QString path = QStringLiteral("[1] Software\\Microsoft\\Windows\\CurrentVersion\\");
  const QStringList expected{
      QStringLiteral("The system / Logon user name / Logon User Name = taro | ") + path +
          QStringLiteral("Explorer | live | "),
      QStringLiteral("Programs / Started at boot and logon / Pointer = point32.exe | ") + path +
          QStringLiteral("Run | damaged: the record announces more values than could be read; data record (block 0, "
                         "record 7) at 0x"),
      QStringLiteral("Hardware / (nothing found) |  |  | "),
      QStringLiteral("Network / (nothing found) |  |  | "),
      QStringLiteral("The user's traces / Run dialog history (most recent first) / 1. a = secret.exe | ") + path +
          QStringLiteral("Explorer\\RunMRU | recovered, confidence high | "),
      QStringLiteral("The user's traces / Wallpaper and screen saver / Wallpaper = C:\\WINDOWS\\Clouds.bmp | "
                     "[1] Control Panel\\Desktop | live | "),
  };
  // The damaged key's row goes on with where the finding lies; the start is compared.
  const QStringList rows = Rows(f.window->FactsModel());
  ASSERT_EQ(rows.size(), expected.size()) << rows.join('\n').toStdString();
  for (qsizetype i = 0; i < rows.size(); ++i) EXPECT_TRUE(rows[i].startsWith(expected[i])) << rows[i].toStdString();
  EXPECT_EQ(f.window->FactsModel()->rowCount(), 5);  // every theme, found or not
}

TEST(BrowserFacts, ClickingAFactSelectsItsKeyAndValue) {
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(UserFacts())));
  f.window->FactsDock()->show();
  f.window->FactsDock()->raise();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window.get()));

  Click(f.window->FactsView(), FactRow(f, QStringLiteral("Wallpaper = C:\\WINDOWS\\Clouds.bmp")));
  EXPECT_EQ(f.window->SelectedKey(), f.Key("Control Panel\\Desktop"));
  EXPECT_EQ(CurrentValueName(f), QStringLiteral("Wallpaper"));  // not Pattern, the first row

  // A recovered key's fact: the deleted key in the tree, shown again when it was hidden.
  f.window->SetShowRecovered(false);
  Click(f.window->FactsView(), FactRow(f, QStringLiteral("1. a = secret.exe")));
  EXPECT_TRUE(f.window->TreeModel()->ShowRecovered());
  const QModelIndex current = f.window->Tree()->currentIndex();
  EXPECT_EQ(f.window->TreeModel()->KindOf(current), BrowserKeyTreeModel::Kind::Recovered);
  EXPECT_EQ(current.data().toString(), QStringLiteral("RunMRU  (deleted, high)"));
  EXPECT_EQ(CurrentValueName(f), QStringLiteral("a"));

  // A theme row selects nothing new.
  Click(f.window->FactsView(), f.window->FactsModel()->index(0, 0));
  EXPECT_EQ(f.window->TreeModel()->KindOf(f.window->Tree()->currentIndex()), BrowserKeyTreeModel::Kind::Recovered);
}

TEST(BrowserFacts, ALinkedFactLeadsToTheKeyTheLinkReached) {
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(SystemFacts(), "SYSTEM.DAT")));
  f.window->FactsDock()->show();
  f.window->FactsDock()->raise();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window.get()));
  // The driver's own place lists it too, unlinked.
  const QModelIndex plain =
      FactRow(f, QStringLiteral("DriverDesc = Realtek RTL8139(A)"), QStringLiteral("Network adapter drivers"));
  EXPECT_EQ(plain.siblingAtColumn(BrowserFactsModel::kLinked).data().toString(), QString());
  const QModelIndex driver = FactRow(f, QStringLiteral("DriverDesc = Realtek RTL8139(A)"),
                                     QStringLiteral("Network adapters with their drivers and bound protocols"));
  ASSERT_TRUE(driver.isValid());
  EXPECT_EQ(driver.siblingAtColumn(BrowserFactsModel::kLinked).data().toString(),
            QStringLiteral("the driver: Driver = Net\\0000"));
  Click(f.window->FactsView(), driver);
  EXPECT_EQ(f.window->SelectedKey(), f.Key("System\\CurrentControlSet\\Services\\Class\\Net\\0000"));
  EXPECT_EQ(CurrentValueName(f), QStringLiteral("DriverDesc"));
}

TEST(BrowserFacts, OpeningAnotherHiveReplacesTheFacts) {
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(UserFacts())));
  ASSERT_TRUE(f.Open(f.Write(SystemFacts(), "SYSTEM.DAT")));
  const QStringList rows = Rows(f.window->FactsModel());
  EXPECT_FALSE(rows.filter(QStringLiteral("Realtek")).isEmpty());
  EXPECT_TRUE(rows.filter(QStringLiteral("Clouds.bmp")).isEmpty());
  EXPECT_FALSE(f.window->SelectFact(f.Doc().Facts().facts.size()));  // no such fact
}

}  // namespace
}  // namespace quarvex::ui::testing
