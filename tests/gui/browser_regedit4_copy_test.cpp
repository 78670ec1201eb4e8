// Copy Key as REGEDIT4 (Edit menu and the tree's context menu): the clipboard gets the lines
// Export Key as REGEDIT4 writes for the same key, read from the hive's code page: the header
// "REGEDIT4", real backslashes in the key paths, a double-byte name whose second byte is 0x5C
// whole. A deleted key is not exported and the clipboard is left as it was.
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QStatusBar>

#include "browser_fixture.h"
#include "text/text_encoding.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

// The exported file as the clipboard holds it: each CR LF line read from the code page.
QString ExportedAsText(BrowserWindow& window, const QString& path, text::CodePage codePage) {
  QString error;
  EXPECT_TRUE(window.ExportSubtreeTo(path, error)) << error.toStdString();
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  QString text;
  for (const QByteArray& line : bytes.split('\n')) {
    if (line.isEmpty()) continue;  // after the last CR LF
    EXPECT_TRUE(line.endsWith('\r'));
    const std::string utf8 =
        text::CodePageToUtf8(std::string_view(line.constData(), static_cast<std::size_t>(line.size() - 1)), codePage);
    text += QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())) + QLatin1Char('\n');
  }
  return text;
}

QAction* CopyAction(const BrowserWindow& window) {
  return window.findChild<QAction*>(QStringLiteral("copyKeyRegedit4Action"));
}

TEST(BrowserRegedit4Copy, TheClipboardHoldsTheLinesTheExportWrites) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  ASSERT_NE(CopyAction(*f.window), nullptr);
  EXPECT_TRUE(f.window->Tree()->actions().contains(CopyAction(*f.window))) << "in the tree's context menu";
  ASSERT_TRUE(f.window->SelectKey(f.Key("Software")));
  QGuiApplication::clipboard()->clear();
  CopyAction(*f.window)->trigger();
  const QString copied = QGuiApplication::clipboard()->text();
  EXPECT_EQ(copied, ExportedAsText(*f.window, f.dir.filePath(QStringLiteral("software.reg")), f.Doc().CodePage()));
  const QString root = QString::fromStdString(f.Doc().RootKey());
  EXPECT_TRUE(copied.startsWith(QStringLiteral("REGEDIT4\n\n[%1\\Software]\n").arg(root))) << copied.toStdString();
  EXPECT_TRUE(copied.contains(QStringLiteral("\n[%1\\Software\\Vendor\\日本]\n\"Title\"=\"ソフト\"\n").arg(root)))
      << copied.toStdString();
  EXPECT_FALSE(copied.contains(QChar(0x00A5))) << "0x5C is a backslash, never a yen sign, on the clipboard";
  EXPECT_FALSE(copied.contains(QLatin1Char('\r')));
  EXPECT_FALSE(copied.contains(QStringLiteral("Control Panel"))) << "only the key's subtree";
}

TEST(BrowserRegedit4Copy, ADeletedKeyOrNoKeyLeavesTheClipboardAsItWas) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DeletedKey));
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  ASSERT_TRUE(f.window->SelectRecovered(0));
  CopyAction(*f.window)->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  EXPECT_TRUE(f.window->statusBar()->currentMessage().startsWith(QStringLiteral("A deleted key is not exported")));
  f.window->Tree()->setCurrentIndex({});
  CopyAction(*f.window)->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

}  // namespace
}  // namespace quarvex::ui::testing
