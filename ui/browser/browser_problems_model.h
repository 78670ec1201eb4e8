// The check's findings (the salvage reader's, as `quarvex-cli check` lists them) as a table
// for the browser's Problems dock: severity, offset, structure, field and the message.
#pragma once

#include <QAbstractTableModel>

namespace quarvex::ui {

class BrowserDocument;

class BrowserProblemsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kSeverity, kOffset, kStructure, kField, kMessage, kColumns };
  using QAbstractTableModel::QAbstractTableModel;

  void SetDocument(const BrowserDocument* doc);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  const BrowserDocument* doc_ = nullptr;
};

}  // namespace quarvex::ui
