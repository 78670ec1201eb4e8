#include "analyzer/chart_decimation.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quarvex::analyzer::chartdecimation {

namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
// A series has a group per colour, one or two in practice; numbers past this are not groups.
constexpr std::size_t kMostGroups = 256;

// The pixel row of a value: 0 at the bottom of the plot; values outside the range fall in the
// nearest edge row.
std::size_t RowOf(double value, const Plot& plot, std::size_t rows) {
  const double at = std::floor((value - plot.yMin) * plot.PixelsPerValue());
  if (!(at > 0)) return 0;
  return std::min(static_cast<std::size_t>(std::min(at, 1e9)), rows - 1);
}

}  // namespace

bool Plot::Usable() const {
  for (double d : {xMin, xMax, yMin, yMax, width, height})
    if (!std::isfinite(d)) return false;
  return xMax > xMin && yMax > yMin && width >= 1 && height >= 1;
}

std::size_t Plot::Columns() const { return width >= 1 ? static_cast<std::size_t>(std::ceil(std::min(width, 1e6))) : 1; }

std::size_t Plot::ColumnOf(double index) const {
  const double at = std::floor((index - xMin) * PixelsPerIndex());
  if (!(at > 0)) return 0;  // the left edge, and an index that is not a number
  return std::min(static_cast<std::size_t>(std::min(at, 1e9)), Columns() - 1);
}

std::vector<std::uint32_t> PointsToDraw(std::span<const double> values, std::span<const std::uint32_t> groups,
                                        const Plot& plot, double fillCellPixels) {
  const std::size_t n = std::min<std::size_t>(values.size(), kNone);
  std::vector<std::uint32_t> all(n);
  for (std::size_t i = 0; i < n; ++i) all[i] = static_cast<std::uint32_t>(i);
  if (!plot.Usable() || n <= 2 * plot.Columns()) return all;
  const bool grouped = groups.size() >= n;
  std::size_t groupCount = 1;
  if (grouped)
    for (std::size_t i = 0; i < n; ++i) groupCount = std::max<std::size_t>(groupCount, std::size_t{groups[i]} + 1);
  if (groupCount > kMostGroups) return all;

  // A point's x is its index, so the points come column by column, left to right: the
  // extremes and the cells are kept for the current column only, and the memory needed does
  // not grow with the plot's width.
  std::vector<bool> keep(n, false);
  std::vector<std::uint32_t> lowest(groupCount, kNone), highest(groupCount, kNone);  // per group
  auto keepExtremes = [&] {
    for (std::size_t g = 0; g < groupCount; ++g) {
      if (lowest[g] != kNone) keep[lowest[g]] = true;
      if (highest[g] != kNone) keep[highest[g]] = true;
      lowest[g] = highest[g] = kNone;
    }
  };
  // The fill: cells of `cell` pixel columns and `cell` pixel rows; in each, per pixel row, how
  // many points stand in it, the first of them, and the first in each of its pixel columns.
  // Slots of one column of cells: (group, cell row, pixel row in the cell).
  const bool fill = fillCellPixels >= 1 && std::isfinite(fillCellPixels);
  const std::size_t cell = fill ? static_cast<std::size_t>(std::min(std::round(fillCellPixels), 64.0)) : 1;
  const std::size_t pixelRows = fill ? static_cast<std::size_t>(std::ceil(std::min(plot.height, 1e5))) : 0;
  const std::size_t cellRows = (pixelRows + cell - 1) / cell;
  const std::size_t slots = fill ? groupCount * cellRows * cell : 0;
  std::vector<std::uint32_t> count(slots, 0), first(slots, kNone), firstInColumn(slots * cell, kNone);
  std::vector<std::size_t> touched;  // the slots holding points, to be read and emptied
  // Each cell draws the first point of its fullest pixel row (of equally full rows, the one
  // whose first point comes first): a size many points share stays a straight line. A row
  // crowded with points (as many as the cell has pixels) draws its first point in each pixel
  // column, so that the line stays as solid as the crowd of pointers draws it.
  auto keepCells = [&] {
    for (std::size_t slot : touched) {
      const std::size_t c = slot - slot % cell;
      std::size_t best = c;
      for (std::size_t r = c + 1; r < c + cell; ++r)
        if (count[r] > count[best] || (count[r] == count[best] && first[r] < first[best])) best = r;
      if (count[best] == 0) continue;  // a cell already read
      keep[first[best]] = true;
      if (count[best] >= cell * cell)
        for (std::size_t j = 0; j < cell; ++j)
          if (firstInColumn[best * cell + j] != kNone) keep[firstInColumn[best * cell + j]] = true;
      for (std::size_t r = c; r < c + cell; ++r) {
        count[r] = 0;
        first[r] = kNone;
        std::fill_n(firstInColumn.begin() + static_cast<std::ptrdiff_t>(r * cell), cell, kNone);
      }
    }
    touched.clear();
  };

  std::size_t column = kNone;
  for (std::size_t i = 0; i < n; ++i) {
    const double v = values[i];
    if (!std::isfinite(v)) {
      keep[i] = true;
      continue;
    }
    const std::size_t at = plot.ColumnOf(static_cast<double>(i));
    if (at != column) {
      keepExtremes();
      if (fill && (column == kNone || at / cell != column / cell)) keepCells();
      column = at;
    }
    const std::size_t g = grouped ? groups[i] : 0;
    if (lowest[g] == kNone || v < values[lowest[g]]) lowest[g] = static_cast<std::uint32_t>(i);
    if (highest[g] == kNone || v > values[highest[g]]) highest[g] = static_cast<std::uint32_t>(i);
    if (!fill) continue;
    const std::size_t row = RowOf(v, plot, pixelRows);
    const std::size_t slot = (g * cellRows + row / cell) * cell + row % cell;
    if (count[slot]++ == 0) {
      first[slot] = static_cast<std::uint32_t>(i);
      touched.push_back(slot);
    }
    std::uint32_t& inColumn = firstInColumn[slot * cell + column % cell];
    if (inColumn == kNone) inColumn = static_cast<std::uint32_t>(i);
  }
  keepExtremes();
  if (fill) keepCells();

  std::vector<std::uint32_t> drawn;
  for (std::size_t i = 0; i < n; ++i)
    if (keep[i]) drawn.push_back(static_cast<std::uint32_t>(i));
  return drawn;
}

std::optional<std::size_t> PointAt(std::span<const double> values, double x, double y, const Plot& plot,
                                   double radiusPixels) {
  if (!plot.Usable() || values.empty() || !std::isfinite(x) || !std::isfinite(y) || !(radiusPixels >= 0))
    return std::nullopt;
  const double perIndex = plot.PixelsPerIndex(), perValue = plot.PixelsPerValue();
  const double reach = radiusPixels / perIndex;  // in indexes
  const double last = static_cast<double>(values.size() - 1);
  const double from = std::max(0.0, std::ceil(x - reach)), to = std::min(last, std::floor(x + reach));
  if (from > to) return std::nullopt;
  std::optional<std::size_t> best;
  double bestByValue = 0, bestByIndex = 0;
  for (auto i = static_cast<std::size_t>(from); i <= static_cast<std::size_t>(to); ++i) {
    const double dx = (static_cast<double>(i) - x) * perIndex, dy = (values[i] - y) * perValue;
    if (!(dx * dx + dy * dy <= radiusPixels * radiusPixels)) continue;
    const double byValue = std::abs(dy), byIndex = std::abs(dx);
    if (!best || byValue < bestByValue || (byValue == bestByValue && byIndex < bestByIndex)) {
      best = i;
      bestByValue = byValue;
      bestByIndex = byIndex;
    }
  }
  return best;
}

}  // namespace quarvex::analyzer::chartdecimation
