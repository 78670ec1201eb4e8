#include "analyzer/space_analysis.h"

#include "job/analysis_job.h"

namespace quarvex {

void AnalyzeSpace(AnalysisJob&) {}

}  // namespace quarvex
