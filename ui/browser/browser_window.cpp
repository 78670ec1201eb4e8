#include "ui/browser/browser_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "browse/value_text.h"
#include "detect/codepage_choice.h"
#include "image/image_address.h"
#include "salvage/check_text.h"
#include "text/report_file.h"
#include "text/text_encoding.h"
#include "ui/common/backslash_fonts.h"
#include "ui/browser/browser_copy_text.h"
#include "ui/browser/browser_document.h"
#include "ui/browser/browser_facts_model.h"
#include "ui/browser/browser_history_panel.h"
#include "ui/common/file_dialogs.h"
#include "ui/browser/browser_hex_lines.h"
#include "ui/browser/browser_help.h"
#include "ui/browser/browser_hit_table.h"
#include "ui/browser/browser_hex_view.h"
#include "ui/browser/browser_key_path_box.h"
#include "ui/browser/browser_key_tree_model.h"
#include "ui/browser/browser_problems_model.h"
#include "ui/browser/browser_search.h"
#include "ui/browser/browser_subtree_export.h"
#include "ui/browser/browser_value_table_model.h"

namespace quarvex::ui {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
std::string ToPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

constexpr int kRecentFiles = 8;
const char* const kRecentKey = "recentFiles";

}  // namespace

struct BrowserWindow::LoadResult {
  std::unique_ptr<BrowserDocument> doc;
  std::string error;
  HiveIdentity identity;  // for the bookmarks: hashing a large hive takes a moment too
};

BrowserWindow::BrowserWindow(Settings settings, QWidget* parent) : QMainWindow(parent), settings_(settings) {
  setObjectName(QStringLiteral("BrowserWindow"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAcceptDrops(true);
  // Japanese key names: the IPA fonts after the desktop's own, until a hive says otherwise.
  setFont(BrowserFontFor(text::CodePage::Cp932, false));
  BuildWindow();
  BuildMenus();
  QSettings store(QStringLiteral("Quarvex"), QStringLiteral("Browser"));
  if (!restoreGeometry(store.value(QStringLiteral("geometry")).toByteArray())) resize(1100, 720);
  restoreState(store.value(QStringLiteral("state")).toByteArray());
  UpdateTitle();
}

BrowserWindow::~BrowserWindow() {
  // Neither worker may outlive the document it reads.
  search_->Stop();
  // A load still in flight: its end will never reach this window, which therefore deletes the
  // finished thread itself (it has no parent; it leaked when the window closed mid-load).
  if (loader_) {
    loader_->wait();
    delete loader_;
    loader_ = nullptr;
  }
  // QWidget's own destructor closes the window after this one has freed the document, and the
  // views ask their models for rows while they hide: they let go of the models first.
  for (QAbstractItemView* view :
       {static_cast<QAbstractItemView*>(tree_), static_cast<QAbstractItemView*>(valueTable_),
        static_cast<QAbstractItemView*>(hitTable_), static_cast<QAbstractItemView*>(problemTable_),
        static_cast<QAbstractItemView*>(factsView_)})
    if (view) view->setModel(nullptr);
}

void BrowserWindow::UpdateTitle() {
  if (!Loading() && doc_) {
    setWindowTitle(FromUtf8(doc_->FileName()) +
                   (doc_->CarvedMark().empty() ? QString() : QStringLiteral(" [carved fragment]")) +
                   QStringLiteral(" — Quarvex"));
    setWindowFilePath(QString::fromStdString(doc_->Path()));
  } else if (Loading()) {
    setWindowTitle(FromUtf8(image::DisplayName(ToPath(loadingPath_))) + QStringLiteral(" — Quarvex"));
  } else {
    setWindowTitle(QStringLiteral("Quarvex"));
  }
}

void BrowserWindow::OpenFile(const QString& path) {
  if (path.isEmpty()) return;
  const int generation = ++loadGeneration_;
  if (loader_) {
    loader_->wait();  // the old load is forgotten; its result is dropped
    loader_->deleteLater();
    loader_ = nullptr;
  }
  loadingPath_ = path;
  auto result = std::make_shared<LoadResult>();
  loadResult_ = result;
  const std::string file = ToPath(path);
  const std::optional<text::CodePage> codePage = settings_.codePage;
  const QString absolute = QFileInfo(path).absoluteFilePath();
  loader_ = QThread::create([result, file, codePage, absolute] {
    result->doc = BrowserDocument::Load(file, codePage, result->error);
    if (result->doc) result->identity = IdentityOf(absolute, result->doc->Image());
  });
  connect(loader_, &QThread::finished, this, [this, generation] { LoadEnded(generation); });
  statusLabel_->setText(QStringLiteral("Reading %1…").arg(path));
  UpdateTitle();
  loader_->start();
}

void BrowserWindow::LoadEnded(int generation) {
  if (generation != loadGeneration_ || !loader_) return;
  loader_->wait();
  loader_->deleteLater();
  loader_ = nullptr;
  std::shared_ptr<LoadResult> result = std::move(loadResult_);
  if (!result->doc) {
    UpdateTitle();
    statusLabel_->setText(doc_ ? statusLabel_->text() : QStringLiteral("Nothing open"));
    const QString error = FromUtf8(result->error);
    ShowMessage(error);
    emit loadFailed(error);
    return;
  }
  AddRecentFile(loadingPath_);
  TakeDocument(std::move(result->doc));
  identity_ = std::move(result->identity);
  LoadBookmarks();
  emit loaded();
}

void BrowserWindow::TakeDocument(std::unique_ptr<BrowserDocument> doc) {
  search_->Stop();
  search_->Hits()->Clear();
  searchProgress_->setValue(0);
  valueModel_->Clear();
  hexView_->ClearSections();
  treeModel_->SetDocument(nullptr);
  keyPathBox_->SetDocument(nullptr);
  keyPathBox_->clear();
  history_.Clear();
  UpdateHistoryActions();
  identity_.reset();
  bookmarks_.clear();
  RefreshBookmarksMenu();
  problemsModel_->SetDocument(nullptr);
  factsModel_->SetDocument(nullptr);
  doc_ = std::move(doc);
  // 0x5C is a yen sign only in a code page 932 hive: every other one's paths show a real
  // backslash (ui/common/backslash_fonts.h).
  setFont(BrowserFontFor(doc_->CodePage(), false));
  hexView_->setFont(BrowserFontFor(doc_->CodePage(), true));
  treeModel_->SetDocument(doc_.get());
  // The top level at once rather than when the view next lays itself out: whoever hears
  // loaded() finds the top keys there.
  if (treeModel_->canFetchMore({})) treeModel_->fetchMore({});
  problemsModel_->SetDocument(doc_.get());
  factsModel_->SetDocument(doc_.get());
  factsView_->expandAll();
  historyPanel_->SetHive(doc_->Path(), settings_.codePage);
  keyPathBox_->SetDocument(doc_.get());
  const salvage::SalvagedHive& hive = doc_->Hive();
  statusLabel_->setText(QStringLiteral("%1 · %2 deleted key(s) recovered · code page %3")
                            .arg(FromUtf8(salvage::SummaryText(hive)))
                            .arg(doc_->Recovery().keys.size())
                            .arg(FromUtf8(std::string(text::CodePageName(doc_->CodePage())))));
  // Where the code page came from, as the status bar's hint.
  statusLabel_->setToolTip(FromUtf8(detect::ChoiceText(doc_->CodePageChoice())));
  QStringList mark;
  for (const std::string& line : doc_->CarvedMark()) mark << FromUtf8(line);
  carvedMark_->setText(mark.join(QLatin1Char('\n')));
  carvedMark_->setVisible(!mark.isEmpty());
  UpdateTitle();
}

void BrowserWindow::SetShowRecovered(bool show) {
  const std::optional<std::int32_t> key = SelectedKey();
  treeModel_->SetShowRecovered(show);
  if (showRecoveredAction_->isChecked() != show) showRecoveredAction_->setChecked(show);
  if (key) SelectKey(*key);
}

void BrowserWindow::OpenWithDialog() {
  const QString path = AskFileName(QStringLiteral("Open Registry File"), {}, false);
  if (!path.isEmpty()) OpenChosenFile(path);
}

void BrowserWindow::OpenChosenFile(const QString& path) {
  if (path.isEmpty()) return;
  QString error;
  const QString hive = ChooseHiveIn(this, path, hiveChoiceHook_, error, true);
  if (!error.isEmpty()) ShowMessage(error);
  if (!hive.isEmpty()) OpenFile(hive);
}

QString BrowserWindow::AskFileName(const QString& title, const QString& suggested, bool save) {
  if (fileDialogHook_) return fileDialogHook_(title, suggested);
  const QString filter =
      save ? QString()
           : AllRegistryFilesFilter() + QStringLiteral(";;Disk images and backups (%1);;All files (*)")
                                            .arg(DiskImagePatterns().join(QLatin1Char(' ')) + QLatin1Char(' ') +
                                                 DiskImagePatterns().join(QLatin1Char(' ')).toUpper());
  return save ? QFileDialog::getSaveFileName(this, title, suggested)
              : QFileDialog::getOpenFileName(this, title, {}, filter);
}

void BrowserWindow::ShowMessage(const QString& text) {
  if (messageHook_)
    messageHook_(text);
  else
    QMessageBox::warning(this, QStringLiteral("Quarvex"), text);
}

QStringList BrowserWindow::RecentFiles() const {
  return QSettings(QStringLiteral("Quarvex"), QStringLiteral("Browser"))
      .value(QLatin1String(kRecentKey))
      .toStringList();
}

void BrowserWindow::AddRecentFile(const QString& path) {
  QStringList recent = RecentFiles();
  const QString absolute = QFileInfo(path).absoluteFilePath();
  recent.removeAll(absolute);
  recent.prepend(absolute);
  while (recent.size() > kRecentFiles) recent.removeLast();
  QSettings(QStringLiteral("Quarvex"), QStringLiteral("Browser")).setValue(QLatin1String(kRecentKey), recent);
  RefreshRecentMenu();
}

void BrowserWindow::RefreshRecentMenu() {
  recentMenu_->clear();
  const QStringList recent = RecentFiles();
  for (const QString& path : recent) recentMenu_->addAction(path, this, [this, path] { OpenFile(path); });
  recentMenu_->setEnabled(!recent.isEmpty());
}

void BrowserWindow::closeEvent(QCloseEvent* event) {
  QSettings store(QStringLiteral("Quarvex"), QStringLiteral("Browser"));
  store.setValue(QStringLiteral("geometry"), saveGeometry());
  store.setValue(QStringLiteral("state"), saveState());
  QMainWindow::closeEvent(event);
}

void BrowserWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && !event->mimeData()->urls().isEmpty() &&
      event->mimeData()->urls().front().isLocalFile())
    event->acceptProposedAction();
}

void BrowserWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  // After the drop has ended: an image's list of hives is a dialog of its own, which must not
  // keep the drag's source waiting.
  QTimer::singleShot(0, this, [this, path = urls.front().toLocalFile()] { OpenChosenFile(path); });
}

}  // namespace quarvex::ui
