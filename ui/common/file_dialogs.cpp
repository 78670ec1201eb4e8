#include "ui/common/file_dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <array>

#include "image/image_address.h"
#include "ui/common/file_icon_provider.h"

namespace quarvex::ui {

namespace {

// "user.da?" -> "[uU][sS][eE][rR].[dD][aA]?"
QString AnyCase(const QString& pattern) {
  QString result;
  for (const QChar c : pattern) {
    if (c.isLetter() && c.toLower() != c.toUpper())
      result += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
    else
      result += c;
  }
  return result;
}

// The shown name, then the patterns in parentheses, which the dialog hides.
QString Filter(const QString& shown, const QStringList& patterns) {
  QStringList anyCase;
  for (const QString& p : patterns) anyCase << AnyCase(p);
  return shown + QStringLiteral(" (") + anyCase.join(QLatin1Char(' ')) + QLatin1Char(')');
}

void Common(QFileDialog& dialog, const QStringList& filters, const QString& fileName, const QString& initialDirectory,
            const QStringList& avoided = {}) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  // Icons and types by name and file type only: nothing in the listed directory is opened.
  dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
  dialog.setIconProvider(SharedIconProvider());
  dialog.setNameFilters(filters);
  const QFileInfo file(fileName);
  QString directory = QDir::currentPath();
  if (!fileName.isEmpty() && file.isAbsolute())
    directory = file.absolutePath();
  else if (!initialDirectory.isEmpty())
    directory = initialDirectory;
  const QString absolute = QFileInfo(directory).absoluteFilePath();
  if (!IsOrdinaryDirectory(directory) || std::any_of(avoided.begin(), avoided.end(), [&](const QString& a) {
        return QFileInfo(a).absoluteFilePath() == absolute;
      }))
    directory = QDir::homePath();
  dialog.setDirectory(directory);
  if (!fileName.isEmpty()) dialog.selectFile(file.isAbsolute() ? file.fileName() : fileName);
}

}  // namespace

bool IsOrdinaryDirectory(const QString& directory) {
  const QFileInfo info(directory);
  if (directory.isEmpty() || !info.isDir()) return false;
  const QString path = info.canonicalFilePath();
  for (const char* kernel : {"/proc", "/sys", "/dev"}) {
    const QString root = QString::fromLatin1(kernel);
    if (path == root || path.startsWith(root + QLatin1Char('/'))) return false;
  }
  // File systems whose files are the kernel's views, not stored data.
  static constexpr std::array<const char*, 20> kPseudo{
      "proc",     "sysfs",       "devtmpfs", "devpts",    "debugfs",  "tracefs",   "securityfs",
      "cgroup",   "cgroup2",     "pstore",   "bpf",       "configfs", "fusectl",   "mqueue",
      "efivarfs", "binfmt_misc", "autofs",   "hugetlbfs", "nsfs",     "rpc_pipefs"};
  const QByteArray type = QStorageInfo(path).fileSystemType();
  for (const char* pseudo : kPseudo)
    if (type == pseudo) return false;
  return true;
}

QStringList RegistryFilePatterns() {
  return {QStringLiteral("*.dat"), QStringLiteral("*.da?"), QStringLiteral("*.1st"), QStringLiteral("*.cab")};
}

QString AllRegistryFilesFilter() {
  return Filter(QStringLiteral("All registry files (*.dat *.da0 *.da1 *.1st *.cab)"), RegistryFilePatterns());
}

QStringList OpenDialogFilters() {
  return {Filter(QStringLiteral("ﾚｼﾞｽﾄﾘﾌｧｲﾙ(*.da?)"),
                 {QStringLiteral("system.da?"), QStringLiteral("user.da?"), QStringLiteral("system.1st")}),
          AllRegistryFilesFilter(), Filter(QStringLiteral("すべてのﾌｧｲﾙ(*.*)"), {QStringLiteral("*")}),
          Filter(QStringLiteral("ﾃﾞｨｽｸｲﾒｰｼﾞ/Disk images, backups"), DiskImagePatterns())};
}

QStringList DiskImagePatterns() {
  return {QStringLiteral("*.img"),  QStringLiteral("*.ima"), QStringLiteral("*.dd"),
          QStringLiteral("*.raw"),  QStringLiteral("*.001"), QStringLiteral("*.e01"),
          QStringLiteral("*.vmdk"), QStringLiteral("*.vhd"), QStringLiteral("*.cab")};
}

QStringList SaveDialogFilters() {
  return {Filter(QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(*.txt)"), {QStringLiteral("*.txt")}),
          Filter(QStringLiteral("すべてのﾌｧｲﾙ(*.*)"), {QStringLiteral("*")})};
}

void ConfigureOpenDialog(QFileDialog& dialog, const QString& fileName, const QString& initialDirectory) {
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  // After a hive inside an image (IMAGE::PATH) the dialog offers the image again.
  const QString file = QFile::decodeName(image::ContainerOf(QFile::encodeName(fileName).toStdString()).c_str());
  Common(dialog, OpenDialogFilters(), file, initialDirectory);
}

void ConfigureSaveDialog(QFileDialog& dialog, const QString& fileName, const QString& initialDirectory,
                         const QStringList& avoided) {
  dialog.setObjectName(QStringLiteral("SaveDialog1"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("TXT"));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  Common(dialog, SaveDialogFilters(), fileName.isEmpty() ? QStringLiteral("REPORT.TXT") : fileName, initialDirectory,
         avoided);
}

QString WithDefaultSuffix(const QString& name, const QString& suffix) {
  const QString fileName = QFileInfo(name).fileName();
  if (fileName.isEmpty() || fileName.contains(QLatin1Char('.'))) return name;
  return name + QLatin1Char('.') + suffix;
}

}  // namespace quarvex::ui
