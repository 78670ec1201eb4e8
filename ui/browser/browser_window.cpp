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

QString Hex8(std::int64_t value) {
  return QStringLiteral("0x") +
         QString::number(static_cast<qulonglong>(value), 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

// The key's node and its data record, as the hex view shows a key.
std::vector<BrowserHexView::Section> KeySections(const BrowserDocument& doc, std::int32_t key) {
  const salvage::SalvagedKey& k = doc.Hive().keys[static_cast<std::size_t>(key)];
  std::vector<BrowserHexView::Section> sections;
  const std::int64_t node = k.node.InFile().value;
  sections.push_back({QStringLiteral("Key node at %1 (28 bytes)").arg(Hex8(node)), node, 28});
  if (const std::optional<std::size_t> record = doc.RecordOf(key)) {
    const salvage::SalvagedRecord& r = doc.Hive().records[*record];
    const std::int64_t length = doc.RecordLength(*record);
    sections.push_back({QStringLiteral("Data record at %1 (block %2, record %3, %4 bytes)")
                            .arg(Hex8(r.offset.value))
                            .arg(r.block)
                            .arg(r.header.RecNo)
                            .arg(length),
                        r.offset.value, length});
  } else {
    sections.push_back({QStringLiteral("(no data record could be read for this key)"), 0, 0});
  }
  return sections;
}

// Bytes shown before and after a hit that lies past what the view shows of its record.
constexpr std::int64_t kHitContext = 64;

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

std::optional<std::int32_t> BrowserWindow::SelectedKey() const {
  const QModelIndex current = tree_->currentIndex();
  if (!current.isValid() || treeModel_->KindOf(current) != BrowserKeyTreeModel::Kind::Key) return std::nullopt;
  return treeModel_->RefOf(current);
}

bool BrowserWindow::SelectKey(std::int32_t key) {
  const QModelIndex index = treeModel_->IndexForKey(key);
  if (!index.isValid()) return false;
  tree_->scrollTo(index);  // expands the ancestors
  tree_->setCurrentIndex(index);
  return true;
}

bool BrowserWindow::SelectRecovered(std::size_t recovered) {
  const QModelIndex index = treeModel_->IndexForRecovered(recovered);
  if (!index.isValid()) return false;
  tree_->scrollTo(index);
  tree_->setCurrentIndex(index);
  return true;
}

void BrowserWindow::OnTreeCurrentChanged(const QModelIndex& current) {
  if (!doc_ || !current.isValid()) {
    valueModel_->Clear();
    hexView_->ClearSections();
    return;
  }
  switch (treeModel_->KindOf(current)) {
    case BrowserKeyTreeModel::Kind::Key:
      valueModel_->ShowKey(doc_.get(), treeModel_->RefOf(current));
      ShowKeyBytes(treeModel_->RefOf(current), std::nullopt);
      statusBar()->showMessage(KeyPathText(treeModel_->RefOf(current)));
      KeyShown(treeModel_->RefOf(current));
      historyPanel_->ShowKey(doc_->View().Path(treeModel_->RefOf(current)));
      break;
    case BrowserKeyTreeModel::Kind::Recovered:
      valueModel_->ShowRecovered(doc_.get(), static_cast<std::size_t>(treeModel_->RefOf(current)));
      ShowRecoveredBytes(static_cast<std::size_t>(treeModel_->RefOf(current)), std::nullopt);
      statusBar()->showMessage(RecoveredKeyPath(*doc_, static_cast<std::size_t>(treeModel_->RefOf(current))));
      historyPanel_->ShowKey(std::nullopt);
      break;
    default:
      statusBar()->clearMessage();
      valueModel_->Clear();
      hexView_->ClearSections();
      historyPanel_->ShowKey(std::nullopt);
      break;
  }
}

QString BrowserWindow::KeyPathText(std::int32_t key) const {
  return FromUtf8(doc_->RootKey()) + QLatin1Char('\\') + FromUtf8(WindowKeyPath(doc_->View(), key));
}

void BrowserWindow::ShowKeyBytes(std::int32_t key, std::optional<std::pair<std::int64_t, std::int64_t>> highlight) {
  hexView_->ShowSections(doc_->Image(), doc_->CodePage(), KeySections(*doc_, key), highlight);
}

void BrowserWindow::ShowRecoveredBytes(std::size_t recovered,
                                       std::optional<std::pair<std::int64_t, std::int64_t>> highlight) {
  const recover::RecoveredKey& rk = doc_->Recovery().keys[recovered];
  std::vector<BrowserHexView::Section> sections;
  if (rk.node)
    sections.push_back({QStringLiteral("Deleted key node at %1 (28 bytes)").arg(Hex8(rk.node->InFile().value)),
                        rk.node->InFile().value, 28});
  // The recovered record: its header and name, and every value that survived.
  const std::int64_t end = RecoveredEnd(rk);
  sections.push_back({QStringLiteral("Deleted data record at %1 (%2)")
                          .arg(Hex8(rk.offset.value), FromUtf8(std::string(recover::SourceName(rk.source)))),
                      rk.offset.value, end - rk.offset.value});
  hexView_->ShowSections(doc_->Image(), doc_->CodePage(), std::move(sections), highlight);
}

void BrowserWindow::OnValueCurrentChanged(const QModelIndex& current) {
  if (!doc_ || !current.isValid()) return;
  const BrowserValueTableModel::Row& row = valueModel_->RowAt(valueSort_->mapToSource(current).row());
  const std::pair<std::int64_t, std::int64_t> range{row.offset.value,
                                                    12 + static_cast<std::int64_t>(row.name.size() + row.data.size())};
  const QModelIndex key = tree_->currentIndex();
  if (treeModel_->KindOf(key) == BrowserKeyTreeModel::Kind::Key)
    ShowKeyBytes(treeModel_->RefOf(key), range);
  else if (treeModel_->KindOf(key) == BrowserKeyTreeModel::Kind::Recovered)
    ShowRecoveredBytes(static_cast<std::size_t>(treeModel_->RefOf(key)), range);
}

bool BrowserWindow::GoToOffset(std::int64_t offset) {
  if (!doc_) return false;
  const std::optional<StructureAtOffset> found = doc_->StructureAt(offset);
  if (!found) {
    ShowMessage(
        QStringLiteral("Offset %1 lies outside the file (%2 bytes)").arg(Hex8(offset)).arg(doc_->Image().size()));
    return false;
  }
  const std::pair<std::int64_t, std::int64_t> range{found->start, found->length};
  if (found->freeRecord) {
    ShowFreeRecord(offset, *found);
    return true;
  }
  if (found->key && SelectKey(*found->key)) {
    // Select the value's row too; that shows the key's bytes with the value highlighted.
    if (found->value) SelectValueIndex(*found->value);
    ShowKeyBytes(*found->key, range);
  } else {
    std::vector<BrowserHexView::Section> sections{
        {QStringLiteral("%1 at %2").arg(FromUtf8(found->what), Hex8(found->start)), found->start, found->length}};
    hexView_->ShowSections(doc_->Image(), doc_->CodePage(), std::move(sections), range);
  }
  statusBar()->showMessage(QStringLiteral("%1: %2 at %3").arg(Hex8(offset), FromUtf8(found->what), Hex8(found->start)),
                           8000);
  return true;
}

void BrowserWindow::ShowFreeRecord(std::int64_t offset, const StructureAtOffset& found) {
  const browse::FreeRecord& free = *found.freeRecord;
  QString text = QStringLiteral("%1: free record, block %2, size %3, at %4")
                     .arg(Hex8(offset))
                     .arg(free.block)
                     .arg(free.size)
                     .arg(Hex8(free.offset));
  if (found.recovered) {
    // The deleted key read there, selected as a click on it in the tree selects it.
    const std::size_t recovered = *found.recovered;
    if (!treeModel_->ShowRecovered()) SetShowRecovered(true);
    SelectRecovered(recovered);
    const recover::RecoveredKey& rk = doc_->Recovery().keys[recovered];
    text +=
        QStringLiteral("; deleted key %1 read at %2").arg(RecoveredKeyPath(*doc_, recovered), Hex8(rk.offset.value));
  }
  // The free record's own bytes (the view shows up to kMaxSectionBytes of them) in place of
  // what selecting the deleted key showed: the offset asked for lies in them.
  std::vector<BrowserHexView::Section> sections{
      {QStringLiteral("Free record at %1 (block %2, %3 bytes)").arg(Hex8(free.offset)).arg(free.block).arg(free.size),
       free.offset, found.length}};
  hexView_->ShowSections(doc_->Image(), doc_->CodePage(), std::move(sections), std::pair{free.offset, found.length});
  statusBar()->showMessage(text, 8000);
}

void BrowserWindow::GoToOffsetWithDialog() {
  if (!doc_) return;
  bool ok = false;
  const QString text = QInputDialog::getText(this, QStringLiteral("Go to Offset"),
                                             QStringLiteral("File offset (hexadecimal):"), QLineEdit::Normal, {}, &ok);
  if (!ok) return;
  QString digits = text.trimmed();
  if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) digits = digits.mid(2);
  bool parsed = false;
  const qlonglong offset = digits.toLongLong(&parsed, 16);
  if (!parsed) {
    ShowMessage(QStringLiteral("Not a hexadecimal offset: %1").arg(text));
    return;
  }
  GoToOffset(offset);
}

void BrowserWindow::StartSearch() {
  browse::FindQuery query;
  query.pattern = searchField_->text().toStdString();
  query.syntax = static_cast<browse::PatternSyntax>(syntaxBox_->currentData().toInt());
  query.caseSensitive = caseBox_->isChecked();
  QString error;
  searchProgress_->setValue(0);
  if (!search_->Start(doc_.get(), query, error)) {
    statusBar()->showMessage(error, 8000);
    return;
  }
  cancelButton_->setEnabled(true);
}

void BrowserWindow::OnSyntaxChanged() {
  const auto syntax = static_cast<browse::PatternSyntax>(syntaxBox_->currentData().toInt());
  caseBox_->setEnabled(syntax != browse::PatternSyntax::Bytes);
  searchField_->setPlaceholderText(syntax == browse::PatternSyntax::Bytes
                                       ? QStringLiteral("Bytes in value data: 4D 5A ?? 00")
                                       : QStringLiteral("Key names, value names, data"));
}

void BrowserWindow::OnHitActivated(const QModelIndex& index) {
  if (!index.isValid() || !doc_) return;
  const SearchHit hit = search_->Hits()->At(index.row());
  if (!SelectKey(hit.key)) return;
  if (!hit.value || !SelectValueIndex(*hit.value) || !hit.inside) return;
  // Selecting the value marked its whole entry; a hit inside its data marks just the bytes
  // found. The value's data is a span into the image, so its file offset is where it starts.
  const salvage::SalvagedValue& value = doc_->Hive().values[*hit.value];
  if (value.data.empty() || hit.inside->offset >= value.data.size()) return;
  const std::int64_t dataStart = value.data.data() - doc_->Image().data();
  const std::int64_t length =
      static_cast<std::int64_t>(std::min(hit.inside->length, value.data.size() - hit.inside->offset));
  const std::pair<std::int64_t, std::int64_t> found{dataStart + static_cast<std::int64_t>(hit.inside->offset), length};
  std::vector<BrowserHexView::Section> sections = KeySections(*doc_, hit.key);
  // The view shows the first kMaxSectionBytes of a record; a value of nearly 64 KB can hold a
  // hit past them, whose bytes are then shown as a section of their own (from where the
  // record's part ends, so no byte is shown twice).
  const BrowserHexView::Section& record = sections.back();
  const std::int64_t shownEnd = record.start + std::min(record.length, BrowserHexView::kMaxSectionBytes);
  if (record.length > 0 && found.first + found.second > shownEnd) {
    const std::int64_t from = std::max(shownEnd, (found.first - kHitContext) & ~std::int64_t{kHexRowBytes - 1});
    const std::int64_t to =
        std::min(dataStart + static_cast<std::int64_t>(value.data.size()), found.first + found.second + kHitContext);
    sections.push_back({QStringLiteral("Value data at %1, beyond the first %2 bytes of the record")
                            .arg(Hex8(from))
                            .arg(BrowserHexView::kMaxSectionBytes),
                        from, to - from});
  }
  hexView_->ShowSections(doc_->Image(), doc_->CodePage(), std::move(sections), found);
  statusBar()->showMessage(QStringLiteral("Found at %1 (+0x%2 in the data of the value), %3 byte(s)")
                               .arg(Hex8(found.first))
                               .arg(QString::number(static_cast<qulonglong>(hit.inside->offset), 16)
                                        .toUpper()
                                        .rightJustified(2, QLatin1Char('0')))
                               .arg(found.second),
                           8000);
}

bool BrowserWindow::SelectValueIndex(std::size_t value) {
  for (int row = 0; row < valueSort_->rowCount(); ++row) {
    const QModelIndex index = valueSort_->index(row, 0);
    if (valueModel_->RowAt(valueSort_->mapToSource(index).row()).valueIndex == value) {
      valueTable_->setCurrentIndex(index);
      return true;
    }
  }
  return false;
}

void BrowserWindow::OnProblemActivated(const QModelIndex& index) {
  if (!index.isValid() || !doc_) return;
  const auto finding = static_cast<std::size_t>(index.row());
  const std::int32_t key = doc_->FindingKey(finding);
  const std::int64_t offset = doc_->Hive().findings[finding].offset.value;
  if (key != browse::kTop && SelectKey(key)) {
    // The key's bytes, with the structure the finding names marked when it is one of them.
    const std::optional<StructureAtOffset> found = doc_->StructureAt(offset);
    ShowKeyBytes(key, found ? std::optional(std::pair{found->start, found->length}) : std::nullopt);
    return;
  }
  GoToOffset(offset);
}

void BrowserWindow::OnFactActivated(const QModelIndex& index) {
  if (!index.isValid() || !doc_) return;
  if (const std::optional<std::size_t> fact = factsModel_->FactOf(index)) SelectFact(*fact);
}

bool BrowserWindow::SelectFact(std::size_t fact) {
  if (!doc_ || fact >= doc_->Facts().facts.size()) return false;
  const facts::Fact& f = doc_->Facts().facts[fact];
  bool selected = false;
  if (f.key) {
    selected = SelectKey(*f.key);
  } else if (f.recoveredKey) {
    if (!treeModel_->ShowRecovered()) SetShowRecovered(true);
    selected = SelectRecovered(*f.recoveredKey);
  }
  if (!selected) return false;
  if (f.valueOffset) SelectValueAt(*f.valueOffset);
  statusBar()->showMessage(FromUtf8(doc_->RootKey()) + QLatin1Char('\\') + FromUtf8(f.keyPath), 8000);
  return true;
}

bool BrowserWindow::SelectValueAt(std::int64_t valueOffset) {
  for (int row = 0; row < valueSort_->rowCount(); ++row) {
    const QModelIndex index = valueSort_->index(row, 0);
    if (valueModel_->RowAt(valueSort_->mapToSource(index).row()).offset.value == valueOffset) {
      valueTable_->setCurrentIndex(index);
      return true;
    }
  }
  return false;
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
