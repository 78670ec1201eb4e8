// The browser's History dock: the selected key through the copies of the open hive that lie
// in its folder (the live SYSTEM.DAT and its SYSTEM.DA0 backup) or in its disk image (a backup
// cabinet's member), oldest first by their dates, each marked present, changed, removed;
// selecting another key or opening another copy shows that key's story.
#include <QDockWidget>
#include <QLabel>
#include <QTableWidget>
#include <QTreeWidget>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "browser_fixture.h"
#include "ui/browser/browser_history_panel.h"

namespace quarvex::ui::testing {
namespace {

// 2001-06-DAY 08:00:00 UTC as a file's written time.
void SetWritten(const std::string& path, int day) {
  const std::chrono::sys_seconds when{std::chrono::seconds((11473 + day) * 86400LL + 8 * 3600)};
  std::filesystem::last_write_time(path, std::chrono::file_clock::from_sys(when));
}

// One copy of the hive: Software (Count, the unnamed value, Blob) with Old under it, and
// Control Panel; the live copy has Count 43 and Old deleted.
BuiltHive Copy(std::uint32_t count, bool oldDeleted) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software",
                                {testkit::Dword("Count", count), testkit::Text("", "default"),
                                 testkit::Binary("Blob", std::string("\x01\x02\x03", 3))});
  b.AddKey(root, "Control Panel", {testkit::Text("Wallpaper", "(None)")});
  const int old = b.AddKey(software, "Old", {testkit::Text("Gone", "deleted data")});
  BuiltHive h = b.Build();
  if (oldDeleted) testkit::DeleteKey(h, old);
  return h;
}

struct TwoCopies : BrowserFixture {
  std::string live, backup;
  TwoCopies() {
    backup = Write(Copy(42, false), "SYSTEM.DA0");
    live = Write(Copy(43, true), "SYSTEM.DAT");
    SetWritten(backup, 10);
    SetWritten(live, 12);
    Write(MakeFixture(Fixture::DoubleByteNames), "USER.DAT");  // another hive: never a copy
  }
  BrowserHistoryPanel& Panel() { return *window->HistoryPanel(); }
  // Opens the file with the History dock in front and waits for its copies to be read.
  bool OpenShowingHistory(const std::string& path) {
    QSignalSpy read(&Panel(), &BrowserHistoryPanel::copiesRead);
    window->HistoryDock()->show();
    window->HistoryDock()->raise();
    return Open(path) && QTest::qWaitFor([&] { return !read.isEmpty(); }, 20000);
  }
  // "[1] SYSTEM.DA0 | 2001-06-10 08:00:00 | written, UTC | present" per copy.
  QStringList CopyRows() {
    QStringList rows;
    const QTableWidget* t = Panel().CopyTable();
    for (int r = 0; r < t->rowCount(); ++r) {
      QStringList cells;
      for (int c = 0; c < BrowserHistoryPanel::kCopyColumns; ++c) cells << t->item(r, c)->text();
      rows << cells.join(QStringLiteral(" | "));
    }
    return rows;
  }
  // "[2] SYSTEM.DAT / Count | REG_DWORD | 0x0000002B (43) | changed" per value.
  QStringList ValueRows() {
    QStringList rows;
    const QTreeWidget* t = Panel().ValueTree();
    for (int i = 0; i < t->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* copy = t->topLevelItem(i);
      for (int v = 0; v < copy->childCount(); ++v) {
        QStringList cells;
        for (int c = 0; c < BrowserHistoryPanel::kValueColumns; ++c) cells << copy->child(v)->text(c);
        rows << copy->text(0) + QStringLiteral(" / ") + cells.join(QStringLiteral(" | "));
      }
    }
    return rows;
  }
};

TEST(BrowserHistory, ChangedValueAcrossTheFoldersCopies) {
  TwoCopies f;
  ASSERT_TRUE(f.OpenShowingHistory(f.live));
  ASSERT_EQ(f.Panel().CopyCount(), 2u) << f.Panel().StatusLabel()->text().toStdString();
  ASSERT_TRUE(f.window->SelectKey(f.Key("Software")));
  EXPECT_EQ(f.CopyRows(),
            (QStringList{QStringLiteral("[1] SYSTEM.DA0 | 2001-06-10 08:00:00 | written, UTC | present"),
                         QStringLiteral("[2] SYSTEM.DAT (open) | 2001-06-12 08:00:00 | written, UTC | changed")}));
  EXPECT_EQ(f.ValueRows(),
            (QStringList{QStringLiteral("[1] SYSTEM.DA0 / Count | REG_DWORD | 0x0000002A (42) | "),
                         QStringLiteral("[1] SYSTEM.DA0 / (default) | REG_SZ | \"default\" | "),
                         QStringLiteral("[1] SYSTEM.DA0 / Blob | REG_BINARY | 01 02 03 (3 bytes) | "),
                         QStringLiteral("[2] SYSTEM.DAT / Count | REG_DWORD | 0x0000002B (43) | changed"),
                         QStringLiteral("[2] SYSTEM.DAT / (default) | REG_SZ | \"default\" | "),
                         QStringLiteral("[2] SYSTEM.DAT / Blob | REG_BINARY | 01 02 03 (3 bytes) | ")}));
  // Another key: the same copies, not read again, now telling that key.
  ASSERT_TRUE(f.window->SelectKey(f.Key("Control Panel")));
  EXPECT_TRUE(f.CopyRows()[1].endsWith(QStringLiteral("| present"))) << f.CopyRows().join('\n').toStdString();
  EXPECT_TRUE(f.Panel().StatusLabel()->text().startsWith(QStringLiteral("Control Panel in 2 copies")));
}

TEST(BrowserHistory, KeyDeletedInTheNewerCopy) {
  TwoCopies f;
  ASSERT_TRUE(f.OpenShowingHistory(f.backup));
  ASSERT_TRUE(f.window->SelectKey(f.Key("Software\\Old")));
  EXPECT_EQ(f.CopyRows(),
            (QStringList{QStringLiteral("[1] SYSTEM.DA0 (open) | 2001-06-10 08:00:00 | written, UTC | present"),
                         QStringLiteral("[2] SYSTEM.DAT | 2001-06-12 08:00:00 | written, UTC | removed")}));
  EXPECT_EQ(f.ValueRows(), (QStringList{QStringLiteral("[1] SYSTEM.DA0 / Gone | REG_SZ | \"deleted data\" | ")}));
}

bool HaveTool(const char* tool) {
  return std::system((std::string("command -v ") + tool + " > /dev/null").c_str()) == 0;
}

// The same two copies in a FAT16 disk image (mkfs.fat, mtools, gcab): the live
// WINDOWS/SYSTEM.DAT and the older one packed in WINDOWS/SYSBCKUP/RB001.CAB. Opened by its
// address, the hive's copies are the image's, dated by the member's date and the FAT entry's.
TEST(BrowserHistory, CopiesInTheImageTheHiveCameFrom) {
  if (!QUARVEX_TEST_HAVE_IMAGES) GTEST_SKIP() << "this build reads no images";
  for (const char* tool : {"mkfs.fat", "mmd", "mcopy", "gcab"})
    if (!HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
  TwoCopies f;
  const std::string at = f.dir.path().toStdString();
  std::filesystem::create_directory(at + "/rb1");
  Copy(42, false).WriteFile(at + "/rb1/SYSTEM.DAT");
  const std::string script =
      "set -e; cd '" + at +
      "'; export MTOOLS_SKIP_CHECK=1 TZ=UTC;"
      "touch -d '2001-06-10 09:00:00' rb1/SYSTEM.DAT; touch -d '2001-06-15 10:20:30' SYSTEM.DAT;"
      "(cd rb1 && gcab -c -n ../RB001.CAB SYSTEM.DAT > /dev/null); touch -d '2001-06-11 08:00:00' RB001.CAB;"
      "mkfs.fat -C -F 16 disk.img 16384 > /dev/null; mmd -i disk.img ::WINDOWS ::WINDOWS/SYSBCKUP;"
      "mcopy -m -i disk.img SYSTEM.DAT ::WINDOWS/; mcopy -m -i disk.img RB001.CAB ::WINDOWS/SYSBCKUP/";
  ASSERT_EQ(std::system(script.c_str()), 0) << script;
  ASSERT_TRUE(f.OpenShowingHistory(at + "/disk.img::WINDOWS/SYSTEM.DAT"));
  ASSERT_TRUE(f.window->SelectKey(f.Key("Software")));
  EXPECT_EQ(f.CopyRows(),
            (QStringList{
                QStringLiteral("[1] disk.img::WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT | 2001-06-10 09:00:00 | "
                               "cabinet member; the cabinet was written 2001-06-11 08:00:00 | present"),
                QStringLiteral("[2] disk.img::WINDOWS/SYSTEM.DAT (open) | 2001-06-15 10:20:30 | written | changed")}));
  EXPECT_TRUE(f.ValueRows().contains(
      QStringLiteral("[2] disk.img::WINDOWS/SYSTEM.DAT / Count | REG_DWORD | 0x0000002B (43) | changed")))
      << f.ValueRows().join('\n').toStdString();
}

// A hive whose name is no registry file's has no copies to find: the dock says why.
TEST(BrowserHistory, NoCopiesForAnotherName) {
  TwoCopies f;
  const std::string other = f.Write(MakeFixture(Fixture::DoubleByteNames), "EVIDENCE.BIN");
  ASSERT_TRUE(f.OpenShowingHistory(other));
  EXPECT_EQ(f.Panel().CopyCount(), 0u);
  EXPECT_TRUE(f.Panel().StatusLabel()->text().startsWith(
      QStringLiteral("No copies of this hive to compare: the name EVIDENCE.BIN")))
      << f.Panel().StatusLabel()->text().toStdString();
}

}  // namespace
}  // namespace quarvex::ui::testing
