// Amounts and percentages follow the job's locale; every field is right-aligned and cut to
// its width, as the section always was.
#include "report/analyzer_section.h"

#include <string>
#include <vector>

#include "text/printf.h"

namespace quarvex::report {

using namespace quarvex::analyzer;
using text::Printf;

namespace {

// "%10.10s(%5.5s) " three times: each value's amount and its share of the row's total.
// A row whose values add up to 0 shows 0.0 for each share instead of dividing by zero.
std::string UsageColumns(const text::TextLocale& locale, const SpaceUsage& row) {
  const double total = static_cast<double>(row.Total());
  std::string columns;
  for (std::int64_t value : {row.Using, row.Empty, row.DeadGap}) {
    const double share = total == 0 ? 0.0 : static_cast<double>(value) * 100.0 / total;
    if (!columns.empty()) columns += ' ';
    text::AppendPrintf(columns, "%10.10s(%5.5s)", locale.Amount(static_cast<double>(value)).c_str(),
                       locale.Percentage(share).c_str());
  }
  return columns;
}

void KeyCount(text::ReportWriter& out, const text::TextLocale& locale, const char* caption, std::int32_t count,
              const std::vector<FlaggedKey>* listed) {
  out.Text(Printf("   %s:%9.9s", caption, locale.Amount(count).c_str()));
  if (listed == nullptr) return;
  for (const FlaggedKey& key : *listed) out.Text("      " + key.reportPath);
}

void SizeBlock(text::ReportWriter& out, const text::TextLocale& locale, const char* title,
               const RecordSizeStatistics& sizes) {
  out.Text(title);
  out.Text(Printf("   Max    : %6.6s", locale.Amount(static_cast<double>(sizes.max)).c_str()));
  out.Text(Printf("   Min    : %6.6s", locale.Amount(static_cast<double>(sizes.min)).c_str()));
  out.Text(Printf("   Average: %6.6s", locale.Amount(static_cast<double>(sizes.average)).c_str()));
  out.Empty();
}

}  // namespace

void WriteAnalyzerSection(text::ReportWriter& out, const AnalysisResult& r, const text::TextLocale& locale,
                          bool listPaths) {
  out.Text("****** Analizer Report *****************");
  out.Empty();
  out.Text(" 1. Using Rate (Unit:Byte)");
  out.Text("            Using     (    %) Empty     (    %) Dead-Gap  (    %)");
  out.Text("   RGKN    :" + UsageColumns(locale, r.keyNodeBlock));
  for (std::size_t b = 0; b < r.dataBlocks.size(); ++b)
    out.Text(Printf("   RGDB%.4X:", static_cast<unsigned>(b)) + UsageColumns(locale, r.dataBlocks[b]));
  out.Text("   --------+-----------------------------------------------------");
  out.Text("   whole   :" + UsageColumns(locale, r.wholeFile));
  out.Empty();

  out.Text(" 2. Key Check-sum Check");
  KeyCount(out, locale, "Good    ", r.goodCount, nullptr);
  KeyCount(out, locale, "Bad     ", r.badCount, listPaths ? &r.badKeys : nullptr);
  KeyCount(out, locale, "GhostKey", r.ghostCount, listPaths ? &r.ghostKeys : nullptr);
  out.Empty();

  SizeBlock(out, locale, " 3. Using Record Size (unit:byte)", r.usingRecords);
  SizeBlock(out, locale, " 4. Empty Record Size (unit:byte)", r.emptyRecords);
  out.Text(std::string(40, '*'));
  out.Empty();
}

}  // namespace quarvex::report
