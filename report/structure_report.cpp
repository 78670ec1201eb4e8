#include "report/structure_report.h"

#include "job/analysis_job.h"

namespace quarvex {

void BuildStructureReport(AnalysisJob&) {}

}  // namespace quarvex
