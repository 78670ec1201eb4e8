// The browser's key tree as a lazy item model over a BrowserDocument.
//
// Rows are made only when a key is expanded, and then in batches of kFetchBatch
// (canFetchMore/fetchMore), so a key with tens of thousands of subkeys, or a hive of a
// hundred thousand keys, costs no more than what the view shows. Under a key come its live
// subkeys in file order, then the recovered (deleted) keys placed under it; at the top level
// a last "(unknown parent)" row holds the recovered keys no live ancestor was found for.
// Recovered rows can be hidden (a model reset; the document stays).
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <cstdint>
#include <optional>
#include <vector>

#include "ui/browser/browser_document.h"

namespace quarvex::ui {

class BrowserKeyTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  static constexpr int kFetchBatch = 2000;
  enum class Kind { Top, Key, Recovered, UnknownGroup };
  // A row's role data: the key index (Kind::Key) or the recovered key's index.
  static constexpr int kKindRole = Qt::UserRole + 1;
  static constexpr int kRefRole = Qt::UserRole + 2;

  explicit BrowserKeyTreeModel(QObject* parent = nullptr);

  // doc may be null (nothing open); it must outlive its use here.
  void SetDocument(const BrowserDocument* doc);
  void SetShowRecovered(bool show);
  bool ShowRecovered() const { return showRecovered_; }

  Kind KindOf(const QModelIndex& index) const;
  // The key index of a Kind::Key row, of a recovered row the recovered key's index.
  std::int32_t RefOf(const QModelIndex& index) const;
  // The row of a live key (fetching the rows on the way as needed); invalid when unknown.
  QModelIndex IndexForKey(std::int32_t key);
  QModelIndex IndexForRecovered(std::size_t recovered);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

 private:
  struct Node {
    Kind kind = Kind::Top;
    std::int32_t ref = 0;
    int parent = -1;  // node number
    int row = 0;
    std::vector<int> children;  // node numbers of the rows made so far
  };
  int NodeOf(const QModelIndex& index) const;
  QModelIndex IndexOfNode(int node) const;
  // How many rows the node has in all (made or not).
  std::size_t TotalRows(int node) const;
  // Makes rows of node up to (at least) count.
  void FetchUpTo(int node, std::size_t count);
  void Rebuild();

  const BrowserDocument* doc_ = nullptr;
  bool showRecovered_ = true;
  std::vector<Node> nodes_;  // node 0 is the invisible top
  QIcon damagedIcon_;
  QIcon recoveredIcon_;
};

}  // namespace quarvex::ui
