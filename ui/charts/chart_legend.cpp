#include "ui/charts/chart_legend.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

#include "ui/charts/chart_style.h"

namespace quarvex::ui::chartlegend {

namespace {
const QColor kFrame(0, 0, 128);
const QColor kShadowColour(0, 64, 128);
const QColor kDivider(192, 192, 192);
constexpr double kBoxWidth = 7, kPad = 4, kGap = 5;
}  // namespace

LegendItem::LegendItem(QGraphicsItem* parent) : QGraphicsItem(parent), font_(chartstyle::GothicFont(13)) {
  setZValue(1001);  // over the series and the marks
  setAcceptedMouseButtons(Qt::NoButton);
  setVisible(false);
}

double LegendItem::RowHeight() const { return QFontMetricsF(font_).height() + 4; }

QSizeF LegendItem::FrameSize() const {
  const QFontMetricsF metrics(font_);
  double text = 0;
  for (const Entry& entry : entries_) text = std::max(text, metrics.horizontalAdvance(entry.title));
  return {kPad + kBoxWidth + kGap + text + kPad, RowHeight() * static_cast<double>(entries_.size()) + 2};
}

void LegendItem::SetEntries(std::vector<Entry> entries) {
  prepareGeometryChange();
  entries_ = std::move(entries);
  setVisible(!entries_.empty());
  update();
}

QRectF LegendItem::boundingRect() const {
  const QSizeF size = FrameSize();
  return QRectF(0, 0, size.width() + kShadow + 1, size.height() + kShadow + 1);
}

void LegendItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
  if (entries_.empty()) return;
  const QRectF frame(QPointF(0, 0), FrameSize());
  painter->save();
  painter->setPen(Qt::NoPen);
  painter->setBrush(kShadowColour);
  painter->drawRect(frame.translated(kShadow, kShadow));
  painter->setBrush(Qt::white);
  painter->drawRect(frame);
  painter->setFont(font_);
  const double row = RowHeight();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const double top = 1 + row * static_cast<double>(i);
    if (i > 0) {
      painter->setPen(QPen(kDivider, 1));
      painter->drawLine(QPointF(1, top), QPointF(frame.right() - 1, top));
    }
    const double boxHeight = std::max(5.0, row - 10);
    painter->setPen(QPen(Qt::black, 1));
    painter->setBrush(entries_[i].colour);
    painter->drawRect(QRectF(kPad, top + (row - boxHeight) / 2, kBoxWidth, boxHeight));
    painter->drawText(QRectF(kPad + kBoxWidth + kGap, top, frame.width(), row), Qt::AlignLeft | Qt::AlignVCenter,
                      entries_[i].title);
  }
  painter->setPen(QPen(kFrame, 1));
  painter->setBrush(Qt::NoBrush);
  painter->drawRect(frame);
  painter->restore();
}

}  // namespace quarvex::ui::chartlegend
