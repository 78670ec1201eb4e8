#include "ui/common/file_icon_provider.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

namespace quarvex::ui {

NameOnlyIconProvider::NameOnlyIconProvider() { setOptions(DontUseCustomDirectoryIcons); }

QIcon NameOnlyIconProvider::icon(IconType type) const {
  QStyle* style = QApplication::style();
  if (!style) return {};
  switch (type) {
    case Computer:
      return style->standardIcon(QStyle::SP_ComputerIcon);
    case Desktop:
      return style->standardIcon(QStyle::SP_DesktopIcon);
    case Trashcan:
      return style->standardIcon(QStyle::SP_TrashIcon);
    case Network:
      return style->standardIcon(QStyle::SP_DriveNetIcon);
    case Drive:
      return style->standardIcon(QStyle::SP_DriveHDIcon);
    case Folder:
      return style->standardIcon(QStyle::SP_DirIcon);
    case File:
      return style->standardIcon(QStyle::SP_FileIcon);
  }
  return {};
}

// QFileInfo answers these from the directory listing's stat, which never blocks on contents.
QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const {
  if (info.isRoot()) return icon(Drive);
  if (info.isDir()) return icon(Folder);
  return icon(File);
}

QString NameOnlyIconProvider::type(const QFileInfo& info) const {
  if (info.isRoot()) return QStringLiteral("Drive");
  if (info.isDir()) return QStringLiteral("Folder");
  if (!info.isFile()) return QStringLiteral("Special file");  // FIFO, socket, device
  const QString suffix = info.suffix();
  return suffix.isEmpty() ? QStringLiteral("File") : suffix.toUpper() + QStringLiteral(" File");
}

NameOnlyIconProvider* SharedIconProvider() {
  static NameOnlyIconProvider provider;
  return &provider;
}

}  // namespace quarvex::ui
