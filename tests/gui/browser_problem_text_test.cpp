// The Problems dock's findings copied (the selected rows) and saved (all of them) as text,
// in the lines `quarvex-cli check` prints.
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QTableView>
#include <sstream>

#include "cli/cli_run.h"
#include "browser_fixture.h"
#include "salvage/check_text.h"
#include "ui/browser/browser_problem_text.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

QString Line(const BrowserFixture& f, int row) {
  return QString::fromStdString(salvage::FindingLine(f.Doc().Hive().findings[static_cast<std::size_t>(row)]));
}

QString ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("(unreadable)");
}

TEST(BrowserProblemText, CtrlCCopiesTheSelectedFindingsInTheTablesOrder) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::TruncatedFile));
  QTableView* table = f.window->ProblemTable();
  const int rows = table->model()->rowCount();
  ASSERT_GE(rows, 2);
  f.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
  const struct {
    const char* what;
    std::vector<int> picked;  // in the order they are picked
    std::vector<int> copied;
  } cases[] = {
      {"the first", {0}, {0}},
      {"the last", {rows - 1}, {rows - 1}},
      {"the last, then the first", {rows - 1, 0}, {0, rows - 1}},
      {"every one", {}, {}},
  };
  for (const auto& c : cases) {
    std::vector<int> picked = c.picked, copied = c.copied;
    if (picked.empty())
      for (int row = 0; row < rows; ++row) picked.push_back(row), copied.push_back(row);
    table->clearSelection();
    for (const int row : picked)
      table->selectionModel()->select(table->model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QGuiApplication::clipboard()->clear();
    table->setFocus();
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    QStringList expected;
    for (const int row : copied) expected << Line(f, row);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected.join(QLatin1Char('\n'))) << c.what;
  }
}

TEST(BrowserProblemText, SavesEveryFindingAsCheckPrintsThem) {
  for (const Fixture which : {Fixture::TruncatedFile, Fixture::DamagedChecksum, Fixture::DoubleByteNames}) {
    BrowserFixture f;
    const std::string hive = f.Write(MakeFixture(which));
    ASSERT_TRUE(f.Open(hive));
    std::ostringstream out, err;
    cli::RunCli({"check", hive}, out, err);
    // check names the file as it was given; the browser by its name.
    QString expected = QString::fromStdString(out.str());
    expected.replace(QString::fromStdString(hive + ": "), QStringLiteral("USER.DAT: "));
    ASSERT_FALSE(expected.isEmpty()) << err.str();

    QStringList asked;
    const QString target = f.dir.filePath(QStringLiteral("findings.txt"));
    f.window->SetFileDialogHook([&](const QString& title, const QString& suggested) {
      asked << title << suggested;
      return target;
    });
    f.window->SaveFindingsWithDialog();
    EXPECT_EQ(asked, (QStringList{"Save Findings", "USER.DAT.check.txt"}));
    EXPECT_EQ(ReadFile(target), expected);
    EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join('\n').toStdString();
  }
}

TEST(BrowserProblemText, SavingReplacesTheFileWholeAndLeavesNothingBeside) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::TruncatedFile));
  QTemporaryDir folder;
  const QString target = folder.filePath(QStringLiteral("findings.txt"));
  {
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));  // longer than the findings: none of it may stay
  }
  QString error;
  ASSERT_TRUE(f.window->SaveFindingsTo(target, error)) << error.toStdString();
  EXPECT_EQ(ReadFile(target), CheckReportText(f.Doc()));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"findings.txt"});

  // A folder that is not there: nothing is written, and the reason names the file.
  const QString missing = folder.filePath(QStringLiteral("no such folder/findings.txt"));
  EXPECT_FALSE(f.window->SaveFindingsTo(missing, error));
  EXPECT_TRUE(error.startsWith(missing)) << error.toStdString();
  EXPECT_FALSE(QFile::exists(missing));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"findings.txt"});
}

TEST(BrowserProblemText, TheDockOffersCopyAndSave) {
  BrowserFixture f;
  QStringList offered;
  for (const QAction* action : f.window->ProblemTable()->actions()) offered << action->objectName();
  EXPECT_EQ(offered, (QStringList{"copyFindingsAction", "saveFindingsAction"}));
  EXPECT_EQ(f.window->ProblemTable()->contextMenuPolicy(), Qt::ActionsContextMenu);
}

}  // namespace
}  // namespace quarvex::ui::testing
