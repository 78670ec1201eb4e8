#include "ui/browser_window.h"

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
#include "ui/backslash_fonts.h"
#include "ui/browser_copy_text.h"
#include "ui/browser_document.h"
#include "ui/browser_facts_model.h"
#include "ui/file_dialogs.h"
#include "ui/browser_hex_lines.h"
#include "ui/browser_help.h"
#include "ui/browser_hit_table.h"
#include "ui/browser_hex_view.h"
#include "ui/browser_key_path_box.h"
#include "ui/browser_key_tree_model.h"
#include "ui/browser_problems_model.h"
#include "ui/browser_search.h"
#include "ui/browser_subtree_export.h"
#include "ui/browser_value_table_model.h"

namespace quarvex::ui {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
std::string ToPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

constexpr int kRecentFiles = 8;
const char* const kRecentKey = "recentFiles";

QString Hex8(std::int64_t value) {
  return QStringLiteral("0x") + QString::number(static_cast<qulonglong>(value), 16).toUpper().rightJustified(8, QLatin1Char('0'));
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
  for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(tree_), static_cast<QAbstractItemView*>(valueTable_),
                                  static_cast<QAbstractItemView*>(hitTable_),
                                  static_cast<QAbstractItemView*>(problemTable_),
                                  static_cast<QAbstractItemView*>(factsView_)})
    if (view) view->setModel(nullptr);
}

void BrowserWindow::BuildWindow() {
  treeModel_ = new BrowserKeyTreeModel(this);
  tree_ = new QTreeView;
  tree_->setObjectName(QStringLiteral("keyTree"));
  tree_->setModel(treeModel_);
  tree_->setUniformRowHeights(true);
  tree_->setHeaderHidden(true);
  tree_->setContextMenuPolicy(Qt::ActionsContextMenu);

  valueModel_ = new BrowserValueTableModel(this);
  valueSort_ = new BrowserValueSortModel(this);
  valueSort_->setSourceModel(valueModel_);
  valueTable_ = new QTableView;
  valueTable_->setObjectName(QStringLiteral("valueTable"));
  valueTable_->setModel(valueSort_);
  valueTable_->setSortingEnabled(true);
  valueTable_->sortByColumn(BrowserValueTableModel::kName, Qt::AscendingOrder);
  valueTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
  valueTable_->setSelectionMode(QAbstractItemView::SingleSelection);
  valueTable_->verticalHeader()->hide();
  valueTable_->horizontalHeader()->setStretchLastSection(true);
  valueTable_->setWordWrap(false);
  valueTable_->setContextMenuPolicy(Qt::ActionsContextMenu);
  valueTable_->setColumnWidth(BrowserValueTableModel::kName, 200);
  valueTable_->setColumnWidth(BrowserValueTableModel::kType, 130);
  valueTable_->setColumnWidth(BrowserValueTableModel::kSize, 60);

  hexView_ = new BrowserHexView;
  hexView_->setObjectName(QStringLiteral("hexView"));

  auto* right = new QSplitter(Qt::Vertical);
  right->addWidget(valueTable_);
  right->addWidget(hexView_);
  right->setStretchFactor(0, 3);
  right->setStretchFactor(1, 2);
  auto* split = new QSplitter(Qt::Horizontal);
  split->setObjectName(QStringLiteral("mainSplitter"));
  split->addWidget(tree_);
  split->addWidget(right);
  split->setStretchFactor(0, 2);
  split->setStretchFactor(1, 3);
  setCentralWidget(split);

  // Search dock.
  search_ = new BrowserSearch(this);
  auto* searchPane = new QWidget;
  auto* searchLayout = new QVBoxLayout(searchPane);
  searchField_ = new QLineEdit;
  searchField_->setObjectName(QStringLiteral("searchField"));
  searchField_->setPlaceholderText(QStringLiteral("Key names, value names, data"));
  searchField_->setClearButtonEnabled(true);
  searchLayout->addWidget(searchField_);
  auto* boxes = new QHBoxLayout;
  // What the field holds. A byte pattern is matched against value data only, byte for byte,
  // so case means nothing to it.
  syntaxBox_ = new QComboBox;
  syntaxBox_->setObjectName(QStringLiteral("searchSyntax"));
  const struct {
    const char* name;
    browse::PatternSyntax syntax;
    const char* tip;
  } kinds[] = {
      {"Text", browse::PatternSyntax::Text, "Names and data that contain the text"},
      {"Regular expression", browse::PatternSyntax::Regex,
       "RE2 syntax, searched anywhere in a name or data (no backreferences, no lookaround)"},
      {"Hex bytes", browse::PatternSyntax::Bytes, "Bytes in value data, ?? for any byte: 4D 5A ?? 00"},
  };
  for (const auto& kind : kinds) {
    syntaxBox_->addItem(QString::fromUtf8(kind.name), static_cast<int>(kind.syntax));
    syntaxBox_->setItemData(syntaxBox_->count() - 1, QString::fromUtf8(kind.tip), Qt::ToolTipRole);
  }
  auto* syntaxLabel = new QLabel(QStringLiteral("&Pattern:"));
  syntaxLabel->setBuddy(syntaxBox_);
  caseBox_ = new QCheckBox(QStringLiteral("Match c&ase"));
  boxes->addWidget(syntaxLabel);
  boxes->addWidget(syntaxBox_);
  boxes->addWidget(caseBox_);
  boxes->addStretch();
  searchLayout->addLayout(boxes);
  auto* buttons = new QHBoxLayout;
  searchButton_ = new QPushButton(QStringLiteral("Search"));
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"));
  cancelButton_->setEnabled(false);
  searchProgress_ = new QProgressBar;
  searchProgress_->setRange(0, 100);
  searchProgress_->setValue(0);
  buttons->addWidget(searchButton_);
  buttons->addWidget(cancelButton_);
  buttons->addWidget(searchProgress_, 1);
  searchLayout->addLayout(buttons);
  hitTable_ = NewHitTable(search_->Hits());
  searchLayout->addWidget(hitTable_, 1);
  auto* searchDock = new QDockWidget(QStringLiteral("Search"), this);
  searchDock->setObjectName(QStringLiteral("searchDock"));
  searchDock->setWidget(searchPane);
  addDockWidget(Qt::RightDockWidgetArea, searchDock);

  // Problems dock.
  problemsModel_ = new BrowserProblemsModel(this);
  problemTable_ = new QTableView;
  problemTable_->setObjectName(QStringLiteral("problemTable"));
  problemTable_->setModel(problemsModel_);
  problemTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
  problemTable_->setSelectionMode(QAbstractItemView::ExtendedSelection);  // rows to copy
  problemTable_->setContextMenuPolicy(Qt::ActionsContextMenu);
  problemTable_->verticalHeader()->hide();
  problemTable_->horizontalHeader()->setStretchLastSection(true);
  problemTable_->setWordWrap(false);
  problemTable_->setColumnWidth(BrowserProblemsModel::kStructure, 220);
  auto* problemsDock = new QDockWidget(QStringLiteral("Problems"), this);
  problemsDock->setObjectName(QStringLiteral("problemsDock"));
  problemsDock->setWidget(problemTable_);
  addDockWidget(Qt::BottomDockWidgetArea, problemsDock);

  // Facts dock, a tab beside the problems.
  factsModel_ = new BrowserFactsModel(this);
  factsView_ = new QTreeView;
  factsView_->setObjectName(QStringLiteral("factsView"));
  factsView_->setModel(factsModel_);
  factsView_->setUniformRowHeights(true);
  factsView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  factsView_->setSelectionMode(QAbstractItemView::SingleSelection);
  factsView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  factsView_->setColumnWidth(BrowserFactsModel::kFact, 380);
  factsView_->setColumnWidth(BrowserFactsModel::kKey, 380);
  factsView_->setColumnWidth(BrowserFactsModel::kOrigin, 160);
  factsView_->setColumnWidth(BrowserFactsModel::kLinked, 220);
  factsDock_ = new QDockWidget(QStringLiteral("Facts"), this);
  factsDock_->setObjectName(QStringLiteral("factsDock"));
  factsDock_->setWidget(factsView_);
  addDockWidget(Qt::BottomDockWidgetArea, factsDock_);
  tabifyDockWidget(problemsDock, factsDock_);
  problemsDock->raise();

  statusLabel_ = new QLabel(QStringLiteral("Open a registry file (File → Open, or drop one here)"));
  statusLabel_->setObjectName(QStringLiteral("statusLabel"));
  statusBar()->addWidget(statusLabel_, 1);

  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { OnTreeCurrentChanged(current); });
  connect(valueTable_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { OnValueCurrentChanged(current); });
  connect(searchField_, &QLineEdit::returnPressed, this, &BrowserWindow::StartSearch);
  connect(syntaxBox_, &QComboBox::currentIndexChanged, this, &BrowserWindow::OnSyntaxChanged);
  connect(searchButton_, &QPushButton::clicked, this, &BrowserWindow::StartSearch);
  connect(cancelButton_, &QPushButton::clicked, search_, &BrowserSearch::Cancel);
  connect(search_, &BrowserSearch::progress, searchProgress_, &QProgressBar::setValue);
  connect(search_, &BrowserSearch::finished, this, [this](bool cancelled, int hits) {
    cancelButton_->setEnabled(false);
    searchProgress_->setValue(cancelled ? searchProgress_->value() : 100);
    statusBar()->showMessage(cancelled ? QStringLiteral("Search cancelled: %1 hit(s) so far").arg(hits)
                                       : QStringLiteral("%1 hit(s)").arg(hits),
                             8000);
  });
  connect(hitTable_, &QTableView::clicked, this, &BrowserWindow::OnHitActivated);
  connect(hitTable_, &QTableView::activated, this, &BrowserWindow::OnHitActivated);
  connect(problemTable_, &QTableView::clicked, this, &BrowserWindow::OnProblemActivated);
  connect(problemTable_, &QTableView::activated, this, &BrowserWindow::OnProblemActivated);
  connect(factsView_, &QTreeView::clicked, this, &BrowserWindow::OnFactActivated);
  connect(factsView_, &QTreeView::activated, this, &BrowserWindow::OnFactActivated);
}

void BrowserWindow::BuildMenus() {
  QStyle* style = QApplication::style();
  auto* file = menuBar()->addMenu(QStringLiteral("&File"));
  QAction* open = file->addAction(style->standardIcon(QStyle::SP_DialogOpenButton), QStringLiteral("&Open…"), this,
                                  &BrowserWindow::OpenWithDialog);
  open->setShortcut(QKeySequence::Open);
  recentMenu_ = file->addMenu(QStringLiteral("Open &Recent"));
  file->addSeparator();
  QAction* exportKey = file->addAction(style->standardIcon(QStyle::SP_DialogSaveButton),
                                       QStringLiteral("&Export Key as REGEDIT4…"), this,
                                       &BrowserWindow::ExportSubtreeWithDialog);
  exportKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  QAction* saveData = file->addAction(QStringLiteral("&Save Value Data…"), this, &BrowserWindow::SaveValueDataWithDialog);
  AddProblemActions(*file);
  file->addSeparator();
  QAction* close = file->addAction(QStringLiteral("&Close Window"), this, &QWidget::close);
  close->setShortcut(QKeySequence::Close);
  // Every window of the program: the analyser's own close waits for a running job.
  QAction* quit = file->addAction(QStringLiteral("&Quit"), this, [] { QApplication::closeAllWindows(); });
  quit->setObjectName(QStringLiteral("quitAction"));
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

  auto* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  QAction* copyPath = edit->addAction(QStringLiteral("Copy Key &Path"), this, &BrowserWindow::CopyKeyPath);
  copyPath->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  QAction* copyKeyReg = edit->addAction(QStringLiteral("Copy Key as &REGEDIT4"), this, &BrowserWindow::CopyKeyAsRegedit4);
  copyKeyReg->setObjectName(QStringLiteral("copyKeyRegedit4Action"));
  QAction* copyData = edit->addAction(QStringLiteral("Copy Value &Data"), this, &BrowserWindow::CopyValueData);
  copyData->setShortcut(QKeySequence::Copy);
  copyData->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  valueTable_->addAction(copyData);
  QAction* copyHex = edit->addAction(QStringLiteral("Copy Data as &Hex"), this, &BrowserWindow::CopyValueDataAsHex);
  copyHex->setObjectName(QStringLiteral("copyHexAction"));
  copyHex->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
  copyHex->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  valueTable_->addAction(copyHex);
  edit->addSeparator();
  QAction* find = edit->addAction(style->standardIcon(QStyle::SP_FileDialogContentsView), QStringLiteral("&Find…"),
                                  this, [this] {
                                    searchField_->parentWidget()->parentWidget()->show();
                                    searchField_->setFocus();
                                    searchField_->selectAll();
                                  });
  find->setShortcut(QKeySequence::Find);
  QAction* findNext = edit->addAction(QStringLiteral("Find &Next"), this, &BrowserWindow::FindNext);
  findNext->setObjectName(QStringLiteral("findNextAction"));
  findNext->setShortcut(QKeySequence(Qt::Key_F3));
  QAction* findPrevious = edit->addAction(QStringLiteral("Find Pre&vious"), this, &BrowserWindow::FindPrevious);
  findPrevious->setObjectName(QStringLiteral("findPreviousAction"));
  findPrevious->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));

  auto* view = menuBar()->addMenu(QStringLiteral("&View"));
  backAction_ = view->addAction(style->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("&Back"), this,
                                &BrowserWindow::GoBack);
  backAction_->setObjectName(QStringLiteral("backAction"));
  backAction_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  forwardAction_ = view->addAction(style->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("&Forward"), this,
                                   &BrowserWindow::GoForward);
  forwardAction_->setObjectName(QStringLiteral("forwardAction"));
  forwardAction_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
  UpdateHistoryActions();
  QAction* goToKey = view->addAction(QStringLiteral("Go to &Key…"), this, &BrowserWindow::FocusKeyPathBox);
  goToKey->setObjectName(QStringLiteral("goToKeyAction"));
  goToKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  showRecoveredAction_ = view->addAction(QStringLiteral("Show &Deleted Keys"));
  showRecoveredAction_->setCheckable(true);
  showRecoveredAction_->setChecked(true);
  showRecoveredAction_->setIcon(style->standardIcon(QStyle::SP_TrashIcon));
  connect(showRecoveredAction_, &QAction::toggled, this, &BrowserWindow::SetShowRecovered);
  QAction* goTo = view->addAction(style->standardIcon(QStyle::SP_ArrowRight), QStringLiteral("&Go to Offset…"), this,
                                  &BrowserWindow::GoToOffsetWithDialog);
  goTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  view->addSeparator();
  for (QDockWidget* dock : findChildren<QDockWidget*>()) view->addAction(dock->toggleViewAction());

  bookmarksMenu_ = menuBar()->addMenu(QStringLiteral("&Bookmarks"));
  bookmarksMenu_->setObjectName(QStringLiteral("bookmarksMenu"));
  bookmarkAction_ = new QAction(QStringLiteral("&Bookmark This Key"), this);
  bookmarkAction_->setObjectName(QStringLiteral("bookmarkAction"));
  bookmarkAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  connect(bookmarkAction_, &QAction::triggered, this, &BrowserWindow::BookmarkCurrentKey);
  removeBookmarkAction_ = new QAction(QStringLiteral("&Remove Bookmark of This Key"), this);
  removeBookmarkAction_->setObjectName(QStringLiteral("removeBookmarkAction"));
  connect(removeBookmarkAction_, &QAction::triggered, this, &BrowserWindow::RemoveCurrentBookmark);
  RefreshBookmarksMenu();
  AddHelpMenu(*this, [this](const QString& text) {
    if (messageHook_) messageHook_(text);
    else QMessageBox::information(this, QStringLiteral("Keyboard Shortcuts"), text);
  });

  tree_->addAction(copyPath);
  tree_->addAction(copyKeyReg);
  tree_->addAction(exportKey);
  tree_->addAction(bookmarkAction_);
  valueTable_->addAction(saveData);

  auto* tools = addToolBar(QStringLiteral("Main"));
  tools->setObjectName(QStringLiteral("mainToolBar"));
  tools->addAction(open);
  tools->addAction(exportKey);
  tools->addSeparator();
  tools->addAction(backAction_);
  tools->addAction(forwardAction_);
  keyPathBox_ = new BrowserKeyPathBox;
  keyPathBox_->setMinimumWidth(260);
  connect(keyPathBox_, &BrowserKeyPathBox::pathChosen, this, &BrowserWindow::GoToKeyPath);
  tools->addWidget(keyPathBox_);
  tools->addSeparator();
  tools->addAction(find);
  tools->addAction(goTo);
  tools->addAction(showRecoveredAction_);
  RefreshRecentMenu();
}

void BrowserWindow::UpdateTitle() {
  if (!Loading() && doc_) {
    setWindowTitle(FromUtf8(doc_->FileName()) + QStringLiteral(" — Quarvex"));
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
  // backslash (ui/backslash_fonts.h).
  setFont(BrowserFontFor(doc_->CodePage(), false));
  hexView_->setFont(BrowserFontFor(doc_->CodePage(), true));
  treeModel_->SetDocument(doc_.get());
  // The top level at once rather than when the view next lays itself out: whoever hears
  // loaded() finds the top keys there.
  if (treeModel_->canFetchMore({})) treeModel_->fetchMore({});
  problemsModel_->SetDocument(doc_.get());
  factsModel_->SetDocument(doc_.get());
  factsView_->expandAll();
  keyPathBox_->SetDocument(doc_.get());
  const salvage::SalvagedHive& hive = doc_->Hive();
  statusLabel_->setText(QStringLiteral("%1 · %2 deleted key(s) recovered · code page %3")
                            .arg(FromUtf8(salvage::SummaryText(hive)))
                            .arg(doc_->Recovery().keys.size())
                            .arg(FromUtf8(std::string(text::CodePageName(doc_->CodePage())))));
  // Where the code page came from, as the status bar's hint.
  statusLabel_->setToolTip(FromUtf8(detect::ChoiceText(doc_->CodePageChoice())));
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
      break;
    case BrowserKeyTreeModel::Kind::Recovered:
      valueModel_->ShowRecovered(doc_.get(), static_cast<std::size_t>(treeModel_->RefOf(current)));
      ShowRecoveredBytes(static_cast<std::size_t>(treeModel_->RefOf(current)), std::nullopt);
      statusBar()->showMessage(RecoveredKeyPath(*doc_, static_cast<std::size_t>(treeModel_->RefOf(current))));
      break;
    default:
      statusBar()->clearMessage();
      valueModel_->Clear();
      hexView_->ClearSections();
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
  if (rk.node) sections.push_back({QStringLiteral("Deleted key node at %1 (28 bytes)").arg(Hex8(rk.node->InFile().value)),
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
    ShowMessage(QStringLiteral("Offset %1 lies outside the file (%2 bytes)").arg(Hex8(offset)).arg(doc_->Image().size()));
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
    text += QStringLiteral("; deleted key %1 read at %2").arg(RecoveredKeyPath(*doc_, recovered), Hex8(rk.offset.value));
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
  const std::int64_t length = static_cast<std::int64_t>(std::min(hit.inside->length, value.data.size() - hit.inside->offset));
  const std::pair<std::int64_t, std::int64_t> found{dataStart + static_cast<std::int64_t>(hit.inside->offset), length};
  std::vector<BrowserHexView::Section> sections = KeySections(*doc_, hit.key);
  // The view shows the first kMaxSectionBytes of a record; a value of nearly 64 KB can hold a
  // hit past them, whose bytes are then shown as a section of their own (from where the
  // record's part ends, so no byte is shown twice).
  const BrowserHexView::Section& record = sections.back();
  const std::int64_t shownEnd = record.start + std::min(record.length, BrowserHexView::kMaxSectionBytes);
  if (record.length > 0 && found.first + found.second > shownEnd) {
    const std::int64_t from = std::max(shownEnd, (found.first - kHitContext) & ~std::int64_t{kHexRowBytes - 1});
    const std::int64_t to = std::min(dataStart + static_cast<std::int64_t>(value.data.size()), found.first + found.second + kHitContext);
    sections.push_back({QStringLiteral("Value data at %1, beyond the first %2 bytes of the record")
                            .arg(Hex8(from))
                            .arg(BrowserHexView::kMaxSectionBytes),
                        from, to - from});
  }
  hexView_->ShowSections(doc_->Image(), doc_->CodePage(), std::move(sections), found);
  statusBar()->showMessage(QStringLiteral("Found at %1 (+0x%2 in the data of the value), %3 byte(s)")
                               .arg(Hex8(found.first))
                               .arg(QString::number(static_cast<qulonglong>(hit.inside->offset), 16).toUpper().rightJustified(2, QLatin1Char('0')))
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

bool BrowserWindow::ExportSubtreeTo(const QString& path, QString& error) {
  if (!doc_) {
    error = QStringLiteral("No file is open");
    return false;
  }
  text::ReportLines lines;
  ExportSubtree(*doc_, SelectedKey().value_or(browse::kTop), lines);
  std::string why;
  if (!text::SaveReportLines(lines, ToPath(path), why)) {
    error = FromUtf8(why);
    return false;
  }
  return true;
}

bool BrowserWindow::SaveValueDataTo(const QString& path, QString& error) {
  const QModelIndex current = valueTable_->currentIndex();
  if (!doc_ || !current.isValid()) {
    error = QStringLiteral("No value is selected");
    return false;
  }
  const BrowserValueTableModel::Row& row = valueModel_->RowAt(valueSort_->mapToSource(current).row());
  // Through a temporary file renamed over the target once complete.
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly) ||
      out.write(reinterpret_cast<const char*>(row.data.data()), static_cast<qint64>(row.data.size())) !=
          static_cast<qint64>(row.data.size()) ||
      !out.commit()) {
    error = QStringLiteral("%1: %2").arg(path, out.errorString());
    return false;
  }
  return true;
}

void BrowserWindow::ExportSubtreeWithDialog() {
  if (!doc_) return;
  const std::optional<std::int32_t> key = SelectedKey();
  const QString suggested = (key ? FromUtf8(doc_->View().Name(*key)) : QFileInfo(loadingPath_).completeBaseName()) +
                            QStringLiteral(".reg");
  const QString path = AskFileName(QStringLiteral("Export Key as REGEDIT4"), suggested, true);
  if (path.isEmpty()) return;
  QString error;
  if (!ExportSubtreeTo(path, error)) ShowMessage(error);
  else statusBar()->showMessage(QStringLiteral("Exported to %1").arg(path), 8000);
}

void BrowserWindow::SaveValueDataWithDialog() {
  if (!doc_ || !valueTable_->currentIndex().isValid()) return;
  const QString path = AskFileName(QStringLiteral("Save Value Data"), QStringLiteral("value.bin"), true);
  if (path.isEmpty()) return;
  QString error;
  if (!SaveValueDataTo(path, error)) ShowMessage(error);
}

void BrowserWindow::CopyKeyPath() {
  if (!doc_) return;
  const QModelIndex current = tree_->currentIndex();
  if (current.isValid() && treeModel_->KindOf(current) == BrowserKeyTreeModel::Kind::Recovered) {
    QGuiApplication::clipboard()->setText(RecoveredKeyPath(*doc_, static_cast<std::size_t>(treeModel_->RefOf(current))));
    return;
  }
  const std::optional<std::int32_t> key = SelectedKey();
  if (!key) return;
  QGuiApplication::clipboard()->setText(FromUtf8(doc_->RootKey()) + QLatin1Char('\\') +
                                        FromUtf8(WindowKeyPath(doc_->View(), *key)));
}

void BrowserWindow::CopyKeyAsRegedit4() {
  if (!doc_) return;
  const QModelIndex current = tree_->currentIndex();
  if (current.isValid() && treeModel_->KindOf(current) == BrowserKeyTreeModel::Kind::Recovered) {
    // The export writes what the hive holds as keys; a deleted key's remains are no key of it.
    statusBar()->showMessage(QStringLiteral("A deleted key is not exported as REGEDIT4: select a live key"), 8000);
    return;
  }
  const std::optional<std::int32_t> key = SelectedKey();
  if (!key) {
    statusBar()->showMessage(QStringLiteral("Select a key to copy"), 8000);
    return;
  }
  QGuiApplication::clipboard()->setText(SubtreeRegedit4Text(*doc_, *key));
  statusBar()->showMessage(QStringLiteral("Copied %1 and its subkeys as REGEDIT4").arg(KeyPathText(*key)), 8000);
}

void BrowserWindow::CopyValueData() {
  const QModelIndex current = valueTable_->currentIndex();
  if (!doc_ || !current.isValid()) return;
  // The text itself, as it is pasted into another program: not the table's quoted form.
  const BrowserValueTableModel::Row& row = valueModel_->RowAt(valueSort_->mapToSource(current).row());
  QGuiApplication::clipboard()->setText(PlainDataText(row, doc_->CodePage()));
}

void BrowserWindow::CopyValueDataAsHex() {
  const QModelIndex current = valueTable_->currentIndex();
  if (!doc_ || !current.isValid()) return;
  QGuiApplication::clipboard()->setText(DataHexText(valueModel_->RowAt(valueSort_->mapToSource(current).row())));
}

void BrowserWindow::OpenWithDialog() {
  const QString path = AskFileName(QStringLiteral("Open Registry File"), {}, false);
  if (!path.isEmpty()) OpenChosenFile(path);
}

void BrowserWindow::OpenChosenFile(const QString& path) {
  if (path.isEmpty()) return;
  QString error;
  const QString hive = ChooseHiveIn(this, path, hiveChoiceHook_, error);
  if (!error.isEmpty()) ShowMessage(error);
  if (!hive.isEmpty()) OpenFile(hive);
}

QString BrowserWindow::AskFileName(const QString& title, const QString& suggested, bool save) {
  if (fileDialogHook_) return fileDialogHook_(title, suggested);
  const QString filter =
      save ? QString()
           : AllRegistryFilesFilter() + QStringLiteral(";;Disk images and backups (%1);;All files (*)")
                 .arg(DiskImagePatterns().join(QLatin1Char(' ')) + QLatin1Char(' ') + DiskImagePatterns().join(QLatin1Char(' ')).toUpper());
  return save ? QFileDialog::getSaveFileName(this, title, suggested)
              : QFileDialog::getOpenFileName(this, title, {}, filter);
}

void BrowserWindow::ShowMessage(const QString& text) {
  if (messageHook_) messageHook_(text);
  else QMessageBox::warning(this, QStringLiteral("Quarvex"), text);
}

QStringList BrowserWindow::RecentFiles() const {
  return QSettings(QStringLiteral("Quarvex"), QStringLiteral("Browser")).value(QLatin1String(kRecentKey)).toStringList();
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
  if (event->mimeData()->hasUrls() && !event->mimeData()->urls().isEmpty() && event->mimeData()->urls().front().isLocalFile())
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
