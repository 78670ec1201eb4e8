// The browser's search: browse::FindAll (the same search as `quarvex-cli find`) on a worker
// thread, with progress, a cancel that takes effect at the next key, and the hits handed to
// the window's thread in batches, where BrowserSearchHits lists them.
//
// The document must stay as it is while a search runs: the window cancels and waits (Stop)
// before it opens another file, and the destructor does the same.
#pragma once

#include <QAbstractListModel>
#include <QObject>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "browse/find.h"

namespace quarvex::ui {

class BrowserDocument;

struct SearchHit {
  std::int32_t key = -1;                  // the key the hit is in
  std::optional<std::size_t> value;       // into hive.values, for a value hit
  QString text;                           // "Software\Vendor  Name = "data""
};

class BrowserSearchHits : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;
  void Clear();
  void Append(std::vector<SearchHit> hits);
  const SearchHit& At(int row) const { return hits_[static_cast<std::size_t>(row)]; }
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  std::vector<SearchHit> hits_;
};

class BrowserSearch : public QObject {
  Q_OBJECT

 public:
  explicit BrowserSearch(QObject* parent = nullptr);
  ~BrowserSearch() override;

  BrowserSearchHits* Hits() { return &hits_; }
  // Starts a search (stopping one that runs). False and a reason when the pattern is empty or
  // the regular expression does not compile.
  bool Start(const BrowserDocument* doc, const browse::FindQuery& query, QString& error);
  void Cancel();
  // Cancels and waits for the worker; the hits made so far stay.
  void Stop();
  bool Running() const { return thread_ != nullptr; }

 signals:
  void progress(int percent);
  // The worker has ended; every hit has reached the list.
  void finished(bool cancelled, int hits);

 private:
  void TakePending();
  void WorkerEnded();

  BrowserSearchHits hits_;
  QThread* thread_ = nullptr;
  std::atomic<bool> cancel_{false};
  bool cancelled_ = false;
  int generation_ = 0;
  std::mutex mutex_;
  std::vector<SearchHit> pending_;  // hits the worker made that the list has not taken yet
};

}  // namespace quarvex::ui
