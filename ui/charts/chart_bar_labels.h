// The names under the bars ("KN", "0", "1", ...), drawn by the chart itself. Qt Charts' category
// axis cuts a name to "..." as soon as it thinks it does not fit, and keeps its cut names on
// screen after the bars are gone; here every name is drawn whole, centred under its bar, and
// where neighbours would touch they are staggered over a few rows.
#pragma once

#include <QFont>
#include <QGraphicsItem>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

namespace quarvex::ui::chartlabels {

struct Label {
  QString text;
  QRectF box;  // in the chart's coordinates
};

// The most rows the names are spread over. Beyond that (several hundred blocks on a window
// of ordinary size) only every n-th bar is named, the smallest n that fits, from the first.
inline constexpr int kMaxRows = 3;

struct Layout {
  std::vector<Label> labels;
  int rows = 0;       // rows used
  int every = 1;      // every n-th bar named
  double height = 0;  // room the rows take below top
};

// Names centred on the given x positions, the first row's top at top: name i in row
// (i / every) % rows, the fewest rows (then the smallest every) in which no two names of a
// row come closer than a few pixels.
Layout BarLabels(const std::vector<double>& centres, const QStringList& texts, const QFont& font, double top);

class LabelsItem : public QGraphicsItem {
 public:
  explicit LabelsItem(QGraphicsItem* parent);
  void SetLabels(std::vector<Label> labels, const QFont& font);
  const std::vector<Label>& Labels() const { return labels_; }
  QRectF boundingRect() const override { return bounds_; }
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

 private:
  std::vector<Label> labels_;
  QFont font_;
  QRectF bounds_;
};

}  // namespace quarvex::ui::chartlabels
