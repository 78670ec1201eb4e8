// The analyser stage: space use of every block, key-name checksum verdicts and record sizes.
#pragma once

#include <optional>

#include "analyzer/analysis_result.h"
#include "stage/stage_context.h"

namespace quarvex::analyzer {

// Walks the key tree and the free lists once. Returns what it found, or nothing when a read
// failed or a list looped; the hive's code (and its finding) then say why.
std::optional<AnalysisResult> AnalyzeSpace(const stage::StageContext& context);

}  // namespace quarvex::analyzer
