// What the browser copies and how it names keys: a deleted key's path (copied and on the
// status line), a value's data as plain text or hex, a nameless key named by the same file
// offset everywhere in the window; Ctrl+Q and the Help menu's list of shortcuts.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>
#include <QTreeView>

#include "browse/hive_view.h"
#include "hive/finding.h"
#include "ui/browser/browser_document.h"
#include "ui/browser/browser_hex_view.h"
#include "ui/browser/browser_key_tree_model.h"
#include "ui/browser/browser_window.h"
#include "browser_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

QString Clipboard() { return QGuiApplication::clipboard()->text(); }

std::optional<std::size_t> RecoveredNamed(const BrowserDocument& doc, const std::string& name) {
  const recover::Recovery& recovery = doc.Recovery();
  for (std::size_t i = 0; i < recovery.keys.size(); ++i)
    if (std::string(recovery.keys[i].name.begin(), recovery.keys[i].name.end()) == name) return i;
  return std::nullopt;
}

TEST(BrowserCopy, ADeletedKeysPathIsCopiedAndShownOnTheStatusLine) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DeletedKey));
  ASSERT_TRUE(f.window->SelectKey(f.Key("Control Panel\\Desktop")));
  EXPECT_EQ(f.window->statusBar()->currentMessage(), QStringLiteral("HKEY_CURRENT_USER\\Control Panel\\Desktop"));
  const std::optional<std::size_t> old = RecoveredNamed(f.Doc(), "Old");
  ASSERT_TRUE(old);
  ASSERT_TRUE(f.window->SelectRecovered(*old));
  const QString expected = QStringLiteral("HKEY_CURRENT_USER\\Software\\Old");
  EXPECT_EQ(f.window->statusBar()->currentMessage(), expected) << "not the live key selected before";
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  f.window->CopyKeyPath();
  EXPECT_EQ(Clipboard(), expected);
}

// A small hive with a value of each kind a user copies, and a key whose record is missing.
struct CopyHive {
  enum { kRoot, kSoftware, kNameless };
  static testkit::BuiltHive Make() {
    testkit::HiveBuilder b;
    const int root = b.AddKey(testkit::HiveBuilder::kRootParent, "");
    b.SetNoRecord(root);
    const int software =
        b.AddKey(root, "Software",
                 {testkit::Text("Path", "C:\\WINDOWS\\SYSTEM"), testkit::Dword("Count", 26),
                  testkit::Binary("Blob", std::string("\x01\xAB\x00", 3)), testkit::Text("Quote", "say \"hi\"")});
    const int nameless = b.AddKey(software, "Lost");
    b.SetNoRecord(nameless);
    return b.Build();
  }
};

// The value table's row of the value called name.
int RowNamed(QTableView* table, const QString& name) {
  for (int row = 0; row < table->model()->rowCount(); ++row)
    if (table->model()->index(row, 0).data().toString() == name) return row;
  return -1;
}

TEST(BrowserCopy, ValueDataIsCopiedAsPlainTextOrAsHex) {
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(CopyHive::Make())));
  ASSERT_TRUE(f.window->SelectKey(f.Key("Software")));
  QTableView* table = f.window->ValueTable();
  const struct {
    const char* value;
    const char* plain;  // Copy Value Data
    const char* hex;    // Copy Data as Hex
  } rows[] = {
      {"Path", "C:\\WINDOWS\\SYSTEM", "43 3A 5C 57 49 4E 44 4F 57 53 5C 53 59 53 54 45 4D 00"},
      {"Quote", "say \"hi\"", "73 61 79 20 22 68 69 22 00"},
      {"Count", "0x0000001A (26)", "1A 00 00 00"},
      {"Blob", "01 AB 00", "01 AB 00"},
  };
  for (const auto& row : rows) {
    const int at = RowNamed(table, QString::fromLatin1(row.value));
    ASSERT_GE(at, 0) << row.value;
    table->setCurrentIndex(table->model()->index(at, 0));
    f.window->CopyValueData();
    EXPECT_EQ(Clipboard(), QString::fromLatin1(row.plain)) << row.value;
    f.window->CopyValueDataAsHex();
    EXPECT_EQ(Clipboard(), QString::fromLatin1(row.hex)) << row.value;
  }
  auto* copyHex = f.window->findChild<QAction*>(QStringLiteral("copyHexAction"));
  ASSERT_NE(copyHex, nullptr);
  EXPECT_TRUE(table->actions().contains(copyHex)) << "in the table's context menu";
}

TEST(BrowserCopy, ANamelessKeyIsNamedByItsKeyNodesFileOffsetEverywhere) {
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(CopyHive::Make())));
  const salvage::SalvagedHive& hive = f.Doc().Hive();
  std::int32_t nameless = -1;
  for (std::size_t i = 0; i < hive.keys.size(); ++i)
    if (hive.keys[i].record == salvage::kNoIndex &&
        f.Doc().View().Parent(static_cast<std::int32_t>(i)) == f.Key("Software"))
      nameless = static_cast<std::int32_t>(i);
  ASSERT_GE(nameless, 0);
  const hive::FileOffset inFile = hive.keys[static_cast<std::size_t>(nameless)].node.InFile();
  const QString offset = QString::fromStdString(hive::Hex32(static_cast<std::uint32_t>(inFile.value)));

  ASSERT_TRUE(f.window->SelectKey(nameless));
  const QModelIndex index = f.window->Tree()->currentIndex();
  EXPECT_EQ(index.data().toString(), QStringLiteral("{key node %1}").arg(offset));
  EXPECT_TRUE(index.data(Qt::ToolTipRole).toString().contains(QStringLiteral("file offset")));
  // The bytes show the key node at the same number.
  const auto& sections = f.window->HexView()->Sections();
  ASSERT_FALSE(sections.empty());
  EXPECT_EQ(sections.front().start, inFile.value);
  EXPECT_TRUE(sections.front().title.contains(offset)) << sections.front().title.toStdString();
  const QString path =
      QString::fromStdString(f.Doc().RootKey()) + QStringLiteral("\\Software\\{key node %1}").arg(offset);
  EXPECT_EQ(f.window->statusBar()->currentMessage(), path);
  f.window->CopyKeyPath();
  EXPECT_EQ(Clipboard(), path);
}

TEST(BrowserCopy, CtrlQQuitsAndHelpListsTheShortcuts) {
  BrowserFixture f;
  auto* quit = f.window->findChild<QAction*>(QStringLiteral("quitAction"));
  ASSERT_NE(quit, nullptr);
  EXPECT_EQ(quit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));

  auto* keys = f.window->findChild<QAction*>(QStringLiteral("keyboardShortcutsAction"));
  ASSERT_NE(keys, nullptr);
  keys->trigger();
  ASSERT_EQ(f.messages.size(), 1);
  const QString list = f.messages.first();
  for (const char* expected :
       {"Ctrl+Q\tQuit (File)", "Ctrl+O\tOpen (File)", "Ctrl+Shift+C\tCopy Key Path (Edit)",
        "Ctrl+Alt+C\tCopy Data as Hex (Edit)", "Ctrl+F\tFind (Edit)", "Ctrl+G\tGo to Offset (View)",
        "F1\tKeyboard Shortcuts (Help)", "F3\tFind Next (Edit)", "Shift+F3\tFind Previous (Edit)",
        "Alt+Left\tBack (View)", "Alt+Right\tForward (View)", "Ctrl+L\tGo to Key (View)"})
    EXPECT_TRUE(list.contains(QString::fromLatin1(expected))) << expected << " in\n" << list.toStdString();

  ASSERT_TRUE(f.window->isVisible());
  quit->trigger();
  EXPECT_FALSE(f.window->isVisible());
}

}  // namespace
}  // namespace quarvex::ui::testing
