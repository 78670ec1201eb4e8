#include "ui/main_window.h"

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
#include "image/hive_source.h"
#include "image/image_address.h"
#include "recover/recover.h"
#include "recover/recovery_text.h"
#include "salvage/check_text.h"
#include "salvage/salvage.h"
#include "text/text_encoding.h"
#include "ui/about_memo_lines.h"
#include "ui/about_page.h"
#include "ui/analysis_chart.h"
#include "ui/artwork.h"
#include "ui/backslash_fonts.h"
#include "ui/browser_window.h"
#include "ui/job_failure_text.h"
#include "ui/options_page.h"
#include "ui/report_document_loader.h"
#include "ui/window_command_line.h"
#include "ui/window_geometry.h"


using quarvex::stage::Option;
using namespace quarvex::ui;

namespace {

constexpr int kStatusCoalescing = 1;  // progress texts of status panel 1

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QToolButton* SpeedButton(QWidget* parent, const char* name, ButtonImage image, const QString& hint) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setIcon(SpeedButtonIcon(image));
  button->setToolTip(hint);
  button->setCursor(Qt::PointingHandCursor);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

QPushButton* PushButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setCursor(Qt::PointingHandCursor);
  return button;
}

// A framed caption: centred, sunken border, bold text on a coloured ground.
QLabel* FramedCaption(QWidget* parent, const char* name, const QString& text, const QColor& textColour,
                      const QColor& background, const Scale& scale) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignCenter);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setFont(LayoutFont(Face::PGothic, 15, scale, true));
  SetColours(label, textColour, background);
  scale.Place(label, 440, 410, 241, 17);
  return label;
}

// The check of `quarvex-cli check` on the bytes the job analysed: the same findings, the same
// lines, so that the window and the command line never disagree about a file. The deleted keys
// that `quarvex-cli recover` finds follow them, in its lines too.
TForm1::CheckFindings CheckImage(const quarvex::hive::HiveImage& image, const quarvex::detect::CodePageChoice& choice) {
  const quarvex::text::CodePage codePage = choice.codePage;
  quarvex::salvage::SalvageOptions options;
  options.codePage = codePage;
  quarvex::salvage::SalvagedHive hive = quarvex::salvage::Salvage(image.View(), options);
  quarvex::salvage::AddFindings(hive, quarvex::detect::CodePageFindings(hive, choice));
  TForm1::CheckFindings check;
  check.lines.reserve(hive.findings.size());
  for (const quarvex::hive::Finding& finding : hive.findings) check.lines.push_back(quarvex::salvage::FindingLine(finding));
  check.summary = quarvex::salvage::SummaryText(hive);
  check.damage = hive.summary.damage;
  const quarvex::recover::Recovery recovery = quarvex::recover::Recover(hive, {codePage});
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
    for (std::string& line : quarvex::recover::RecoveredKeyLines(key, codePage)) check.recovered.push_back(std::move(line));
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

// Where a finished job's report is, for the message line: the status panel keeps the system's
// own text, which does not say.
const QString& ReportWhereText() {
  static const QString text = QStringLiteral("The report is ready: see the Report page (its See the Report button).");
  return text;
}

TForm1::TForm1(Settings settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      settings_(std::move(settings)),
      calls_(this),
      jobOptions_(quarvex::stage::AnalysisOptions::Initial()) {
  setObjectName(QStringLiteral("Form1"));
  BuildWindow();
  FormCreate();
}

TForm1::~TForm1() {
  // The job must not outlive what it works on.
  if (worker_.joinable()) worker_.join();
  FormDestroy();
}

void TForm1::BuildWindow() {
  const Scale scale = Scale::ForWidget(*this);
  setWindowTitle(QStringLiteral("Quarvex  <Registry Analizer>"));
  setFont(LayoutFont(Face::PGothic, 15, scale));
  // The classic button face, on which the About page's white lettering shows.
  QPalette face = palette();
  face.setColor(QPalette::Window, kSilver);
  face.setColor(QPalette::Button, kSilver);
  setPalette(face);
  // The layout's size is the window's default and its least; a larger window (or a maximised
  // one) gives the chart and the report view the room (WindowStretch).
  defaultSize_ = QSize(scale.Px(712), scale.Px(579));
  setMinimumSize(defaultSize_);
  resize(defaultSize_);
  setWindowIcon(AppIcon());

  pgPage_ = new QTabWidget(this);
  pgPage_->setObjectName(QStringLiteral("pgPage"));
  pgPage_->setTabPosition(QTabWidget::South);
  pgPage_->tabBar()->setCursor(Qt::PointingHandCursor);
  scale.Place(pgPage_, 8, 8, 697, 473);

  // Analyze page.
  auto* tsAnalisys = new QWidget;
  tsAnalisys->setObjectName(QStringLiteral("tsAnalisys"));
  chAna_ = new AnalysisChart(tsAnalisys);
  chAna_->setObjectName(QStringLiteral("chAna"));
  scale.Place(chAna_, 8, 8, 673, 393);
  cbxSelChart_ = new QComboBox(tsAnalisys);
  cbxSelChart_->setObjectName(QStringLiteral("cbxSelChart"));
  cbxSelChart_->setEditable(false);
  cbxSelChart_->addItems(AnalysisChart::ViewNames());
  cbxSelChart_->setCursor(Qt::PointingHandCursor);
  scale.Place(cbxSelChart_, 8, 408, 417, 23);
  FramedCaption(tsAnalisys, "StaticText4", QStringLiteral("分析結果/Analisys Charts"), kYellow, kMaroon, scale);

  // Report page.
  auto* tsReport = new QWidget;
  tsReport->setObjectName(QStringLiteral("tsReport"));
  reMemo_ = new QPlainTextEdit(tsReport);
  reMemo_->setObjectName(QStringLiteral("reMemo"));
  reMemo_->setReadOnly(true);
  reMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Lines are not wrapped: the report's tables stay in their columns.
  reMemo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  reMemo_->setFont(LayoutFont(Face::Gothic, 15, scale));
  reMemo_->viewport()->setCursor(Qt::ArrowCursor);
  scale.Place(reMemo_, 8, 8, 673, 393);
  Button2_ = PushButton(tsReport, "Button2", QStringLiteral("ﾚﾎﾟｰﾄを保存/Save As(&A)..."));
  Button2_->setEnabled(false);
  scale.Place(Button2_, 32, 408, 195, 25);
  sbShowRep_ = SpeedButton(tsReport, "sbShowRep", ButtonImage::ShowReport, QStringLiteral("ﾚﾎﾟｰﾄの表示/See the Report  "));
  scale.Place(sbShowRep_, 256, 408, 41, 25);
  sbShowRep_->hide();
  // Beside the report's own buttons, in the free space before the caption: what the check
  // found in the same file, once a job has completed.
  sbShowCheck_ = new QToolButton(tsReport);
  sbShowCheck_->setObjectName(QStringLiteral("sbShowCheck"));
  sbShowCheck_->setText(QStringLiteral("Check"));
  sbShowCheck_->setToolTip(QStringLiteral("What the check found in this file"));
  sbShowCheck_->setCursor(Qt::PointingHandCursor);
  sbShowCheck_->setFocusPolicy(Qt::NoFocus);
  scale.Place(sbShowCheck_, 304, 408, 57, 25);
  sbShowCheck_->hide();
  // In the free space after it: the browser on the file last analysed (also Ctrl+B).
  auto* sbBrowse = new QToolButton(tsReport);
  sbBrowse->setObjectName(QStringLiteral("sbBrowse"));
  sbBrowse->setText(QStringLiteral("Browse"));
  sbBrowse->setToolTip(QStringLiteral("Browse the keys, values and bytes of this file (Ctrl+B)"));
  sbBrowse->setCursor(Qt::PointingHandCursor);
  sbBrowse->setFocusPolicy(Qt::NoFocus);
  scale.Place(sbBrowse, 368, 408, 65, 25);
  connect(sbBrowse, &QToolButton::clicked, this, &TForm1::sbBrowseClick);
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_B), this), &QShortcut::activated, this, &TForm1::sbBrowseClick);
  FramedCaption(tsReport, "StaticText3", QStringLiteral("詳細情報 (In Details) "), kYellow, kNavy, scale);
  QWidget::setTabOrder(Button2_, reMemo_);
  reportLoader_ = new ReportDocumentLoader(this);

  optionsPage_ = new quarvex::ui::OptionsPage(scale, nullptr);
  aboutPage_ = new quarvex::ui::AboutPage(scale, nullptr);
  pgPage_->addTab(tsAnalisys, QStringLiteral("Analize  "));
  pgPage_->addTab(tsReport, QStringLiteral("Report  "));
  pgPage_->addTab(optionsPage_, QStringLiteral("Options  "));
  pgPage_->addTab(aboutPage_, QStringLiteral("About  "));
  pgPage_->setCurrentIndex(0);

  // Controls on the window itself.
  Button1_ = PushButton(this, "Button1", QStringLiteral("任意のﾚｼﾞｽﾄﾘﾌｧｲﾙを開く/Open(&O)..."));
  scale.Place(Button1_, 48, 488, 273, 41);
  sbReAna_ = SpeedButton(this, "sbReAna", ButtonImage::ReAnalyze, QStringLiteral("同じﾌｧｲﾙを再度解析/Re-Analyze"));
  sbReAna_->setIconSize(QSize(scale.Px(24), scale.Px(24)));
  sbReAna_->setEnabled(false);
  scale.Place(sbReAna_, 328, 488, 33, 41);
  const QFont small = LayoutFont(Face::PGothic, 13, scale);
  Button3_ = PushButton(this, "Button3", QStringLiteral(" user.datを開く/Open user.dat(&1)  "));
  Button3_->setFont(small);
  scale.Place(Button3_, 376, 472, 265, 25);
  Button4_ = PushButton(this, "Button4", QStringLiteral(" system.datを開く/Open system.dat(&2)  "));
  Button4_->setFont(small);
  scale.Place(Button4_, 376, 504, 265, 25);
  sbEnd_ = SpeedButton(this, "sbEnd", ButtonImage::Quit, QStringLiteral("終了/Quit"));
  scale.Place(sbEnd_, 8, 504, 25, 25);

  edMes_ = new QLineEdit(this);
  edMes_->setObjectName(QStringLiteral("edMes"));
  edMes_->setReadOnly(true);
  edMes_->setFont(small);
  edMes_->setCursor(Qt::ArrowCursor);
  QPalette messageFace = edMes_->palette();
  messageFace.setColor(QPalette::Base, kSilver);
  edMes_->setPalette(messageFace);
  scale.Place(edMes_, 0, 536, 713, 21);

  auto* statusBar = new QFrame(this);
  statusBar->setObjectName(QStringLiteral("StatusBar1"));
  scale.Place(statusBar, 0, 558, 712, 21);
  for (int panel = 0; panel < 2; ++panel) {
    auto* label = new QLabel(statusBar);
    label->setObjectName(QStringLiteral("StatusBar1_panel%1").arg(panel));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    const int left = panel == 0 ? 0 : 452;
    label->setGeometry(scale.Rect(left, 0, panel == 0 ? 450 : 712 - 452, 21));
    statusPanels_[panel] = label;
  }
  periodMemoFont_ = reMemo_->font();
  periodMessageFont_ = edMes_->font();
  periodPanelFont_ = statusPanels_[0]->font();
  statusPanels_[0]->setText(QStringLiteral(" "));

  QWidget::setTabOrder(Button1_, Button3_);
  QWidget::setTabOrder(Button3_, Button4_);
  QWidget::setTabOrder(Button4_, pgPage_);
  QWidget::setTabOrder(pgPage_, edMes_);

  connect(Button1_, &QPushButton::clicked, this, &TForm1::Button1Click);
  // Ctrl+O beside the button's Alt+O: through the button, so that it does nothing while the
  // button is disabled.
  auto* openShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
  openShortcut->setObjectName(QStringLiteral("OpenShortcut"));
  connect(openShortcut, &QShortcut::activated, Button1_, &QPushButton::click);
  connect(Button2_, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(Button3_, &QPushButton::clicked, this, &TForm1::Button3Click);
  connect(Button4_, &QPushButton::clicked, this, &TForm1::Button4Click);
  connect(sbReAna_, &QToolButton::clicked, this, &TForm1::sbReAnaClick);
  connect(sbEnd_, &QToolButton::clicked, this, &TForm1::sbEndClick);
  connect(sbShowRep_, &QToolButton::clicked, this, &TForm1::sbShowRepClick);
  connect(sbShowCheck_, &QToolButton::clicked, this, &TForm1::sbShowCheckClick);
  connect(optionsPage_->SelectAllButton(), &QToolButton::clicked, this, &TForm1::sbSelAllClick);
  connect(aboutPage_->Icon(), &ClickableImage::clicked, this, &TForm1::imRegIconClick);
  connect(aboutPage_->Icon(), &ClickableImage::doubleClicked, this, &TForm1::imRegIconClick);
  connect(cbxSelChart_, &QComboBox::currentIndexChanged, this, &TForm1::cbxSelChartChange);

  // What grows with the window, taken at the default size: the pages and what fills them
  // grow, the rows under them move down, the message line and status bar widen.
  using quarvex::ui::Follow;
  for (QWidget* grows : {static_cast<QWidget*>(pgPage_), static_cast<QWidget*>(chAna_), static_cast<QWidget*>(reMemo_)})
    stretch_.Add(grows, Follow::Grow);
  for (const char* name : {"cbxSelChart", "StaticText4", "Button2", "sbShowRep", "sbShowCheck", "sbBrowse", "StaticText3",
                           "StaticText1", "Button1", "sbReAna", "Button3", "Button4", "sbEnd"})
    if (auto* control = findChild<QWidget*>(QString::fromLatin1(name))) stretch_.Add(control, Follow::Down);
  stretch_.Add(edMes_, Follow::DownWiden);
  stretch_.Add(statusBar, Follow::DownWiden);
  stretch_.Add(statusPanels_[1], Follow::Widen);
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  stretch_.Apply(size() - defaultSize_);
}

void TForm1::FormCreate() {
  commandLineFile_.clear();
  advancedMode_ = false;
  const StartRequest request = ReadStartArguments(settings_.arguments);
  advancedMode_ = request.advancedMode;
  commandLineFile_ = request.file;

  connect(chAna_, &AnalysisChart::usingPointClicked, this, &TForm1::OnUsingPointClick);
  // A point's tooltip names its key by its path, a free record by its block and offset.
  chAna_->SetPointNamer([this](quarvex::analyzer::SeriesId id, int index) {
    if (id == chartviews::kRecordSizes) return KeyPathOfPoint(index).value_or(QString());
    return FreeRecordOfPoint(index);
  });
  job_.hive.blockTableCount = 0;
  job_.hive.indexedRecordCount = 0;
  SetApplicationTitleNow(FromUtf8(std::string(quarvex::job::kAppTitle)));
  iconClickCount_ = -1;
  iconClickLimit_ = kNormalUnlockCount;
  aboutPage_->Gauge()->setRange(0, quarvex::ui::AboutPage::kGaugeWidth);
  {
    const QSignalBlocker quiet(cbxSelChart_);
    cbxSelChart_->setCurrentIndex(0);
  }
  cbxSelChartChange(0);
  aboutPage_->Icon()->setPixmap(AppIconPixmap());
  job_.report.Clear();

  std::vector<std::string> memoLines;
  if (settings_.probeHost) {
    settings_.probeHost(hostFacts_, memoLines);
  } else {
    hostFacts_.ProgramVersion = QUARVEX_VERSION;
    memoLines = quarvex::ui::AboutMemoLines(hostFacts_);
  }
  for (const std::string& line : memoLines) aboutPage_->Memo()->appendPlainText(FromUtf8(line));
  aboutPage_->Memo()->moveCursor(QTextCursor::Start);

  if (!advancedMode_) SetUpStandardMode();
  if (commandLineFile_.empty()) return;
  if (quarvex::image::ContainerKindOf(commandLineFile_) == quarvex::image::ContainerKind::None) {
    StartFromCommandLine(QFile::decodeName(QByteArray::fromStdString(commandLineFile_)));
    return;
  }
  // A disk image or cabinet: its hives are offered once the window is up, and the chosen one
  // is analysed as a file named on the command line is.
  QTimer::singleShot(0, this, [this] {
    QString error;
    const QString hive = ChooseHiveIn(this, QFile::decodeName(QByteArray::fromStdString(commandLineFile_)),
                                      hiveChoiceHook_, error);
    if (!error.isEmpty()) ShowError(error);
    if (!hive.isEmpty()) StartFromCommandLine(hive);
  });
}

void TForm1::StartFromCommandLine(const QString& file) {
  openFileName_ = file;
  OptionBox(quarvex::stage::Option::cbKeys)->setChecked(false);
  const ReportName report = ReportNameFor(QFile::encodeName(file).toStdString());
  saveInitialDirectory_ = QFile::decodeName(QByteArray::fromStdString(report.directory));
  saveFileName_ = QFile::decodeName(QByteArray::fromStdString(report.fileName));
  StartAnalysis();
  iconClickLimit_ = kCommandLineUnlockCount;
}

void TForm1::SetUpStandardMode() {
  optionsPage_->CoverReportOptions(true);
  OptionBox(quarvex::stage::Option::cbRPT)->setEnabled(false);
  if (const auto directory = settings_.windowsDirectory.Query())
    openInitialDirectory_ = QFile::decodeName(QByteArray::fromStdString(*directory));
  aboutPage_->Icon()->setCursor(Qt::PointingHandCursor);
  iconClickCount_ = 0;
  sbEnd_->hide();
}

void TForm1::FormDestroy() {
  job_.hive.hiveImage.Clear();
  job_.hive.blockTable = {};
  job_.hive.blockTableCount = 0;
  job_.hive.recordIndex = {};
  job_.hive.indexedRecordCount = 0;
  job_.report.Clear();
}

QCheckBox* TForm1::OptionBox(quarvex::stage::Option option) const { return optionsPage_->Box(option); }

QString TForm1::StatusText(int panel) const { return statusPanels_[panel == 0 ? 0 : 1]->text(); }

void TForm1::SetPanelText(int panel, const QString& text) {
  const int index = panel == 0 ? 0 : 1;
  statusPanels_[index]->setText(text);
  emit statusTextChanged(index, text);
}

void TForm1::SetApplicationTitleNow(const QString& title) {
  applicationTitle_ = title;
  // What a window manager shows for the window when it is minimised.
  setWindowIconText(title);
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (centred_) return;
  centred_ = true;
  if (const QScreen* here = screen()) move(here->availableGeometry().center() - rect().center());
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (JobRunning() || worker_.joinable()) {
    // Closes once the job has ended (WorkerEnded).
    closePending_ = true;
    event->ignore();
    return;
  }
  event->accept();
}

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
  std::optional<quarvex::image::ImageAddress> address = quarvex::image::ParseImageAddress(jobFileName_);
  if (!quarvex::job::FileExists(address ? address->container : jobFileName_)) {
    SetPanelText(0, openFileName_);  // the file asked for, not the last one analysed
    JobFailed(quarvex::hive::code::kFileMissing);
    return;
  }
  for (QWidget* control : {static_cast<QWidget*>(Button1_), static_cast<QWidget*>(Button3_),
                           static_cast<QWidget*>(Button4_), static_cast<QWidget*>(sbReAna_),
                           static_cast<QWidget*>(sbEnd_), static_cast<QWidget*>(pgPage_)})
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
      if (address) {
        std::string error;
        input.bytes = quarvex::image::ReadAddressedFile(*address, error);
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
      if (settings_.autoCodePage && !input.bytes) input.bytes = quarvex::hive::ReadWholeRegularFile(input.fileName, unread);
      const quarvex::detect::CodePageChoice choice =
          !settings_.autoCodePage
              ? quarvex::detect::CodePageChoice{input.codePage, quarvex::detect::CodePageSource::Option,
                                                "named by the user"}
          : input.bytes ? quarvex::detect::ChooseCodePage(std::nullopt, input.fileName,
                                                          quarvex::hive::Bytes(*input.bytes),
                                                          settings_.windowsDirForCodePage)
                        : quarvex::detect::CodePageChoice{quarvex::text::CodePage::Cp1252,
                                                          quarvex::detect::CodePageSource::Default,
                                                          "the file cannot be read (" + unread + "), so 1252"};
      input.codePage = choice.codePage;
      calls_.Post([this, choice] { CodePageChosen(choice); });
      quarvex::job::RunJob(std::move(input), events, job_);
      if (events.Completed()) {
        // The check reads the bytes the job read, here on the worker: the window learns of the
        // completed job and of what the check found in one call.
        CheckFindings check = CheckImage(job_.hive.hiveImage, choice);
        calls_.Post([this, check = std::move(check)] { JobCompleted(check); });
      } else {
        // A failed job's bytes are checked too: the check names every place the job stopped at
        // and reads past it.
        std::optional<CheckFindings> check;
        if (events.ImageRead()) {
          try {
            check = CheckImage(job_.hive.hiveImage, choice);
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
  if (jobOptions_[quarvex::stage::Option::cbMINI]) {
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
  if (jobOptions_[quarvex::stage::Option::cbMINI]) {
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
  if (jobOptions_[quarvex::stage::Option::cbMINI]) {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
  }
  SetPanelText(1, ReportMadeText(check_->damage));
  ShowMessageLine(ReportWhereText());
  SetApplicationTitleNow(FromUtf8(std::string(quarvex::job::kAppTitle)));
  jobRunning_ = false;
  // A completed job's series go to the chart in one batch.
  chAna_->LoadSeries(job_.analysis ? quarvex::analyzer::ChartSeriesOf(*job_.analysis) : quarvex::analyzer::ChartSeriesSet());
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
  for (QWidget* control : {static_cast<QWidget*>(Button1_), static_cast<QWidget*>(Button3_),
                           static_cast<QWidget*>(Button4_), static_cast<QWidget*>(pgPage_),
                           static_cast<QWidget*>(sbEnd_)})
    control->setEnabled(true);
}

// ---- entry point ----------------------------------------------------------------------------

TForm1::HostProbe ThisHostProbe(const std::optional<std::string>& windowsDir, quarvex::text::CodePage codePage,
                                const quarvex::text::TextLocale& locale) {
  return [host = quarvex::host::HostSettings{windowsDir, codePage}, locale](quarvex::host::HostFacts& facts,
                                                                             std::vector<std::string>& memoLines) {
    quarvex::host::ProbedHost probed = quarvex::host::ProbeThisHost(host, locale);
    facts = std::move(probed.facts);
    // The memo from the facts, each line only when it has something to say.
    memoLines = quarvex::ui::AboutMemoLines(facts);
  };
}

// The code page the host's own values are read in: the one named, else that of the Windows
// directory's system.dat when one is named, else 1252.
static quarvex::text::CodePage HostCodePage(const std::optional<quarvex::text::CodePage>& named,
                                     const std::optional<std::string>& windowsDir) {
  if (named) return *named;
  if (!windowsDir) return quarvex::text::CodePage::Cp1252;
  const std::string systemDat = quarvex::host::WindowsDirectory::FilePath(*windowsDir, "system.dat");
  return quarvex::detect::ChooseCodePageForFile(std::nullopt, systemDat, std::nullopt).codePage;
}

int RunMainWindow(QApplication& app) {
  std::vector<std::string> args;
  const QStringList arguments = app.arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) args.push_back(QFile::encodeName(arguments[i]).toStdString());
  const WindowCommandLine commandLine = ParseWindowCommandLine(args);
  if (!commandLine.error.empty()) {
    std::fprintf(stderr, "quarvex: %s\n%s", commandLine.error.c_str(), WindowUsage().c_str());
    return 2;
  }
  if (commandLine.browse) {
    // The browser alone, on the last argument (a file it cannot read is said in a message).
    quarvex::ui::BrowserWindow browser({commandLine.codePage});
    browser.show();
    if (!commandLine.arguments.empty()) browser.OpenChosenFile(QFile::decodeName(commandLine.arguments.back().c_str()));
    return app.exec();
  }
  TForm1::Settings settings;
  settings.arguments = commandLine.arguments;
  settings.windowsDirectory = quarvex::host::WindowsDirectory::FromUser(commandLine.windowsDir);
  settings.autoCodePage = !commandLine.codePage;
  settings.windowsDirForCodePage = settings.windowsDirectory.Query();
  const quarvex::text::CodePage hostCodePage = HostCodePage(commandLine.codePage, settings.windowsDirForCodePage);
  settings.job.codePage = hostCodePage;
  settings.job.locale = quarvex::text::TextLocale::FromEnvironment();
  settings.probeHost = ThisHostProbe(commandLine.windowsDir, hostCodePage, settings.job.locale);
  TForm1 form(std::move(settings));
  form.show();
  return app.exec();
}
