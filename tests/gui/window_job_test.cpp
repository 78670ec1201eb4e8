// A job run from the window: what the window shows while it runs and after it completed or
// failed, the report it saves, and the guards around a running job.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <csignal>
#include <sstream>
#include <sys/resource.h>

#include "cli/cli_run.h"
#include "hive/keyname.h"
#include "text/text_encoding.h"
#include "tools/hive_generator.h"
#include "ui/charts/analysis_chart.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {

using namespace quarvex::analyzer::chartviews;
namespace {

const QString kMade = QStringLiteral("The report has been made.");
QString FailText(int code) { return QStringLiteral("情報獲得に失敗しました/Fail(%1)").arg(code); }

// Records the application title and the status texts as the window shows them.
struct Recorder {
  explicit Recorder(TForm1& form) {
    QObject::connect(&form, &QWidget::windowIconTextChanged, [this](const QString& t) { titles << t; });
    QObject::connect(&form, &TForm1::statusTextChanged, [this](int panel, const QString& t) {
      if (panel == 1) status << t;
    });
  }
  QStringList titles;
  QStringList status;
};

struct HideCounter : QObject {
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Hide) ++count;
    return false;
  }
  int count = 0;
};

bool Enabled(const TForm1& form, const char* name) {
  return form.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled();
}
bool Hidden(const TForm1& form, const char* name) {
  return form.findChild<QWidget*>(QString::fromLatin1(name))->isHidden();
}

std::string SaveThroughDialog(TForm1& form, const std::string& path) {
  form.SetFileDialogHook([path](QFileDialog&) { return QString::fromStdString(path); });
  form.Button2Click();
  form.SetFileDialogHook({});
  return ReadBytes(path);
}

std::string CliReport(const std::vector<std::string>& extra, const std::string& hive, const QTemporaryDir& dir) {
  const std::string out = InDir(dir, "cli.txt");
  std::vector<std::string> args{"--now", kFixedTimeText, "-o", out};
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back(hive);
  std::ostringstream stdoutText, stderrText;
  EXPECT_EQ(cli::RunCli(args, stdoutText, stderrText), cli::kExitOk) << stderrText.str();
  return ReadBytes(out);
}

// Byte for byte; on a difference, names the first line that differs rather than printing
// two whole reports.
void ExpectSameReport(const std::string& window, const std::string& cli) {
  if (window == cli) return;
  std::size_t line = 1, at = 0;
  while (at < window.size() && at < cli.size() && window[at] == cli[at]) line += window[at++] == '\n';
  const auto lineOf = [&](const std::string& text) {
    const std::size_t begin = text.rfind('\n', at == 0 ? 0 : at - 1);
    const std::size_t from = begin == std::string::npos ? 0 : begin + 1;
    return text.substr(from, text.find('\n', from) - from);
  };
  ADD_FAILURE() << "the reports differ from line " << line << ":\n  window: " << lineOf(window)
                << "\n  cli:    " << lineOf(cli) << "\n(" << window.size() << " and " << cli.size() << " bytes)";
}

TEST(WindowJob, ACompletedJobOffersTheReportThenItsSave) {
  auto form = MakeWindow();
  Recorder seen(*form);
  OpenThroughDialog(*form, SamplePath());
  // Locked at once, on this thread.
  EXPECT_TRUE(form->JobRunning());
  for (const char* name : {"Button1", "Button3", "Button4", "sbReAna", "sbEnd", "pgPage"})
    EXPECT_FALSE(Enabled(*form, name)) << name;
  ASSERT_TRUE(WaitForJob(*form));

  ASSERT_FALSE(seen.titles.isEmpty());
  EXPECT_EQ(seen.titles.first(), QStringLiteral("Quarvex[Analizing...]"));
  EXPECT_EQ(form->ApplicationTitle(), QStringLiteral("Quarvex"));
  EXPECT_EQ(seen.status.last(), kMade);
  EXPECT_EQ(form->StatusText(1), kMade);
  EXPECT_EQ(form->StatusText(0), QString::fromStdString(SamplePath()));
  EXPECT_EQ(form->Job().code, 0);
  for (const char* name : {"Button1", "Button3", "Button4", "sbReAna", "pgPage"})
    EXPECT_TRUE(Enabled(*form, name)) << name;
  EXPECT_FALSE(Hidden(*form, "sbShowRep"));
  EXPECT_FALSE(Enabled(*form, "Button2")) << "nothing to save before the report is shown";
  EXPECT_GT(form->Chart()->PointCount(kRecordSizes), 0) << "the chart got the analysis' points";

  ASSERT_TRUE(ShowReport(*form));
  EXPECT_EQ(seen.status.mid(seen.status.size() - 2),
            (QStringList{QStringLiteral("Make a report from result..."), QStringLiteral("Complete.")}));
  EXPECT_TRUE(Hidden(*form, "sbShowRep"));
  EXPECT_TRUE(Enabled(*form, "Button2"));
  const QString shown = form->findChild<QPlainTextEdit*>(QStringLiteral("reMemo"))->toPlainText();
  const QStringList lines = shown.split(QLatin1Char('\n'));
  ASSERT_EQ(static_cast<std::size_t>(lines.size()), form->Job().report.Count());
  for (std::size_t i = 0; i < form->Job().report.Count(); ++i)
    ASSERT_EQ(lines[static_cast<qsizetype>(i)].toStdString(), CodePageToUtf8(form->Job().report[i], CodePage::Cp932));
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral(" Quarvex  <Registry Analizer>(ver ")));
}

TEST(WindowJob, TheSavedReportIsTheCliReportByteForByte) {
  QTemporaryDir dir;
  auto form = MakeWindow();
  ASSERT_TRUE(ReportOnSample(*form));
  const std::string saved = SaveThroughDialog(*form, InDir(dir, "window.txt"));
  ASSERT_FALSE(saved.empty());
  ExpectSameReport(saved, CliReport({}, SamplePath(), dir));
}

TEST(WindowJob, SelectAllInAdvancedModeSavesWhatTheCliWritesWithAll) {
  QTemporaryDir dir;
  auto form = MakeWindow({"/Pro"});
  form->sbSelAllClick();
  OpenThroughDialog(*form, SamplePath());
  ASSERT_TRUE(WaitForJob(*form));
  ASSERT_EQ(form->StatusText(1), kMade);
  ASSERT_TRUE(ShowReport(*form));
  const std::string saved = SaveThroughDialog(*form, InDir(dir, "all.txt"));
  ExpectSameReport(saved, CliReport({"--all"}, SamplePath(), dir));
  EXPECT_NE(saved.find("Pre-Scanning Status"), std::string::npos);
}

TEST(WindowJob, SavingAddsTheDefaultExtensionToANameWithoutOne) {
  QTemporaryDir dir;
  auto form = MakeWindow();
  ASSERT_TRUE(ReportOnSample(*form));
  form->SetFileDialogHook([&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.objectName(), QStringLiteral("SaveDialog1"));
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("TXT"));
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    return QString::fromStdString(InDir(dir, "plain"));
  });
  form->Button2Click();
  EXPECT_EQ(ReadBytes(InDir(dir, "plain.TXT")), form->Job().report.SavedText());
}

TEST(WindowJob, AFailedSaveLeavesTheOldFileIntactAndSaysSo) {
  QTemporaryDir dir;
  auto form = MakeWindow();
  ASSERT_TRUE(ReportOnSample(*form));
  const std::string target = InDir(dir, "REPORT.TXT");
  WriteBytes(target, "the old report\r\n");
  QStringList boxes;
  form->SetMessageBoxHook([&](const QString& title, const QString& text) { boxes << title << text; });

  // A file system that takes no more than 64 bytes from us: the write fails half way.
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  form->SetFileDialogHook([&](QFileDialog&) { return QString::fromStdString(target); });
  form->Button2Click();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(ReadBytes(target), "the old report\r\n");
  ASSERT_EQ(boxes.size(), 2);
  EXPECT_EQ(boxes[0], QStringLiteral("Quarvex"));
  EXPECT_EQ(boxes[1], QStringLiteral("ﾌｧｲﾙ %1 を作成できません.").arg(QString::fromStdString(target)));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("REPORT.TXT")})
      << "no temporary file is left behind";
}

TEST(WindowJob, TheReportIsNeverSavedOverTheAnalysedFile) {
  QTemporaryDir dir;
  const std::string hive = InDir(dir, "USER.DAT");
  WriteBytes(hive, ReadBytes(SamplePath()));
  auto form = MakeWindow();
  OpenThroughDialog(*form, hive);
  ASSERT_TRUE(WaitForJob(*form));
  ASSERT_TRUE(ShowReport(*form));
  QStringList boxes;
  form->SetMessageBoxHook([&](const QString&, const QString& text) { boxes << text; });
  SaveThroughDialog(*form, hive);
  EXPECT_EQ(ReadBytes(hive), ReadBytes(SamplePath()));
  EXPECT_EQ(boxes.size(), 1);
}

// A failure leaves nothing of the previous file's report: neither in view nor to be saved.
TEST(WindowJob, FailuresShowTheirCodeAndClearThePreviousReport) {
  QTemporaryDir dir;
  auto form = MakeWindow();
  ASSERT_TRUE(ReportOnSample(*form));
  auto* view = form->findChild<QPlainTextEdit*>(QStringLiteral("reMemo"));
  const std::string previousReport = form->Job().report.SavedText();

  // -9: no job starts, the buffer keeps the last report, but the view says why it is empty and
  // nothing is offered for saving.
  OpenThroughDialog(*form, InDir(dir, "missing.dat"));
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_EQ(form->StatusText(1), FailText(-9));
  EXPECT_FALSE(Enabled(*form, "sbReAna"));
  EXPECT_TRUE(Enabled(*form, "Button1"));
  EXPECT_TRUE(Enabled(*form, "pgPage"));
  EXPECT_FALSE(Enabled(*form, "Button2"));
  EXPECT_EQ(form->Job().report.SavedText(), previousReport);
  EXPECT_EQ(view->toPlainText(), QStringLiteral("Fail(-9): no such file"));

  struct Case {
    const char* name;
    std::string bytes;
    int code;
  };
  const Case cases[] = {{"short.dat", std::string(10, 'C'), 1}, {"other.dat", std::string(64, 'X'), 2}};
  for (const Case& c : cases) {
    const std::string path = InDir(dir, c.name);
    WriteBytes(path, c.bytes);
    Recorder seen(*form);
    OpenThroughDialog(*form, path);
    ASSERT_TRUE(WaitForJob(*form));
    EXPECT_EQ(form->StatusText(1), FailText(c.code)) << c.name;
    EXPECT_EQ(seen.titles.last(), QStringLiteral("Quarvex"));
    EXPECT_FALSE(Enabled(*form, "sbReAna")) << c.name;
    EXPECT_TRUE(Hidden(*form, "sbShowRep")) << c.name;
    EXPECT_EQ(form->Job().report.Count(), 18u) << "the header was written, then why the job stopped";
    ASSERT_TRUE(QTest::qWaitFor([&] { return Enabled(*form, "Button2"); })) << "the failed run's lines can be saved";
    const QStringList lines = view->toPlainText().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.size(), 18) << c.name;
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("Fail(%1): ").arg(c.code))) << lines.last().toStdString();
  }
}

TEST(WindowJob, AJobAskedForWhileOneRunsIsRefusedWithoutDisturbingIt) {
  auto form = MakeWindow();
  Recorder seen(*form);
  OpenThroughDialog(*form, SamplePath());
  ASSERT_TRUE(form->JobRunning());
  const QString before = form->OpenFileName();
  form->StartAnalysis();
  form->Button3Click();
  EXPECT_EQ(form->OpenFileName(), before);
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_TRUE(seen.status.contains(FailText(-100)));
  EXPECT_TRUE(seen.status.contains(kMade)) << "the running job went on to its end";
  EXPECT_EQ(form->Job().code, 0);
  EXPECT_TRUE(Enabled(*form, "sbReAna"));
  EXPECT_FALSE(Hidden(*form, "sbShowRep"));
}

TEST(WindowJob, ReAnalysingStartsAfreshOnTheSameFile) {
  auto form = MakeWindow();
  OpenThroughDialog(*form, SamplePath());
  ASSERT_TRUE(WaitForJob(*form));
  const std::size_t lines = form->Job().report.Count();
  form->findChild<QToolButton*>(QStringLiteral("sbReAna"))->click();
  EXPECT_TRUE(form->JobRunning());
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_EQ(form->StatusText(1), kMade);
  EXPECT_EQ(form->Job().report.Count(), lines) << "nothing of the previous report survives";
}

TEST(WindowJob, MinimiseUnderAnalysingHidesTheWindowUntilTheJobEnds) {
  QTemporaryDir dir;
  const std::string broken = InDir(dir, "broken.dat");
  WriteBytes(broken, "CREG");
  for (const std::string& file : {SamplePath(), broken}) {
    auto form = MakeWindow();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->OptionBox(Option::MinimiseWhileAnalysing)->setChecked(true);
    HideCounter hides;
    form->installEventFilter(&hides);
    OpenThroughDialog(*form, file);
    ASSERT_TRUE(WaitForJob(*form));
    EXPECT_GT(hides.count, 0) << file << ": the window was away while the job ran";
    EXPECT_TRUE(form->isVisible()) << file;
    EXPECT_FALSE(form->windowState() & Qt::WindowMinimized) << file;
  }
}

TEST(WindowJob, ClosingWhileAJobRunsWaitsForItsEnd) {
  auto form = MakeWindow();
  form->show();
  OpenThroughDialog(*form, SamplePath());
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->isVisible());
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); })) << "closes once the job has ended";
  EXPECT_EQ(form->StatusText(1), kMade);
}

TEST(WindowJob, DestroyingTheWindowMidJobWaitsForTheWorker) {
  auto form = MakeWindow();
  OpenThroughDialog(*form, SamplePath());
  ASSERT_TRUE(form->JobRunning());
  form.reset();  // must neither crash nor leave the worker writing into freed state
  SUCCEED();
}

TEST(WindowJob, ClickingAnInUsePointNamesItsKey) {
  auto form = MakeWindow();
  OpenThroughDialog(*form, SamplePath());
  ASSERT_TRUE(WaitForJob(*form));
  // The point's key, found apart from the window: the same job once more, its key at that index.
  ASSERT_TRUE(form->Job().analysis.has_value());
  const ChartSeriesSet series = ChartSeriesOf(*form->Job().analysis);
  const ChartSeries& points = series[SeriesId::KeyRecordSizes];
  ASSERT_GT(points.Count(), 3u);
  const int index = static_cast<int>(points.Count() / 2);
  job::JobInput input;
  input.fileName = SamplePath();
  job::JobResult again = job::RunJob(input);
  ASSERT_TRUE(again.analysis.has_value());
  const KeyNodeOffset key = again.analysis->keys[static_cast<std::size_t>(index)].node;
  EXPECT_EQ(points.Label(static_cast<std::size_t>(index)), std::to_string(key.value))
      << "the point is labelled with its key";
  const std::string expected = CodePageToUtf8(ResolveKeyPath(again.hive, key), CodePage::Cp932);
  ASSERT_FALSE(expected.empty());
  emit form->Chart()->usingPointClicked(index);
  auto* message = form->findChild<QLineEdit*>(QStringLiteral("edMes"));
  EXPECT_EQ(message->text().toStdString(), expected);
  form->cbxSelChartChange(4);
  EXPECT_TRUE(message->text().isEmpty()) << "changing the view empties the message line";
}

}  // namespace
}  // namespace quarvex::ui::testing
