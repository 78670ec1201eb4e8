// The browser window's parts and menus, laid out once when it opens.
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
  // Above the tree, for a carved fragment only: what it is and what it lacks.
  carvedMark_ = new QLabel;
  carvedMark_->setObjectName(QStringLiteral("lbCarvedFragment"));
  carvedMark_->setTextFormat(Qt::PlainText);
  carvedMark_->setWordWrap(true);
  carvedMark_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  carvedMark_->setFrameShape(QFrame::StyledPanel);
  carvedMark_->setStyleSheet(QStringLiteral("QLabel { background: #fff4d6; color: #000; padding: 4px; }"));
  carvedMark_->setVisible(false);
  auto* central = new QWidget;
  auto* centralLayout = new QVBoxLayout(central);
  centralLayout->setContentsMargins(0, 0, 0, 0);
  centralLayout->addWidget(carvedMark_);
  centralLayout->addWidget(split, 1);
  setCentralWidget(central);

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
  // History dock, a tab beside the facts: the selected key through the hive's copies.
  historyPanel_ = new BrowserHistoryPanel;
  historyDock_ = new QDockWidget(QStringLiteral("History"), this);
  historyDock_->setObjectName(QStringLiteral("historyDock"));
  historyDock_->setWidget(historyPanel_);
  addDockWidget(Qt::BottomDockWidgetArea, historyDock_);
  tabifyDockWidget(factsDock_, historyDock_);
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
  QAction* exportKey =
      file->addAction(style->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("&Export Key as REGEDIT4…"),
                      this, &BrowserWindow::ExportSubtreeWithDialog);
  exportKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  QAction* saveData =
      file->addAction(QStringLiteral("&Save Value Data…"), this, &BrowserWindow::SaveValueDataWithDialog);
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
  QAction* copyKeyReg =
      edit->addAction(QStringLiteral("Copy Key as &REGEDIT4"), this, &BrowserWindow::CopyKeyAsRegedit4);
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
  QAction* find =
      edit->addAction(style->standardIcon(QStyle::SP_FileDialogContentsView), QStringLiteral("&Find…"), this, [this] {
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
  backAction_ =
      view->addAction(style->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("&Back"), this, &BrowserWindow::GoBack);
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
    if (messageHook_)
      messageHook_(text);
    else
      QMessageBox::information(this, QStringLiteral("Keyboard Shortcuts"), text);
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

}  // namespace quarvex::ui
