// What the browser writes out: a subtree as REGEDIT4, a value's data, and the copies to the
// clipboard (a key's path, a key as REGEDIT4, a value's data as text or hex).
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

}  // namespace

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
  const QString suggested =
      (key ? FromUtf8(doc_->View().Name(*key)) : QFileInfo(loadingPath_).completeBaseName()) + QStringLiteral(".reg");
  const QString path = AskFileName(QStringLiteral("Export Key as REGEDIT4"), suggested, true);
  if (path.isEmpty()) return;
  QString error;
  if (!ExportSubtreeTo(path, error))
    ShowMessage(error);
  else
    statusBar()->showMessage(QStringLiteral("Exported to %1").arg(path), 8000);
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
    QGuiApplication::clipboard()->setText(
        RecoveredKeyPath(*doc_, static_cast<std::size_t>(treeModel_->RefOf(current))));
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

}  // namespace quarvex::ui
