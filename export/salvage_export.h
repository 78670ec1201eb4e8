// The REGEDIT4 export of what the salvage reader got out of a hive: every key and value it
// could read, each damaged place as a comment.
//
// The lines are those of the key tree walk's export (ExportRegedit4), written through the same
// Regedit4Writer: "REGEDIT4", an empty line, then per key its "[path]" line, its comments, its
// values and an empty line. On a hive in which the salvage reader finds no damage the two
// exports are the same bytes.
//
// Order and paths: the keys in the salvaged hive's order, the ones reachable from the root in
// pre-order first, the path of each made of its parents' names in the tree as the salvage
// reader walked it. The start node is the root text alone; other top-level keys hang under it.
// Key nodes no link reaches any more (lost keys) follow, under "ROOT\(lost keys)": a lost key
// whose parent is known shows its parent's path there ("ROOT\(lost keys)\Software\Name"),
// one whose parent is unknown hangs right under it. A key whose record cannot be read shows
// "(key OFFSET)" for its name, as in the other export.
//
// Comments: after a key's line, each damage finding that concerns the key (its node, a link
// stored in it, its data record or one of its values) as "; damage: ...", then what the other
// export would say about its name and values. Damage that concerns no key (headers, blocks,
// free lists, records no key refers to, the file's end) comes first, right after the header
// lines, followed by an empty line. Warnings and notes are the check's business and are not
// written: a healthy hive's export carries no comment the other export lacks.
#pragma once

#include "export/regedit4_export.h"
#include "salvage/salvage.h"
#include "text/report_lines.h"

namespace quarvex::exporter {

// The root under which lost keys are written.
inline constexpr const char* kLostKeysRoot = "(lost keys)";

// The export of a salvaged hive. settings as for ExportRegedit4 (root text, code page, output
// limit: passing it ends the export with code::kInternalFailure after a comment). A salvaged
// hive that is no hive at all (isHive false) gives the header lines and one comment.
ExportOutcome ExportSalvaged(const salvage::SalvagedHive& hive, const ExportSettings& settings, text::ReportLines& out);

}  // namespace quarvex::exporter
