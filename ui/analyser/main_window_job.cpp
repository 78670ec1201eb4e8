// The analyser window's job: started on a worker thread with the options as they stood, its
// events brought back to the window, its end (the report made, or the code it failed with) and
// the check of the bytes it read.
#include "ui/analyser/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>
#include <QTextCursor>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <system_error>

#include "detect/codepage_choice.h"
#include "hive/hive_image.h"
#include "host/this_host.h"
#include "image/container_kind.h"
#include "recover/recover.h"
#include "recover/recovery_text.h"
#include "salvage/check_text.h"
#include "salvage/salvage.h"
#include "session/code_page.h"
#include "session/hive_bytes.h"
#include "session/opened_hive.h"
#include "text/text_encoding.h"
#include "ui/analyser/about_memo_lines.h"
#include "ui/analyser/about_page.h"
#include "ui/charts/analysis_chart.h"
#include "ui/analyser/artwork.h"
#include "ui/common/backslash_fonts.h"
#include "ui/browser/browser_window.h"
#include "ui/analyser/job_failure_text.h"
#include "ui/analyser/options_page.h"
#include "ui/analyser/report_document_loader.h"
#include "ui/analyser/window_command_line.h"
#include "ui/analyser/window_geometry.h"

namespace quarvex::ui {

namespace {

// Coalescing keys of the window's call queue.
constexpr int kStatusCoalescing = 1;  // progress texts of status panel 1

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The check of `quarvex-cli check` on the bytes the job analysed: the same findings, the same
// lines, so that the window and the command line never disagree about a file. The deleted keys
// that `quarvex-cli recover` finds follow them, in its lines too.
TForm1::CheckFindings CheckImage(const quarvex::session::HiveAddress& address, const quarvex::hive::HiveImage& image,
                                 const quarvex::detect::CodePageChoice& choice) {
  const quarvex::text::CodePage codePage = choice.codePage;
  quarvex::session::OpenOptions options;
  options.chosen = choice;
  options.report = quarvex::session::ReportCheck::Never;  // the job has just told it
  const quarvex::hive::Bytes bytes = image.View();
  const std::unique_ptr<quarvex::session::OpenedHive> opened =
      quarvex::session::OpenBytes(address, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), options);
  const quarvex::salvage::SalvagedHive& hive = opened->hive;
  TForm1::CheckFindings check;
  check.lines.reserve(hive.findings.size());
  for (const quarvex::hive::Finding& finding : hive.findings)
    check.lines.push_back(quarvex::salvage::FindingLine(finding));
  check.summary = quarvex::salvage::SummaryText(hive);
  check.damage = hive.summary.damage;
  const quarvex::recover::Recovery& recovery = opened->Recovery();
  // As `quarvex-cli recover` lists them: older copies identical to a live key are counted, not
  // listed, and the earlier values of live keys follow the deleted keys.
  std::vector<const quarvex::recover::RecoveredKey*> recovered;
  std::size_t identicalCopies = 0;
  for (const quarvex::recover::RecoveredKey& key : recovery.keys) {
    if (key.IdenticalCopy()) {
      ++identicalCopies;
      continue;
    }
    recovered.push_back(&key);
    for (std::string& line : quarvex::recover::RecoveredKeyLines(key, codePage))
      check.recovered.push_back(std::move(line));
  }
  for (const quarvex::recover::LiveKeyRemains& remains : recovery.liveKeys)
    for (std::string& line : quarvex::recover::LiveKeyRemainsLines(remains, codePage))
      check.recovered.push_back(std::move(line));
  check.recoveredSummary =
      quarvex::recover::RecoverySummaryLine(recovered, identicalCopies, recovery.summary.earlierValues);
  return check;
}

// "The report has been made." as it always was for a sound file; with damage found, how many
// problems the check found follows it.
QString ReportMadeText(std::size_t damage) {
  QString text = FromUtf8(std::string(quarvex::job::kReportMadeText));
  if (damage == 0) return text;
  return text + QStringLiteral(" %1 %2 found")
                    .arg(FromUtf8(quarvex::salvage::GroupThousands(damage)),
                         damage == 1 ? QStringLiteral("problem") : QStringLiteral("problems"));
}

}  // namespace

// ---- the job --------------------------------------------------------------------------------

void TForm1::TakeJobSnapshot() {
  jobOptions_ = optionsPage_->States();
  jobFileName_ = QFile::encodeName(openFileName_).toStdString();
}

// The job's events, carried over to the window's thread in order. Progress texts replace one
// another while they wait; everything else keeps its place.
class TForm1::JobEventsToWindow : public quarvex::job::JobEvents {
 public:
  explicit JobEventsToWindow(TForm1& form) : form_(form) {}
  void Started(const std::string& fileName) override {
    form_.calls_.Post([&form = form_, name = FromUtf8(fileName)] { form.JobStarted(name); });
  }
  void LoadFailed() override {
    form_.calls_.Post([&form = form_] { form.SetPanelText(0, QStringLiteral(" ")); });
  }
  void Progress(std::string_view text) override {
    form_.calls_.Post([&form = form_, t = FromUtf8(std::string(text))] { form.SetPanelText(1, t); }, kStatusCoalescing);
  }
  void ImageLoaded() override {
    imageLoaded_ = true;
    form_.calls_.Post([&form = form_] { form.chAna_->ClearSeries(); });
  }
  // The worker posts the end itself, once the check has run on the bytes read (StartAnalysis).
  void Failed(std::int32_t, const quarvex::hive::Finding*) override {}
  void Done() override { completed_ = true; }
  bool Completed() const { return completed_; }
  // The job read this file's bytes (job_'s hive image is this job's, not the last one's).
  bool ImageRead() const { return imageLoaded_; }

 private:
  TForm1& form_;
  bool completed_ = false;
  bool imageLoaded_ = false;
};

void TForm1::StartAnalysis() {
  if (jobRunning_) {
    // The running job keeps its own code and clears the busy marker itself.
    SetPanelText(1, FromUtf8(quarvex::job::FailureText(quarvex::hive::code::kJobAlreadyRunning)));
    return;
  }
  TakeJobSnapshot();
  // IMAGE::PATH: the image or cabinet must be there; the hive in it is read on the worker.
  // A window's "-" is a file of that name, never standard input.
  quarvex::session::HiveAddress address = quarvex::session::HiveAddress::Parse(jobFileName_, false);
  if (!quarvex::job::FileExists(address.DiskFile())) {
    SetPanelText(0, openFileName_);  // the file asked for, not the last one analysed
    JobFailed(quarvex::hive::code::kFileMissing);
    return;
  }
  for (QWidget* control :
       {static_cast<QWidget*>(Button1_), static_cast<QWidget*>(Button3_), static_cast<QWidget*>(Button4_),
        static_cast<QWidget*>(sbReAna_), static_cast<QWidget*>(sbEnd_), static_cast<QWidget*>(pgPage_)})
    control->setEnabled(false);
  jobRunning_ = true;
  if (jobFileName_ != analysedFile_) ProposeReportName(jobFileName_);
  analysedFile_ = jobFileName_;
  ++jobNumber_;
  if (worker_.joinable()) worker_.join();  // the previous job's worker, past its last call
  // The last file's report leaves the view and the buffer now: a job that fails before it
  // writes a line (a file that cannot be read) must not leave it there to be saved as its own.
  ClearReportView();
  job_.report.Clear();
  statusPanels_[1]->setToolTip(QString());
  quarvex::job::JobInput input = settings_.job;
  input.fileName = jobFileName_;
  input.options = jobOptions_;
  input.hostFacts = hostFacts_;
  try {
    worker_ = std::thread([this, input = std::move(input), address = std::move(address)]() mutable {
      JobEventsToWindow events(*this);
      if (address.InContainer()) {
        std::string error;
        input.bytes = quarvex::session::ReadHiveBytes(address, error);
        if (!input.bytes) {
          // As a loose file that cannot be read ends its job (code 20), with the reason said.
          job_.hive.hiveImage.Clear();
          job_.hive.errorCode = quarvex::hive::code::kLoadFailed;
          job_.hive.failure.reset();
          job_.finding.reset();
          job_.code = quarvex::hive::code::kLoadFailed;
          job_.loadFailureReason = error;
          events.Started(input.fileName);
          events.LoadFailed();
          calls_.Post([this] { JobFailed(quarvex::hive::code::kLoadFailed, std::nullopt, true); });
          const std::thread::id self = std::this_thread::get_id();
          calls_.Post([this, self] { WorkerEnded(self); });
          return;
        }
      }
      // Chosen here, off the window's thread: a large hive takes a moment to look through. The
      // file is read once, for the choice and the job; one that cannot be read is left to the
      // job, which reports it with its own code.
      std::string unread;
      if (settings_.autoCodePage && !input.bytes) input.bytes = quarvex::session::ReadHiveBytes(address, unread);
      quarvex::session::CodePageRequest request;
      if (!settings_.autoCodePage) request.named = input.codePage;
      request.namedHow = "named by the user";
      request.windowsDirectory = settings_.windowsDirForCodePage;
      const quarvex::detect::CodePageChoice choice =
          input.bytes     ? quarvex::session::ChooseCodePage(request, address, quarvex::hive::Bytes(*input.bytes))
          : request.named ? quarvex::session::ChooseCodePage(request, address, quarvex::hive::Bytes())
                          : quarvex::detect::CodePageChoice{quarvex::text::CodePage::Cp1252,
                                                            quarvex::detect::CodePageSource::Default,
                                                            "the file cannot be read (" + unread + "), so 1252"};
      input.codePage = choice.codePage;
      calls_.Post([this, choice] { CodePageChosen(choice); });
      quarvex::job::RunJob(std::move(input), events, job_);
      if (events.Completed()) {
        // The check reads the bytes the job read, here on the worker: the window learns of the
        // completed job and of what the check found in one call.
        CheckFindings check = CheckImage(address, job_.hive.hiveImage, choice);
        calls_.Post([this, check = std::move(check)] { JobCompleted(check); });
      } else {
        // A failed job's bytes are checked too: the check names every place the job stopped at
        // and reads past it.
        std::optional<CheckFindings> check;
        if (events.ImageRead()) {
          try {
            check = CheckImage(address, job_.hive.hiveImage, choice);
          } catch (const std::bad_alloc&) {
            check.reset();
          }
        }
        calls_.Post([this, code = job_.code, check = std::move(check)] { JobFailed(code, check, true); });
      }
      const std::thread::id self = std::this_thread::get_id();
      calls_.Post([this, self] { WorkerEnded(self); });
    });
  } catch (const std::system_error&) {
    JobFailed(quarvex::hive::code::kInternalFailure);
  }
}

void TForm1::ProposeReportName(const std::string& file) {
  // A new file's report is offered under that file's name ("USER.DAT" -> "USER.TXT"), in the
  // folder the last report was saved to, else beside the file, never under the name of the
  // last file's report.
  const ReportName report = ReportNameFor(file);
  const QString name = QFile::decodeName(QByteArray::fromStdString(report.fileName));
  const QFileInfo previous(saveFileName_);
  if (previous.isAbsolute()) {
    saveFileName_ = QDir(previous.absolutePath()).filePath(name);
    return;
  }
  saveFileName_ = name;
  if (!report.directory.empty()) saveInitialDirectory_ = QFile::decodeName(QByteArray::fromStdString(report.directory));
}

void TForm1::CodePageChosen(const quarvex::detect::CodePageChoice& choice) {
  jobCodePage_ = choice.codePage;
  codePageHint_ = FromUtf8(quarvex::detect::ChoiceText(choice));
  statusPanels_[0]->setToolTip(codePageHint_);
  ApplyHiveFonts(choice.codePage);
}

void TForm1::ApplyHiveFonts(quarvex::text::CodePage codePage) {
  const QFont memo = AnalyserFontFor(periodMemoFont_, codePage);
  reMemo_->setFont(memo);
  if (checkView_) checkView_->setFont(memo);
  edMes_->setFont(AnalyserFontFor(periodMessageFont_, codePage));
  for (QLabel* panel : statusPanels_) panel->setFont(AnalyserFontFor(periodPanelFont_, codePage));
}

void TForm1::WorkerEnded(std::thread::id worker) {
  if (!worker_.joinable() || worker_.get_id() != worker) return;
  worker_.join();
  emit jobEnded();
  if (closePending_) close();
}

void TForm1::JobStarted(const QString& fileName) {
  SetApplicationTitleNow(FromUtf8(std::string(quarvex::job::kAppTitleBusy)));
  edMes_->setText(QString());
  edMes_->setToolTip(QString());
  if (jobOptions_[quarvex::stage::Option::MinimiseWhileAnalysing]) {
    setWindowState(windowState() | Qt::WindowMinimized);
    hide();
  }
  sbShowRep_->setVisible(false);
  // The last job's check is gone with its report.
  check_.reset();
  sbShowCheck_->setVisible(false);
  if (checkDialog_) checkDialog_->hide();
  SetPanelText(0, fileName);
}

void TForm1::JobFailed(std::int32_t code, std::optional<CheckFindings> check, bool ran) {
  job_.code = code;
  JobFailure failure{code, std::nullopt, {}, jobFileName_};
  if (ran) {
    failure.finding = job_.finding;
    failure.loadFailureReason = job_.loadFailureReason;
  }
  const std::string line = JobFailureLine(failure);
  const QString reason = FromUtf8(line);
  SetPanelText(1, FromUtf8(quarvex::job::FailureText(code)));
  statusPanels_[1]->setToolTip(reason);
  ShowMessageLine(reason);
  ClearReportView();
  if (ran) {
    // The failed run's lines as it wrote them, and why it stopped: shown, and saved as shown.
    job_.report.Append(quarvex::text::Utf8ToCodePage(line, jobCodePage_));
    LoadReportView(false);
  } else {
    // No job ran: nothing to save, but the page says why it is empty.
    reMemo_->setPlainText(reason);
  }
  check_ = std::move(check);
  sbShowCheck_->setVisible(check_.has_value());
  if (jobOptions_[quarvex::stage::Option::MinimiseWhileAnalysing]) {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
  }
  SetApplicationTitleNow(FromUtf8(std::string(quarvex::job::kAppTitle)));
  jobRunning_ = false;
  EnableAfterJob();
  sbReAna_->setEnabled(false);
}

void TForm1::JobCompleted(CheckFindings check) {
  check_ = std::move(check);
  sbShowRep_->setVisible(true);
  sbShowCheck_->setVisible(true);
  Button2_->setEnabled(false);
  if (jobOptions_[quarvex::stage::Option::MinimiseWhileAnalysing]) {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
  }
  SetPanelText(1, ReportMadeText(check_->damage));
  ShowMessageLine(ReportWhereText());
  SetApplicationTitleNow(FromUtf8(std::string(quarvex::job::kAppTitle)));
  jobRunning_ = false;
  // A completed job's series go to the chart in one batch.
  chAna_->LoadSeries(job_.analysis ? quarvex::analyzer::ChartSeriesOf(*job_.analysis)
                                   : quarvex::analyzer::ChartSeriesSet());
  EnableAfterJob();
  sbReAna_->setEnabled(true);
}

void TForm1::ShowMessageLine(const QString& text) {
  edMes_->setText(text);
  // A long reason shows from its start; the whole of it is the tooltip.
  edMes_->setCursorPosition(0);
  edMes_->setToolTip(text);
}

void TForm1::EnableAfterJob() {
  for (QWidget* control :
       {static_cast<QWidget*>(Button1_), static_cast<QWidget*>(Button3_), static_cast<QWidget*>(Button4_),
        static_cast<QWidget*>(pgPage_), static_cast<QWidget*>(sbEnd_)})
    control->setEnabled(true);
}

}  // namespace quarvex::ui
