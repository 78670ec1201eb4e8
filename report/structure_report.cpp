#include "report/structure_report.h"

#include "job/analysis_job.h"
#include "report/sections.h"

namespace quarvex::report {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;


void BuildStructureReport(AnalysisJob& job) {
  report::SectionOutput out(job);
  // The file header was checked when the job read it, so printing it cannot fail.
  report::ReportHiveHeader(out);
  report::ReportKernelHeader(out);
  for (auto section : {report::ListUsingKeyNodes, report::ListEmptyKeyNodes, report::ReportDataBlockHeaders,
                       report::ListUsingDataRecords, report::ListEmptyDataRecords}) {
    if (out.Failed()) return;
    section(out);
  }
}

}  // namespace quarvex::report
