// One key and everything below it as a REGEDIT4 file, from the salvaged model the browser
// shows (the analyser's export, `quarvex-cli --export`, writes the whole hive from the
// faithful reader). The lines are those of that export for the same keys: "REGEDIT4", an
// empty line, then per key "[ROOT\path]", its values through exporter::AppendValueLines and
// an empty line, keys in the file's link order, depth first. What cannot be written as it
// stands is said in a "; " comment after the key's line, as that export does: a key whose
// record could not be read, a value cut by its record's end (left out), a name holding a zero
// byte or a line break. Lines are in the hive's code page. Nothing here includes Qt.
#pragma once

#include <cstdint>
#include <string>

#include "text/report_lines.h"
#include "ui/browser/browser_document.h"

namespace quarvex::ui {

// key: a key index, or browse::kTop for the whole hive (the root key's line first).
void ExportSubtree(const BrowserDocument& doc, std::int32_t key, text::ReportLines& out);

}  // namespace quarvex::ui
