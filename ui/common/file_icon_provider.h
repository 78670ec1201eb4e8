// Icons and type names for the file dialogs, chosen by name and file type alone. Qt's own
// provider asks the MIME database, which opens a file to look at its first bytes; a file
// whose read never returns (/proc/kmsg, a device) then stops the dialog for good. This one
// never opens, reads or waits on a file.
#pragma once

#include <QAbstractFileIconProvider>

namespace quarvex::ui {

class NameOnlyIconProvider : public QAbstractFileIconProvider {
 public:
  NameOnlyIconProvider();
  QIcon icon(IconType type) const override;
  QIcon icon(const QFileInfo& info) const override;
  QString type(const QFileInfo& info) const override;
};

// The one provider every file dialog of the window uses.
NameOnlyIconProvider* SharedIconProvider();

}  // namespace quarvex::ui
