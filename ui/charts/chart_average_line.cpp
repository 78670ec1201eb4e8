#include "ui/charts/chart_average_line.h"

#include <QPainter>
#include <QPen>

namespace quarvex::ui::chartaverage {

AverageLineItem::AverageLineItem(QGraphicsItem* chart) : QGraphicsItem(chart) {
  setZValue(6);  // over the points item (5), under the marks and the legend
  setAcceptedMouseButtons(Qt::NoButton);
}

void AverageLineItem::SetLine(const QRectF& plot, double y, QColor colour) {
  prepareGeometryChange();
  colour_ = colour;
  if (plot.isEmpty() || !(y >= plot.top() && y <= plot.bottom()))
    line_.reset();
  else
    line_ = QLineF(plot.left(), y, plot.right(), y);
  update();
}

void AverageLineItem::Clear() {
  prepareGeometryChange();
  line_.reset();
  update();
}

QRectF AverageLineItem::boundingRect() const {
  if (!line_) return {};
  const double reach = kWidth / 2 + kCasing + 1;
  return QRectF(line_->p1(), line_->p2()).normalized().adjusted(-reach, -reach, reach, reach);
}

void AverageLineItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
  if (!line_) return;
  painter->save();
  painter->setPen(QPen(Qt::white, kWidth + 2 * kCasing, Qt::SolidLine, Qt::FlatCap));
  painter->drawLine(*line_);
  painter->setPen(QPen(colour_, kWidth, Qt::SolidLine, Qt::FlatCap));
  painter->drawLine(*line_);
  painter->restore();
}

}  // namespace quarvex::ui::chartaverage
