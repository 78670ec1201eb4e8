// The ways into the browser (the analyser's button and Ctrl+B, `quarvex --browse`) and its
// actions: the subtree export (the same lines as quarvex-cli --export for those keys), the
// value's data saved to a file, the recent files.
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QUrl>
#include <QTableView>
#include <QToolButton>
#include <sstream>

#include "cli/cli_run.h"
#include "browser_fixture.h"
#include "ui/analyser/window_command_line.h"
#include "ui/analyser/window_geometry.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

// The lines of a saved REGEDIT4 file (CR LF after each).
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// From the export of the whole hive: the section of the key at path and every key below it.
std::vector<std::string> SubtreeOf(const std::vector<std::string>& lines, const std::string& keyLine) {
  std::vector<std::string> out;
  const std::string below = keyLine.substr(0, keyLine.size() - 1) + "\\";
  bool inside = false;
  for (const std::string& line : lines) {
    if (!line.empty() && line[0] == '[') inside = line == keyLine || line.starts_with(below);
    if (inside) out.push_back(line);
  }
  return out;
}

struct ExportCase {
  const char* path;     // UTF-8, "" for the whole hive
  const char* keyLine;  // in the hive's code page
};

TEST(BrowserExport, ASubtreeIsWhatTheCommandLineExportWritesForThoseKeys) {
  BrowserFixture f;
  const std::string hive = f.Write(MakeFixture(Fixture::DoubleByteNames));
  ASSERT_TRUE(f.Open(hive));
  const std::string full = f.dir.filePath("full.reg").toStdString();
  std::ostringstream out, err;
  ASSERT_EQ(cli::RunCli({"--export", full, hive}, out, err), 0) << err.str();
  const std::vector<std::string> cliLines = Lines(ReadBytes(full));
  ASSERT_GT(cliLines.size(), 2u);
  const std::string vendorLine = "[HKEY_CURRENT_USER\\Software\\Vendor]";
  const ExportCase cases[] = {
      {"Software", "[HKEY_CURRENT_USER\\Software]"},
      {"Software\\Vendor", vendorLine.c_str()},
      {"Control Panel", "[HKEY_CURRENT_USER\\Control Panel]"},
  };
  for (const ExportCase& c : cases) {
    ASSERT_TRUE(f.window->SelectKey(f.Key(c.path))) << c.path;
    const QString mine = f.dir.filePath("mine.reg");
    QString error;
    ASSERT_TRUE(f.window->ExportSubtreeTo(mine, error)) << error.toStdString();
    const std::vector<std::string> lines = Lines(ReadBytes(mine.toStdString()));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "REGEDIT4");
    EXPECT_EQ(lines[1], "");
    const std::vector<std::string> expected = SubtreeOf(cliLines, c.keyLine);
    ASSERT_FALSE(expected.empty()) << c.path;
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()), expected) << c.path;
  }
  // The double-byte key's line keeps its bytes (0x5C inside ソ is no separator).
  ASSERT_TRUE(f.window->SelectKey(f.Key("Software\\Vendor")));
  QString error;
  ASSERT_TRUE(f.window->ExportSubtreeTo(f.dir.filePath("v.reg"), error));
  EXPECT_NE(ReadBytes(f.dir.filePath("v.reg").toStdString()).find("\"Title\"=\"" + kSofuto + "\""), std::string::npos);
}

TEST(BrowserActions, SavesAValuesDataAndCopiesPathAndData) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  ASSERT_TRUE(f.window->SelectKey(f.Key("Software")));
  QTableView* table = f.window->ValueTable();
  table->setCurrentIndex(table->model()->index(1, 0));  // Blob
  const QString file = f.dir.filePath("blob.bin");
  QString error;
  ASSERT_TRUE(f.window->SaveValueDataTo(file, error)) << error.toStdString();
  EXPECT_EQ(ReadBytes(file.toStdString()), std::string("\x01\x02\x03", 3));
  f.window->CopyValueData();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("01 02 03"))
      << "binary data as its bytes, without the table's count";
  f.window->CopyKeyPath();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("HKEY_CURRENT_USER\\Software"));
  // The file is remembered among the recent ones.
  EXPECT_TRUE(f.window->RecentFiles().contains(QFileInfo(f.dir.filePath("USER.DAT")).absoluteFilePath()));
}

TEST(BrowserOpen, TheCommandLineAsksForTheBrowser) {
  const WindowCommandLine line = ParseWindowCommandLine({"--browse", "--codepage", "936", "SYSTEM.DAT"});
  EXPECT_TRUE(line.error.empty());
  EXPECT_TRUE(line.browse);
  EXPECT_EQ(line.codePage, CodePage::Cp936);
  EXPECT_EQ(line.arguments, std::vector<std::string>{"SYSTEM.DAT"});
  EXPECT_FALSE(ParseWindowCommandLine({"SYSTEM.DAT"}).browse);
  EXPECT_NE(WindowUsage().find("--browse"), std::string::npos);
}

TEST(BrowserOpen, TheAnalysersButtonSitsInFreeSpaceAndOpensTheFileLastAnalysed) {
  auto form = MakeWindow();
  auto* page = Child<QWidget>(*form, "tsReport");
  auto* button = Child<QToolButton>(*form, "sbBrowse");
  ASSERT_EQ(button->parentWidget(), page);
  const Scale scale = Scale::ForWidget(*form);
  EXPECT_EQ(button->geometry(), scale.Rect(368, 408, 65, 25));
  for (const char* name : {"reMemo", "Button2", "sbShowRep", "sbShowCheck", "StaticText3"})
    EXPECT_FALSE(button->geometry().intersects(Child<QWidget>(*page, name)->geometry())) << name;
  ASSERT_TRUE(ReportOnSample(*form));
  const auto browsers = [] {
    QList<BrowserWindow*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* b = qobject_cast<BrowserWindow*>(w)) found << b;
    return found;
  };
  const qsizetype before = browsers().size();
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  QTest::keyClick(form.get(), Qt::Key_B, Qt::ControlModifier);
  ASSERT_EQ(browsers().size(), before + 1) << "Ctrl+B opens a browser";
  BrowserWindow* browser = browsers().back();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !browser->Loading(); }, 20000));
  ASSERT_NE(browser->Document(), nullptr);
  EXPECT_EQ(browser->windowTitle(), QStringLiteral("USER-SAMPLE.DAT — Quarvex"));
  browser->close();
  QTest::qWait(10);
  button->click();
  EXPECT_GE(browsers().size(), before + 1);
  for (BrowserWindow* b : browsers()) b->close();
}

}  // namespace
}  // namespace quarvex::ui::testing

namespace quarvex::ui::testing {
namespace {

// A hive dropped on the window opens; its title names it. Something that is no local file is
// not taken.
TEST(BrowserOpen, ADroppedFileOpens) {
  BrowserFixture f;
  const std::string hive = f.Write(MakeFixture(Fixture::DoubleByteNames), "DROPPED.DAT");
  QMimeData remote;
  remote.setUrls({QUrl(QStringLiteral("https://example.invalid/USER.DAT"))});
  QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &remote, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.window.get(), &refused);
  EXPECT_FALSE(refused.isAccepted());

  QMimeData local;
  local.setUrls({QUrl::fromLocalFile(QString::fromStdString(hive))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &local, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.window.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QSignalSpy loaded(f.window.get(), &BrowserWindow::loaded);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &local, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.window.get(), &drop);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 20000));
  EXPECT_TRUE(f.window->windowTitle().startsWith(QStringLiteral("DROPPED.DAT")))
      << f.window->windowTitle().toStdString();
}

// The window comes back where and as large as it was closed.
TEST(BrowserOpen, GeometryIsRemembered) {
  QStandardPaths::setTestModeEnabled(true);
  QRect closedAt;
  {
    BrowserFixture f;
    f.window->resize(900, 610);
    QApplication::processEvents();
    closedAt = f.window->geometry();
    f.window->close();
  }
  BrowserFixture again;
  EXPECT_EQ(again.window->size(), closedAt.size());
}

}  // namespace
}  // namespace quarvex::ui::testing
