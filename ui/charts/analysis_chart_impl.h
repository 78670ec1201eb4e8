// The analysis chart's inner state (ui/charts/analysis_chart.h keeps it behind a pointer), shared by
// the files that load its series (analysis_chart.cpp), draw it (analysis_chart_drawing.cpp), read
// it back for tests and pictures (analysis_chart_readback.cpp), and zoom it (analysis_chart_zoom.cpp).
#pragma once

#include "ui/charts/analysis_chart.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGraphicsItemGroup>
#include <QGuiApplication>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QRubberBand>
#include <QSet>
#include <QToolTip>
#include <QWheelEvent>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSet>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QPercentBarSeries>
#include <QtCharts/QPieSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "ui/charts/chart_average_line.h"
#include "ui/charts/chart_bar_labels.h"
#include "analyzer/chart_decimation.h"
#include "ui/charts/chart_legend.h"
#include "ui/charts/chart_marks.h"
#include "ui/charts/chart_points_item.h"
#include "ui/charts/chart_style.h"
#include "analyzer/chart_views.h"

namespace quarvex::ui {

using chartstyle::ColoursOf;
using quarvex::analyzer::chartviews::Drawing;
using quarvex::analyzer::chartviews::IndexOf;
using quarvex::analyzer::chartviews::kAllSeries;
using quarvex::analyzer::chartviews::kBlockSeries;
using quarvex::analyzer::chartviews::kSeriesCount;
using quarvex::analyzer::chartviews::RoleOf;
using quarvex::analyzer::chartviews::SeriesId;

inline constexpr double kMarkedBarPixels = 4;
// Between a pixel column's lowest and highest point, one point of every cell this many pixels
// wide and high is drawn: half a pointer, so that points drawn close together still draw a
// closed band (analyzer/chart_decimation.h).
inline constexpr double kFillCellPixels = chartstyle::kPointerPixels / 2.0;
// A click names a point whose pointer holds it: the pointer reaches this far from its centre.
inline constexpr double kClickRadiusPixels = chartstyle::kPointerPixels / 2.0;
// The plot assumed for thinning before the chart has laid itself out.
inline constexpr double kUnlaidWidth = 640, kUnlaidHeight = 400;
inline constexpr int kMargin = 6, kBarsTopMargin = 24;  // room above the bars for the top marks
// A bar mark moves at most this many of its boxes' heights up or down to find a free place;
// further away it would no longer read as its bar's, and is left out.
inline constexpr double kMarkTravelBoxes = 3;
// Zooming: one wheel step shows this share of the range; the smallest ranges a zoom shows
// (point indexes, bytes, decades of a logarithmic axis); the smallest rectangle zoomed into.
inline constexpr double kWheelStep = 0.8;
inline constexpr double kLeastIndexSpan = 2, kLeastSizeSpan = 2, kLeastDecades = 0.01;
inline constexpr double kLeastZoomPixels = 4;

// A round step for five to twelve ticks over span: 1, 2 or 5 times a power of ten.
inline double TickStep(double span) {
  if (span <= 0) return 1;
  const double raw = span / 6, power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double factor : {1.0, 2.0, 5.0})
    if (raw <= factor * power) return std::max(1.0, factor * power);
  return std::max(1.0, 10 * power);
}

inline bool OpenGLAvailable() {
  static const bool available = [] {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return false;
    QOpenGLContext context;
    return context.create();
  }();
  return available;
}

// Qt Charts draws each point of a point series as an item in one item group. Each item added
// to the group makes Qt 6.4 look at every item already in it (does any ignore the group's
// opacity?), which for 100,000 points takes a minute. The groups' opacity is never changed:
// telling them not to pass it on skips that look.
inline void KeepOpacityToItself(QGraphicsItem* item) {
  for (QGraphicsItem* child : item->childItems()) {
    if (child->type() == QGraphicsItemGroup::Type) {
      child->setFlag(QGraphicsItem::ItemDoesntPropagateOpacityToChildren);
      continue;  // its children are the points
    }
    KeepOpacityToItself(child);
  }
}

// Makes every label unique (the category axis drops repeats) without changing what it shows.
inline QStringList UniqueLabels(const QStringList& labels) {
  QStringList unique;
  QSet<QString> seen;
  for (QString label : labels) {
    while (seen.contains(label)) label += QChar(0x200B);
    seen.insert(label);
    unique.append(label);
  }
  return unique;
}

// A point series' points, split into one Qt series per colour so that every point keeps its
// own colour. The Qt series hold only the points drawn (analyzer/chart_decimation.h), thinned for
// the plot they were drawn on; every point's value and colour stay here, for the click and
// for reading values back.
struct PointSeries {
  std::vector<QScatterSeries*> parts;
  std::vector<std::uint32_t> part;  // per point: its colour's Qt series
  std::vector<double> values;       // per point
  std::vector<std::string> labels;  // per point, as the analysis labels it (an offset)
  double min = 0, max = 0;
  double minPositive = 0;            // the smallest value above 0 (0 when there is none)
  std::vector<std::uint32_t> drawn;  // the points drawn, in index order
  std::optional<quarvex::analyzer::chartdecimation::Plot> drawnFor;  // none while nothing is drawn
  chartpoints::PointsItem* item = nullptr;                           // draws them (ui/charts/chart_points_item.h)
};

// Where a series stands in its group of the chart_views table (the pies, the block bars, ...).
template <std::size_t N>
std::size_t SlotIn(const std::array<SeriesId, N>& group, SeriesId id) {
  return static_cast<std::size_t>(std::find(group.begin(), group.end(), id) - group.begin());
}

struct AnalysisChart::Impl {
  QChart* chart = nullptr;
  QObject keeper;  // owns the series and bar sets while they are off the chart
  bool openGL = false;
  std::optional<analyzer::chartviews::ChartView>
      view;  // none before the first selection or for an index outside the list
  std::array<bool, kSeriesCount> active{};
  std::array<bool, kSeriesCount> marks{};
  std::array<QPieSeries*, 2> pies{};  // analyzer::chartviews::kPieSeries
  QPercentBarSeries* bars = nullptr;
  std::array<QBarSet*, 3> sets{};  // analyzer::chartviews::kBlockSeries
  std::array<QColor, 3> setColours{};
  std::array<PointSeries, 2> points;    // analyzer::chartviews::kPointSeries
  std::array<QLineSeries*, 2> lines{};  // analyzer::chartviews::kLineSeries
  std::array<double, 2> lineMin{}, lineMax{};
  QValueAxis* axisY = nullptr;
  QLogValueAxis* axisLogY = nullptr;  // the size axis of a record-size view, logarithmic
  bool logSizes = false;
  // The ranges a record-size view shows unzoomed, in plot units: indexes, and sizes or (on
  // the logarithmic axis) their decimal logarithms.
  std::pair<double, double> homeX{0, 1}, homeY{0, 1};
  bool zoomed = false;
  AnalysisChart::PointNamer namer;
  chartaverage::AverageLineItem* averageItem = nullptr;
  int hiddenMarks = 0;
  QValueAxis* axisX = nullptr;
  QBarCategoryAxis* axisCategories = nullptr;
  chartmarks::MarksItem* marksItem = nullptr;
  chartlabels::LabelsItem* labelsItem = nullptr;
  double labelsRoom = 0;  // below the plot, for the bars' names
  chartlegend::LegendItem* legendItem = nullptr;

  static Drawing DrawingOf(SeriesId id) { return RoleOf(id).drawing; }
  QPieSeries* Pie(SeriesId id) const { return pies[SlotIn(analyzer::chartviews::kPieSeries, id)]; }
  QBarSet* Set(SeriesId id) const { return sets[SlotIn(kBlockSeries, id)]; }
  const PointSeries& Points(SeriesId id) const { return points[SlotIn(analyzer::chartviews::kPointSeries, id)]; }
  PointSeries& Points(SeriesId id) { return points[SlotIn(analyzer::chartviews::kPointSeries, id)]; }
  QLineSeries* Line(SeriesId id) const { return lines[SlotIn(analyzer::chartviews::kLineSeries, id)]; }
  bool& Active(SeriesId id) { return active[IndexOf(id)]; }
  bool Active(SeriesId id) const { return active[IndexOf(id)]; }
  bool& Marks(SeriesId id) { return marks[IndexOf(id)]; }
  bool Marks(SeriesId id) const { return marks[IndexOf(id)]; }
  bool SizesView() const {
    return view && analyzer::chartviews::LayoutOf(*view).axes == analyzer::chartviews::Axes::Sizes;
  }
  bool LogOn() const { return logSizes && SizesView(); }
  // The size axis the point and line series stand on now.
  QAbstractAxis* SizeAxis() const { return LogOn() ? static_cast<QAbstractAxis*>(axisLogY) : axisY; }
  // A size in plot units: itself, or on the logarithmic axis its decimal logarithm (a size
  // of 0 or below sits on the axis' lowest value, 10 to the power homeY.first).
  double PlotY(double value) const {
    if (!LogOn()) return value;
    return value > 0 ? std::max(std::log10(value), homeY.first) : homeY.first;
  }
  std::pair<double, double> ShownY() const {
    if (LogOn()) return {std::log10(axisLogY->min()), std::log10(axisLogY->max())};
    return {axisY->min(), axisY->max()};
  }
  std::vector<double> PlotValues(const PointSeries& ps) const {
    if (!LogOn()) return ps.values;
    std::vector<double> plotted(ps.values.size());
    for (std::size_t i = 0; i < plotted.size(); ++i) plotted[i] = PlotY(ps.values[i]);
    return plotted;
  }

  // The Qt series of one of the nine, as drawn on the chart (the bar series for all three).
  std::vector<QAbstractSeries*> Physical(SeriesId id) const {
    switch (DrawingOf(id)) {
      case Drawing::Pie:
        return {Pie(id)};
      case Drawing::StackedBars:
        return {bars};
      case Drawing::Points:
        return {Points(id).parts.begin(), Points(id).parts.end()};
      case Drawing::Line:
        return {Line(id)};
    }
    return {};
  }
  bool Wanted(SeriesId id) const {
    if (DrawingOf(id) != Drawing::StackedBars) return Active(id);
    return std::any_of(kBlockSeries.begin(), kBlockSeries.end(), [&](SeriesId bar) { return Active(bar); });
  }

  void Detach(QAbstractSeries* series) {
    if (!series->chart()) return;
    chart->removeSeries(series);
    series->setParent(&keeper);
  }
  void Attach(QAbstractSeries* series, Drawing drawing) {
    if (series->chart()) return;
    // A point or line series goes on empty and gets its points once its axes are attached:
    // attaching an axis remakes the series' drawn items, which for 100,000 points takes Qt
    // 6.4 a minute. A point series gets the points drawn for the plot (DrawPoints).
    auto* xy = qobject_cast<QXYSeries*>(series);
    QList<QPointF> held;
    if (xy) {
      held = xy->points();
      xy->clear();
    }
    chart->addSeries(series);
    if (drawing == Drawing::Pie) return;
    series->attachAxis(drawing == Drawing::StackedBars ? static_cast<QAbstractAxis*>(axisCategories) : axisX);
    series->attachAxis(drawing == Drawing::StackedBars ? axisY : SizeAxis());
    if (!xy) return;
    KeepOpacityToItself(chart);
    if (drawing == Drawing::Points) {
      for (PointSeries& ps : points)
        if (std::find(ps.parts.begin(), ps.parts.end(), series) != ps.parts.end()) ps.drawnFor.reset();
      return;
    }
    xy->replace(held);
  }

  void ApplyMarks(SeriesId id);
  void Sync();
  void SyncBarSets();
  void SyncAxes();
  void SyncLegend();
  void UpdateMarks();
  void LayBarLabels(const QRectF& plot);
  void ShowAxis(QAbstractAxis* axis, Qt::Alignment side, bool shown);
  void LoadPie(SeriesId id, const quarvex::analyzer::ChartSeries& data);
  void LoadBars(const quarvex::analyzer::ChartSeriesSet& data);
  void LoadPoints(SeriesId id, const quarvex::analyzer::ChartSeries& data);
  void LoadLine(SeriesId id, const quarvex::analyzer::ChartSeries& data);
  void MakePointPart(SeriesId id, QColor colour, QScatterSeries* series);
  quarvex::analyzer::chartdecimation::Plot PlotOf(QRectF area) const;
  void DrawPoints();
  void DrawAverage();
  void SetRanges(std::pair<double, double> x, std::pair<double, double> y);
  std::pair<double, double> Clamped(std::pair<double, double> range, std::pair<double, double> home,
                                    double least) const;
  double LeastY() const { return LogOn() ? kLeastDecades : kLeastSizeSpan; }
  std::optional<std::size_t> PointAtClick(SeriesId id, QPointF scenePosition) const;

  std::optional<QPointF> pressedAt;  // where the left button went down, in the viewport
};

}  // namespace quarvex::ui
