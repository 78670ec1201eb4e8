// The analyser stage: one pass over the key tree and the free lists, then the averages,
// the pies, the report section and the job's summary.
#include "analyzer/space_analysis.h"

#include <string>
#include <vector>

#include "analyzer/space_tally.h"
#include "hive/keyname.h"
#include "job/analysis_job.h"

namespace quarvex::analyzer {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;


namespace {

std::int64_t DivideOrZero(std::int64_t numerator, std::size_t count) {
  return count == 0 ? 0 : numerator / static_cast<std::int64_t>(count);  // truncates toward zero
}

// The averages as the report has always stated them. The using average is not the mean
// record size: its numerator is the whole file's in-use bytes without the data block
// headers and one more 32 bytes, so it still holds the 28 bytes of every key node. Saved
// reports carry this figure, so it stays. The empty average is the mean free record size.
void ComputeAverages(SpaceTally& t, std::size_t usingRecords, std::size_t emptyRecords) {
  const std::int64_t header = RgdbHeader::kSize;
  t.usingAverage = DivideOrZero(t.whole.Using - header * t.blockCount - header, usingRecords);
  t.emptyAverage = DivideOrZero(t.whole.Empty - t.keyNode.Empty, emptyRecords);
}

// The two average lines run along the free-record points, one point longer than that series.
void AddAverageLines(ChartSeriesSet& series, const SpaceTally& t) {
  const std::size_t points = series[SeriesId::Series8].Count() + 1;
  for (std::size_t i = 0; i < points; ++i) {
    series[SeriesId::Series7].Add(static_cast<double>(t.usingAverage), "", kBlue);
    series[SeriesId::Series9].Add(static_cast<double>(t.emptyAverage), "", kYellow);
  }
}

// Paths of the flagged keys, each resolved once for the report and the summary. A path that
// cannot be resolved is empty; its code is cleared, as the key is only being named here.
std::vector<std::string> ResolvePaths(Hive& hive, const std::vector<std::int32_t>& offsets) {
  std::vector<std::string> paths;
  paths.reserve(offsets.size());
  for (std::int32_t offset : offsets) {
    paths.push_back(ResolveKeyPath(hive, offset));
    hive.errorCode = code::kOk;
  }
  return paths;
}

}  // namespace

void AnalyzeSpace(AnalysisJob& job) {
  job.analysisSummary.reset();
  Hive& hive = job.hive;
  RgknHeader rgkn;
  if (!hive.ReadKernelHeader(rgkn)) return;
  SpaceTally tally(hive.hiveHeader.wDBblks);
  ChartSeriesSet& series = job.chartSeries;

  if (!WalkKeys(job, rgkn, tally)) return;
  series[SeriesId::Series5].Add(tally.ghostCount, "Ghost", kRed);
  series[SeriesId::Series5].Add(tally.badCount, "Bad", kGreen);
  series[SeriesId::Series5].Add(tally.goodCount, "Good", kBlue);

  if (!PassKeyNodeBlock(job, rgkn, tally)) return;
  tally.whole = tally.keyNode;
  if (!PassDataBlocks(job, tally)) return;

  ComputeAverages(tally, series[SeriesId::Series6].Count(), series[SeriesId::Series8].Count());
  AddAverageLines(series, tally);
  // The file header and the key-node block header, after the averages, which leave them out.
  tally.whole.Using += std::int64_t{CregHeader::kSize} + std::int64_t{RgknHeader::kSize};
  series[SeriesId::Series1].Add(static_cast<double>(tally.whole.DeadGap), "D-Gap", kRed);
  series[SeriesId::Series1].Add(static_cast<double>(tally.whole.Empty), "Empty", kGreen);
  series[SeriesId::Series1].Add(static_cast<double>(tally.whole.Using), "Using", kBlue);

  const std::vector<std::string> badPaths = ResolvePaths(hive, tally.badKeys);
  const std::vector<std::string> ghostPaths = ResolvePaths(hive, tally.ghostKeys);
  if (job.Checked(Option::cbANrep)) WriteAnalyzerReport(job, tally, badPaths, ghostPaths);
  job.analysisSummary = SummarizeAnalysis(job, tally, badPaths, ghostPaths);
}

}  // namespace quarvex::analyzer
