// The thinning of the chart's point series and the click among all of their points
// (analyzer/chart_decimation.h), without Qt: each pixel column keeps its lowest and highest point
// (per colour), the fill keeps a band a band, small series and unusable plots are drawn
// whole, and a click names the exact point under it whether drawn or not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "analyzer/chart_decimation.h"

namespace quarvex::analyzer::chartdecimation {
namespace {

using Indexes = std::vector<std::uint32_t>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Four columns of four indexes each (index i in column i / 4), values 0-10 over 100 pixels.
Plot FourColumns() { return Plot{0, 16, 0, 10, 4, 100}; }

struct DrawRow {
  std::string name;
  std::vector<double> values;
  std::vector<std::uint32_t> groups;
  Plot plot;
  double fillCell;
  Indexes drawn;
};

const std::vector<DrawRow> kDrawRows = {
    {"lowest and highest of each column, the first of equal ones",
     {5, 1, 9, 3, /**/ 2, 2, 2, 2, /**/ 7, 8, 6, 7, /**/ 0, 10, 0, 10},
     {},
     FourColumns(),
     0,
     {1, 2, 4, 9, 10, 12, 13}},
    {"each colour keeps its own extremes",
     {5, 1, 9, 3, /**/ 2, 2, 2, 2, /**/ 7, 8, 6, 7, /**/ 0, 10, 0, 10},
     {0, 1, 0, 1, /**/ 0, 0, 1, 1, /**/ 0, 0, 0, 0, /**/ 1, 1, 1, 1},
     FourColumns(),
     0,
     {0, 1, 2, 3, 4, 6, 9, 10, 12, 13}},
    {"a column with a single point keeps it",
     {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 4},
     {},
     FourColumns(),
     0,
     {0, 4, 8, 12}},
    {"no more than two points per column: drawn whole",
     {9, 1, 8, 2, 7, 3, 6, 4},
     {},
     FourColumns(),
     0,
     {0, 1, 2, 3, 4, 5, 6, 7}},
    {"a plot without width: drawn whole",
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
     {},
     Plot{0, 16, 0, 10, 0, 100},
     0,
     {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
    {"an empty x range: drawn whole",
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
     {},
     Plot{0, 0, 0, 10, 4, 100},
     0,
     {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
    {"a range that is not a number: drawn whole",
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
     {},
     Plot{0, 16, kNaN, 10, 4, 100},
     0,
     {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
    {"a value that is not a number is drawn, the column's extremes beside it",
     {5, kNaN, 9, 3, /**/ 2, 2, 2, 2, /**/ 7, 8, 6, 7, /**/ 0, 10, 0, 10},
     {},
     FourColumns(),
     0,
     {1, 2, 3, 4, 9, 10, 12, 13}},
    {"points outside the axes fall in the edge columns",
     {5, 1, 9, 3, 2, 2, 2, 2, 7, 8, 6, 7, 0, 10, 0, 10, 20, -5},
     {},
     FourColumns(),
     0,
     {1, 2, 4, 9, 10, 16, 17}},
    // One column of 16 points, values 0-15 over 160 pixels: cells of 40 pixels hold 4 values
    // each, every value on a pixel row of its own; the first of each cell is drawn besides the
    // extremes.
    {"the fill keeps one point per cell between the extremes",
     {15, 3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 14, 13, 12},
     {},
     Plot{0, 16, 0, 16, 1, 160},
     40,
     {0, 1, 4, 5, 9}},
    {"a cell draws the first point of its fullest pixel row",
     {15, 0, 1, 3, 2, 3, 3, 2, 8, 8, 9, 9, 9, 12, 13, 14},
     {},
     Plot{0, 16, 0, 16, 1, 160},
     40,
     {0, 1, 3, 10}},
    // Three columns of ten, one cell of 3 x 3 pixels wide; 26 points share the value 5.
    {"a row crowded with points draws its first point in each pixel column",
     {5, 5, 5, 0, 5, 5, 5, 5, 5, 5, /**/ 5, 5, 5, 5, 5, 9, 1, 5, 5, 5, /**/ 5, 5, 5, 5, 5, 9, 5, 5, 5, 5},
     {},
     Plot{0, 30, 0, 10, 3, 30},
     3,
     {0, 3, 10, 15, 16, 20, 25}},
    {"without fill the same column keeps its two extremes",
     {15, 3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 14, 13, 12},
     {},
     Plot{0, 16, 0, 16, 1, 160},
     0,
     {0, 4}},
};

TEST(ChartDecimation, DrawsTheExpectedPoints) {
  for (const DrawRow& row : kDrawRows)
    EXPECT_EQ(PointsToDraw(row.values, row.groups, row.plot, row.fillCell), row.drawn) << row.name;
}

// A series like the record sizes of a large hive: 100,000 points of a few common sizes and
// many scattered ones, on the window's plot.
std::vector<double> LargeSeries() {
  std::mt19937 random(1998);
  std::uniform_int_distribution<int> size(24, 160), pick(0, 3);
  std::vector<double> values(100000);
  for (double& v : values) v = pick(random) == 0 ? 28 : size(random);
  values[54321] = 4000;  // one outlier, far above the rest
  return values;
}

Plot WindowPlot(std::size_t count, double width) {
  return Plot{-1000, static_cast<double>(count) + 999, 0, 4120, width, 300};
}

TEST(ChartDecimation, EveryColumnKeepsItsLowestAndHighestValueAtEveryWidth) {
  const std::vector<double> values = LargeSeries();
  for (double width : {560.0, 333.5, 1200.0, 20.0})
    for (double fill : {0.0, 3.0}) {
      const Plot plot = WindowPlot(values.size(), width);
      const Indexes drawn = PointsToDraw(values, {}, plot, fill);
      ASSERT_TRUE(std::is_sorted(drawn.begin(), drawn.end()));
      ASSERT_EQ(std::adjacent_find(drawn.begin(), drawn.end()), drawn.end()) << "each point once";
      const std::size_t columns = plot.Columns();
      std::vector<double> lowAll(columns, 1e300), highAll(columns, -1e300), lowDrawn = lowAll, highDrawn = highAll;
      for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t c = plot.ColumnOf(static_cast<double>(i));
        lowAll[c] = std::min(lowAll[c], values[i]);
        highAll[c] = std::max(highAll[c], values[i]);
      }
      for (std::uint32_t i : drawn) {
        const std::size_t c = plot.ColumnOf(i);
        lowDrawn[c] = std::min(lowDrawn[c], values[i]);
        highDrawn[c] = std::max(highDrawn[c], values[i]);
      }
      EXPECT_EQ(lowDrawn, lowAll) << width << " pixels, fill " << fill;
      EXPECT_EQ(highDrawn, highAll) << width << " pixels, fill " << fill;
      EXPECT_TRUE(std::binary_search(drawn.begin(), drawn.end(), 54321u)) << "the outlier";
      if (fill == 0) {
        EXPECT_LE(drawn.size(), 2 * columns) << width << " pixels";
      } else {
        // At most three points per 3 x 3 cell (a crowded row) besides the extremes.
        EXPECT_LE(drawn.size(), 2 * columns + (columns / 3 + 1) * 100 * 3) << width << " pixels";
        EXPECT_LT(drawn.size(), values.size() / 4) << width << " pixels";
      }
    }
}

TEST(ChartDecimation, TheFillLeavesNoPointFartherThanACellFromADrawnOne) {
  const std::vector<double> values = LargeSeries();
  const Plot plot = WindowPlot(values.size(), 560);
  const Indexes drawn = PointsToDraw(values, {}, plot, 3);
  // Each drawn point, as the cells see it: which cell of 3 x 3 pixels it stands in.
  auto cellOf = [&](std::size_t i) {
    const auto column = static_cast<long>(plot.ColumnOf(static_cast<double>(i)) / 3);
    const auto row = static_cast<long>(std::floor(values[i] * plot.PixelsPerValue() / 3));
    return std::pair(column, row);
  };
  std::vector<std::pair<long, long>> cells;
  for (std::uint32_t i : drawn) cells.push_back(cellOf(i));
  std::sort(cells.begin(), cells.end());
  for (std::size_t i = 0; i < values.size(); i += 97)
    EXPECT_TRUE(std::binary_search(cells.begin(), cells.end(), cellOf(i))) << "point " << i;
}

struct ClickRow {
  std::string name;
  double x, y;
  std::optional<std::size_t> point;
};

// Five points 100 pixels apart; a value unit is 2 pixels; pointers of 3 pixels' radius.
const std::vector<double> kFive = {10, 40, 20, 50, 30};
const Plot kFivePlot{-0.5, 4.5, 0, 60, 500, 120};

const std::vector<ClickRow> kClickRows = {
    {"on a point", 2, 20, 2},
    {"on the first and the last", 0, 10, 0},
    {"on the last", 4, 30, 4},
    {"two pixels right of a point", 2.02, 20, 2},
    {"a pixel below a point", 3, 49.5, 3},
    {"four pixels off: outside its pointer", 2.04, 20, std::nullopt},
    {"between two points", 2.5, 35, std::nullopt},
    {"left of the first point", -0.4, 10, std::nullopt},
    {"at an x that is not a number", kNaN, 10, std::nullopt},
};

TEST(ChartDecimation, AClickNamesThePointUnderIt) {
  for (const ClickRow& row : kClickRows) EXPECT_EQ(PointAt(kFive, row.x, row.y, kFivePlot, 3), row.point) << row.name;
  EXPECT_EQ(PointAt(kFive, 2, 20, Plot{}, 3), std::nullopt) << "a plot not laid out";
  EXPECT_EQ(PointAt({}, 0, 0, kFivePlot, 3), std::nullopt) << "no points";
}

TEST(ChartDecimation, AmongOverlappingPointersTheNearestByValueThenByIndexIsNamed) {
  // 100 points per pixel: the pointers overlap; the value decides, then the index.
  const std::vector<double> values = {50, 52, 49, 51, 50, 50, 48};
  const Plot dense{0, 600, 0, 100, 6, 100};  // 100 indexes per pixel, 1 pixel per value unit
  EXPECT_EQ(PointAt(values, 3, 51, dense, 3), 3u);
  EXPECT_EQ(PointAt(values, 3, 50.2, dense, 3), 4u) << "50 at 0 and 4 and 5: the nearest index to 3";
  EXPECT_EQ(PointAt(values, 1.6, 50, dense, 3), 0u) << "0, 4 and 5 equally near 50; 0 is nearest by index";
  EXPECT_EQ(PointAt(values, 6, 48.4, dense, 3), 6u);
  EXPECT_EQ(PointAt(values, 3, 60, dense, 3), std::nullopt) << "above every pointer";
}

TEST(ChartDecimation, AClickOnAnyOfALargeSeriesNamesThatPointDrawnOrNot) {
  const std::vector<double> values = LargeSeries();
  const Plot plot = WindowPlot(values.size(), 560);
  const Indexes drawn = PointsToDraw(values, {}, plot, 3);
  std::size_t dropped = 0;
  for (std::size_t i = 0; i < values.size(); i += 13) {
    ASSERT_EQ(PointAt(values, static_cast<double>(i), values[i], plot, 3), i) << "point " << i;
    if (!std::binary_search(drawn.begin(), drawn.end(), static_cast<std::uint32_t>(i))) ++dropped;
  }
  EXPECT_GT(dropped, 5000u) << "most of the points clicked are not drawn";
}

}  // namespace
}  // namespace quarvex::analyzer::chartdecimation
