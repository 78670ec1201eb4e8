// The browser's ways from key to key besides the tree: Back and Forward through the keys
// visited, the "go to key" box, and the search: started from its bar, then Find Next / Find
// Previous through its hits.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTreeView>

#include "ui/browser/browser_document.h"
#include "ui/browser/browser_hit_table.h"
#include "ui/browser/browser_key_path_box.h"
#include "ui/browser/browser_search.h"
#include "ui/browser/browser_window.h"

namespace quarvex::ui {

void BrowserWindow::FindNext() { StepHits(true); }

void BrowserWindow::FindPrevious() { StepHits(false); }

void BrowserWindow::StepHits(bool forward) {
  const std::optional<int> row = StepHit(hitTable_->currentIndex().row(), search_->Hits()->rowCount(), forward);
  if (!row) {
    statusBar()->showMessage(QStringLiteral("No hits: search first (Ctrl+F)"), 8000);
    return;
  }
  const QModelIndex index = search_->Hits()->index(*row, 0);
  hitTable_->setCurrentIndex(index);
  hitTable_->scrollTo(index);
  OnHitActivated(index);
}

void BrowserWindow::GoBack() { StepHistory(history_.Back()); }

void BrowserWindow::GoForward() { StepHistory(history_.Forward()); }

void BrowserWindow::StepHistory(std::optional<std::int32_t> key) {
  // A key the history holds is one of this document's: it was shown.
  if (key) {
    navigating_ = true;
    SelectKey(*key);
    navigating_ = false;
  }
  UpdateHistoryActions();
}

void BrowserWindow::KeyShown(std::int32_t key) {
  if (!navigating_) history_.Visit(key);
  UpdateHistoryActions();
  if (!keyPathBox_->hasFocus()) keyPathBox_->setText(KeyPathText(key));
}

void BrowserWindow::UpdateHistoryActions() {
  backAction_->setEnabled(history_.CanGoBack());
  forwardAction_->setEnabled(history_.CanGoForward());
}

bool BrowserWindow::GoToKeyPath(const QString& path) {
  if (!doc_) return false;
  const browse::Lookup found = doc_->View().Find(path.trimmed().toStdString());
  if (!found.key || *found.key == browse::kTop || !SelectKey(*found.key)) {
    statusBar()->showMessage(found.error.empty()
                                 ? QStringLiteral("No key %1").arg(path)
                                 : QStringLiteral("No such key: %1").arg(QString::fromStdString(found.error)),
                             8000);
    return false;
  }
  tree_->setFocus();
  keyPathBox_->setText(KeyPathText(*found.key));
  return true;
}

void BrowserWindow::FocusKeyPathBox() {
  keyPathBox_->setFocus();
  keyPathBox_->selectAll();
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

}  // namespace quarvex::ui
