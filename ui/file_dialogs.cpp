#include "ui/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>

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

void Common(QFileDialog& dialog, const QStringList& filters, const QString& fileName,
            const QString& initialDirectory) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(filters);
  const QFileInfo file(fileName);
  if (!fileName.isEmpty() && file.isAbsolute())
    dialog.setDirectory(file.absolutePath());
  else if (!initialDirectory.isEmpty())
    dialog.setDirectory(initialDirectory);
  if (!fileName.isEmpty()) dialog.selectFile(file.isAbsolute() ? file.fileName() : fileName);
}

}  // namespace

QStringList OpenDialogFilters() {
  return {Filter(QStringLiteral("ﾚｼﾞｽﾄﾘﾌｧｲﾙ(*.da?)"),
                 {QStringLiteral("system.da?"), QStringLiteral("user.da?"), QStringLiteral("system.1st")}),
          Filter(QStringLiteral("すべてのﾌｧｲﾙ(*.*)"), {QStringLiteral("*")})};
}

QStringList SaveDialogFilters() {
  return {Filter(QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(*.txt)"), {QStringLiteral("*.txt")}),
          Filter(QStringLiteral("すべてのﾌｧｲﾙ(*.*)"), {QStringLiteral("*")})};
}

void ConfigureOpenDialog(QFileDialog& dialog, const QString& fileName, const QString& initialDirectory) {
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  Common(dialog, OpenDialogFilters(), fileName, initialDirectory);
}

void ConfigureSaveDialog(QFileDialog& dialog, const QString& fileName, const QString& initialDirectory) {
  dialog.setObjectName(QStringLiteral("SaveDialog1"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("TXT"));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  Common(dialog, SaveDialogFilters(), fileName.isEmpty() ? QStringLiteral("REPORT.TXT") : fileName,
         initialDirectory);
}

QString WithDefaultSuffix(const QString& name, const QString& suffix) {
  const QString fileName = QFileInfo(name).fileName();
  if (fileName.isEmpty() || fileName.contains(QLatin1Char('.'))) return name;
  return name + QLatin1Char('.') + suffix;
}

}  // namespace quarvex::ui
