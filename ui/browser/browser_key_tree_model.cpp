#include "ui/browser/browser_key_tree_model.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QFont>
#include <QStyle>
#include <algorithm>

#include "browse/value_text.h"
#include "hive/finding.h"
#include "salvage/check_text.h"
#include "ui/browser/browser_copy_text.h"

namespace quarvex::ui {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Recovered keys are drawn in this colour wherever they show.
const QColor kRecoveredColour(0xA0, 0x20, 0x90);

}  // namespace

BrowserKeyTreeModel::BrowserKeyTreeModel(QObject* parent) : QAbstractItemModel(parent) {
  damagedIcon_ = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
  recoveredIcon_ = QApplication::style()->standardIcon(QStyle::SP_TrashIcon);
  Rebuild();
}

void BrowserKeyTreeModel::SetDocument(const BrowserDocument* doc) {
  beginResetModel();
  doc_ = doc;
  Rebuild();
  endResetModel();
}

void BrowserKeyTreeModel::SetShowRecovered(bool show) {
  if (show == showRecovered_) return;
  beginResetModel();
  showRecovered_ = show;
  Rebuild();
  endResetModel();
}

void BrowserKeyTreeModel::Rebuild() {
  nodes_.clear();
  nodes_.push_back(Node{Kind::Top, browse::kTop, -1, 0, {}});
}

std::size_t BrowserKeyTreeModel::TotalRows(int n) const {
  if (!doc_) return 0;
  const Node& node = nodes_[static_cast<std::size_t>(n)];
  switch (node.kind) {
    case Kind::Top:
    case Kind::Key: {
      std::size_t rows = doc_->View().Children(node.ref).size();
      if (showRecovered_) {
        rows += doc_->RecoveredUnder(node.ref).size();
        if (node.kind == Kind::Top && !doc_->RecoveredUnder(kUnknownParent).empty()) ++rows;
      }
      return rows;
    }
    case Kind::UnknownGroup:
      return doc_->RecoveredUnder(kUnknownParent).size();
    case Kind::Recovered:
      return 0;
  }
  return 0;
}

void BrowserKeyTreeModel::FetchUpTo(int n, std::size_t count) {
  const std::size_t total = TotalRows(n);
  const std::size_t made = nodes_[static_cast<std::size_t>(n)].children.size();
  count = std::min(count, total);
  if (count <= made) return;
  const QModelIndex parentIndex = IndexOfNode(n);
  beginInsertRows(parentIndex, static_cast<int>(made), static_cast<int>(count - 1));
  const Node copy{nodes_[static_cast<std::size_t>(n)].kind, nodes_[static_cast<std::size_t>(n)].ref, 0, 0, {}};
  std::span<const std::int32_t> live;
  const std::vector<std::size_t>* recovered = nullptr;
  if (copy.kind == Kind::UnknownGroup) {
    recovered = &doc_->RecoveredUnder(kUnknownParent);
  } else {
    live = doc_->View().Children(copy.ref);
    if (showRecovered_) recovered = &doc_->RecoveredUnder(copy.ref);
  }
  for (std::size_t row = made; row < count; ++row) {
    Node child;
    child.parent = n;
    child.row = static_cast<int>(row);
    if (row < live.size()) {
      child.kind = Kind::Key;
      child.ref = live[row];
    } else if (recovered && row - live.size() < recovered->size()) {
      child.kind = Kind::Recovered;
      child.ref = static_cast<std::int32_t>((*recovered)[row - live.size()]);
    } else {
      child.kind = Kind::UnknownGroup;
      child.ref = kUnknownParent;
    }
    nodes_.push_back(std::move(child));
    nodes_[static_cast<std::size_t>(n)].children.push_back(static_cast<int>(nodes_.size() - 1));
  }
  endInsertRows();
}

int BrowserKeyTreeModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<int>(index.internalId()) : 0;
}

QModelIndex BrowserKeyTreeModel::IndexOfNode(int n) const {
  if (n <= 0) return {};
  return createIndex(nodes_[static_cast<std::size_t>(n)].row, 0, static_cast<quintptr>(n));
}

QModelIndex BrowserKeyTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  const Node& node = nodes_[static_cast<std::size_t>(NodeOf(parent))];
  if (static_cast<std::size_t>(row) >= node.children.size()) return {};
  return createIndex(row, 0, static_cast<quintptr>(node.children[static_cast<std::size_t>(row)]));
}

QModelIndex BrowserKeyTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  return IndexOfNode(nodes_[static_cast<std::size_t>(NodeOf(child))].parent);
}

int BrowserKeyTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  return static_cast<int>(nodes_[static_cast<std::size_t>(NodeOf(parent))].children.size());
}

int BrowserKeyTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool BrowserKeyTreeModel::hasChildren(const QModelIndex& parent) const { return TotalRows(NodeOf(parent)) > 0; }

bool BrowserKeyTreeModel::canFetchMore(const QModelIndex& parent) const {
  const int n = NodeOf(parent);
  return nodes_[static_cast<std::size_t>(n)].children.size() < TotalRows(n);
}

void BrowserKeyTreeModel::fetchMore(const QModelIndex& parent) {
  const int n = NodeOf(parent);
  FetchUpTo(n, nodes_[static_cast<std::size_t>(n)].children.size() + kFetchBatch);
}

BrowserKeyTreeModel::Kind BrowserKeyTreeModel::KindOf(const QModelIndex& index) const {
  return nodes_[static_cast<std::size_t>(NodeOf(index))].kind;
}

std::int32_t BrowserKeyTreeModel::RefOf(const QModelIndex& index) const {
  return nodes_[static_cast<std::size_t>(NodeOf(index))].ref;
}

QModelIndex BrowserKeyTreeModel::IndexForKey(std::int32_t key) {
  if (!doc_ || key < 0 || static_cast<std::size_t>(key) >= doc_->Hive().keys.size()) return {};
  const browse::HiveView& view = doc_->View();
  std::vector<std::int32_t> chain;  // the key and its ancestors, nearest first
  for (std::int32_t k = key; k != browse::kTop; k = view.Parent(k)) chain.push_back(k);
  int node = 0;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const std::int32_t parentKey = nodes_[static_cast<std::size_t>(node)].ref;
    const std::span<const std::int32_t> children = view.Children(parentKey);
    const auto found = std::find(children.begin(), children.end(), *it);
    if (found == children.end()) return {};
    const auto row = static_cast<std::size_t>(found - children.begin());
    FetchUpTo(node, row + 1);
    node = nodes_[static_cast<std::size_t>(node)].children[row];
  }
  return IndexOfNode(node);
}

QModelIndex BrowserKeyTreeModel::IndexForRecovered(std::size_t recovered) {
  if (!doc_ || !showRecovered_ || recovered >= doc_->Recovery().keys.size()) return {};
  const std::int32_t parentKey = doc_->Placement(recovered).parent;
  int node = 0;
  std::size_t row = 0;
  if (parentKey == kUnknownParent) {
    FetchUpTo(0, TotalRows(0));
    node = nodes_[0].children.back();
  } else if (parentKey != browse::kTop) {
    const QModelIndex parentIndex = IndexForKey(parentKey);
    if (!parentIndex.isValid()) return {};
    node = NodeOf(parentIndex);
    row = doc_->View().Children(parentKey).size();
  } else {
    row = doc_->View().Children(browse::kTop).size();
  }
  const std::vector<std::size_t>& under = doc_->RecoveredUnder(parentKey);
  const auto found = std::find(under.begin(), under.end(), recovered);
  if (found == under.end()) return {};
  row += static_cast<std::size_t>(found - under.begin());
  FetchUpTo(node, row + 1);
  return IndexOfNode(nodes_[static_cast<std::size_t>(node)].children[row]);
}

QVariant BrowserKeyTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !doc_) return {};
  const Node& node = nodes_[static_cast<std::size_t>(NodeOf(index))];
  if (role == kKindRole) return static_cast<int>(node.kind);
  if (role == kRefRole) return node.ref;
  const browse::HiveView& view = doc_->View();
  switch (node.kind) {
    case Kind::Key:
      if (role == Qt::DisplayRole) return FromUtf8(browse::EscapeControls(WindowKeyName(view, node.ref)));
      // Marked: damage the listing shows, or any finding about the key (a wrong checksum ...).
      if (role == Qt::DecorationRole && (view.State(node.ref).Marked() || !view.Findings(node.ref).empty()))
        return damagedIcon_;
      if (role == Qt::ToolTipRole && (view.State(node.ref).Marked() || !view.Findings(node.ref).empty() ||
                                      !NamelessKeyNote(view, node.ref).isEmpty())) {
        QStringList lines;
        if (const QString note = NamelessKeyNote(view, node.ref); !note.isEmpty()) lines << note;
        const browse::KeyState state = view.State(node.ref);
        if (state.lost) lines << QStringLiteral("Lost: no link reaches this key node any more");
        if (state.unreadable) lines << QStringLiteral("Its data record is missing: no name, no values");
        if (state.valuesMissing) lines << QStringLiteral("Fewer values could be read than its record announces");
        if (state.valuesCut) lines << QStringLiteral("A value's name or data runs past its record");
        const auto findings = view.Findings(node.ref);
        for (std::size_t i = 0; i < findings.size() && i < 8; ++i)
          lines << FromUtf8(salvage::FindingLine(doc_->Hive().findings[static_cast<std::size_t>(findings[i])]));
        if (findings.size() > 8) lines << QStringLiteral("… and %1 more").arg(findings.size() - 8);
        return lines.join(QLatin1Char('\n'));
      }
      return {};
    case Kind::Recovered: {
      const recover::RecoveredKey& rk = doc_->Recovery().keys[static_cast<std::size_t>(node.ref)];
      // An older copy of a live key (Windows rewrites a record elsewhere when it grows) is no
      // deleted key: it is named as what it is, so that it is not read as a deletion.
      if (role == Qt::DisplayRole)
        return QStringLiteral("%1  (%2, %3)")
            .arg(FromUtf8(browse::EscapeControls(doc_->Placement(static_cast<std::size_t>(node.ref)).label)),
                 rk.IdenticalCopy() ? QStringLiteral("older copy, identical")
                 : rk.olderCopy     ? QStringLiteral("older copy")
                                    : QStringLiteral("deleted"),
                 FromUtf8(std::string(recover::ConfidenceName(rk.confidence))));
      if (role == Qt::ForegroundRole) return QBrush(kRecoveredColour);
      if (role == Qt::DecorationRole) return recoveredIcon_;
      if (role == Qt::ToolTipRole) {
        QStringList lines;
        lines << (rk.olderCopy ? QStringLiteral("Older copy of a live key, recovered with %1 confidence (%2 at 0x%3)")
                               : QStringLiteral("Deleted key, recovered with %1 confidence (%2 at 0x%3)"))
                     .arg(FromUtf8(std::string(recover::ConfidenceName(rk.confidence))),
                          FromUtf8(std::string(recover::SourceName(rk.source))))
                     .arg(static_cast<qulonglong>(rk.offset.value), 8, 16, QLatin1Char('0'));
        for (const std::string& reason : rk.reasons) lines << FromUtf8(reason);
        return lines.join(QLatin1Char('\n'));
      }
      return {};
    }
    case Kind::UnknownGroup:
      if (role == Qt::DisplayRole) return QStringLiteral("(unknown parent)");
      if (role == Qt::ForegroundRole) return QBrush(kRecoveredColour);
      if (role == Qt::FontRole) {
        QFont font;
        font.setItalic(true);
        return font;
      }
      if (role == Qt::ToolTipRole) return QStringLiteral("Deleted keys whose parent could not be found");
      return {};
    case Kind::Top:
      return {};
  }
  return {};
}

QVariant BrowserKeyTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) return QStringLiteral("Key");
  return {};
}

}  // namespace quarvex::ui
