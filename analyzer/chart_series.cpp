#include "analyzer/chart_series.h"

#include <algorithm>
#include <string>

#include "analyzer/analysis_result.h"

namespace quarvex::analyzer {

using namespace quarvex::hive;
using namespace quarvex::text;

double ChartSeries::MaxValue() const {
  if (points_.empty()) return 0;
  return std::max_element(points_.begin(), points_.end(),
                          [](const ChartPoint& a, const ChartPoint& b) { return a.value < b.value; })
      ->value;
}

double ChartSeries::MinValue() const {
  if (points_.empty()) return 0;
  return std::min_element(points_.begin(), points_.end(),
                          [](const ChartPoint& a, const ChartPoint& b) { return a.value < b.value; })
      ->value;
}

ChartSeriesSet::ChartSeriesSet()
    : series_{ChartSeries("TUR"),
              ChartSeries("Using"),
              ChartSeries("Empty"),
              ChartSeries("DeadGap"),
              ChartSeries("GoodSum"),
              ChartSeries("UsingRecSize"),
              ChartSeries("UsingSize AVG."),
              ChartSeries("EmptyRecSize"),
              ChartSeries("EmptySize AVG.")} {}

void ChartSeriesSet::ClearAll() {
  for (ChartSeries& s : series_) s.Clear();
}

namespace {

void AddUsageBars(ChartSeriesSet& series, const SpaceUsage& usage, const std::string& label) {
  series[SeriesId::BlockInUse].Add(static_cast<double>(usage.Using), label, kBlue);
  series[SeriesId::BlockFree].Add(static_cast<double>(usage.Empty), label, kGreen);
  series[SeriesId::BlockDeadGap].Add(static_cast<double>(usage.DeadGap), label, kRed);
}

}  // namespace

ChartSeriesSet ChartSeriesOf(const AnalysisResult& r) {
  ChartSeriesSet series;
  series[SeriesId::FileSpace].Add(static_cast<double>(r.wholeFile.DeadGap), "D-Gap", kRed);
  series[SeriesId::FileSpace].Add(static_cast<double>(r.wholeFile.Empty), "Empty", kGreen);
  series[SeriesId::FileSpace].Add(static_cast<double>(r.wholeFile.Using), "Using", kBlue);
  AddUsageBars(series, r.keyNodeBlock, "KN");
  for (std::size_t b = 0; b < r.dataBlocks.size(); ++b) AddUsageBars(series, r.dataBlocks[b], std::to_string(b));
  series[SeriesId::KeyVerdicts].Add(r.ghostCount, "Ghost", kRed);
  series[SeriesId::KeyVerdicts].Add(r.badCount, "Bad", kGreen);
  series[SeriesId::KeyVerdicts].Add(r.goodCount, "Good", kBlue);
  for (const KeyRecordFact& key : r.keys)
    series[SeriesId::KeyRecordSizes].Add(key.recordSize, std::to_string(key.node.value), kBlue);
  for (const FreeRecordFact& free : r.freeRecords)
    series[SeriesId::FreeRecordSizes].Add(free.size, std::to_string(free.offset.value), kRed);
  for (std::size_t i = 0; i < r.freeRecords.size() + 1; ++i) {
    series[SeriesId::KeyRecordAverage].Add(static_cast<double>(r.usingRecords.average), "", kBlue);
    series[SeriesId::FreeRecordAverage].Add(static_cast<double>(r.emptyRecords.average), "", kYellow);
  }
  return series;
}

}  // namespace quarvex::analyzer
