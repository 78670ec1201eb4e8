// The browser's search: browse::FindAll (the same search as `quarvex-cli find`) on a worker
// thread, with progress, a cancel that takes effect at the next key, and the hits handed to
// the window's thread in batches, where BrowserSearchHits lists them as a table: key, value,
// type and the text that matched, with the hit's whole line as each row's tooltip.
//
// The window takes the worker's hits and progress on a timer (kTakeInterval), at most
// kMaxTake hits at a time, rather than each time the worker has a batch: with hundreds of
// thousands of hits, an insert and a progress repaint per batch of 500 each made the list
// lay out all of its rows again, and the window stalled for 150-250 ms at a time. On the
// timer it does one insert and one repaint per tick (and the window's table has rows of one
// fixed height, so that adding rows measures none of them).
//
// The document must stay as it is while a search runs: the window cancels and waits (Stop)
// before it opens another file, and the destructor does the same.
#pragma once

#include <QAbstractTableModel>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "browse/find.h"

namespace quarvex::ui {

class BrowserDocument;

struct SearchHit {
  // Bytes of a value's data: offset from the data's first byte, length in bytes.
  struct Span {
    std::size_t offset = 0;
    std::size_t length = 0;
  };
  std::int32_t key = -1;             // the key the hit is in
  std::optional<std::size_t> value;  // into hive.values, for a value hit
  // Where in the value's data the hit lies: a string found inside binary data, or the bytes a
  // byte pattern matched (browse::FindHit::inside).
  std::optional<Span> inside;
  QString keyPath;    // "Software\Vendor"
  QString valueName;  // "Name", "(Default)"; empty for a key hit
  QString type;       // "REG_SZ"; empty for a key hit
  // The value's data as the list shows it ("\"Quarvex\""), or for a hit inside the data where
  // it lies and what it is ("at +0x03, UTF-16: \"Microsoft Corporation\"").
  QString data;
  bool nameOnly = false;  // only the value's name matched

  // What matched: a key hit's name, the name of a value whose data did not match, else data.
  QString Matched() const;
  // The hit as one line: "Software\Vendor  Name = "Quarvex"", or for a hit inside the data
  // "Software\App  Flags  REG_BINARY at +0x03, UTF-16: "Microsoft Corporation"".
  QString Line() const;
};

class BrowserSearchHits : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kKey, kValue, kType, kMatched, kColumns };
  // Each row's whole line (SearchHit::Line), in every column.
  static constexpr int kLineRole = Qt::UserRole;

  using QAbstractTableModel::QAbstractTableModel;
  void Clear();
  void Append(std::vector<SearchHit> hits);
  const SearchHit& At(int row) const { return hits_[static_cast<std::size_t>(row)]; }
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  // A deque: a list of hundreds of thousands of hits grows without moving them all.
  std::deque<SearchHit> hits_;
};

class BrowserSearch : public QObject {
  Q_OBJECT

 public:
  static constexpr int kTakeInterval = 50;        // ms
  static constexpr std::size_t kMaxTake = 50000;  // hits the list takes per tick

  explicit BrowserSearch(QObject* parent = nullptr);
  ~BrowserSearch() override;

  BrowserSearchHits* Hits() { return &hits_; }
  // Starts a search (stopping one that runs). False and a reason when the pattern is empty or
  // not one of its kind (the reason browse::MakeMatcher gives, naming the fault).
  bool Start(const BrowserDocument* doc, const browse::FindQuery& query, QString& error);
  void Cancel();
  // Cancels and waits for the worker; the hits made so far stay.
  void Stop();
  // From Start until finished(): the worker runs, or the list has not taken all its hits yet.
  bool Running() const { return thread_ != nullptr; }

 signals:
  void progress(int percent);
  // The worker has ended; every hit has reached the list.
  void finished(bool cancelled, int hits);

 private:
  // Takes up to `most` pending hits into the list and reports progress; ends the search once
  // the worker has ended and nothing is left.
  void Take(std::size_t most);
  void WorkerEnded();
  void End();

  BrowserSearchHits hits_;
  QThread* thread_ = nullptr;
  bool workerEnded_ = false;
  QTimer taker_;
  std::atomic<bool> cancel_{false};
  std::atomic<int> percent_{0};  // the worker's progress
  int shownPercent_ = -1;
  int generation_ = 0;
  std::mutex mutex_;
  std::deque<SearchHit> pending_;  // hits the worker made that the list has not taken yet
};

}  // namespace quarvex::ui
