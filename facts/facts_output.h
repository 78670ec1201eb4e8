// The facts as a text report grouped by theme, as JSON (every fact with its source key, value
// and raw bytes) and as CSV for spreadsheets. All output is UTF-8.
#pragma once

#include <span>
#include <string>

#include "facts/collect.h"

namespace quarvex::facts {

// Lines ending in '\n': the hives, then per theme the definitions that found something, each
// with its keys ("[2] Software\...\RunMRU") and their values.
std::string FactsText(std::span<const HiveSource> sources, const FactsResult& result);
std::string FactsJson(std::span<const HiveSource> sources, const FactsResult& result);
// RFC 4180: a header row, one row per fact; a field that a spreadsheet would run as a formula
// (starting with = + - @) gets a leading apostrophe.
std::string FactsCsv(std::span<const HiveSource> sources, const FactsResult& result);
// One CSV field, quoted, its quotes doubled; a leading = + - or @ is escaped with ' so that a
// spreadsheet opening the file takes it as text, never as a formula (values come from the hive).
std::string CsvField(std::string_view text);

}  // namespace quarvex::facts
