#include "ui/browser/browser_value_table_model.h"

#include "browse/value_text.h"
#include "ui/browser/browser_document.h"

namespace quarvex::ui {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

salvage::SalvagedValue AsValue(const BrowserValueTableModel::Row& row) {
  salvage::SalvagedValue v;
  v.offset = row.offset;
  v.type = row.type;
  v.name = row.name;
  v.data = row.data;
  v.cut = row.cut;
  return v;
}

}  // namespace

BrowserValueTableModel::BrowserValueTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void BrowserValueTableModel::Clear() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void BrowserValueTableModel::ShowKey(const BrowserDocument* doc, std::int32_t key) {
  beginResetModel();
  rows_.clear();
  if (doc) {
    codePage_ = doc->CodePage();
    for (const salvage::SalvagedValue& v : doc->View().Values(key))
      rows_.push_back({v.offset, v.type, v.name, v.data, v.cut, doc->View().ValueIndex(v)});
  }
  endResetModel();
}

void BrowserValueTableModel::ShowRecovered(const BrowserDocument* doc, std::size_t recovered) {
  beginResetModel();
  rows_.clear();
  if (doc && recovered < doc->Recovery().keys.size()) {
    codePage_ = doc->CodePage();
    for (const recover::RecoveredValue& v : doc->Recovery().keys[recovered].values)
      rows_.push_back({v.offset, v.type, v.name, v.data, v.partial, std::nullopt});
  }
  endResetModel();
}

QString BrowserValueTableModel::FullDataText(int row) const {
  return FromUtf8(browse::DataText(AsValue(RowAt(row)), codePage_));
}

int BrowserValueTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int BrowserValueTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant BrowserValueTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const Row& row = RowAt(index.row());
  const salvage::SalvagedValue value = AsValue(row);
  const bool unnamed = row.name.empty();
  if (role == kUnnamedRole) return unnamed;
  switch (index.column()) {
    case kName: {
      const QString name =
          unnamed ? QStringLiteral("(Default)") : FromUtf8(browse::EscapeControls(browse::ValueName(value, codePage_)));
      if (role == Qt::DisplayRole || role == kSortRole) return unnamed && role == kSortRole ? QString() : name;
      if (role == Qt::ToolTipRole && row.cut) return QStringLiteral("The value's name or data runs past its record");
      break;
    }
    case kType:
      if (role == Qt::DisplayRole) return FromUtf8(browse::TypeName(row.type));
      if (role == kSortRole) return row.type;
      break;
    case kSize:
      if (role == Qt::DisplayRole || role == kSortRole) return static_cast<qulonglong>(row.data.size());
      if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      break;
    case kData:
      if (role == Qt::DisplayRole || role == kSortRole) return FromUtf8(browse::DataText(value, codePage_, kDataShown));
      if (role == Qt::ToolTipRole) return FromUtf8(browse::DataText(value, codePage_, 2000));
      break;
    default:
      break;
  }
  return {};
}

QVariant BrowserValueTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kName:
      return QStringLiteral("Name");
    case kType:
      return QStringLiteral("Type");
    case kSize:
      return QStringLiteral("Size");
    case kData:
      return QStringLiteral("Data");
    default:
      return {};
  }
}

bool BrowserValueSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const bool leftUnnamed = left.sibling(left.row(), 0).data(BrowserValueTableModel::kUnnamedRole).toBool();
  const bool rightUnnamed = right.sibling(right.row(), 0).data(BrowserValueTableModel::kUnnamedRole).toBool();
  if (leftUnnamed != rightUnnamed) {
    // The unnamed value stays on top whichever way the column is sorted.
    const bool leftFirst = leftUnnamed;
    return sortOrder() == Qt::AscendingOrder ? leftFirst : !leftFirst;
  }
  const QVariant a = left.data(BrowserValueTableModel::kSortRole);
  const QVariant b = right.data(BrowserValueTableModel::kSortRole);
  if (a.typeId() == QMetaType::QString) return a.toString().compare(b.toString(), Qt::CaseInsensitive) < 0;
  return QVariant::compare(a, b) == QPartialOrdering::Less;
}

}  // namespace quarvex::ui
