// The pre-scan's trace in the report: each data block's record chain as the pre-scan walked it.
#pragma once

#include "hive/prescan.h"
#include "text/report_writer.h"

namespace quarvex::report {

void WritePreScanTrace(text::ReportWriter& out, const hive::PreScanTrace& trace);

}  // namespace quarvex::report
