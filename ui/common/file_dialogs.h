// The open dialog OpenDialog1 and the save dialog SaveDialog1, set up as the window uses them.
#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;

namespace quarvex::ui {

// The filters as the dialogs list them. Each shows its classic name; the patterns behind it
// match letters in either case, as the file systems the hives come from do.
// The open dialog's third filter lists disk images and cabinet backups, whose hives are then
// offered in a list (hive_choice_dialog.h).
// The period filter lists only the names Windows gives its own hives; the second lists every
// file a registry file or its backup may be named by (CLASSES.DAT, a renamed copy such as
// me_USER.DAT, the backups USER.DA0 and SYSTEM.1ST, the cabinets of a registry backup).
QStringList OpenDialogFilters();
// "*.dat", "*.da?", "*.1st", "*.cab".
QStringList RegistryFilePatterns();
// "All registry files (...)" with those patterns in either letter case.
QString AllRegistryFilesFilter();
// The names a disk image or cabinet backup has: raw, split raw (first piece), E01, VMDK, VHD, CAB.
QStringList DiskImagePatterns();
QStringList SaveDialogFilters();

// Any name may be typed (the job checks that the file exists); the registry-file filter first.
void ConfigureOpenDialog(QFileDialog& dialog, const QString& fileName, const QString& initialDirectory);
// "REPORT.TXT" unless another name is given, extension "TXT" added to a name without one,
// and a question before an existing file is replaced. It opens in none of the avoided
// directories (where a save failed): the home directory instead.
void ConfigureSaveDialog(QFileDialog& dialog, const QString& fileName, const QString& initialDirectory,
                         const QStringList& avoided = {});

// A directory a dialog may open in: one that exists on a file system that stores files, not
// one of the kernel's views (/proc, /sys, /dev and their kind), whose files can block a
// reader for good. The dialogs open in the home directory instead.
bool IsOrdinaryDirectory(const QString& directory);

// name + "." + suffix when the file part of name has no extension.
QString WithDefaultSuffix(const QString& name, const QString& suffix);

}  // namespace quarvex::ui
