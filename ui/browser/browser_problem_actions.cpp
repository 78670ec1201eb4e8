// The Problems dock's own commands: copy the selected findings, save them all as text.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QMenu>
#include <QStatusBar>
#include <QTableView>
#include <algorithm>

#include "ui/browser/browser_document.h"
#include "ui/browser/browser_problem_text.h"
#include "ui/browser/browser_window.h"

namespace quarvex::ui {

void BrowserWindow::AddProblemActions(QMenu& fileMenu) {
  QAction* copy = new QAction(QStringLiteral("&Copy Selected Findings"), problemTable_);
  copy->setObjectName(QStringLiteral("copyFindingsAction"));
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(copy, &QAction::triggered, this, &BrowserWindow::CopySelectedFindings);
  problemTable_->addAction(copy);
  QAction* save = fileMenu.addAction(QStringLiteral("Save &Findings…"), this, &BrowserWindow::SaveFindingsWithDialog);
  save->setObjectName(QStringLiteral("saveFindingsAction"));
  problemTable_->addAction(save);
}

void BrowserWindow::CopySelectedFindings() {
  if (!doc_) return;
  std::vector<int> rows;
  for (const QModelIndex& row : problemTable_->selectionModel()->selectedRows()) rows.push_back(row.row());
  if (rows.empty() && problemTable_->currentIndex().isValid()) rows.push_back(problemTable_->currentIndex().row());
  if (rows.empty()) return;
  std::sort(rows.begin(), rows.end());  // in the table's order, however they were picked
  QGuiApplication::clipboard()->setText(FindingRowsText(*doc_, rows));
  statusBar()->showMessage(QStringLiteral("Copied %1 finding(s)").arg(rows.size()), 8000);
}

bool BrowserWindow::SaveFindingsTo(const QString& path, QString& error) {
  if (!doc_) {
    error = QStringLiteral("No file is open");
    return false;
  }
  return SaveTextFile(path, CheckReportText(*doc_), error);
}

void BrowserWindow::SaveFindingsWithDialog() {
  if (!doc_) return;
  const QString suggested = QString::fromStdString(doc_->FileName()) + QStringLiteral(".check.txt");
  const QString path = AskFileName(QStringLiteral("Save Findings"), suggested, true);
  if (path.isEmpty()) return;
  QString error;
  if (!SaveFindingsTo(path, error))
    ShowMessage(error);
  else
    statusBar()->showMessage(QStringLiteral("Findings saved to %1").arg(path), 8000);
}

}  // namespace quarvex::ui
