// Bookmarks: a live and a deleted key bookmarked, listed in the Bookmarks menu, restored when
// the same hive is opened again in another window, and kept in the program's data folder,
// never beside the hive. A file changed in place starts with none; a bookmark file that is not
// one of this program's, or names another hive, is ignored with the reason.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "browser_fixture.h"
#include "ui/browser/browser_bookmarks.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

QStringList MenuItems(const BrowserWindow& window) {
  QStringList items;
  for (const QAction* action : window.BookmarksMenu()->actions())
    if (!action->isSeparator()) items << action->text();
  return items;
}

// A browser whose bookmarks go to a scratch folder instead of the user's data folder.
struct Bookmarked : BrowserFixture {
  QTemporaryDir store;
  Bookmarked() { window->SetBookmarkDirectory(store.path()); }
  std::unique_ptr<BrowserWindow> SecondWindow() {
    auto other = std::make_unique<BrowserWindow>(BrowserWindow::Settings{});
    other->SetBookmarkDirectory(store.path());
    other->SetMessageHook([this](const QString& text) { messages << text; });
    return other;
  }
};

bool OpenIn(BrowserWindow& window, const std::string& path) {
  QSignalSpy loaded(&window, &BrowserWindow::loaded);
  window.OpenFile(QString::fromStdString(path));
  return QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 20000);
}

TEST(BrowserBookmarks, ALiveAndADeletedKeyAreRestoredInAnotherWindowOnTheSameHive) {
  Bookmarked f;
  const std::string hive = f.Write(MakeFixture(Fixture::DeletedKey));
  ASSERT_TRUE(f.Open(hive));
  ASSERT_TRUE(f.window->SelectKey(f.Key("Software\\Vendor")));
  // Ctrl+D on the tree.
  f.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
  f.window->Tree()->setFocus();
  QTest::keyClick(f.window->Tree(), Qt::Key_D, Qt::ControlModifier);
  ASSERT_EQ(f.Doc().Recovery().keys.size(), 1u);
  ASSERT_TRUE(f.window->SelectRecovered(0));
  f.window->findChild<QAction*>(QStringLiteral("bookmarkAction"))->trigger();
  // The same key again is not a second bookmark.
  f.window->findChild<QAction*>(QStringLiteral("bookmarkAction"))->trigger();
  EXPECT_TRUE(f.window->statusBar()->currentMessage().endsWith(QStringLiteral("is bookmarked already")));
  ASSERT_EQ(f.window->Bookmarks().size(), 2u);
  const QString root = QString::fromStdString(f.Doc().RootKey());
  EXPECT_EQ(
      MenuItems(*f.window).join(QLatin1Char('|')),
      QStringLiteral("&Bookmark This Key|&Remove Bookmark of This Key|%1\\Software\\Vendor|%1\\Software\\Old (deleted)")
          .arg(root));

  // Nothing beside the hive: its folder holds the hive alone.
  EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("USER.DAT")});
  EXPECT_EQ(QDir(f.store.path()).entryList(QDir::Files).size(), 1);

  auto other = f.SecondWindow();
  ASSERT_TRUE(OpenIn(*other, hive));
  ASSERT_EQ(other->Bookmarks().size(), 2u);
  EXPECT_EQ(other->Bookmarks()[0].label, root + QStringLiteral("\\Software\\Vendor"));
  // Deleted keys hidden: going to the deleted one shows them again.
  other->SetShowRecovered(false);
  other->BookmarksMenu()->actions().constLast()->trigger();
  EXPECT_TRUE(other->ShowRecoveredAction()->isChecked());
  EXPECT_EQ(other->TreeModel()->KindOf(other->Tree()->currentIndex()), BrowserKeyTreeModel::Kind::Recovered);
  ASSERT_TRUE(other->GoToBookmark(0));
  EXPECT_EQ(other->SelectedKey(), other->Document()->View().Find("Software\\Vendor").key);

  // Removed in one window, gone in the next.
  other->findChild<QAction*>(QStringLiteral("removeBookmarkAction"))->trigger();
  ASSERT_EQ(other->Bookmarks().size(), 1u);
  auto third = f.SecondWindow();
  ASSERT_TRUE(OpenIn(*third, hive));
  ASSERT_EQ(third->Bookmarks().size(), 1u);
  EXPECT_EQ(third->Bookmarks()[0].kind, Bookmark::Kind::Deleted);
  EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join('\n').toStdString();
  // Help → Keyboard Shortcuts lists Ctrl+D with its menu.
  f.window->findChild<QAction*>(QStringLiteral("keyboardShortcutsAction"))->trigger();
  ASSERT_FALSE(f.messages.isEmpty());
  EXPECT_TRUE(f.messages.last().contains(QStringLiteral("Ctrl+D\tBookmark This Key (Bookmarks)")))
      << f.messages.last().toStdString();
}

TEST(BrowserBookmarks, AHiveChangedInPlaceOrAnotherFileStartsWithNone) {
  Bookmarked f;
  const std::string hive = f.Write(MakeFixture(Fixture::DoubleByteNames));
  ASSERT_TRUE(f.Open(hive));
  ASSERT_TRUE(f.window->SelectKey(f.Key("Control Panel")));
  f.window->BookmarkCurrentKey();
  ASSERT_EQ(f.window->Bookmarks().size(), 1u);

  // Another file with other bytes: no bookmarks; the first one keeps its own.
  ASSERT_TRUE(f.Open(f.Write(MakeFixture(Fixture::DamagedChecksum), "SYSTEM.DAT")));
  EXPECT_TRUE(f.window->Bookmarks().empty());
  // The same path, the same size, one byte changed: another hive as far as bookmarks go.
  BuiltHive changed = MakeFixture(Fixture::DoubleByteNames);
  changed.bytes[changed.bytes.size() - 1] ^= 0x01;
  changed.WriteFile(hive);
  ASSERT_TRUE(f.Open(hive));
  EXPECT_TRUE(f.window->Bookmarks().empty());
  MakeFixture(Fixture::DoubleByteNames).WriteFile(hive);
  ASSERT_TRUE(f.Open(hive));
  EXPECT_EQ(f.window->Bookmarks().size(), 1u);
}

// What a hand-edited or foreign file in the bookmarks folder gives: nothing, with the reason,
// or only the entries that are sound.
TEST(BrowserBookmarks, AFileThatIsNoBookmarkFileOfThisHiveIsIgnoredWithTheReason) {
  QTemporaryDir store;
  const BookmarkStore bookmarks(store.path());
  const BuiltHive built = MakeFixture(Fixture::DoubleByteNames);
  const HiveIdentity hive = IdentityOf(QStringLiteral("/evidence/USER.DAT"), hive::Bytes(built.bytes));
  const QString sha = QString::fromLatin1(hive.sha256.toHex());
  const QString header =
      QStringLiteral(
          R"("format": "quarvex browser bookmarks 1", "hive": "/evidence/USER.DAT", "size": %1, "sha256": "%2")")
          .arg(hive.size)
          .arg(sha);
  const struct {
    const char* defect;
    QByteArray contents;
    int kept;           // bookmarks that come back
    const char* error;  // what the reason says, "" for none
  } cases[] = {
      {"NotJson", "REGEDIT4\r\n", 0, "not a bookmark file"},
      {"AnotherHive",
       QStringLiteral(
           R"({"format": "quarvex browser bookmarks 1", "hive": "/other/USER.DAT", "size": %1, "sha256": "%2", "bookmarks": [{"kind": "key", "offset": 64}]})")
           .arg(hive.size)
           .arg(sha)
           .toUtf8(),
       0, "do not name this file"},
      {"AnotherFormat",
       QStringLiteral(R"({"format": "2", "hive": "/evidence/USER.DAT", "size": %1, "sha256": "%2"})")
           .arg(hive.size)
           .arg(sha)
           .toUtf8(),
       0, "do not name this file"},
      {"UnsoundEntries",
       (QStringLiteral("{") + header + QStringLiteral(R"(, "bookmarks": [{"kind": "key", "offset": -5},
        {"kind": "key", "offset": 99999999}, {"kind": "link", "offset": 64}, 17, {"kind": "key", "offset": "64"},
        {"kind": "key", "offset": 64, "label": "A"}, {"kind": "key", "offset": 64, "label": "again"},
        {"kind": "deleted", "offset": 100}]})"))
           .toUtf8(),
       2, ""},
      {"TooLarge", QByteArray(static_cast<qsizetype>(BookmarkStore::kMaxFileBytes + 1), ' '), 0,
       "more than a bookmark file holds"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.defect);
    QFile file(bookmarks.FileFor(hive));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(c.contents);
    file.close();
    QString error;
    const std::vector<Bookmark> loaded = bookmarks.Load(hive, error);
    EXPECT_EQ(static_cast<int>(loaded.size()), c.kept);
    if (*c.error) {
      EXPECT_TRUE(error.contains(QString::fromLatin1(c.error))) << error.toStdString();
    } else {
      EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }
  }
  // A file the store wrote reads back as it was.
  const std::vector<Bookmark> written{{Bookmark::Kind::Key, 0x40, QStringLiteral("HKEY_USERS\\ソフト")},
                                      {Bookmark::Kind::Deleted, 0x100, QStringLiteral("HKEY_USERS\\Old")}};
  QString error;
  ASSERT_TRUE(bookmarks.Save(hive, written, error)) << error.toStdString();
  const std::vector<Bookmark> read = bookmarks.Load(hive, error);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].label, written[0].label);
  EXPECT_EQ(read[1].kind, Bookmark::Kind::Deleted);
  EXPECT_EQ(read[1].offset, 0x100);
}

TEST(BrowserBookmarks, ABookmarkFileNamingKeysTheHiveDoesNotHoldGivesNoMenuItems) {
  Bookmarked f;
  const std::string path = f.Write(MakeFixture(Fixture::DoubleByteNames));
  const BuiltHive built = MakeFixture(Fixture::DoubleByteNames);
  const HiveIdentity hive =
      IdentityOf(QFileInfo(QString::fromStdString(path)).absoluteFilePath(), hive::Bytes(built.bytes));
  QString error;
  // Offsets inside the file where no key node and no deleted record starts.
  ASSERT_TRUE(BookmarkStore(f.store.path())
                  .Save(hive,
                        {{Bookmark::Kind::Key, 0x21, QStringLiteral("nowhere")},
                         {Bookmark::Kind::Deleted, 0x40, QStringLiteral("none")}},
                        error));
  ASSERT_TRUE(f.Open(path));
  EXPECT_TRUE(f.window->Bookmarks().empty());
  EXPECT_EQ(MenuItems(*f.window).size(), 2);
  EXPECT_FALSE(f.window->GoToBookmark(0));
}

}  // namespace
}  // namespace quarvex::ui::testing
