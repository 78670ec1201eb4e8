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

namespace chartviews = quarvex::analyzer::chartviews;

namespace quarvex::ui {

using quarvex::stage::Option;

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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
  sbShowRep_ =
      SpeedButton(tsReport, "sbShowRep", ButtonImage::ShowReport, QStringLiteral("ﾚﾎﾟｰﾄの表示/See the Report  "));
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
  for (const char* name : {"cbxSelChart", "StaticText4", "Button2", "sbShowRep", "sbShowCheck", "sbBrowse",
                           "StaticText3", "StaticText1", "Button1", "sbReAna", "Button3", "Button4", "sbEnd"})
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
    const QString hive =
        ChooseHiveIn(this, QFile::decodeName(QByteArray::fromStdString(commandLineFile_)), hiveChoiceHook_, error);
    if (!error.isEmpty()) ShowError(error);
    if (!hive.isEmpty()) StartFromCommandLine(hive);
  });
}

void TForm1::StartFromCommandLine(const QString& file) {
  openFileName_ = file;
  OptionBox(quarvex::stage::Option::ListBadAndGhostKeys)->setChecked(false);
  const ReportName report = ReportNameFor(QFile::encodeName(file).toStdString());
  saveInitialDirectory_ = QFile::decodeName(QByteArray::fromStdString(report.directory));
  saveFileName_ = QFile::decodeName(QByteArray::fromStdString(report.fileName));
  StartAnalysis();
  iconClickLimit_ = kCommandLineUnlockCount;
}

void TForm1::SetUpStandardMode() {
  optionsPage_->CoverReportOptions(true);
  OptionBox(quarvex::stage::Option::StructureReport)->setEnabled(false);
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
  const quarvex::session::HiveAddress systemDat =
      quarvex::session::HiveAddress::Parse(quarvex::host::WindowsDirectory::FilePath(*windowsDir, "system.dat"), false);
  std::string unread;
  const std::optional<std::vector<std::uint8_t>> bytes = quarvex::session::ReadHiveBytes(systemDat, unread);
  if (!bytes) return quarvex::text::CodePage::Cp1252;
  return quarvex::session::ChooseCodePage({}, systemDat, quarvex::hive::Bytes(*bytes)).codePage;
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

}  // namespace quarvex::ui
