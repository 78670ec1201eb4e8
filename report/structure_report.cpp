#include "report/structure_report.h"

#include "report/sections.h"

namespace quarvex::report {

void BuildStructureReport(const stage::StageContext& context) {
  SectionOutput out(context);
  // The file header was checked when the job read it, so printing it cannot fail.
  ReportHiveHeader(out);
  ReportKernelHeader(out);
  for (auto section :
       {ListUsingKeyNodes, ListEmptyKeyNodes, ReportDataBlockHeaders, ListUsingDataRecords, ListEmptyDataRecords}) {
    if (out.Failed()) return;
    section(out);
  }
}

}  // namespace quarvex::report
