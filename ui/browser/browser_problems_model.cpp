#include "ui/browser/browser_problems_model.h"

#include <QApplication>
#include <QStyle>

#include "hive/finding.h"
#include "ui/browser/browser_document.h"

namespace quarvex::ui {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void BrowserProblemsModel::SetDocument(const BrowserDocument* doc) {
  beginResetModel();
  doc_ = doc;
  endResetModel();
}

int BrowserProblemsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !doc_ ? 0 : static_cast<int>(doc_->Hive().findings.size());
}

int BrowserProblemsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant BrowserProblemsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !doc_) return {};
  const hive::Finding& f = doc_->Hive().findings[static_cast<std::size_t>(index.row())];
  if (role == Qt::DecorationRole && index.column() == kSeverity) {
    const QStyle::StandardPixmap icon = f.severity == hive::Severity::Damage    ? QStyle::SP_MessageBoxCritical
                                        : f.severity == hive::Severity::Warning ? QStyle::SP_MessageBoxWarning
                                                                                : QStyle::SP_MessageBoxInformation;
    return QApplication::style()->standardIcon(icon);
  }
  if (role == Qt::ToolTipRole && index.column() == kMessage) return FromUtf8(f.Text());
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kSeverity:
      return FromUtf8(std::string(hive::SeverityName(f.severity)));
    case kOffset:
      return FromUtf8(hive::Hex32(static_cast<std::uint32_t>(f.offset.value)));
    case kStructure:
      return FromUtf8(hive::StructureLabel(f));
    case kField:
      return FromUtf8(f.field);
    case kMessage: {
      std::string message = f.field.empty() ? std::string() : f.field + " " + f.found;
      if (!f.expected.empty()) message += (message.empty() ? "" : ", ") + std::string("expected ") + f.expected;
      if (message.empty()) message = f.Text();
      if (!f.keyPath.empty()) message += " (key " + f.keyPath + ")";
      return FromUtf8(message);
    }
    default:
      return {};
  }
}

QVariant BrowserProblemsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kSeverity:
      return QStringLiteral("Severity");
    case kOffset:
      return QStringLiteral("Offset");
    case kStructure:
      return QStringLiteral("Structure");
    case kField:
      return QStringLiteral("Field");
    case kMessage:
      return QStringLiteral("Message");
    default:
      return {};
  }
}

}  // namespace quarvex::ui
