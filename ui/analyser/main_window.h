// The main window `Form1` (class TForm1): four pages in a page control, the open buttons, the
// message line and the status bar; the commands behind them; standard and advanced mode; and
// the analysis job, which runs on a worker thread of its own while the window stays live.
//
// The job runs from a copy of the boxes and the file name taken on the window's thread when it
// starts, so the worker never touches a widget. What the job tells (its events) is carried
// over to the window's thread in the order it happens (progress texts may be coalesced), and
// only there turned into the window's changes: titles, status texts, enabled controls. The
// busy marker is cleared on the window's thread only, by the job's last event.
//
// Closing the window while a job runs does not close it at once: the close is kept back
// until the job has ended, and then happens. Destroying the window by any other way waits for
// the worker first, so the job never outlives the state it works on.
#pragma once

#include <QFont>
#include <QWidget>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <atomic>

#include "detect/codepage_detect.h"
#include "job/analysis_job.h"
#include "host/windows_directory.h"
#include "ui/common/hive_choice_dialog.h"
#include "ui/common/ui_call_queue.h"
#include "ui/analyser/window_stretch.h"

class QApplication;
class QCheckBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QComboBox;
class QDialog;
class QTextDocument;

namespace quarvex::ui {

class AnalysisChart;
class OptionsPage;
class AboutPage;
class ReportDocumentLoader;

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  using HostProbe = std::function<void(quarvex::host::HostFacts& facts, std::vector<std::string>& memoLines)>;
  struct Settings {
    // The command line after the program's own path, without the window's own options.
    std::vector<std::string> arguments;
    quarvex::host::WindowsDirectory windowsDirectory;
    quarvex::job::JobInput job;  // code page, locale and clock of every job
    // Each file's code page as the hive shows it (detect/codepage_choice.h) instead of
    // job.codePage; the windows directory's system.dat counts as one beside the file.
    bool autoCodePage = false;
    std::optional<std::string> windowsDirForCodePage;
    // Collects the host facts and the About memo's lines, once, at creation. Without it the
    // facts keep their first values and only the program's own version is filled in.
    HostProbe probeHost;
  };

  // Clicks on the About page's icon that unlock advanced mode, and the smaller number in
  // force after a file given on the command line has been opened.
  static constexpr int kNormalUnlockCount = 128;
  static constexpr int kCommandLineUnlockCount = 16;

  explicit TForm1(Settings settings, QWidget* parent = nullptr);
  ~TForm1() override;

  // Runs instead of a file dialog's exec(), for tests: returns the chosen name, or an empty
  // string for a cancelled dialog. The dialog comes fully set up.
  using FileDialogHook = std::function<QString(QFileDialog& dialog)>;
  void SetFileDialogHook(FileDialogHook hook) { fileDialogHook_ = std::move(hook); }
  // Runs the list of an image's or cabinet's hives instead of its exec(), for tests: returns
  // the dialog's result. The dialog comes fully set up.
  void SetHiveChoiceHook(quarvex::ui::HiveChoiceRunner hook) { hiveChoiceHook_ = std::move(hook); }
  // Runs instead of showing an error box, for tests.
  using MessageBoxHook = std::function<void(const QString& title, const QString& text)>;
  void SetMessageBoxHook(MessageBoxHook hook) { messageBoxHook_ = std::move(hook); }

  // The last job's result (while a job runs: the running one's, as far as it got).
  const quarvex::job::JobResult& Job() const { return job_; }
  // What the check (the salvage reader, as `quarvex-cli check` runs it) found in the bytes of
  // the last completed job: one line per finding, then the summary (UTF-8, without the file
  // name in front), and how many of the findings are damage. None before a job completes.
  struct CheckFindings {
    std::vector<std::string> lines;
    std::string summary;
    std::size_t damage = 0;
    std::vector<std::string> recovered;  // the deleted keys the file still holds, as lines
    std::string recoveredSummary;
  };
  const std::optional<CheckFindings>& CheckResult() const { return check_; }
  // The window that shows the check's lines; null until the Report page's button first shows it.
  QDialog* CheckDialog() const { return checkDialog_; }
  const quarvex::host::HostFacts& HostFacts() const { return hostFacts_; }
  // The code page of the last job started, and where it came from (the status bar's hint).
  quarvex::text::CodePage JobCodePage() const { return jobCodePage_; }
  QString CodePageHint() const { return codePageHint_; }
  bool JobRunning() const { return jobRunning_; }
  // A worker exists whose end the window has not yet seen (its last calls may be waiting).
  bool WorkerActive() const { return worker_.joinable(); }
  bool AdvancedMode() const { return advancedMode_; }
  int IconClickCount() const { return iconClickCount_; }
  int IconClickLimit() const { return iconClickLimit_; }
  // The application title, which the task bar shows for a minimised window.
  QString ApplicationTitle() const { return applicationTitle_; }
  QString StatusText(int panel) const;
  QString OpenFileName() const { return openFileName_; }
  QString OpenInitialDirectory() const { return openInitialDirectory_; }
  QString SaveFileName() const { return saveFileName_; }
  QString SaveInitialDirectory() const { return saveInitialDirectory_; }
  // Directories where a save failed: no later Save As opens in them.
  QStringList FailedSaveDirectories() const { return failedSaveDirectories_; }
  quarvex::ui::OptionsPage* OptionsPage() const { return optionsPage_; }
  quarvex::ui::AboutPage* AboutPage() const { return aboutPage_; }
  AnalysisChart* Chart() const { return chAna_; }
  QCheckBox* OptionBox(quarvex::stage::Option option) const;

  // Sets the open dialog's file name, as a confirmed dialog does.
  void SetOpenFileName(const QString& name) { openFileName_ = name; }
  // Starts a job on the open dialog's file: -100 while one runs, -9 for a missing file. A
  // hive inside a disk image or cabinet (IMAGE::PATH) is read through the image layer on the
  // job's worker; when it cannot be read the job fails with code 20 and the message line says why.
  void StartAnalysis();

 public slots:
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void sbReAnaClick();
  void sbEndClick();
  void sbShowRepClick();
  void sbShowCheckClick();
  // Opens the browser (a window of its own) on the file last analysed, or empty.
  void sbBrowseClick();
  void sbSelAllClick();
  void imRegIconClick();
  void cbxSelChartChange(int index);
  void OnUsingPointClick(int valueIndex);

 signals:
  // A job's worker has ended and everything it asked of the window has been done.
  void jobEnded();
  // A status panel's text was set (panel 0 or 1).
  void statusTextChanged(int panel, const QString& text);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildWindow();
  void FormCreate();
  void FormDestroy();
  void SetUpStandardMode();
  // Analyses a file named on the command line (or a hive chosen in an image named there).
  void StartFromCommandLine(const QString& file);
  void OpenFromWindowsDirectory(const char* name, std::int32_t failureCode);
  void TakeJobSnapshot();
  void WorkerEnded(std::thread::id worker);
  class JobEventsToWindow;
  // What the job's events do to the window, on its thread.
  void JobStarted(const QString& fileName);
  // ran: a worker ran (its report's lines, job_'s finding and reason are this job's); else
  // the job never started (-9, -10, -11) and there is no report to show. check: what the check
  // found in the bytes the failed job read, when it read them.
  void JobFailed(std::int32_t code, std::optional<CheckFindings> check = std::nullopt, bool ran = false);
  void JobCompleted(CheckFindings check);
  // The save dialog's name for the report of a file other than the last one analysed.
  void ProposeReportName(const std::string& file);
  void CodePageChosen(const quarvex::detect::CodePageChoice& choice);
  // The views that show the hive's text (the report, the check, the message and status lines)
  // in fonts that draw 0x5C as the hive's code page means it (ui/common/backslash_fonts.h).
  void ApplyHiveFonts(quarvex::text::CodePage codePage);
  void ShowMessageLine(const QString& text);
  // The path of the key of an in-use record-size point (its index in the series), and the
  // place of a free one; nothing while a job runs or for an index the last analysis does not
  // have. Naming a key reads the hive but leaves the last job's code and failure as they were.
  std::optional<QString> KeyPathOfPoint(int valueIndex);
  QString FreeRecordOfPoint(int valueIndex) const;
  void EnableAfterJob();
  QString RunFileDialog(QFileDialog& dialog);
  void ShowError(const QString& text);
  void SetApplicationTitleNow(const QString& title);
  void SetPanelText(int panel, const QString& text);
  // The Report page's view: emptied whenever a job starts or fails, then given the job's
  // lines (on request after a completed job, at once after a failed one). Save As is enabled
  // only while the view holds them, so that what is saved is what is shown.
  void ClearReportView();
  void LoadReportView(bool announce);
  void ShowReportDocument(QTextDocument* document, int viewNumber, bool announce);

  Settings settings_;
  quarvex::job::JobResult job_;
  std::optional<CheckFindings> check_;
  quarvex::host::HostFacts hostFacts_;
  std::atomic<bool> jobRunning_{false};
  quarvex::ui::UiCallQueue calls_;
  std::thread worker_;
  bool closePending_ = false;

  // What the worker reads, copied on this thread before each job.
  quarvex::stage::AnalysisOptions jobOptions_;
  std::string jobFileName_;
  std::string analysedFile_;  // the file of the last job started
  quarvex::text::CodePage jobCodePage_ = quarvex::text::CodePage::Cp932;
  QString codePageHint_;
  int jobNumber_ = 0;          // counts the jobs started
  int viewNumber_ = 0;         // counts the clearings of the report view
  bool reportInView_ = false;  // the view holds the last job's report

  // Part of the window's state.
  bool advancedMode_ = false;
  std::int32_t iconClickCount_ = -1;
  std::int32_t iconClickLimit_ = kNormalUnlockCount;
  std::string commandLineFile_;
  QString applicationTitle_;
  // The two dialogs keep their names between runs.
  QString openFileName_;
  QString openInitialDirectory_;
  QString saveFileName_ = QStringLiteral("REPORT.TXT");
  QString saveInitialDirectory_;
  QStringList failedSaveDirectories_;
  FileDialogHook fileDialogHook_;
  quarvex::ui::HiveChoiceRunner hiveChoiceHook_;
  MessageBoxHook messageBoxHook_;

  // Controls.
  QTabWidget* pgPage_ = nullptr;
  AnalysisChart* chAna_ = nullptr;
  QComboBox* cbxSelChart_ = nullptr;
  QPlainTextEdit* reMemo_ = nullptr;
  QPushButton* Button1_ = nullptr;
  QPushButton* Button2_ = nullptr;
  QPushButton* Button3_ = nullptr;
  QPushButton* Button4_ = nullptr;
  QToolButton* sbReAna_ = nullptr;
  QToolButton* sbEnd_ = nullptr;
  QToolButton* sbShowRep_ = nullptr;
  QToolButton* sbShowCheck_ = nullptr;
  QDialog* checkDialog_ = nullptr;
  QPlainTextEdit* checkView_ = nullptr;
  QLineEdit* edMes_ = nullptr;
  QLabel* statusPanels_[2] = {nullptr, nullptr};
  quarvex::ui::OptionsPage* optionsPage_ = nullptr;
  quarvex::ui::AboutPage* aboutPage_ = nullptr;
  quarvex::ui::ReportDocumentLoader* reportLoader_ = nullptr;
  bool centred_ = false;
  // The default size (also the least) and how the controls follow a larger one.
  QSize defaultSize_;
  quarvex::ui::WindowStretch stretch_;
  // The period fonts of the views ApplyHiveFonts changes.
  QFont periodMemoFont_;
  QFont periodMessageFont_;
  QFont periodPanelFont_;
};

// What the message line says when a job has made its report: where to find it.
const QString& ReportWhereText();

// The probe of this machine: Windows itself, elsewhere the installation in windowsDir (or in
// $QUARVEX_WINDIR when not given), as quarvex-cli probes it.
TForm1::HostProbe ThisHostProbe(const std::optional<std::string>& windowsDir, quarvex::text::CodePage codePage,
                                const quarvex::text::TextLocale& locale);

// Reads the command line, creates the window and runs the message loop.
int RunMainWindow(QApplication& app);

}  // namespace quarvex::ui
