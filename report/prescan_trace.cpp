#include "report/prescan_trace.h"

#include "text/printf.h"

namespace quarvex::report {

using namespace quarvex::hive;
using namespace quarvex::text;

void WritePreScanTrace(ReportWriter& out, const PreScanTrace& trace) {
  out.Text("<<<<< Pre-Scanning Status of each RGDB records >>>>>");
  for (std::size_t i = 0; i < trace.blocks.size(); ++i) {
    const PreScanBlockTrace& block = trace.blocks[i];
    out.Line(" RGDB(%.4X) =====", static_cast<unsigned>(i));
    if (!block.located) continue;
    out.Line("  Includes MAYBE %.4X record(s)...", unsigned{block.maxRecordNumber});
    // "0003,0001,FFFF," then how the walk ended.
    std::string& walk = out.Compose();
    for (std::uint16_t number : block.recordNumbers) AppendPrintf(walk, "%.4X,", unsigned{number});
    if (block.end == PreScanBlockTrace::End::GetFail) walk += "*GetFail*";
    if (block.end == PreScanBlockTrace::End::OutOfArea) walk += "*OutOfArea*";
    walk += ">END";
    out.Text(walk);
  }
  out.Text("<<<<< ---------------------------------------- >>>>>");
  out.Empty();
}

}  // namespace quarvex::report
