// An average drawn straight across the plot of a point view, over its points. Qt Charts draws
// its line series under the points of a point series; a view of many points (a real hive's
// thousands of in-use record sizes) hides a line drawn there. This item draws the line over
// them, the series' colour on a white casing so that it shows on points of the same colour.
#pragma once

#include <QColor>
#include <QGraphicsItem>
#include <QLineF>
#include <QRectF>
#include <optional>

namespace quarvex::ui::chartaverage {

class AverageLineItem : public QGraphicsItem {
 public:
  explicit AverageLineItem(QGraphicsItem* chart);
  // The line at height y (the chart's coordinates) from the plot's left to its right side; a
  // height outside the plot (an average zoomed out of sight) draws nothing.
  void SetLine(const QRectF& plot, double y, QColor colour);
  void Clear();
  // The line drawn now, if any.
  std::optional<QLineF> Line() const { return line_; }
  QColor Colour() const { return colour_; }

  QRectF boundingRect() const override;
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

  static constexpr double kWidth = 2, kCasing = 1;  // pixels: the line, and white either side

 private:
  std::optional<QLineF> line_;
  QColor colour_;
};

}  // namespace quarvex::ui::chartaverage
