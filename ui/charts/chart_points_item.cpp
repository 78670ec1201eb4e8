#include "ui/charts/chart_points_item.h"

#include <QPainter>

#include "ui/charts/chart_style.h"

namespace chartdecimation = quarvex::analyzer::chartdecimation;

namespace quarvex::ui::chartpoints {

QPointF PlaceInPlot(const chartdecimation::Plot& plot, QPointF value) {
  // The same steps, in the same order, as the chart's own placing of a series' points, so
  // that a pointer lands on the very pixel the average lines and the click expect it at.
  return {(value.x() - plot.xMin) * plot.PixelsPerIndex(),
          (value.y() - plot.yMin) * -plot.PixelsPerValue() + plot.height};
}

PointsItem::PointsItem(QGraphicsItem* chart) : QGraphicsItem(chart) {
  // Over the series (the lines, which are drawn 2 pixels wide to show between pointers),
  // under the bar labels, marks and legend.
  setZValue(5);
  setAcceptedMouseButtons(Qt::NoButton);  // the chart resolves clicks against every point
}

void PointsItem::SetPoints(QPointF plotTopLeft, const chartdecimation::Plot& plot, std::vector<Group> groups) {
  prepareGeometryChange();
  pointers_.clear();
  placed_.clear();
  groupEnds_.clear();
  const bool usable = plot.Usable();
  for (const Group& group : groups) {
    pointers_.push_back(group.pointer);
    if (usable)
      for (const QPointF& value : group.values) placed_.push_back(PlaceInPlot(plot, value));
    groupEnds_.push_back(placed_.size());
  }
  setPos(plotTopLeft);
  bounds_ = QRectF(0, 0, plot.width, plot.height);
  update();
}

void PointsItem::Clear() {
  prepareGeometryChange();
  pointers_.clear();
  placed_.clear();
  groupEnds_.clear();
  bounds_ = QRectF();
}

std::size_t PointsItem::Count() const { return placed_.size(); }

void PointsItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
  if (placed_.empty()) return;
  painter->save();
  painter->setClipRect(bounds_);
  const double half = chartstyle::kPointerPixels / 2.0;
  std::size_t from = 0;
  for (std::size_t g = 0; g < pointers_.size(); ++g) {
    const QImage& pointer = pointers_[g];
    for (std::size_t i = from; i < groupEnds_[g]; ++i)
      painter->drawImage(
          QRectF(placed_[i].x() - half, placed_[i].y() - half, chartstyle::kPointerPixels, chartstyle::kPointerPixels),
          pointer);
    from = groupEnds_[g];
  }
  painter->restore();
}

}  // namespace quarvex::ui::chartpoints
