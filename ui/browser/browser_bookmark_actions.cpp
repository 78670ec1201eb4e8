// The browser's Bookmarks menu: the selected key bookmarked (Ctrl+D) and its bookmark removed,
// then one item per bookmark, which selects its key. The list is saved at each change and
// restored when the same hive is opened again (ui/browser/browser_bookmarks.h).
#include <QAction>
#include <QMenu>
#include <QStatusBar>
#include <QTreeView>
#include <algorithm>

#include "ui/browser/browser_copy_text.h"
#include "ui/browser/browser_document.h"
#include "ui/browser/browser_key_tree_model.h"
#include "ui/browser/browser_window.h"

namespace quarvex::ui {

std::optional<Bookmark> BrowserWindow::CurrentBookmark() const {
  if (!doc_) return std::nullopt;
  const QModelIndex current = tree_->currentIndex();
  if (!current.isValid()) return std::nullopt;
  const std::int32_t ref = treeModel_->RefOf(current);
  switch (treeModel_->KindOf(current)) {
    case BrowserKeyTreeModel::Kind::Key:
      return Bookmark{Bookmark::Kind::Key, doc_->Hive().keys[static_cast<std::size_t>(ref)].node.InFile().value,
                      KeyPathText(ref)};
    case BrowserKeyTreeModel::Kind::Recovered:
      // A deleted key is known again by where recovery read its record.
      return Bookmark{Bookmark::Kind::Deleted, doc_->Recovery().keys[static_cast<std::size_t>(ref)].offset.value,
                      RecoveredKeyPath(*doc_, static_cast<std::size_t>(ref))};
    default:
      return std::nullopt;
  }
}

void BrowserWindow::BookmarkCurrentKey() {
  const std::optional<Bookmark> bookmark = CurrentBookmark();
  if (!bookmark || !identity_) {
    statusBar()->showMessage(QStringLiteral("Select a key to bookmark"), 8000);
    return;
  }
  if (std::find(bookmarks_.begin(), bookmarks_.end(), *bookmark) != bookmarks_.end()) {
    statusBar()->showMessage(QStringLiteral("%1 is bookmarked already").arg(bookmark->label), 8000);
    return;
  }
  if (static_cast<int>(bookmarks_.size()) >= BookmarkStore::kMaxBookmarks) {
    ShowMessage(QStringLiteral("This hive has %1 bookmarks, as many as it can keep: remove one first")
                    .arg(BookmarkStore::kMaxBookmarks));
    return;
  }
  bookmarks_.push_back(*bookmark);
  SaveBookmarks();
  RefreshBookmarksMenu();
  statusBar()->showMessage(QStringLiteral("Bookmarked %1").arg(bookmark->label), 8000);
}

void BrowserWindow::RemoveCurrentBookmark() {
  const std::optional<Bookmark> bookmark = CurrentBookmark();
  const auto found = bookmark ? std::find(bookmarks_.begin(), bookmarks_.end(), *bookmark) : bookmarks_.end();
  if (found == bookmarks_.end()) {
    statusBar()->showMessage(QStringLiteral("The selected key has no bookmark"), 8000);
    return;
  }
  bookmarks_.erase(found);
  SaveBookmarks();
  RefreshBookmarksMenu();
  statusBar()->showMessage(QStringLiteral("Bookmark of %1 removed").arg(bookmark->label), 8000);
}

bool BrowserWindow::GoToBookmark(std::size_t index) {
  if (!doc_ || index >= bookmarks_.size()) return false;
  const Bookmark& b = bookmarks_[index];
  bool selected = false;
  if (b.kind == Bookmark::Kind::Key) {
    if (const std::optional<std::int32_t> key = doc_->KeyAtNode(b.offset)) selected = SelectKey(*key);
  } else if (const std::optional<std::size_t> recovered = doc_->RecoveredAt(b.offset)) {
    if (!treeModel_->ShowRecovered()) SetShowRecovered(true);
    selected = SelectRecovered(*recovered);
  }
  if (selected)
    tree_->setFocus();
  else
    statusBar()->showMessage(QStringLiteral("%1 is not in this file").arg(b.label), 8000);
  return selected;
}

void BrowserWindow::LoadBookmarks() {
  bookmarks_.clear();
  if (doc_ && identity_) {
    QString error;
    std::vector<Bookmark> stored = bookmarkStore_.Load(*identity_, error);
    if (!error.isEmpty()) statusBar()->showMessage(error, 8000);
    // The same bytes give the same keys; a bookmark that names none was not written by this
    // program for this hive, and is dropped.
    for (Bookmark& b : stored) {
      const bool there = b.kind == Bookmark::Kind::Key ? doc_->KeyAtNode(b.offset).has_value()
                                                       : doc_->RecoveredAt(b.offset).has_value();
      if (there) bookmarks_.push_back(std::move(b));
    }
  }
  RefreshBookmarksMenu();
}

void BrowserWindow::SaveBookmarks() {
  if (!identity_) return;
  QString error;
  if (!bookmarkStore_.Save(*identity_, bookmarks_, error))
    ShowMessage(QStringLiteral("Bookmarks not saved: %1").arg(error));
}

void BrowserWindow::RefreshBookmarksMenu() {
  if (!bookmarksMenu_) return;
  bookmarksMenu_->clear();
  bookmarksMenu_->addAction(bookmarkAction_);
  bookmarksMenu_->addAction(removeBookmarkAction_);
  bookmarkAction_->setEnabled(doc_ != nullptr);
  removeBookmarkAction_->setEnabled(!bookmarks_.empty());
  if (bookmarks_.empty()) return;
  bookmarksMenu_->addSeparator();
  for (std::size_t i = 0; i < bookmarks_.size(); ++i) {
    QString text = bookmarks_[i].label;
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    if (bookmarks_[i].kind == Bookmark::Kind::Deleted) text += QStringLiteral(" (deleted)");
    QAction* go = bookmarksMenu_->addAction(text, this, [this, i] { GoToBookmark(i); });
    go->setObjectName(QStringLiteral("bookmark%1").arg(i));
  }
}

}  // namespace quarvex::ui
