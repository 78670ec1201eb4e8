// The browser's History dock: the selected key across the copies of the open hive (the live
// file, SYSTEM.DA0, SYSTEM.1ST, the RB00n.CAB backups, deleted copies), oldest first. For a hive
// opened from IMAGE::PATH the copies are those of that image; for a loose file, those in its
// folder and a SYSBCKUP folder there (image/hive_copies.h). One row per copy (its name, its
// date and how the date was read, and how the key stands there: present, added, removed,
// changed, absent; the copy the window shows marked "(open)"), and under it the key's values in each copy with what changed marked
// (timeline/key_story.h).
//
// The copies are found and read once per hive, on a worker thread, when the dock is first shown;
// selecting another key only looks the key up in the copies already read.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/hive_copies.h"
#include "text/codepage.h"

class QLabel;
class QTableWidget;
class QThread;
class QTreeWidget;

namespace quarvex::ui {

class BrowserDocument;

class BrowserHistoryPanel : public QWidget {
  Q_OBJECT

 public:
  enum CopyColumn { kCopy, kDate, kDatedBy, kKey, kCopyColumns };
  enum ValueColumn { kValue, kType, kData, kChange, kValueColumns };

  explicit BrowserHistoryPanel(QWidget* parent = nullptr);
  ~BrowserHistoryPanel() override;

  // The hive now open, by the address it was opened with (empty: none). Its copies are read when
  // the panel is shown (at once when it is visible already).
  void SetHive(const std::string& address, std::optional<text::CodePage> codePage);
  // The key selected (its path in UTF-8 from the hive's top, as browse::HiveView::Path gives
  // it), or none (a deleted key, a group row, nothing).
  void ShowKey(std::optional<std::string> path);
  // Whether the copies have been read (successfully or not) for the hive set last.
  bool CopiesRead() const { return read_; }
  std::size_t CopyCount() const { return copies_.size(); }

  QLabel* StatusLabel() const { return status_; }
  QTableWidget* CopyTable() const { return copyTable_; }
  QTreeWidget* ValueTree() const { return valueTree_; }

 signals:
  // The copies of the hive have been read; the rows show the key selected.
  void copiesRead();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct ReadResult;
  void StartReading();
  void ReadEnded(int generation);
  void Refresh();

  std::string address_;
  std::optional<text::CodePage> codePage_;
  std::optional<std::string> key_;
  bool read_ = false;
  QThread* reader_ = nullptr;
  int generation_ = 0;
  std::shared_ptr<ReadResult> result_;
  std::string note_;                                    // why there are no copies to show
  std::vector<image::HiveCopy> copies_;                 // oldest first
  std::vector<std::unique_ptr<BrowserDocument>> docs_;  // per copy; null: not readable
  QLabel* status_ = nullptr;
  QTableWidget* copyTable_ = nullptr;
  QTreeWidget* valueTree_ = nullptr;
};

}  // namespace quarvex::ui
