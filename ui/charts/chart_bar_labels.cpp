#include "ui/charts/chart_bar_labels.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

namespace quarvex::ui::chartlabels {

namespace {

constexpr double kGap = 4;  // the least room between two names of a row

bool Fits(const std::vector<QRectF>& boxes, int rows, int every) {
  // The last box placed in each row, by its right edge.
  std::vector<double> right(static_cast<std::size_t>(rows), -1e300);
  for (std::size_t i = 0; i < boxes.size(); i += static_cast<std::size_t>(every)) {
    const auto row = (i / static_cast<std::size_t>(every)) % static_cast<std::size_t>(rows);
    if (boxes[i].left() < right[row] + kGap) return false;
    right[row] = boxes[i].right();
  }
  return true;
}

}  // namespace

Layout BarLabels(const std::vector<double>& centres, const QStringList& texts, const QFont& font, double top) {
  Layout layout;
  const std::size_t n = std::min(centres.size(), static_cast<std::size_t>(texts.size()));
  if (n == 0) return layout;
  const QFontMetricsF metrics(font);
  const double height = metrics.height();
  std::vector<QRectF> boxes;
  boxes.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double width = metrics.horizontalAdvance(texts[static_cast<qsizetype>(i)]);
    boxes.emplace_back(centres[i] - width / 2, top, width, height);
  }
  int rows = 1, every = 1;
  while (!Fits(boxes, rows, every)) {
    if (rows < kMaxRows)
      ++rows;
    else
      ++every;
    if (static_cast<std::size_t>(every) >= n) break;  // a single name always fits
  }
  for (std::size_t i = 0; i < n; i += static_cast<std::size_t>(every)) {
    const auto row = (i / static_cast<std::size_t>(every)) % static_cast<std::size_t>(rows);
    QRectF box = boxes[i];
    box.translate(0, static_cast<double>(row) * height);
    layout.labels.push_back({texts[static_cast<qsizetype>(i)], box});
  }
  layout.rows = rows;
  layout.every = every;
  layout.height = rows * height;
  return layout;
}

LabelsItem::LabelsItem(QGraphicsItem* parent) : QGraphicsItem(parent) {
  setZValue(999);  // over the plot, under the marks
  setAcceptedMouseButtons(Qt::NoButton);
}

void LabelsItem::SetLabels(std::vector<Label> labels, const QFont& font) {
  prepareGeometryChange();
  labels_ = std::move(labels);
  font_ = font;
  bounds_ = QRectF();
  for (const Label& label : labels_) bounds_ |= label.box.adjusted(-1, -1, 1, 1);
  update();
}

void LabelsItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
  painter->save();
  painter->setPen(Qt::black);
  painter->setFont(font_);
  // Drawn without clipping: a box is as wide as its text, and a clip could cut a pixel off.
  for (const Label& label : labels_) painter->drawText(label.box, Qt::AlignCenter | Qt::TextDontClip, label.text);
  painter->restore();
}

}  // namespace quarvex::ui::chartlabels
