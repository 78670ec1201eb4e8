// The analyser's section of the report: the space table, the checksum counts with the
// flagged keys' paths, and the record sizes. Amounts and percentages follow the job's
// locale; every field is right-aligned and cut to its width, as the section always was.
#include <string>
#include <vector>

#include "analyzer/space_tally.h"
#include "text/printf.h"
#include "job/analysis_job.h"

namespace quarvex::analyzer {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;


namespace {

// "%10.10s(%5.5s) " three times: each value's amount and its share of the row's total.
// A row whose values add up to 0 shows 0.0 for each share instead of dividing by zero.
std::string UsageColumns(const TextLocale& locale, const SpaceUsage& row) {
  const double total = static_cast<double>(row.Total());
  std::string text;
  for (std::int64_t value : {row.Using, row.Empty, row.DeadGap}) {
    const double share = total == 0 ? 0.0 : static_cast<double>(value) * 100.0 / total;
    if (!text.empty()) text += ' ';
    AppendPrintf(text, "%10.10s(%5.5s)", locale.Amount(static_cast<double>(value)).c_str(),
                 locale.Percentage(share).c_str());
  }
  return text;
}

void AppendKeyCount(AnalysisJob& job, const char* caption, std::int32_t count, bool listPaths,
                    const std::vector<std::string>& paths) {
  job.AppendLine(Printf("   %s:%9.9s", caption, job.Locale().Amount(count).c_str()));
  if (!listPaths) return;
  for (const std::string& path : paths) job.AppendLine("      " + path);
}

void AppendSizeBlock(AnalysisJob& job, const char* title, const ChartSeries& sizes, std::int64_t average) {
  const TextLocale& locale = job.Locale();
  job.AppendLine(title);
  job.AppendLine(Printf("   Max    : %6.6s", locale.Amount(sizes.MaxValue()).c_str()));
  job.AppendLine(Printf("   Min    : %6.6s", locale.Amount(sizes.MinValue()).c_str()));
  job.AppendLine(Printf("   Average: %6.6s", locale.Amount(static_cast<double>(average)).c_str()));
  job.AppendLine("");
}

}  // namespace

void WriteAnalyzerReport(AnalysisJob& job, const SpaceTally& tally, const std::vector<std::string>& badPaths,
                         const std::vector<std::string>& ghostPaths) {
  const TextLocale& locale = job.Locale();
  job.AppendLine("****** Analizer Report *****************");
  job.AppendLine("");
  job.AppendLine(" 1. Using Rate (Unit:Byte)");
  job.AppendLine("            Using     (    %) Empty     (    %) Dead-Gap  (    %)");
  job.AppendLine("   RGKN    :" + UsageColumns(locale, tally.keyNode));
  for (std::uint32_t b = 0; b < tally.blockCount; ++b)
    job.AppendLine(Printf("   RGDB%.4X:", b) + UsageColumns(locale, tally.blocks.At(static_cast<std::uint16_t>(b))));
  job.AppendLine("   --------+-----------------------------------------------------");
  job.AppendLine("   whole   :" + UsageColumns(locale, tally.whole));
  job.AppendLine("");

  const bool listPaths = job.Checked(Option::cbKeys);
  job.AppendLine(" 2. Key Check-sum Check");
  AppendKeyCount(job, "Good    ", tally.goodCount, false, {});
  AppendKeyCount(job, "Bad     ", tally.badCount, listPaths, badPaths);
  AppendKeyCount(job, "GhostKey", tally.ghostCount, listPaths, ghostPaths);
  job.AppendLine("");

  AppendSizeBlock(job, " 3. Using Record Size (unit:byte)", job.chartSeries[SeriesId::Series6], tally.usingAverage);
  AppendSizeBlock(job, " 4. Empty Record Size (unit:byte)", job.chartSeries[SeriesId::Series8], tally.emptyAverage);
  job.AppendLine(std::string(40, '*'));
  job.AppendLine("");
}

}  // namespace quarvex::analyzer
