// The analysis chart `chAna`: the nine series of the analysis drawn with Qt Charts, the six
// views the selector offers, and the click on a point of the in-use record-size series.
// It draws from the engine's plain series data (analyzer/chart_series.h) and knows nothing
// of the job.
#pragma once

#include <QColor>
#include <QLineF>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QRectF>
#include <QtCharts/QChartView>
#include <functional>
#include <optional>
#include <vector>

#include "analyzer/chart_series.h"
#include "analyzer/chart_views.h"

class QAction;
class QRubberBand;

namespace quarvex::ui {

class AnalysisChart : public QChartView {
  Q_OBJECT

 public:
  explicit AnalysisChart(QWidget* parent = nullptr);
  ~AnalysisChart() override;

  // The entry texts of the view selector `cbxSelChart`, in order (UTF-8).
  static QStringList ViewNames();

  // Empties every series of its points (the job does it at its start).
  void ClearSeries();
  // Fills the nine series from the analysis' data in one batch, once the job has ended.
  void LoadSeries(const quarvex::analyzer::ChartSeriesSet& series);
  // The view change: every series inactive, then the view's series active (with the bar
  // marks shown for view 1 and hidden for view 2). An index outside 0-5 shows nothing.
  // What each view shows is in analyzer/chart_views.h.
  void SelectView(int index);
  void SelectView(quarvex::analyzer::chartviews::ChartView view) {
    SelectView(quarvex::analyzer::chartviews::IndexOf(view));
  }

  // For tests and the picture writer: the series by index (0 = Series1) and their state.
  int SeriesCount() const;
  bool SeriesActive(int index) const;
  bool MarksVisible(int index) const;
  int PointCount(int index) const;
  // A point as the chart holds it: its value, its colour, and its label where the chart
  // shows one (pie marks, bar categories); empty for the point and line series, whose marks
  // stay hidden (their labels are in the analysis' own series data).
  double PointValue(int index, int point) const;
  QString PointLabel(int index, int point) const;
  QColor PointColour(int index, int point) const;
  // Where a point of an active point or line series is drawn, in viewport coordinates
  // (rounded to the pixel, and exact). A point left out of the drawing has its place too.
  QPoint PointPosition(int index, int point) const;
  QPointF PointPositionF(int index, int point) const;
  // The points of a point series that are drawn (by index, ascending): a large series is
  // thinned to the plot's pixel columns (analyzer/chart_decimation.h). Empty for other series and
  // while the series is not shown.
  std::vector<int> DrawnPoints(int index) const;
  // What the chart draws besides the series: the texts of the marks now shown, and the
  // legend's entries top to bottom.
  QStringList MarkTexts() const;
  std::vector<QRectF> MarkBoxes() const;  // in the chart's coordinates
  // The names drawn under the bars (empty while no bars are shown), and their boxes.
  QStringList BarLabelTexts() const;
  std::vector<QRectF> BarLabelBoxes() const;
  // The QScatterSeries::MarkerShape of a point series (-1 for the others), and whether a
  // series is drawn with OpenGL now.
  int PointShape(int index) const;
  bool DrawnWithOpenGL(int index) const;
  QStringList LegendEntries() const;
  // The arrows of the marks now shown (from the point marked to its box), in MarkTexts' order,
  // and how many bar marks found no free place beside their bar and are left out.
  std::vector<QLineF> MarkArrows() const;
  int HiddenMarkCount() const;
  // View 4's average line across the plot, over the points (chart coordinates); none in other
  // views or while the average lies outside the plot.
  std::optional<QLineF> AverageLine() const;

  // The record-size views (4 and 5) zoom: the wheel zooms in and out round the pointer, a
  // rectangle dragged with the left button zooms into it, and a double click, Home or the
  // context menu's "Reset zoom" shows every point again. Their size axis can be logarithmic
  // (the context menu, or L): a real hive's few large records otherwise squash every other
  // point onto the bottom. A view change or a new load shows the whole series again.
  bool Zoomed() const;
  void ResetZoom();
  // Zooms round a place of the viewport: factor below 1 zooms in, above 1 out (never past
  // the whole series).
  void ZoomAround(QPointF viewportPosition, double factor);
  // Zooms into a rectangle of the viewport (one at least 4 pixels each way).
  void ZoomInto(const QRectF& viewportRect);
  bool LogSizes() const;
  void SetLogSizes(bool on);
  // The ranges the axes of a record-size view show now: point indexes, and sizes in bytes.
  std::pair<double, double> IndexRange() const;
  std::pair<double, double> SizeRange() const;
  // The context menu's actions: "Reset zoom" and "Logarithmic size axis" (checkable).
  QList<QAction*> SizeViewActions() const;

  // What a point's tooltip names it by: in-use points by their key's path, free ones by their
  // place. An empty text (or no namer) falls back to the offset the analysis labels it with.
  using PointNamer = std::function<QString(quarvex::analyzer::SeriesId, int valueIndex)>;
  void SetPointNamer(PointNamer namer);
  // The tooltip at a place of the viewport: the point under it named, and its size ("18,132
  // bytes"); empty where no point of a record-size view is.
  QString PointToolTip(QPoint viewportPosition) const;

  // The same, by the series' name (quarvex::analyzer::chartviews::kRecordSizes ...).
  using SeriesId = quarvex::analyzer::SeriesId;
  static int IndexOf(SeriesId id) { return static_cast<int>(quarvex::analyzer::chartviews::IndexOf(id)); }
  bool SeriesActive(SeriesId id) const { return SeriesActive(IndexOf(id)); }
  bool MarksVisible(SeriesId id) const { return MarksVisible(IndexOf(id)); }
  int PointCount(SeriesId id) const { return PointCount(IndexOf(id)); }
  double PointValue(SeriesId id, int point) const { return PointValue(IndexOf(id), point); }
  QString PointLabel(SeriesId id, int point) const { return PointLabel(IndexOf(id), point); }
  QColor PointColour(SeriesId id, int point) const { return PointColour(IndexOf(id), point); }
  QPoint PointPosition(SeriesId id, int point) const { return PointPosition(IndexOf(id), point); }
  QPointF PointPositionF(SeriesId id, int point) const { return PointPositionF(IndexOf(id), point); }
  std::vector<int> DrawnPoints(SeriesId id) const { return DrawnPoints(IndexOf(id)); }

  // Draw the line series with OpenGL where a context can be made (the default); off for
  // pictures, which are painted in software. The point series, thinned, are always drawn in
  // software.
  void SetOpenGL(bool wanted);
  bool UsesOpenGL() const;

 signals:
  // A point of quarvex::analyzer::chartviews::kRecordSizes (Series6, "UsingRecSize") was clicked: its index in
  // the series, whether the point is drawn or left out of the drawing.
  void usingPointClicked(int valueIndex);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  struct Impl;
  Impl* impl_;
  QRubberBand* rubberBand_ = nullptr;
  QAction* resetZoomAction_ = nullptr;
  QAction* logSizesAction_ = nullptr;
};

}  // namespace quarvex::ui
