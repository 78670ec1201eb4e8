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
#pragma once

#include <string>

namespace quarvex::analyzer {

class AnalysisJob;

// The document, indented by two spaces, lines ended by '\n'.
std::string AnalysisJsonText(const AnalysisJob& job);

// Writes the document to path through a temporary file that replaces path only once it is
// complete (lines ended by CR LF, as the report's are). False with error set on failure.
bool SaveAnalysisJson(const AnalysisJob& job, const std::string& path, std::string& error);

}  // namespace quarvex::analyzer
