// The analysis as JSON, for scripts and tools. One object, two-space indent, lines ended by LF:
//
//   { "file": { "name": "USER.DAT", "size": 53859 },          (size null: the file was not read)
//     "program": { "name": "quarvex-cli", "version": "0.1.0" },
//     "codepage": { "value": "1252", "source": "option" | "hive" | "system.dat" | "checksums"
//                   | "default", "reason": "..." },
//     "analysis": { "keyNodeBlock": {...}, "dataBlocks": [...], "wholeFile": {...},
//                   "keys": { "good", "bad", "ghost", "badKeys": [{ "offset", "path" }],
//                             "ghostKeys": [...] },
//                   "recordSizes": { "using": {...}, "empty": {...} } }   (null: no analysis)
//     "findings": [ { "severity", "structure", "offset", "block", "record", "field", "found",
//                     "expected", "text" } ],                (what the failing reader named)
//     "failure": { "code", "finding" },                      (only when the job failed)
//     "series": [ { "id": "Series1", "title": "TUR",        (only when asked for)
//                   "points": [ { "value", "label", "colour": { "r", "g", "b" } } ] }, ... ] }
//
// Usage objects are { "using", "empty", "deadGap" } in bytes; record sizes { "count", "max",
// "min", "average" }. Key paths and every other text are UTF-8. Members of "analysis" and
// "series" are in the order of their names, as they have always been written.
// docs/json/report.schema.json describes the document.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "analyzer/analysis_result.h"
#include "hive/finding.h"

namespace quarvex::analyzer {

struct JobFailure {
  std::int32_t code = 0;
  std::optional<hive::Finding> finding;
};

struct CodePageNote {
  std::string value;   // "1252"
  std::string source;  // "option", "hive" ...
  std::string reason;  // UTF-8
};

// What the document says around the analysis: the file, the program, the code page.
struct JsonFacts {
  std::string fileName;                   // UTF-8, as given
  std::optional<std::uint64_t> fileSize;  // empty when the file could not be read
  std::string programName = "quarvex-cli";
  std::string programVersion = QUARVEX_VERSION;
  CodePageNote codePage;
  bool series = false;  // the nine chart series as well
};

// The document, indented by two spaces, lines ended by '\n'.
std::string AnalysisJsonText(const std::optional<AnalysisResult>& result, const JsonFacts& facts,
                             const std::optional<JobFailure>& failure = std::nullopt);

// Writes the document to path through a temporary file that replaces path only once it is
// complete (lines ended by LF, as written). False with error set on failure.
bool SaveAnalysisJson(const std::string& text, const std::string& path, std::string& error);

}  // namespace quarvex::analyzer
