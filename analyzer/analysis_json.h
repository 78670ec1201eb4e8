// The analysis as JSON, for scripts: the job's summary and the nine chart series.
//
//   { "analysis": { "keyNodeBlock": {...}, "dataBlocks": [...], "wholeFile": {...},
//                   "keys": { "good", "bad", "ghost", "badKeys": [{ "offset", "path" }],
//                             "ghostKeys": [...] },
//                   "recordSizes": { "using": {...}, "empty": {...} } }   (null: no analysis)
//     "series": [ { "id": "Series1", "title": "TUR",
//                   "points": [ { "value", "label", "colour": { "r", "g", "b" } } ] }, ... ] }
//
// Usage objects are { "using", "empty", "deadGap" } in bytes; record sizes { "count", "max",
// "min", "average" }. Key paths and every other text are UTF-8.
//
// A job that failed adds "failure": { "code", "finding": { "severity", "structure", "offset",
// "block", "record", "field", "found", "expected", "text" } } (finding null when the failure
// names none); a successful job's document has no "failure" member.
//
// When the code page was detected rather than named, "codePage": { "value": "1252",
// "source": "hive" | "system.dat" | "checksums" | "default", "reason": "..." } says which
// and why; a document for a named code page has no such member.
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

// The document, indented by two spaces, lines ended by '\n'.
struct CodePageNote {
  std::string value;   // "1252"
  std::string source;  // "hive" ...
  std::string reason;  // UTF-8
};

std::string AnalysisJsonText(const std::optional<AnalysisResult>& result,
                             const std::optional<JobFailure>& failure = std::nullopt,
                             const std::optional<CodePageNote>& codePage = std::nullopt);

// Writes the document to path through a temporary file that replaces path only once it is
// complete (lines ended by CR LF, as the report's are). False with error set on failure.
bool SaveAnalysisJson(const std::string& text, const std::string& path, std::string& error);

}  // namespace quarvex::analyzer
