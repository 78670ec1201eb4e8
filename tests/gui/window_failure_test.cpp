// A failed job as the window shows it: the previous file's report leaves the Report page as the
// job starts; the failed run's own lines and why it stopped are shown, and Save As writes
// exactly those; the reason is the line quarvex-cli prints for the same file, on the message
// line and as the status line's tooltip, with the check of the bytes behind the Check button.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <sstream>

#include "cli/cli_run.h"
#include "ui/analyser/window_command_line.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

QPlainTextEdit* View(const TForm1& form) { return Child<QPlainTextEdit>(form, "reMemo"); }
QPushButton* SaveButton(const TForm1& form) { return Child<QPushButton>(form, "Button2"); }
QLineEdit* MessageLine(const TForm1& form) { return Child<QLineEdit>(form, "edMes"); }
QLabel* StatusPanel(const TForm1& form, int panel) {
  return form.findChild<QLabel*>(QStringLiteral("StatusBar1_panel%1").arg(panel));
}

// What quarvex-cli says on standard error about the file, after "quarvex-cli: FILE: ".
std::string CliFailureLine(const std::string& path) {
  QTemporaryDir dir;
  std::ostringstream out, err;
  EXPECT_EQ(cli::RunCli({"-o", InDir(dir, "r.txt"), path}, out, err), cli::kExitJobFailed);
  const std::string text = err.str();
  const std::string prefix = "quarvex-cli: " + path + ": ";
  EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
  return text.substr(prefix.size(), text.find('\n') - prefix.size());
}

std::string Cut(const QTemporaryDir& dir, const char* name, std::size_t size) {
  const std::string path = InDir(dir, name);
  WriteBytes(path, ReadBytes(SamplePath()).substr(0, size));
  return path;
}

// The view's text as Save As writes it: every line followed by CR LF.
std::string AsSaved(const QString& view) {
  std::string saved;
  for (const QString& line : view.split(QLatin1Char('\n'))) saved += line.toStdString() + "\r\n";
  return saved;
}

std::string Save(TForm1& form, const std::string& path) {
  form.SetFileDialogHook([path](QFileDialog&) { return QString::fromStdString(path); });
  form.Button2Click();
  form.SetFileDialogHook({});
  return ReadBytes(path);
}

TEST(WindowFailure, TheLastReportLeavesTheViewAsTheNextJobStarts) {
  auto form = MakeWindow();
  ASSERT_TRUE(ReportOnSample(*form));
  ASSERT_TRUE(SaveButton(*form)->isEnabled());
  ASSERT_FALSE(View(*form)->toPlainText().isEmpty());

  OpenThroughDialog(*form, SamplePath());
  EXPECT_TRUE(View(*form)->toPlainText().isEmpty()) << "cleared as the job starts, on this thread";
  EXPECT_FALSE(SaveButton(*form)->isEnabled());
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_FALSE(SaveButton(*form)->isEnabled()) << "nothing in view to save until the report is shown";
  ASSERT_TRUE(ShowReport(*form));
  EXPECT_TRUE(SaveButton(*form)->isEnabled());
}

// The case a user met: the full report of one file on screen, then a cut file fails; what is
// shown and what is saved are the cut file's own lines and its failure, never the old report.
class WindowFailureCut : public ::testing::TestWithParam<std::size_t> {};

TEST_P(WindowFailureCut, ShowsAndSavesTheFailedRunsLinesWithWhyItStopped) {
  QTemporaryDir dir;
  auto form = MakeWindow();
  ASSERT_TRUE(ReportOnSample(*form));
  const QString oldReport = View(*form)->toPlainText();
  const std::string cut = Cut(dir, "CUT.DAT", GetParam());

  OpenThroughDialog(*form, cut);
  ASSERT_TRUE(WaitForJob(*form));
  const int code = form->Job().code;
  ASSERT_GT(code, 0);
  EXPECT_EQ(form->StatusText(1), QStringLiteral("情報獲得に失敗しました/Fail(%1)").arg(code))
      << "the system's own text";
  EXPECT_EQ(form->StatusText(0), QString::fromStdString(cut));
  ASSERT_TRUE(QTest::qWaitFor([&] { return SaveButton(*form)->isEnabled(); }));

  // Why, as quarvex-cli says it: on the message line and as the status line's tooltip.
  const QString reason = QString::fromStdString(CliFailureLine(cut));
  EXPECT_TRUE(reason.contains(QStringLiteral(" at 0x"))) << "names the structure's offset: " << reason.toStdString();
  EXPECT_EQ(MessageLine(*form)->text(), reason);
  EXPECT_EQ(StatusPanel(*form, 1)->toolTip(), reason);

  const QString shown = View(*form)->toPlainText();
  EXPECT_NE(shown, oldReport);
  EXPECT_TRUE(shown.endsWith(QLatin1Char('\n') + reason)) << shown.toStdString();
  EXPECT_EQ(static_cast<std::size_t>(shown.split(QLatin1Char('\n')).size()), form->Job().report.Count());
  EXPECT_EQ(Save(*form, InDir(dir, "saved.txt")), AsSaved(shown)) << "what is saved is what is shown";

  // The check of the cut bytes, one button away.
  auto* check = Child<QToolButton>(*form, "sbShowCheck");
  EXPECT_FALSE(check->isHidden());
  ASSERT_TRUE(form->CheckResult().has_value());
  EXPECT_GT(form->CheckResult()->damage, 0u);
}

INSTANTIATE_TEST_SUITE_P(CutLengths, WindowFailureCut,
                         ::testing::Values(std::size_t{80}, std::size_t{20000}, std::size_t{40000}));

TEST(WindowFailure, SaveAsDoesNothingWhileTheViewHoldsNoReport) {
  QTemporaryDir dir;
  auto form = MakeWindow();
  OpenThroughDialog(*form, SamplePath());
  ASSERT_TRUE(WaitForJob(*form));
  bool asked = false;
  form->SetFileDialogHook([&](QFileDialog&) {
    asked = true;
    return QString::fromStdString(InDir(dir, "early.txt"));
  });
  form->Button2Click();
  EXPECT_FALSE(asked) << "the report has not been shown yet";
  EXPECT_FALSE(QFile::exists(QString::fromStdString(InDir(dir, "early.txt"))));
}

// The jobs that never start: the view says why and nothing is offered to save.
TEST(WindowFailure, AFileThatIsNotThereIsNamedWithTheReason) {
  QTemporaryDir dir;
  auto form = MakeWindow();
  ASSERT_TRUE(ReportOnSample(*form));
  const std::string missing = InDir(dir, "GONE.DAT");
  OpenThroughDialog(*form, missing);
  EXPECT_EQ(form->StatusText(0), QString::fromStdString(missing));
  EXPECT_EQ(MessageLine(*form)->text(), QString::fromStdString(CliFailureLine(missing)));
  EXPECT_EQ(View(*form)->toPlainText(), MessageLine(*form)->text());
  EXPECT_FALSE(SaveButton(*form)->isEnabled());
  EXPECT_TRUE(Child<QToolButton>(*form, "sbShowCheck")->isHidden());
}

TEST(WindowFailure, NoWindowsFolderSaysWhatIsMissing) {
  struct Row {
    void (TForm1::*click)();
    const char* file;
    int code;
  } rows[] = {{&TForm1::Button3Click, "user.dat", -11}, {&TForm1::Button4Click, "system.dat", -10}};
  for (const Row& row : rows) {
    auto form = MakeWindow({}, "");
    ASSERT_TRUE(ReportOnSample(*form));
    (form.get()->*row.click)();
    EXPECT_EQ(form->StatusText(1), QStringLiteral("情報獲得に失敗しました/Fail(%1)").arg(row.code));
    EXPECT_EQ(form->StatusText(0), QStringLiteral("%1 (no Windows folder set)").arg(QLatin1String(row.file)));
    const QString says = MessageLine(*form)->text();
    EXPECT_TRUE(says.startsWith(QStringLiteral("Fail(%1): ").arg(row.code))) << says.toStdString();
    EXPECT_TRUE(says.contains(QStringLiteral("--windows-dir"))) << says.toStdString();
    EXPECT_TRUE(says.contains(QLatin1String(row.file))) << says.toStdString();
    EXPECT_EQ(StatusPanel(*form, 1)->toolTip(), says);
    EXPECT_FALSE(SaveButton(*form)->isEnabled()) << "the sample's report is no longer offered";
  }
}

}  // namespace
}  // namespace quarvex::ui::testing

namespace quarvex::ui::testing {
namespace {

// After a report was saved, the next file's report is offered under that file's name, in the
// folder the last one went to.
TEST(WindowSmallThings, SaveAsProposesTheNewFilesNameNotTheLastSave) {
  QTemporaryDir dir;
  auto form = MakeWindow();
  ASSERT_TRUE(ReportOnSample(*form));
  const std::string saved = InDir(dir, "first-report.txt");
  Save(*form, saved);
  EXPECT_EQ(form->SaveFileName(), QString::fromStdString(saved));
  const std::string other = InDir(dir, "me_USER.DAT");
  WriteBytes(other, ReadBytes(SamplePath()));
  OpenThroughDialog(*form, other);
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_EQ(form->SaveFileName(), QDir(dir.path()).filePath(QStringLiteral("me_USER.TXT")));
  // The same file again keeps what the user chose.
  form->sbReAnaClick();
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_EQ(form->SaveFileName(), QDir(dir.path()).filePath(QStringLiteral("me_USER.TXT")));
}

// --help is answered before a display is looked for; a file name is left to the window.
TEST(WindowSmallThings, HelpIsAnsweredWithoutAWindow) {
  const struct {
    std::vector<std::string> args;
    std::optional<int> status;
  } rows[] = {{{"--help"}, 0},
              {{"-h"}, 0},
              {{"--browse", "--help"}, 0},
              {{"--codepage", "7"}, 2},
              {{"USER.DAT"}, std::nullopt},
              {{}, std::nullopt}};
  for (const auto& row : rows) {
    std::vector<std::string> storage{"quarvex"};
    storage.insert(storage.end(), row.args.begin(), row.args.end());
    std::vector<char*> argv;
    for (std::string& a : storage) argv.push_back(a.data());
    EXPECT_EQ(AnswerWithoutWindow(static_cast<int>(argv.size()), argv.data()), row.status) << storage.size();
  }
  EXPECT_NE(WindowUsage().find("--help"), std::string::npos);
}

}  // namespace
}  // namespace quarvex::ui::testing
