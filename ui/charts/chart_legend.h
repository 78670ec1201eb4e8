// The chart's legend, drawn by the chart itself: one entry per series listed in it, the
// last series first, each a colour box 7 pixels wide and the series' title in plain text,
// silver lines between the entries, a navy frame and a shadow. Qt Charts' legend cannot
// reverse its entries once placed freely, nor draw dividing lines or a coloured shadow.
#pragma once

#include <QColor>
#include <QFont>
#include <QGraphicsItem>
#include <QString>
#include <vector>

namespace quarvex::ui::chartlegend {

struct Entry {
  QString title;
  QColor colour;
};

class LegendItem : public QGraphicsItem {
 public:
  explicit LegendItem(QGraphicsItem* parent);
  // Entries top to bottom. An empty list hides the legend.
  void SetEntries(std::vector<Entry> entries);
  const std::vector<Entry>& Entries() const { return entries_; }
  // The frame's size (the shadow adds kShadow to each).
  QSizeF FrameSize() const;
  QRectF boundingRect() const override;
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

  static constexpr int kShadow = 3;

 private:
  double RowHeight() const;
  std::vector<Entry> entries_;
  QFont font_;
};

}  // namespace quarvex::ui::chartlegend
