// The Problems dock's findings as text, in the lines `quarvex-cli check` prints, and the
// plain text files the dock saves.
#pragma once

#include <QString>
#include <vector>

namespace quarvex::ui {

class BrowserDocument;

// The findings at these rows (indexes into the hive's findings), one line each as check
// prints them without the file's name: "0x0000605C: damage: data record (...): ...".
QString FindingRowsText(const BrowserDocument& doc, const std::vector<int>& rows);
// Every finding and the summary line, each after the file's name, as `quarvex-cli check FILE`
// prints them; every line ends with a line feed.
QString CheckReportText(const BrowserDocument& doc);

// Writes the text in UTF-8 to a temporary file beside the target, renamed over it once
// complete: the target is either as it was or the whole new text. False and why otherwise.
bool SaveTextFile(const QString& path, const QString& text, QString& error);

}  // namespace quarvex::ui
