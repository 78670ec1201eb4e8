// The job's summary of a finished analysis.
#include "analyzer/space_tally.h"
#include "job/analysis_job.h"
#include "text/text_encoding.h"

namespace quarvex::analyzer {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;


namespace {

std::vector<FlaggedKey> Flagged(const std::vector<std::int32_t>& offsets, const std::vector<std::string>& paths,
                                CodePage codePage) {
  std::vector<FlaggedKey> keys;
  keys.reserve(offsets.size());
  for (std::size_t i = 0; i < offsets.size(); ++i)
    keys.push_back({offsets[i], i < paths.size() ? CodePageToUtf8(paths[i], codePage) : std::string()});
  return keys;
}

RecordSizeStatistics Sizes(const ChartSeries& series, std::int64_t average) {
  return {series.Count(), static_cast<std::int64_t>(series.MaxValue()), static_cast<std::int64_t>(series.MinValue()),
          average};
}

}  // namespace

AnalysisSummary SummarizeAnalysis(const AnalysisJob& job, const SpaceTally& tally,
                                  const std::vector<std::string>& badPaths,
                                  const std::vector<std::string>& ghostPaths) {
  AnalysisSummary s;
  s.keyNodeBlock = tally.keyNode;
  for (std::uint32_t b = 0; b < tally.blockCount; ++b) s.dataBlocks.push_back(tally.blocks.At(static_cast<std::uint16_t>(b)));
  s.wholeFile = tally.whole;
  s.goodCount = tally.goodCount;
  s.badCount = tally.badCount;
  s.ghostCount = tally.ghostCount;
  s.badKeys = Flagged(tally.badKeys, badPaths, job.GetCodePage());
  s.ghostKeys = Flagged(tally.ghostKeys, ghostPaths, job.GetCodePage());
  s.usingRecords = Sizes(job.chartSeries[SeriesId::Series6], tally.usingAverage);
  s.emptyRecords = Sizes(job.chartSeries[SeriesId::Series8], tally.emptyAverage);
  return s;
}

}  // namespace quarvex::analyzer
