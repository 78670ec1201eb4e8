// Marks: the value labels of the pie slices and of the stacked bars, drawn by the chart itself
// as boxed texts at the end of a short arrow. Qt Charts' own labels can neither show a bar's
// value on a 100 % stacked bar (they show its share), nor put a box round a text, nor keep
// the labels of thin slices apart; so the analysis chart places its marks here.
#pragma once

#include <QFont>
#include <QGraphicsItem>
#include <QLineF>
#include <QRectF>
#include <QString>
#include <vector>

namespace quarvex::ui::chartmarks {

struct Mark {
  QString text;
  QFont font;
  QRectF box;    // in the chart's coordinates
  QLineF arrow;  // from the point marked to the box
};

// Marks of pie slices: "label value" outside the rim, the arrow arrowLength pixels long,
// each slice given as its mid angle (degrees clockwise from 12 o'clock). Marks on the same
// side are moved apart vertically until none covers another.
struct Slice {
  double midAngle;
  QString text;
};
std::vector<Mark> PieMarks(const std::vector<Slice>& slices, QPointF centre, double radius, double arrowLength,
                           const QFont& font);

// A mark above the point top (the top of a bar's segment): its box's lower edge arrowLength
// pixels above it (below it when negative), centred on it but kept between the plot's sides.
Mark BarMark(QPointF top, double arrowLength, const QString& text, const QFont& font, const QRectF& plot);

// Moves the boxes apart, each in its own column: each box, in turn, goes to the free place
// nearest its own straight up or down (the arrow following it) where it covers no box placed
// before it, inside area and no further than maxTravel from where it was placed. A box stays
// over the point it marks: it is never moved to the side, where it would stand over a
// neighbour's bar. A box that finds no such place is left out (the marks that fit are
// returned, in their order); `dropped`, when given, counts those left out.
std::vector<Mark> Spread(std::vector<Mark> marks, const QRectF& area, double maxTravel, int* dropped = nullptr);

// One graphics item that draws a list of marks over the chart.
class MarksItem : public QGraphicsItem {
 public:
  explicit MarksItem(QGraphicsItem* parent);
  void SetMarks(std::vector<Mark> marks);
  const std::vector<Mark>& Marks() const { return marks_; }
  QRectF boundingRect() const override { return bounds_; }
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

 private:
  std::vector<Mark> marks_;
  QRectF bounds_;
};

}  // namespace quarvex::ui::chartmarks
