#include "analyzer/chart_series.h"

#include <algorithm>

namespace quarvex::analyzer {


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
    : series_{ChartSeries("TUR"),          ChartSeries("Using"),        ChartSeries("Empty"),
              ChartSeries("DeadGap"),      ChartSeries("GoodSum"),      ChartSeries("UsingRecSize"),
              ChartSeries("UsingSize AVG."), ChartSeries("EmptyRecSize"), ChartSeries("EmptySize AVG.")} {}

void ChartSeriesSet::ClearAll() {
  for (ChartSeries& s : series_) s.Clear();
}

}  // namespace quarvex::analyzer
