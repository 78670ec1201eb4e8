// The browser: a window of its own (the analyser window stays as it is) that shows what is
// in a hive. The key tree on the left (BrowserKeyTreeModel, lazy), the selected key's values
// (BrowserValueTableModel) and their bytes (BrowserHexView) on the right, a Search dock
// (BrowserSearch, off the window's thread), a Problems dock (the check's findings), a Facts
// dock (the facts report's places, each fact leading to its key and value) and a History dock
// (the selected key through the copies of the hive: BrowserHistoryPanel).
//
// A file is read and salvaged on a worker thread; the window stays live meanwhile and takes
// the finished document on its own thread. The file is opened read-only and never written.
// Geometry, dock layout and the recent files are kept with QSettings ("Quarvex", "Browser").
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "text/codepage.h"
#include "ui/browser/browser_bookmarks.h"
#include "ui/browser/browser_key_history.h"
#include "ui/common/hive_choice_dialog.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDockWidget;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;
class QThread;
class QTreeView;

namespace quarvex::ui {

class BrowserDocument;
class BrowserFactsModel;
class BrowserHistoryPanel;
class BrowserHexView;
class BrowserKeyPathBox;
class BrowserKeyTreeModel;
class BrowserProblemsModel;
class BrowserSearch;
class BrowserValueSortModel;
class BrowserValueTableModel;
struct StructureAtOffset;

class BrowserWindow : public QMainWindow {
  Q_OBJECT

 public:
  struct Settings {
    // The code page named by the user; nothing: each hive's own (detect/codepage_choice.h).
    std::optional<text::CodePage> codePage;
  };

  explicit BrowserWindow(Settings settings, QWidget* parent = nullptr);
  ~BrowserWindow() override;

  // Starts reading the file (or the hive at an IMAGE::PATH address); loaded() or loadFailed()
  // follows.
  void OpenFile(const QString& path);
  // A file the user chose (the open dialog, a drop, the command line): a disk image or cabinet
  // first offers its registry files in a list, and the one chosen is opened by its address.
  void OpenChosenFile(const QString& path);
  // Runs the list of an image's hives instead of its exec(), for tests: returns its result.
  void SetHiveChoiceHook(HiveChoiceRunner hook) { hiveChoiceHook_ = std::move(hook); }
  bool Loading() const { return loader_ != nullptr; }
  const BrowserDocument* Document() const { return doc_.get(); }

  // Runs instead of a file dialog, for tests: gets the dialog's title and suggested name,
  // returns the chosen file ("" cancels).
  using FileDialogHook = std::function<QString(const QString& title, const QString& suggested)>;
  void SetFileDialogHook(FileDialogHook hook) { fileDialogHook_ = std::move(hook); }
  using MessageHook = std::function<void(const QString& text)>;
  void SetMessageHook(MessageHook hook) { messageHook_ = std::move(hook); }

  // Selects a key in the tree (expanding its ancestors); false when there is no such key.
  bool SelectKey(std::int32_t key);
  bool SelectRecovered(std::size_t recovered);
  // Selects the key of a fact (an index into the document's facts) and its value, as activating
  // its row in the Facts dock does; a recovered key's fact shows the deleted keys first.
  bool SelectFact(std::size_t fact);
  // The key selected in the tree (Kind::Key rows), if any.
  std::optional<std::int32_t> SelectedKey() const;
  // Shows the structure that covers the file offset, selecting its key when it has one; in a
  // free record, the record ("free record, block N, size S, at 0x...") and the deleted key
  // recovery read there, selected.
  bool GoToOffset(std::int64_t offset);
  // Starts a search with the search field's text and the boxes' settings.
  void StartSearch();
  // Writes the selected key's subtree (nothing selected: the whole hive) as REGEDIT4.
  bool ExportSubtreeTo(const QString& path, QString& error);
  // Writes the selected value's data bytes as they are.
  bool SaveValueDataTo(const QString& path, QString& error);
  void SetShowRecovered(bool show);
  QStringList RecentFiles() const;

  QTreeView* Tree() const { return tree_; }
  BrowserKeyTreeModel* TreeModel() const { return treeModel_; }
  QTableView* ValueTable() const { return valueTable_; }
  BrowserValueTableModel* ValueModel() const { return valueModel_; }
  BrowserValueSortModel* ValueSortModel() const { return valueSort_; }
  BrowserHexView* HexView() const { return hexView_; }
  QLineEdit* SearchField() const { return searchField_; }
  // What the search field holds: "Text", "Regular expression" or "Hex bytes"; each item's data
  // is its browse::PatternSyntax as an int.
  QComboBox* SyntaxBox() const { return syntaxBox_; }
  QCheckBox* CaseBox() const { return caseBox_; }
  // The hits: key, value, type and matched text (BrowserSearchHits' columns).
  QTableView* HitTable() const { return hitTable_; }
  BrowserSearch* Search() const { return search_; }
  QProgressBar* SearchProgress() const { return searchProgress_; }
  QTableView* ProblemTable() const { return problemTable_; }
  QAction* ShowRecoveredAction() const { return showRecoveredAction_; }
  QTreeView* FactsView() const { return factsView_; }
  BrowserFactsModel* FactsModel() const { return factsModel_; }
  QDockWidget* FactsDock() const { return factsDock_; }
  // The selected key through the copies of the hive (a tab beside Facts).
  BrowserHistoryPanel* HistoryPanel() const { return historyPanel_; }
  QDockWidget* HistoryDock() const { return historyDock_; }
  // The "go to key" box in the tool bar, and Back and Forward through the keys visited.
  BrowserKeyPathBox* KeyPathBox() const { return keyPathBox_; }
  QAction* BackAction() const { return backAction_; }
  QAction* ForwardAction() const { return forwardAction_; }
  // Selects the key at the path (as the box takes it); false and a status message when there
  // is none.
  bool GoToKeyPath(const QString& path);
  // Writes what SaveFindingsWithDialog does to the file (through a temporary file beside it).
  bool SaveFindingsTo(const QString& path, QString& error);
  // Where the bookmarks are kept (tests name a scratch folder); empty: the program's data
  // folder (ui/browser/browser_bookmarks.h). Takes effect with the next file opened.
  void SetBookmarkDirectory(const QString& directory) { bookmarkStore_ = BookmarkStore(directory); }
  // The open hive's bookmarks, in the order they were made, and the menu that lists them.
  const std::vector<Bookmark>& Bookmarks() const { return bookmarks_; }
  QMenu* BookmarksMenu() const { return bookmarksMenu_; }
  // Selects the bookmarked key (a deleted one shown again if hidden); false when there is none.
  bool GoToBookmark(std::size_t index);

 public slots:
  void OpenWithDialog();
  void ExportSubtreeWithDialog();
  void SaveValueDataWithDialog();
  void CopyKeyPath();
  // The selected value's data as plain text (a text's characters, a list's strings one a line).
  void CopyValueData();
  // The selected value's data bytes as hex ("01 02 03").
  void CopyValueDataAsHex();
  void GoToOffsetWithDialog();
  // The findings selected in the Problems dock, one line each as check prints them (Ctrl+C
  // there).
  void CopySelectedFindings();
  // Every finding and the summary, as `quarvex-cli check FILE` prints them, to a text file.
  void SaveFindingsWithDialog();
  // Makes the next (previous) hit of the search current, going round at the end, and selects
  // its key and value as clicking it does.
  void FindNext();
  void FindPrevious();
  // The key shown before (after) the current one; Alt+Left, Alt+Right.
  void GoBack();
  void GoForward();
  // Puts the cursor in the "go to key" box (Ctrl+L).
  void FocusKeyPathBox();
  // Bookmarks the key selected in the tree, live or deleted (Ctrl+D), and forgets its bookmark.
  void BookmarkCurrentKey();
  void RemoveCurrentBookmark();
  // The selected key and its subtree as REGEDIT4 text on the clipboard: the lines Export Key as
  // REGEDIT4 writes.
  void CopyKeyAsRegedit4();

 signals:
  void loaded();
  void loadFailed(const QString& error);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildWindow();
  void BuildMenus();
  void AddProblemActions(QMenu& fileMenu);
  void LoadEnded(int generation);
  void TakeDocument(std::unique_ptr<BrowserDocument> doc);
  void OnTreeCurrentChanged(const QModelIndex& current);
  void OnValueCurrentChanged(const QModelIndex& current);
  void ShowKeyBytes(std::int32_t key, std::optional<std::pair<std::int64_t, std::int64_t>> highlight);
  void ShowRecoveredBytes(std::size_t recovered, std::optional<std::pair<std::int64_t, std::int64_t>> highlight);
  void ShowFreeRecord(std::int64_t offset, const StructureAtOffset& found);
  void OnHitActivated(const QModelIndex& index);
  void StepHits(bool forward);
  void StepHistory(std::optional<std::int32_t> key);
  // A live key the tree now shows: a step in the history, and the path box's text.
  void KeyShown(std::int32_t key);
  void UpdateHistoryActions();
  // The bookmark of what the tree has selected, if it can have one.
  std::optional<Bookmark> CurrentBookmark() const;
  void LoadBookmarks();
  void SaveBookmarks();
  void RefreshBookmarksMenu();
  // The key's path as the status line shows it: "HKEY_USERS\Software\Vendor".
  QString KeyPathText(std::int32_t key) const;
  void OnSyntaxChanged();
  // Makes the row of the selected key's value (an index into hive.values) current.
  bool SelectValueIndex(std::size_t value);
  void OnProblemActivated(const QModelIndex& index);
  void OnFactActivated(const QModelIndex& index);
  // Makes the row of the selected key's value at this file offset current.
  bool SelectValueAt(std::int64_t valueOffset);
  void AddRecentFile(const QString& path);
  void RefreshRecentMenu();
  void UpdateTitle();
  QString AskFileName(const QString& title, const QString& suggested, bool save);
  void ShowMessage(const QString& text);

  Settings settings_;
  std::unique_ptr<BrowserDocument> doc_;
  QThread* loader_ = nullptr;
  int loadGeneration_ = 0;
  QString loadingPath_;
  struct LoadResult;
  std::shared_ptr<LoadResult> loadResult_;
  FileDialogHook fileDialogHook_;
  HiveChoiceRunner hiveChoiceHook_;
  MessageHook messageHook_;

  QTreeView* tree_ = nullptr;
  BrowserKeyTreeModel* treeModel_ = nullptr;
  QTableView* valueTable_ = nullptr;
  BrowserValueTableModel* valueModel_ = nullptr;
  BrowserValueSortModel* valueSort_ = nullptr;
  BrowserHexView* hexView_ = nullptr;
  QLineEdit* searchField_ = nullptr;
  QComboBox* syntaxBox_ = nullptr;
  QCheckBox* caseBox_ = nullptr;
  QPushButton* searchButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QProgressBar* searchProgress_ = nullptr;
  QTableView* hitTable_ = nullptr;
  BrowserSearch* search_ = nullptr;
  QTableView* problemTable_ = nullptr;
  BrowserProblemsModel* problemsModel_ = nullptr;
  QTreeView* factsView_ = nullptr;
  BrowserFactsModel* factsModel_ = nullptr;
  QDockWidget* factsDock_ = nullptr;
  BrowserHistoryPanel* historyPanel_ = nullptr;
  QDockWidget* historyDock_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  QLabel* carvedMark_ = nullptr;  // a carved fragment's mark above the tree
  QMenu* recentMenu_ = nullptr;
  QAction* showRecoveredAction_ = nullptr;
  BrowserKeyPathBox* keyPathBox_ = nullptr;
  QAction* backAction_ = nullptr;
  QAction* forwardAction_ = nullptr;
  KeyHistory history_;
  BookmarkStore bookmarkStore_;
  std::optional<HiveIdentity> identity_;  // of the open hive, once it is known
  std::vector<Bookmark> bookmarks_;
  QMenu* bookmarksMenu_ = nullptr;
  QAction* bookmarkAction_ = nullptr;
  QAction* removeBookmarkAction_ = nullptr;
  bool navigating_ = false;  // Back or Forward selects a key: no new step
};

}  // namespace quarvex::ui
