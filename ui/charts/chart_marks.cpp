#include "ui/charts/chart_marks.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <optional>

namespace quarvex::ui::chartmarks {

namespace {

const QColor kBoxFill(255, 255, 225);
const QColor kArrow(Qt::white);

QSizeF BoxSize(const QString& text, const QFont& font) {
  const QFontMetricsF metrics(font);
  return {metrics.horizontalAdvance(text) + 6, metrics.height() + 2};
}

// Moves the boxes of one side down (and, when they run past bottom, up) until none covers
// another; order is top to bottom.
void SpreadVertically(std::vector<Mark*>& side) {
  std::sort(side.begin(), side.end(),
            [](const Mark* a, const Mark* b) { return a->box.center().y() < b->box.center().y(); });
  for (std::size_t i = 1; i < side.size(); ++i) {
    const double floor = side[i - 1]->box.bottom() + 1;
    if (side[i]->box.top() < floor) side[i]->box.moveTop(floor);
  }
}

}  // namespace

std::vector<Mark> PieMarks(const std::vector<Slice>& slices, QPointF centre, double radius, double arrowLength,
                           const QFont& font) {
  std::vector<Mark> marks;
  std::vector<QPointF> rims;
  for (const Slice& slice : slices) {
    const double angle = qDegreesToRadians(slice.midAngle);
    const QPointF direction(std::sin(angle), -std::cos(angle));
    const QPointF rim = centre + radius * direction;
    const QPointF end = centre + (radius + arrowLength) * direction;
    const QSizeF size = BoxSize(slice.text, font);
    QRectF box(QPointF(0, 0), size);
    if (direction.x() >= 0)
      box.moveTopLeft(QPointF(end.x(), end.y() - size.height() / 2));
    else
      box.moveTopRight(QPointF(end.x(), end.y() - size.height() / 2));
    marks.push_back({slice.text, font, box, {}});
    rims.push_back(rim);
  }
  std::vector<Mark*> left, right;
  for (std::size_t i = 0; i < marks.size(); ++i) (rims[i].x() >= centre.x() ? right : left).push_back(&marks[i]);
  SpreadVertically(left);
  SpreadVertically(right);
  for (std::size_t i = 0; i < marks.size(); ++i) {
    const QRectF& box = marks[i].box;
    const bool onRight = rims[i].x() >= centre.x();
    marks[i].arrow = QLineF(rims[i], QPointF(onRight ? box.left() : box.right(), box.center().y()));
  }
  return marks;
}

Mark BarMark(QPointF top, double arrowLength, const QString& text, const QFont& font, const QRectF& plot) {
  const QSizeF size = BoxSize(text, font);
  const double bottom = top.y() - arrowLength;
  const double left =
      std::clamp(top.x() - size.width() / 2, plot.left(), std::max(plot.left(), plot.right() - size.width()));
  return {text, font, QRectF(QPointF(left, bottom - size.height()), size), QLineF(top, QPointF(top.x(), bottom))};
}

std::vector<Mark> Spread(std::vector<Mark> marks, const QRectF& area, double maxTravel, int* dropped) {
  constexpr double kGap = 1;  // between two boxes, so that their frames do not touch
  std::vector<Mark> placed;
  placed.reserve(marks.size());
  int left = 0;
  // The free top nearest the box's own in its column, if there is one within reach.
  auto nearestFreeTop = [&](const QRectF& wanted) -> std::optional<double> {
    // The boxes in the way are those that share some of this box's columns: the free places
    // are its own, and just above or just below each of them.
    std::vector<QRectF> column;
    for (const Mark& other : placed)
      if (other.box.left() - kGap < wanted.right() && wanted.left() < other.box.right() + kGap)
        column.push_back(other.box.adjusted(-kGap, -kGap, kGap, kGap));
    std::vector<double> tops{wanted.top()};
    for (const QRectF& box : column) {
      tops.push_back(box.top() - wanted.height());
      tops.push_back(box.bottom());
    }
    std::optional<double> best;
    for (double top : tops) {
      if (top < area.top() || top + wanted.height() > area.bottom()) continue;
      if (std::abs(top - wanted.top()) > maxTravel) continue;
      const QRectF at(QPointF(wanted.left(), top), wanted.size());
      if (std::any_of(column.begin(), column.end(), [&](const QRectF& box) { return box.intersects(at); })) continue;
      if (!best || std::abs(top - wanted.top()) < std::abs(*best - wanted.top())) best = top;
    }
    return best;
  };
  for (Mark& mark : marks) {
    const std::optional<double> top = nearestFreeTop(mark.box);
    if (!top) {
      ++left;
      continue;
    }
    mark.box.moveTop(*top);
    // The arrow still leaves the point marked and meets the box's nearer edge.
    const QPointF from = mark.arrow.p1();
    const double x = std::clamp(from.x(), mark.box.left(), mark.box.right());
    const double y = from.y() < mark.box.top()      ? mark.box.top()
                     : from.y() > mark.box.bottom() ? mark.box.bottom()
                                                    : from.y();
    mark.arrow = QLineF(from, QPointF(x, y));
    placed.push_back(std::move(mark));
  }
  if (dropped) *dropped = left;
  return placed;
}

MarksItem::MarksItem(QGraphicsItem* parent) : QGraphicsItem(parent) {
  setZValue(1000);  // over every series
  setAcceptedMouseButtons(Qt::NoButton);
}

void MarksItem::SetMarks(std::vector<Mark> marks) {
  prepareGeometryChange();
  marks_ = std::move(marks);
  bounds_ = QRectF();
  for (const Mark& mark : marks_)
    bounds_ |=
        mark.box.adjusted(-1, -1, 1, 1) | QRectF(mark.arrow.p1(), mark.arrow.p2()).normalized().adjusted(-1, -1, 1, 1);
  update();
}

void MarksItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
  painter->save();
  for (const Mark& mark : marks_) {
    painter->setPen(QPen(kArrow, 1));
    painter->drawLine(mark.arrow);
    painter->setPen(QPen(Qt::black, 1));
    painter->setBrush(kBoxFill);
    painter->drawRect(mark.box);
    painter->setFont(mark.font);
    painter->drawText(mark.box, Qt::AlignCenter, mark.text);
  }
  painter->restore();
}

}  // namespace quarvex::ui::chartmarks
