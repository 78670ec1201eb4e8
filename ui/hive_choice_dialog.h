// The choice of a hive inside a disk image or cabinet backup, for both windows' open dialogs:
// when the file chosen there is an image or a cabinet, its registry files are listed (kind,
// size, dates and address, as `quarvex-cli hives --deleted` lists them) and the one chosen is
// opened by its address, IMAGE::PATH. What is listed and how it reads comes from image/; this
// dialog only shows it.
#pragma once

#include <QDialog>
#include <QString>
#include <cstddef>
#include <functional>
#include <optional>

#include "image/hive_source.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace quarvex::ui {

class HiveChoiceDialog : public QDialog {
  Q_OBJECT

 public:
  // The columns of the list.
  enum Column { kKind, kSize, kCreated, kWritten, kAccessed, kAddress, kColumns };

  HiveChoiceDialog(const QString& container, const image::HiveListing& listing, QWidget* parent = nullptr);

  QTreeWidget* List() const { return list_; }
  QLabel* Summary() const { return summary_; }
  QPushButton* OpenButton() const { return open_; }
  // CONTAINER::ADDRESS of the selected file, or empty when none is selected.
  QString ChosenAddress() const;

 private:
  QString container_;
  QTreeWidget* list_ = nullptr;
  QLabel* summary_ = nullptr;
  QPushButton* open_ = nullptr;
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
// string comes back with the reason in error.
QString ChooseHiveIn(QWidget* parent, const QString& chosen, const HiveChoiceRunner& run, QString& error);

}  // namespace quarvex::ui
