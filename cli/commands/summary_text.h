// The lines of `quarvex-cli summary`: tab-separated values under a header line, or one JSON
// object per line. Both have the same fields in the same order:
//
//   file size codePage keys values good bad ghost usingPct emptyPct deadGapPct
//   damage warnings notes status reason
//
// usingPct, emptyPct and deadGapPct are the shares of the file's bytes in use, on the free
// lists and in dead gap (salvage/counts.h), in percent with one decimal as the report prints
// them. A field with nothing to show (the file could not be read or is no hive; for the
// verdicts, the report's analysis did not run to its end) is "-" in TSV and null in JSON. In TSV a backslash, tab or line end in a name or reason is written as \\, \t, \n or
// \r, other control characters as \xNN, so that every file is one line of as many fields as
// the header.
#pragma once

#include <string>

#include "cli/commands/summary_row.h"

namespace quarvex::cli {

std::string SummaryTsvHeader();                      // without a line end
std::string SummaryTsvLine(const SummaryRow& row);   // without a line end
std::string SummaryJsonLine(const SummaryRow& row);  // one object, without a line end

}  // namespace quarvex::cli
