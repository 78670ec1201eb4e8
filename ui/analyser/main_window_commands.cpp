// The commands behind the window's buttons, the icon unlock and the chart handlers.
#include <QCheckBox>
#include <QDialog>
#include <QVBoxLayout>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <charconv>
#include <cmath>
#include <filesystem>

#include "hive/keyname.h"
#include "image/image_address.h"
#include "text/report_file.h"
#include "text/text_encoding.h"
#include "ui/analyser/about_page.h"
#include "ui/charts/analysis_chart.h"
#include "ui/common/file_dialogs.h"
#include "ui/analyser/job_failure_text.h"
#include "ui/analyser/main_window.h"
#include "ui/analyser/options_page.h"
#include "ui/analyser/report_document_loader.h"

namespace quarvex::ui {

using quarvex::stage::Option;

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

QString TForm1::RunFileDialog(QFileDialog& dialog) {
  if (fileDialogHook_) return fileDialogHook_(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

void TForm1::ShowError(const QString& text) {
  if (messageBoxHook_) {
    messageBoxHook_(applicationTitle_, text);
    return;
  }
  QMessageBox::critical(this, applicationTitle_, text);
}

void TForm1::Button1Click() {
  if (JobRunning()) {
    StartAnalysis();  // says "busy" (-100); the dialog's name stays the running job's
    return;
  }
  QFileDialog dialog(this);
  ConfigureOpenDialog(dialog, openFileName_, openInitialDirectory_);
  const QString chosen = RunFileDialog(dialog);
  if (chosen.isEmpty()) return;
  // A disk image or cabinet: one of the registry files in it, chosen from its list.
  QString error;
  const QString hive = ChooseHiveIn(this, chosen, hiveChoiceHook_, error);
  if (!error.isEmpty()) ShowError(error);
  if (hive.isEmpty()) return;
  openFileName_ = hive;
  StartAnalysis();
}

void TForm1::Button3Click() { OpenFromWindowsDirectory("user.dat", quarvex::hive::code::kNoWindowsDirForUserDat); }

void TForm1::Button4Click() { OpenFromWindowsDirectory("system.dat", quarvex::hive::code::kNoWindowsDirForSystemDat); }

void TForm1::OpenFromWindowsDirectory(const char* name, std::int32_t failureCode) {
  if (JobRunning()) {
    // The running job's code and file name stay as they are; this only says "busy" (-100).
    StartAnalysis();
    return;
  }
  const std::optional<std::string> directory = settings_.windowsDirectory.Query();
  if (!directory) {
    TakeJobSnapshot();
    // The file panel names the file that could not be opened, not the last one analysed.
    SetPanelText(0, QString::fromStdString(MissingWindowsFolderPanel(name)));
    JobFailed(failureCode);
    return;
  }
  openFileName_ =
      QFile::decodeName(QByteArray::fromStdString(quarvex::host::WindowsDirectory::FilePath(*directory, name)));
  StartAnalysis();
}

void TForm1::sbReAnaClick() { StartAnalysis(); }

void TForm1::sbEndClick() {
  if (advancedMode_) close();
}

void TForm1::sbShowRepClick() {
  // Not while the report is still being written, nor while the last one is being laid out.
  if (JobRunning() || reportLoader_->Busy()) return;
  SetPanelText(1, QStringLiteral("Make a report from result..."));
  sbShowRep_->hide();
  // The report is where the message line sent the user: the line has done its work.
  if (edMes_->text() == ReportWhereText()) {
    edMes_->clear();
    edMes_->setToolTip(QString());
  }
  LoadReportView(true);
}

void TForm1::ClearReportView() {
  ++viewNumber_;  // a document still being laid out for the view is not shown
  reportInView_ = false;
  Button2_->setEnabled(false);
  reMemo_->clear();
}

void TForm1::LoadReportView(bool announce) {
  const int viewNumber = viewNumber_;
  if (reportLoader_->Busy()) {
    // The last report is still being laid out: this one follows it, unless the view has been
    // cleared again meanwhile.
    connect(
        reportLoader_, &ReportDocumentLoader::ready, this,
        [this, viewNumber, announce] {
          if (viewNumber == viewNumber_) LoadReportView(announce);
        },
        static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
    return;
  }
  // The report's lines are bytes in the hive's code page; the view shows them decoded.
  std::string text;
  text.reserve(job_.report.SavedSize());
  for (std::size_t i = 0; i < job_.report.Count(); ++i) {
    if (i > 0) text += '\n';
    text += quarvex::text::CodePageToUtf8(job_.report[i], jobCodePage_);
  }
  connect(
      reportLoader_, &ReportDocumentLoader::ready, this,
      [this, viewNumber, announce](QTextDocument* document) { ShowReportDocument(document, viewNumber, announce); },
      Qt::SingleShotConnection);
  reportLoader_->Load(QString::fromStdString(text), reMemo_->font());
}

void TForm1::sbShowCheckClick() {
  if (JobRunning() || !check_) return;
  if (!checkDialog_) {
    checkDialog_ = new QDialog(this);
    checkDialog_->setObjectName(QStringLiteral("CheckDialog"));
    checkView_ = new QPlainTextEdit(checkDialog_);
    checkView_->setObjectName(QStringLiteral("meCheck"));
    checkView_->setReadOnly(true);
    checkView_->setLineWrapMode(QPlainTextEdit::NoWrap);  // one finding, one line
    checkView_->setFont(reMemo_->font());
    auto* layout = new QVBoxLayout(checkDialog_);
    layout->addWidget(checkView_);
    checkDialog_->resize(reMemo_->size());
  }
  QString text;
  for (const std::string& line : check_->lines) text += QString::fromStdString(line) + QLatin1Char('\n');
  text += QString::fromStdString(check_->summary) + QLatin1Char('\n');
  text += QStringLiteral("\nDeleted keys still in the file (as quarvex-cli recover lists them):\n");
  for (const std::string& line : check_->recovered) text += QString::fromStdString(line) + QLatin1Char('\n');
  text += QString::fromStdString(check_->recoveredSummary);
  checkView_->setPlainText(text);
  checkDialog_->setWindowTitle(
      QStringLiteral("Check: %1").arg(QFile::decodeName(QByteArray::fromStdString(analysedFile_))));
  checkDialog_->show();
  checkDialog_->raise();
}

void TForm1::ShowReportDocument(QTextDocument* document, int viewNumber, bool announce) {
  if (viewNumber != viewNumber_ || JobRunning()) {
    // A job has started or failed since: its own report will be shown.
    delete document;
    return;
  }
  // The view deletes the document it made itself; one of ours we delete.
  QTextDocument* previous = reMemo_->document();
  const bool ours = previous->parent() == reMemo_;
  document->setParent(reMemo_);
  reMemo_->setDocument(document);
  if (ours) previous->deleteLater();
  if (announce) SetPanelText(1, QStringLiteral("Complete."));
  reportInView_ = true;
  Button2_->setEnabled(true);
}

void TForm1::Button2Click() {
  // Only the report in view is saved: not while a job writes the next one, nor before the
  // last one is shown.
  if (JobRunning() || !reportInView_) return;
  QFileDialog dialog(this);
  ConfigureSaveDialog(dialog, saveFileName_, saveInitialDirectory_, failedSaveDirectories_);
  QString chosen = RunFileDialog(dialog);
  if (chosen.isEmpty()) return;
  chosen = WithDefaultSuffix(chosen, QStringLiteral("TXT"));
  saveFileName_ = chosen;
  const std::string path = QFile::encodeName(chosen).toStdString();
  const QString cannotCreate = QStringLiteral("ﾌｧｲﾙ %1 を作成できません.").arg(chosen);
  // The analysed file is never written, not even by a save onto its name; nor the image or
  // cabinet it came from.
  if (SameFile(path, quarvex::image::ContainerOf(analysedFile_)) ||
      SameFile(path, quarvex::image::ContainerOf(QFile::encodeName(openFileName_).toStdString()))) {
    ShowError(cannotCreate);
    return;
  }
  std::string error;
  if (quarvex::text::SaveReportLines(job_.report, path, error)) return;
  // The next Save As does not open where this one failed: it offers the name alone, in the
  // starting directory unless a save failed there too.
  failedSaveDirectories_.append(QFileInfo(chosen).absolutePath());
  saveFileName_ = QFileInfo(chosen).fileName();
  ShowError(cannotCreate);
}

void TForm1::sbSelAllClick() {
  for (quarvex::stage::Option option : quarvex::stage::SelectAllOptions()) OptionBox(option)->setChecked(true);
}

void TForm1::imRegIconClick() {
  if (iconClickCount_ < 0) return;
  ++iconClickCount_;
  QProgressBar* gauge = aboutPage_->Gauge();
  if (iconClickCount_ == 1) {
    gauge->show();
    return;
  }
  const double ratio = std::log(static_cast<double>(iconClickCount_)) / std::log(static_cast<double>(iconClickLimit_));
  gauge->setValue(static_cast<int>(std::min(ratio, 1.0) * gauge->maximum()));
  // The count is whole and so is the limit: compare them, not the rounded logarithms.
  if (iconClickCount_ < iconClickLimit_) return;
  gauge->hide();
  aboutPage_->Icon()->unsetCursor();
  optionsPage_->CoverReportOptions(false);
  OptionBox(quarvex::stage::Option::StructureReport)->setEnabled(true);
  iconClickCount_ = -1;
  sbEnd_->show();
  advancedMode_ = true;
}

void TForm1::cbxSelChartChange(int index) {
  edMes_->clear();
  edMes_->setToolTip(QString());
  chAna_->SelectView(index);
}

std::optional<QString> TForm1::KeyPathOfPoint(int valueIndex) {
  if (JobRunning()) return std::nullopt;  // the worker owns the hive while it runs
  // The points of the record-size series are the analysed keys, in the same order.
  if (!job_.analysis || valueIndex < 0 || static_cast<std::size_t>(valueIndex) >= job_.analysis->keys.size())
    return std::nullopt;
  const quarvex::hive::KeyNodeOffset key = job_.analysis->keys[static_cast<std::size_t>(valueIndex)].node;
  // Naming a key is not a job: a failed job's code and failure stay what the job left.
  const std::int32_t code = job_.hive.errorCode;
  const std::optional<quarvex::hive::Finding> failure = job_.hive.failure;
  const std::string path = quarvex::hive::ResolveKeyPath(job_.hive, key);
  job_.hive.errorCode = code;
  job_.hive.failure = failure;
  return QString::fromStdString(quarvex::text::CodePageToUtf8(path, jobCodePage_));
}

QString TForm1::FreeRecordOfPoint(int valueIndex) const {
  if (JobRunning() || !job_.analysis || valueIndex < 0 ||
      static_cast<std::size_t>(valueIndex) >= job_.analysis->freeRecords.size())
    return {};
  const quarvex::analyzer::FreeRecordFact& free = job_.analysis->freeRecords[static_cast<std::size_t>(valueIndex)];
  const QString offset =
      QString::number(static_cast<std::uint32_t>(free.offset.value), 16).toUpper().rightJustified(4, QLatin1Char('0'));
  return QStringLiteral("free record in block %1 at offset 0x%2").arg(free.block).arg(offset);
}

void TForm1::OnUsingPointClick(int valueIndex) {
  // The job's code is left alone: a click names a key, it does not end a job well.
  const std::optional<QString> shown = KeyPathOfPoint(valueIndex);
  if (!shown) return;
  edMes_->setText(*shown);
  // A path longer than the line shows from its first character (setText leaves the line
  // scrolled to its end); the whole path is the tooltip.
  edMes_->setCursorPosition(0);
  edMes_->setToolTip(*shown);
}

}  // namespace quarvex::ui
