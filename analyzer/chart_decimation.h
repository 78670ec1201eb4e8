// Thinning a point series to what its plot can show, and finding the point a click hits among
// all of the series' points, drawn or not. A hive of 100,000 keys gives 100,000 record-size
// points for a plot some 560 pixels wide: some 180 points share each pixel column, and Qt
// Charts, which makes a graphics item of every point it draws, takes half a second to draw
// them. The chart draws only the points chosen here; its click still sees every point.
// Nothing here includes Qt: the unit tests check it without a display.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quarvex::analyzer::chartdecimation {

// Where a plot draws its points: a point's x is its index, its y its value; the axes' ranges
// and the plot's size in pixels.
struct Plot {
  double xMin = 0, xMax = 0;
  double yMin = 0, yMax = 0;
  double width = 0, height = 0;  // pixels

  // Finite ranges that are not empty, and at least one pixel each way.
  bool Usable() const;
  double PixelsPerIndex() const { return width / (xMax - xMin); }
  double PixelsPerValue() const { return height / (yMax - yMin); }
  // The pixel column of an index, from 0 at the plot's left edge to Columns() - 1; an index
  // outside the range falls in the nearest edge column.
  std::size_t ColumnOf(double index) const;
  std::size_t Columns() const;

  bool operator==(const Plot&) const = default;
};

// The indexes of the points to draw, ascending. In every pixel column, for every group (the
// chart splits a series by colour, and each colour keeps its own extremes), the point of the
// lowest and that of the highest value (the first of equal ones) are drawn. Between them the
// column is filled as the whole series fills it: each cell of fillCellPixels x fillCellPixels
// pixels (rounded; again per group) that holds points draws one, the first of its fullest
// pixel row, so that a band of points drawn close together stays a band and a size many keys
// share stays a straight line; a fullest row holding as many points as the cell has pixels
// draws its first point in each of its pixel columns, so that such a line stays solid.
// fillCellPixels below 1 draws the extremes only. A series of no more than two points per column, or on a plot
// that is not Usable(), is drawn whole; a value that is not finite is always drawn.
// groups is empty (one group) or holds a group number below 256 for every value (otherwise
// the series is drawn whole).
std::vector<std::uint32_t> PointsToDraw(std::span<const double> values, std::span<const std::uint32_t> groups,
                                        const Plot& plot, double fillCellPixels);

// The point a click at (x, y), in the axes' units, hits: the points whose pointer, radiusPixels
// round its centre, holds the click are found by index from the click's x (the few columns a
// pointer covers); of these the nearest by value is taken, then the nearest by index, then
// the first. Every point counts, drawn or not. nullopt when no pointer holds the click or the
// plot is not Usable().
std::optional<std::size_t> PointAt(std::span<const double> values, double x, double y, const Plot& plot,
                                   double radiusPixels);

}  // namespace quarvex::analyzer::chartdecimation
