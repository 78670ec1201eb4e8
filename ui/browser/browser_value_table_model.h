// The selected key's values as a table: name, type, size and the data shortened, over the
// salvage reader's values of the key (or of a recovered key). BrowserValueSortModel sorts it
// by any column and keeps the unnamed value ("(Default)") first in either order.
#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <cstdint>
#include <optional>
#include <vector>

#include "hive/byte_cursor.h"
#include "hive/offsets.h"
#include "text/codepage.h"

namespace quarvex::ui {

class BrowserDocument;

class BrowserValueTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kName, kType, kSize, kData, kColumns };
  static constexpr int kSortRole = Qt::UserRole + 1;
  static constexpr int kUnnamedRole = Qt::UserRole + 2;
  // Characters of data shown in the table; the whole data is in the tooltip and copy.
  static constexpr std::size_t kDataShown = 80;

  // One value as the table shows it, from a live or a recovered key.
  struct Row {
    hive::FileOffset offset;  // of the value entry
    std::uint16_t type = 0;
    hive::Bytes name;
    hive::Bytes data;
    bool cut = false;
    std::optional<std::size_t> valueIndex;  // into hive.values, for a live key's value
  };

  explicit BrowserValueTableModel(QObject* parent = nullptr);

  void ShowKey(const BrowserDocument* doc, std::int32_t key);
  void ShowRecovered(const BrowserDocument* doc, std::size_t recovered);
  void Clear();
  const Row& RowAt(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  // The value's data as a person reads it, whole.
  QString FullDataText(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  text::CodePage codePage_ = text::CodePage::Cp932;
  std::vector<Row> rows_;
};

class BrowserValueSortModel : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

 protected:
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

}  // namespace quarvex::ui
