#include "ui/browser/browser_problem_text.h"

#include <QSaveFile>
#include <QStringList>

#include "salvage/check_text.h"
#include "ui/browser/browser_document.h"

namespace quarvex::ui {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString FindingRowsText(const BrowserDocument& doc, const std::vector<int>& rows) {
  const auto& findings = doc.Hive().findings;
  QStringList lines;
  for (const int row : rows)
    if (row >= 0 && static_cast<std::size_t>(row) < findings.size())
      lines << FromUtf8(salvage::FindingLine(findings[static_cast<std::size_t>(row)]));
  return lines.join(QLatin1Char('\n'));
}

QString CheckReportText(const BrowserDocument& doc) {
  const QString file = FromUtf8(doc.FileName()) + QStringLiteral(": ");
  QString text;
  for (const auto& finding : doc.Hive().findings)
    text += file + FromUtf8(salvage::FindingLine(finding)) + QLatin1Char('\n');
  return text + file + FromUtf8(salvage::SummaryText(doc.Hive())) + QLatin1Char('\n');
}

bool SaveTextFile(const QString& path, const QString& text, QString& error) {
  // QSaveFile writes a temporary file in the target's folder and renames it over the target
  // on commit; a failure on the way leaves the target untouched and removes the temporary.
  QSaveFile out(path);
  out.setDirectWriteFallback(false);
  const QByteArray bytes = text.toUtf8();
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
    error = QStringLiteral("%1: %2").arg(path, out.errorString());
    return false;
  }
  return true;
}

}  // namespace quarvex::ui
