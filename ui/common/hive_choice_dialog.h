// The choice of a hive inside a disk image or cabinet backup, for both windows' open dialogs:
// when the file chosen there is an image or a cabinet, its registry files are listed (kind,
// size, dates and address, as `quarvex-cli hives --deleted` lists them) and the one chosen is
// opened by its address, IMAGE::PATH. What is listed and how it reads comes from image/; this
// dialog only shows it.
//
// A disk image's unallocated clusters are searched for registry files no directory entry names
// any more (carve/) while the list is shown: on a thread of its own, with its progress below
// the list, so that a large image keeps the window answering. What it finds is added to the
// list as it ends: whole carved hives ("carved", IMAGE::@0xOFFSET, opened like any hive) and
// fragments ("carved fragment", the same kind of address, with what they keep and lack),
// which the browser opens and the analyser does not (docs/DECISIONS.md).
#pragma once

#include <QDialog>
#include <QString>
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

#include "image/hive_source.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QThread;
class QTreeWidget;
class QTreeWidgetItem;

namespace quarvex::ui {

class HiveChoiceDialog : public QDialog {
  Q_OBJECT

 public:
  // The columns of the list.
  // kCarved: for a carved row, what was found ("whole: 9 data blocks"; a fragment's blocks and
  // what it lacks); empty for a file a directory names.
  enum Column { kKind, kSize, kCreated, kWritten, kAccessed, kAddress, kCarved, kColumns };
  // The kind column of the carver's rows.
  static constexpr const char* kCarvedKind = "carved";
  static constexpr const char* kFragmentKind = "carved fragment";

  // carve: search the image's unallocated clusters as the dialog is shown (a disk image only).
  HiveChoiceDialog(const QString& container, const image::HiveListing& listing, QWidget* parent = nullptr,
                   bool carve = false);
  ~HiveChoiceDialog() override;

  QTreeWidget* List() const { return list_; }
  QLabel* Summary() const { return summary_; }
  QPushButton* OpenButton() const { return open_; }
  QLabel* CarveStatus() const { return carveStatus_; }
  QProgressBar* CarveProgress() const { return carveProgress_; }
  // Whether the search of the unallocated clusters is still running.
  bool Carving() const { return carver_ != nullptr; }
  // CONTAINER::ADDRESS of the selected file, or empty when none is selected.
  QString ChosenAddress() const;
  // Whether the selected row is a carved fragment.
  bool ChosenIsFragment() const;

 signals:
  void carvingEnded();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct CarveRun;
  void StartCarving();
  void CarvingEnded();

  QString container_;
  QTreeWidget* list_ = nullptr;
  QLabel* summary_ = nullptr;
  QPushButton* open_ = nullptr;
  QLabel* carveStatus_ = nullptr;
  QProgressBar* carveProgress_ = nullptr;
  bool carve_ = false;
  QThread* carver_ = nullptr;
  std::shared_ptr<CarveRun> run_;
};

// The row the list selects at first (an index into listing.hives): the first live SYSTEM.DAT
// or USER.DAT in the listing's order, an allocated file of a file system, which is the hive
// Windows was using; not a copy in a backup cabinet nor a deleted file, which a user opens
// only on purpose. With none of those, the first row that can be opened and is not deleted;
// nullopt when there is none.
std::optional<std::size_t> PreselectedHive(const image::HiveListing& listing);

// Runs the dialog and returns its result: exec() unless a test drives it.
using HiveChoiceRunner = std::function<int(HiveChoiceDialog& dialog)>;

// What a window opens for the file chosen in its open dialog: that file itself when it is no
// image or cabinet (a loose hive, or anything else, which the reader then judges); for an
// image or cabinet the address of the hive chosen from its list, or an empty string when the
// list was cancelled. When the container cannot be read or holds no registry file, the empty
// string comes back with the reason in error. A disk image's list also holds what the carver
// finds in its unallocated clusters; a carved fragment chosen where fragments do not open
// (opensFragments false: the analyser) comes back as an empty string with the reason in error.
QString ChooseHiveIn(QWidget* parent, const QString& chosen, const HiveChoiceRunner& run, QString& error,
                     bool opensFragments = false);

}  // namespace quarvex::ui
