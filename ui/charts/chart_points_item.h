// The pointers of a point series (views 4 and 5), drawn by one graphics item. Qt Charts' own
// scatter series keeps a hidden graphics item per point even when it draws a picture for each
// point instead: making, placing and deleting 14,000 of them took most of the 250 ms that
// showing view 4 of a 13 MB hive took. The point series' Qt series stay on the chart, empty,
// for its axes; this item draws the same picture at the same place for each point drawn.
#pragma once

#include <QGraphicsItem>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <vector>

#include "analyzer/chart_decimation.h"

namespace quarvex::ui::chartpoints {

// Where a value lands in the plot, from its top left, as Qt Charts' value domain places a
// point of a series.
QPointF PlaceInPlot(const quarvex::analyzer::chartdecimation::Plot& plot, QPointF value);

class PointsItem : public QGraphicsItem {
 public:
  explicit PointsItem(QGraphicsItem* chart);

  // One picture per group, and each group's points (values) in drawing order: the groups are
  // drawn in their order, each over the ones before, as separate series would be.
  struct Group {
    QImage pointer;
    std::vector<QPointF> values;
  };
  // The plot's top left in the chart's coordinates, the plot (the axes' ranges and its size),
  // and what to draw; a plot that is not usable (an axis whose ends meet) shows nothing.
  void SetPoints(QPointF plotTopLeft, const quarvex::analyzer::chartdecimation::Plot& plot, std::vector<Group> groups);
  void Clear();
  std::size_t Count() const;

  QRectF boundingRect() const override { return bounds_; }
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

 private:
  std::vector<QImage> pointers_;        // each group's
  std::vector<QPointF> placed_;         // every group's points, placed, group after group
  std::vector<std::size_t> groupEnds_;  // where each group's points end in placed_
  QRectF bounds_;
};

}  // namespace quarvex::ui::chartpoints
