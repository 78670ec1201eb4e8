#include "ui/chart_decimation.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace chartdecimation {

namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
// A series has a group per colour, one or two in practice; numbers past this are not groups.
constexpr std::size_t kMostGroups = 256;

// The cell row of a value: 0 at the bottom of the plot; values outside the range fall in the
// nearest edge row.
std::size_t RowOf(double value, const Plot& plot, double cellPixels, std::size_t rows) {
  const double at = std::floor((value - plot.yMin) * plot.PixelsPerValue() / cellPixels);
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

  const std::size_t columns = plot.Columns();
  std::vector<std::uint32_t> lowest(groupCount * columns, kNone), highest(groupCount * columns, kNone);
  const bool fill = fillCellPixels > 0 && std::isfinite(fillCellPixels);
  const double cell = fill ? std::max(fillCellPixels, 1.0) : 1.0;
  const std::size_t cellColumns = fill ? static_cast<std::size_t>(std::ceil(static_cast<double>(columns) / cell)) : 0;
  const std::size_t cellRows = fill ? static_cast<std::size_t>(std::ceil(std::min(plot.height, 1e6) / cell)) + 1 : 0;
  std::vector<bool> cellTaken(groupCount * cellColumns * cellRows, false);
  std::vector<bool> keep(n, false);

  for (std::size_t i = 0; i < n; ++i) {
    const double v = values[i];
    if (!std::isfinite(v)) {
      keep[i] = true;
      continue;
    }
    const std::size_t g = grouped ? groups[i] : 0;
    const std::size_t column = plot.ColumnOf(static_cast<double>(i));
    std::uint32_t& lo = lowest[g * columns + column];
    std::uint32_t& hi = highest[g * columns + column];
    if (lo == kNone || v < values[lo]) lo = static_cast<std::uint32_t>(i);
    if (hi == kNone || v > values[hi]) hi = static_cast<std::uint32_t>(i);
    if (!fill) continue;
    const std::size_t cellColumn = std::min(static_cast<std::size_t>(static_cast<double>(column) / cell), cellColumns - 1);
    const std::size_t slot = (g * cellColumns + cellColumn) * cellRows + RowOf(v, plot, cell, cellRows);
    if (!cellTaken[slot]) {
      cellTaken[slot] = true;
      keep[i] = true;
    }
  }
  for (std::size_t k = 0; k < lowest.size(); ++k) {
    if (lowest[k] != kNone) keep[lowest[k]] = true;
    if (highest[k] != kNone) keep[highest[k]] = true;
  }
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

}  // namespace chartdecimation
