#include "ui/analysis_chart.h"

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

#include "ui/chart_average_line.h"
#include "ui/chart_bar_labels.h"
#include "ui/chart_decimation.h"
#include "ui/chart_legend.h"
#include "ui/chart_marks.h"
#include "ui/chart_points_item.h"
#include "ui/chart_style.h"
#include "ui/chart_views.h"

using chartstyle::ColoursOf;
using chartviews::Drawing;
using chartviews::IndexOf;
using chartviews::RoleOf;
using chartviews::SeriesId;
using chartviews::kAllSeries;
using chartviews::kBlockSeries;
using chartviews::kSeriesCount;

namespace {

constexpr double kMarkedBarPixels = 4;
// Between a pixel column's lowest and highest point, one point of every cell this many pixels
// wide and high is drawn: half a pointer, so that points drawn close together still draw a
// closed band (ui/chart_decimation.h).
constexpr double kFillCellPixels = chartstyle::kPointerPixels / 2.0;
// A click names a point whose pointer holds it: the pointer reaches this far from its centre.
constexpr double kClickRadiusPixels = chartstyle::kPointerPixels / 2.0;
// The plot assumed for thinning before the chart has laid itself out.
constexpr double kUnlaidWidth = 640, kUnlaidHeight = 400;
constexpr int kMargin = 6, kBarsTopMargin = 24;  // room above the bars for the top marks
// A bar mark moves at most this many of its boxes' heights up or down to find a free place;
// further away it would no longer read as its bar's, and is left out.
constexpr double kMarkTravelBoxes = 3;
// Zooming: one wheel step shows this share of the range; the smallest ranges a zoom shows
// (point indexes, bytes, decades of a logarithmic axis); the smallest rectangle zoomed into.
constexpr double kWheelStep = 0.8;
constexpr double kLeastIndexSpan = 2, kLeastSizeSpan = 2, kLeastDecades = 0.01;
constexpr double kLeastZoomPixels = 4;

// A round step for five to twelve ticks over span: 1, 2 or 5 times a power of ten.
double TickStep(double span) {
  if (span <= 0) return 1;
  const double raw = span / 6, power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double factor : {1.0, 2.0, 5.0})
    if (raw <= factor * power) return std::max(1.0, factor * power);
  return std::max(1.0, 10 * power);
}

bool OpenGLAvailable() {
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
void KeepOpacityToItself(QGraphicsItem* item) {
  for (QGraphicsItem* child : item->childItems()) {
    if (child->type() == QGraphicsItemGroup::Type) {
      child->setFlag(QGraphicsItem::ItemDoesntPropagateOpacityToChildren);
      continue;  // its children are the points
    }
    KeepOpacityToItself(child);
  }
}

// Makes every label unique (the category axis drops repeats) without changing what it shows.
QStringList UniqueLabels(const QStringList& labels) {
  QStringList unique;
  QSet<QString> seen;
  for (QString label : labels) {
    while (seen.contains(label)) label += QChar(0x200B);
    seen.insert(label);
    unique.append(label);
  }
  return unique;
}

}  // namespace

// A point series' points, split into one Qt series per colour so that every point keeps its
// own colour. The Qt series hold only the points drawn (ui/chart_decimation.h), thinned for
// the plot they were drawn on; every point's value and colour stay here, for the click and
// for reading values back.
struct PointSeries {
  std::vector<QScatterSeries*> parts;
  std::vector<std::uint32_t> part;  // per point: its colour's Qt series
  std::vector<double> values;       // per point
  std::vector<std::string> labels;  // per point, as the analysis labels it (an offset)
  double min = 0, max = 0;
  double minPositive = 0;  // the smallest value above 0 (0 when there is none)
  std::vector<std::uint32_t> drawn;  // the points drawn, in index order
  std::optional<chartdecimation::Plot> drawnFor;  // none while nothing is drawn
  chartpoints::PointsItem* item = nullptr;  // draws them (ui/chart_points_item.h)
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
  std::optional<chartviews::ChartView> view;  // none before the first selection or for an index outside the list
  std::array<bool, kSeriesCount> active{};
  std::array<bool, kSeriesCount> marks{};
  std::array<QPieSeries*, 2> pies{};  // chartviews::kPieSeries
  QPercentBarSeries* bars = nullptr;
  std::array<QBarSet*, 3> sets{};      // chartviews::kBlockSeries
  std::array<QColor, 3> setColours{};
  std::array<PointSeries, 2> points;  // chartviews::kPointSeries
  std::array<QLineSeries*, 2> lines{};  // chartviews::kLineSeries
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
  QPieSeries* Pie(SeriesId id) const { return pies[SlotIn(chartviews::kPieSeries, id)]; }
  QBarSet* Set(SeriesId id) const { return sets[SlotIn(kBlockSeries, id)]; }
  const PointSeries& Points(SeriesId id) const { return points[SlotIn(chartviews::kPointSeries, id)]; }
  PointSeries& Points(SeriesId id) { return points[SlotIn(chartviews::kPointSeries, id)]; }
  QLineSeries* Line(SeriesId id) const { return lines[SlotIn(chartviews::kLineSeries, id)]; }
  bool& Active(SeriesId id) { return active[IndexOf(id)]; }
  bool Active(SeriesId id) const { return active[IndexOf(id)]; }
  bool& Marks(SeriesId id) { return marks[IndexOf(id)]; }
  bool Marks(SeriesId id) const { return marks[IndexOf(id)]; }
  bool SizesView() const { return view && chartviews::LayoutOf(*view).axes == chartviews::Axes::Sizes; }
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
      case Drawing::Pie: return {Pie(id)};
      case Drawing::StackedBars: return {bars};
      case Drawing::Points: return {Points(id).parts.begin(), Points(id).parts.end()};
      case Drawing::Line: return {Line(id)};
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
  chartdecimation::Plot PlotOf(QRectF area) const;
  void DrawPoints();
  void DrawAverage();
  void SetRanges(std::pair<double, double> x, std::pair<double, double> y);
  std::pair<double, double> Clamped(std::pair<double, double> range, std::pair<double, double> home, double least) const;
  double LeastY() const { return LogOn() ? kLeastDecades : kLeastSizeSpan; }
  std::optional<std::size_t> PointAtClick(SeriesId id, QPointF scenePosition) const;

  std::optional<QPointF> pressedAt;  // where the left button went down, in the viewport
};

void AnalysisChart::Impl::ApplyMarks(SeriesId id) {
  const bool on = Marks(id);
  switch (DrawingOf(id)) {
    case Drawing::Pie:
    case Drawing::StackedBars: break;  // drawn by the marks item
    case Drawing::Points:
      for (QScatterSeries* part : Points(id).parts) part->setPointLabelsVisible(on);
      break;
    case Drawing::Line: Line(id)->setPointLabelsVisible(on); break;
  }
}

// Puts on the chart exactly the series that are active, in the chart's order, then fits the
// axes and the legend to them. Series that stay on keep their drawn items.
void AnalysisChart::Impl::Sync() {
  for (SeriesId id : kAllSeries)
    if (!Wanted(id))
      for (QAbstractSeries* s : Physical(id)) Detach(s);
  SyncBarSets();
  // Only the view's own axes stand on the chart: a hidden axis still lays out (and Qt keeps
  // drawing its cut labels), so an axis not wanted is taken off.
  const chartviews::Axes axes = view ? chartviews::LayoutOf(*view).axes : chartviews::Axes::None;
  ShowAxis(axisCategories, Qt::AlignBottom, axes == chartviews::Axes::Percent);
  ShowAxis(axisX, Qt::AlignBottom, axes == chartviews::Axes::Sizes);
  const bool logAxis = axes == chartviews::Axes::Sizes && logSizes;
  ShowAxis(axisY, Qt::AlignLeft, axes != chartviews::Axes::None && !logAxis);
  ShowAxis(axisLogY, Qt::AlignLeft, logAxis);
  for (SeriesId id : kAllSeries)
    if (Wanted(id))
      for (QAbstractSeries* s : Physical(id)) Attach(s, DrawingOf(id));
  SyncAxes();
  SyncLegend();
  DrawPoints();
  DrawAverage();
  UpdateMarks();
}

// The plot of the point and line series as the axes and an area of the chart give it.
chartdecimation::Plot AnalysisChart::Impl::PlotOf(QRectF area) const {
  const auto [yMin, yMax] = ShownY();
  return {axisX->min(), axisX->max(), yMin, yMax, area.width(), area.height()};
}

// Draws the active point series' points for the plot as it is now, thinned to it: each
// colour's points with that colour's pointer picture, colour after colour, by the series'
// points item; a series already drawn for this plot is left as it is. Before the chart's first
// layout a plot of common size is assumed; the layout calls again. The Qt series stay empty
// (their point labels are never shown: no view turns marks on for a point series).
void AnalysisChart::Impl::DrawPoints() {
  QRectF area = chart->plotArea();
  if (area.width() < 1 || area.height() < 1) area = QRectF(0, 0, kUnlaidWidth, kUnlaidHeight);
  const chartdecimation::Plot plot = PlotOf(area);
  for (SeriesId id : chartviews::kPointSeries) {
    PointSeries& ps = Points(id);
    if (!Active(id) || ps.parts.empty() || !ps.parts.front()->chart()) {
      ps.item->Clear();
      ps.drawn.clear();
      ps.drawnFor.reset();
      continue;
    }
    if (ps.drawnFor == plot) continue;
    // On the logarithmic axis the points are placed by their sizes' logarithms, on a plot
    // running between the logarithms of the axis' ends: where Qt's log axis puts them.
    const std::vector<double> plotted = PlotValues(ps);
    // Zoomed in, only the points of the indexes shown are thinned and drawn.
    const auto count = static_cast<double>(plotted.size());
    const auto first = static_cast<std::size_t>(std::clamp(std::floor(plot.xMin), 0.0, count));
    const auto last = static_cast<std::size_t>(std::clamp(std::ceil(plot.xMax) + 1, 0.0, count));
    // The thinning counts the part's indexes from 0: its plot is shifted by as much, and the
    // indexes it gives back by the same.
    chartdecimation::Plot part = plot;
    part.xMin -= static_cast<double>(first);
    part.xMax -= static_cast<double>(first);
    ps.drawn = first < last ? chartdecimation::PointsToDraw(
                                  std::span<const double>(plotted).subspan(first, last - first),
                                  std::span<const std::uint32_t>(ps.part).subspan(first, last - first), part, kFillCellPixels)
                            : std::vector<std::uint32_t>();
    for (std::uint32_t& i : ps.drawn) i += static_cast<std::uint32_t>(first);
    std::vector<chartpoints::PointsItem::Group> groups(ps.parts.size());
    for (std::size_t p = 0; p < ps.parts.size(); ++p) groups[p].pointer = ps.parts[p]->lightMarker();
    for (std::uint32_t i : ps.drawn) groups[ps.part[i]].values.emplace_back(static_cast<qreal>(i), plotted[i]);
    ps.item->SetPoints(area.topLeft(), plot, std::move(groups));
    ps.drawnFor = plot;
  }
}

// The bar series holds the active ones of the three bar sets, in their order.
void AnalysisChart::Impl::SyncBarSets() {
  QList<QBarSet*> wanted;
  for (SeriesId id : kBlockSeries)
    if (Active(id)) wanted.append(Set(id));
  // Compared by hand: QList's == hands memcmp a null pointer for an empty list.
  const QList<QBarSet*> held = bars->barSets();
  if (std::equal(held.begin(), held.end(), wanted.begin(), wanted.end())) return;
  for (QBarSet* set : held) {
    bars->take(set);
    set->setParent(&keeper);
  }
  bars->append(wanted);
}

// The axes the view asks for (chartviews::Axes), fitted to its active series.
void AnalysisChart::Impl::SyncAxes() {
  const chartviews::Axes axes = view ? chartviews::LayoutOf(*view).axes : chartviews::Axes::None;
  const bool barsOn = axes == chartviews::Axes::Percent;
  const bool xyOn = axes == chartviews::Axes::Sizes;
  double lo = 0, hi = 0, count = 0;
  bool first = true;
  for (SeriesId id : kAllSeries) {
    const Drawing drawing = DrawingOf(id);
    if (!Active(id) || (drawing != Drawing::Points && drawing != Drawing::Line)) continue;
    const bool isPoints = drawing == Drawing::Points;
    const double n = isPoints ? static_cast<double>(Points(id).part.size()) : Line(id)->count();
    if (n == 0) continue;
    const std::size_t line = isPoints ? 0 : SlotIn(chartviews::kLineSeries, id);
    const double min = isPoints ? Points(id).min : lineMin[line];
    const double max = isPoints ? Points(id).max : lineMax[line];
    lo = first ? min : std::min(lo, min);
    hi = first ? max : std::max(hi, max);
    count = std::max(count, n);
    first = false;
  }
  if (barsOn) {
    axisY->setTickInterval(20);
    axisY->setRange(0, 100);
    return;
  }
  if (!xyOn) return;
  zoomed = false;
  const double xPad = std::max(0.5, count * 0.01);
  axisX->setTickInterval(TickStep(count));  // first: a wide range at a fine step is many ticks
  axisX->setRange(-xPad, std::max(count - 1, 0.0) + xPad);
  homeX = {axisX->min(), axisX->max()};
  if (logSizes) {
    // Whole decades round every size above 0, the largest a little below the top.
    double least = 0;
    for (SeriesId id : kAllSeries) {
      const Drawing drawing = DrawingOf(id);
      if (!Active(id)) continue;
      double low = 0;
      if (drawing == Drawing::Points) low = Points(id).minPositive;
      else if (drawing == Drawing::Line && Line(id)->count() > 0 && lineMin[SlotIn(chartviews::kLineSeries, id)] > 0)
        low = lineMin[SlotIn(chartviews::kLineSeries, id)];
      if (low > 0) least = least > 0 ? std::min(least, low) : low;
    }
    if (least <= 0) least = 1;
    const double top = std::max(hi, least);
    const double lowDecade = std::floor(std::log10(least));
    const double highDecade = std::max(lowDecade + 1, std::ceil(std::log10(top) + 0.01));
    homeY = {lowDecade, highDecade};
    axisLogY->setRange(std::pow(10.0, lowDecade), std::pow(10.0, highDecade));
    return;
  }
  // Sizes are counted from zero; the pointers inflate the margins, so that no point sits on
  // the plot's edge; the ticks stay round.
  lo = std::min(lo, 0.0);
  const double span = hi - lo;
  const double pad = span > 0 ? span * 0.03 : std::max(1.0, std::abs(hi) * 0.1);
  axisY->setTickInterval(TickStep(span + 2 * pad));
  axisY->setRange(lo - pad, hi + pad);
  homeY = {axisY->min(), axisY->max()};
}

// A zoomed range kept inside the whole one and no narrower than least; a range as wide as
// the whole or wider is the whole.
std::pair<double, double> AnalysisChart::Impl::Clamped(std::pair<double, double> range, std::pair<double, double> home,
                                                        double least) const {
  const double whole = home.second - home.first;
  double span = range.second - range.first;
  if (!(span < whole)) return home;
  if (span < least) {
    const double middle = (range.first + range.second) / 2;
    span = std::min(least, whole);
    range = {middle - span / 2, middle + span / 2};
  }
  if (range.first < home.first) range = {home.first, home.first + span};
  if (range.second > home.second) range = {home.second - span, home.second};
  return range;
}

// Shows the given ranges (plot units) on the axes of a record-size view and draws its points
// and average for them. The tick step goes first where it grows, last where it shrinks, so
// that no moment has a fine step over a wide range.
void AnalysisChart::Impl::SetRanges(std::pair<double, double> x, std::pair<double, double> y) {
  if (!SizesView()) return;
  x = Clamped(x, homeX, kLeastIndexSpan);
  y = Clamped(y, homeY, LeastY());
  auto apply = [](QValueAxis* axis, std::pair<double, double> range) {
    const double step = TickStep(range.second - range.first);
    const bool finer = step < axis->tickInterval();
    if (!finer) axis->setTickInterval(step);
    axis->setRange(range.first, range.second);
    if (finer) axis->setTickInterval(step);
  };
  apply(axisX, x);
  if (LogOn())
    axisLogY->setRange(std::pow(10.0, y.first), std::pow(10.0, y.second));
  else
    apply(axisY, y);
  zoomed = x != homeX || y != homeY;
  DrawPoints();
  DrawAverage();
}

// View 4's average, straight across the plot over the points (chartviews::ViewLayout).
void AnalysisChart::Impl::DrawAverage() {
  const std::optional<SeriesId> id = view ? chartviews::LayoutOf(*view).averageAcross : std::nullopt;
  QLineSeries* line = id && DrawingOf(*id) == Drawing::Line ? Line(*id) : nullptr;
  if (!line || line->count() == 0 || !SizesView()) {
    averageItem->Clear();
    return;
  }
  const QRectF plot = chart->plotArea();
  const auto [yMin, yMax] = ShownY();
  if (plot.height() < 1 || !(yMax > yMin)) {
    averageItem->Clear();
    return;
  }
  const double y = plot.bottom() - (PlotY(line->at(0).y()) - yMin) / (yMax - yMin) * plot.height();
  averageItem->SetLine(plot, y, line->pen().color());
}

// One legend entry per series listed in the legend, the last series first; the legend stands
// at the right, its top at 4 % of the chart's height, the plot beside it.
void AnalysisChart::Impl::SyncLegend() {
  std::vector<chartlegend::Entry> entries;
  for (auto it = kAllSeries.rbegin(); it != kAllSeries.rend(); ++it) {
    const SeriesId id = *it;
    const bool across = view && chartviews::LayoutOf(*view).averageAcross == id;
    if (!across && (!Active(id) || !RoleOf(id).inLegend)) continue;
    if (DrawingOf(id) == Drawing::StackedBars)
      entries.push_back({Set(id)->label(), setColours[SlotIn(kBlockSeries, id)]});
    else if (DrawingOf(id) == Drawing::Line)
      entries.push_back({Line(id)->name(), Line(id)->pen().color()});
    else if (DrawingOf(id) == Drawing::Points && !Points(id).parts.empty())
      entries.push_back({Points(id).parts.front()->name(), Points(id).parts.front()->color()});
  }
  legendItem->SetEntries(std::move(entries));
  int right = kMargin;
  if (legendItem->isVisible()) {
    const QSizeF frame = legendItem->FrameSize();
    const QSizeF whole = chart->size();
    legendItem->setPos(std::floor(whole.width() - kMargin - chartlegend::LegendItem::kShadow - frame.width()),
                       std::floor(whole.height() * 0.04));
    right += static_cast<int>(std::ceil(frame.width())) + chartlegend::LegendItem::kShadow + 8;
  }
  const int top = bars->chart() ? kBarsTopMargin : kMargin;
  const int bottom = kMargin + (bars->chart() ? static_cast<int>(std::ceil(labelsRoom)) : 0);
  chart->setMargins(QMargins(kMargin, top, right, bottom));
}

// The marks of the active pies and bar sets whose marks are shown.
void AnalysisChart::Impl::UpdateMarks() {
  std::vector<chartmarks::Mark> all;
  hiddenMarks = 0;
  const QRectF plot = chart->plotArea();
  LayBarLabels(plot);
  for (SeriesId id : chartviews::kPieSeries) {
    if (!Active(id) || !Marks(id)) continue;
    std::vector<chartmarks::Slice> slices;
    for (const QPieSlice* slice : Pie(id)->slices())
      slices.push_back({slice->startAngle() + slice->angleSpan() / 2, slice->label()});
    const double radius = std::min(plot.width(), plot.height()) / 2 * Pie(id)->pieSize();
    const chartviews::SeriesRole& role = RoleOf(id);
    for (chartmarks::Mark& mark :
         chartmarks::PieMarks(slices, plot.center(), radius, role.markArrow, chartstyle::GothicFont(role.markPixels)))
      all.push_back(std::move(mark));
  }
  // Bars narrower than a few pixels get no marks: the marks could only cover them.
  const bool barsWide = bars->chart() && !bars->barSets().isEmpty() &&
                        plot.width() / std::max(1, bars->barSets().front()->count()) >= kMarkedBarPixels;
  if (barsWide) {
    const QList<QBarSet*> shown = bars->barSets();
    std::vector<chartmarks::Mark> barMarks;
    int categories = 0;
    for (const QBarSet* set : shown) categories = std::max(categories, set->count());
    for (int c = 0; c < categories; ++c) {
      double sum = 0;
      for (const QBarSet* set : shown) sum += c < set->count() ? set->at(c) : 0;
      if (sum == 0) continue;
      double top = 0;
      for (const QBarSet* set : shown) {
        const double value = c < set->count() ? set->at(c) : 0;
        top += value;
        const auto slot = static_cast<std::size_t>(std::find(sets.begin(), sets.end(), set) - sets.begin());
        const chartviews::SeriesRole& role = RoleOf(kBlockSeries[slot]);
        if (!Marks(role.id) || c >= set->count()) continue;
        const QPointF at = chart->mapToPosition(QPointF(static_cast<qreal>(c), top / sum * 100), bars);
        barMarks.push_back(chartmarks::BarMark(at, role.markArrow, chartstyle::GroupedNumber(value),
                                               chartstyle::GothicFont(role.markPixels), plot));
      }
    }
    // The marks may use the room above the bars (the chart's top margin) and the plot, each
    // over its own bar and near the segment it marks; one that finds no room there is left
    // out rather than laid over a neighbour's.
    const QRectF area(QPointF(plot.left(), chart->rect().top() + 2), plot.bottomRight());
    const double travel = kMarkTravelBoxes * (QFontMetricsF(chartstyle::GothicFont(13)).height() + 2);
    for (chartmarks::Mark& mark : chartmarks::Spread(std::move(barMarks), area, travel, &hiddenMarks))
      all.push_back(std::move(mark));
  }
  marksItem->SetMarks(std::move(all));
}

// The names under the bars, drawn whole (ui/chart_bar_labels.h); the chart's bottom margin
// makes room for their rows.
void AnalysisChart::Impl::LayBarLabels(const QRectF& plot) {
  chartlabels::Layout layout;
  const QFont font = axisCategories->labelsFont();
  if (bars->chart() && !bars->barSets().isEmpty()) {
    std::vector<double> centres;
    QStringList texts;
    const QStringList categories = axisCategories->categories();
    for (qsizetype c = 0; c < categories.size(); ++c) {
      centres.push_back(chart->mapToPosition(QPointF(static_cast<qreal>(c), 0), bars).x());
      texts.append(QString(categories.at(c)).remove(QChar(0x200B)));
    }
    layout = chartlabels::BarLabels(centres, texts, font, plot.bottom() + 6);
  }
  labelsItem->SetLabels(std::move(layout.labels), font);
  if (layout.height != labelsRoom) {
    labelsRoom = layout.height;
    SyncLegend();  // sets the margins; the plot's new area lays the names again
  }
}

void AnalysisChart::Impl::ShowAxis(QAbstractAxis* axis, Qt::Alignment side, bool shown) {
  const bool on = chart->axes().contains(axis);
  if (on == shown) return;
  // Hidden as well: Qt deletes a removed axis' drawn items only later, from the event loop.
  axis->setVisible(shown);
  if (shown) {
    chart->addAxis(axis, side);
    return;
  }
  chart->removeAxis(axis);
  axis->setParent(&keeper);
}

void AnalysisChart::Impl::LoadPie(SeriesId id, const quarvex::analyzer::ChartSeries& data) {
  QPieSeries* pie = Pie(id);
  pie->clear();
  pie->setName(chartstyle::FromUtf8(data.Title()));
  QList<QPieSlice*> slices;
  for (const quarvex::analyzer::ChartPoint& point : data.Points()) slices.append(chartstyle::MakeSlice(point));
  pie->append(slices);
  ApplyMarks(id);
}

void AnalysisChart::Impl::LoadBars(const quarvex::analyzer::ChartSeriesSet& data) {
  QStringList categories;
  for (SeriesId id : kBlockSeries) {
    const quarvex::analyzer::ChartSeries& series = data[id];
    QBarSet* set = Set(id);
    set->remove(0, set->count());
    set->setLabel(chartstyle::FromUtf8(series.Title()));
    QList<qreal> values;
    values.reserve(static_cast<qsizetype>(series.Count()));
    for (const quarvex::analyzer::ChartPoint& point : series.Points()) values.append(point.value);
    set->append(values);
    // Qt gives a bar set one colour: that of its points (the analysis gives all the bars of
    // a set the same), or the series colour while it has none.
    const QColor colour = series.Count() ? chartstyle::ToQColor(series[0].colour) : ColoursOf(id).series;
    setColours[SlotIn(kBlockSeries, id)] = colour;
    chartstyle::StyleBarSet(set, colour);
    for (qsizetype k = categories.size(); k < static_cast<qsizetype>(series.Count()); ++k)
      categories.append(chartstyle::FromUtf8(series.Label(static_cast<std::size_t>(k))));
  }
  axisCategories->clear();
  axisCategories->append(UniqueLabels(categories));
  ApplyMarks(chartviews::kBlockUsing);
}

void AnalysisChart::Impl::MakePointPart(SeriesId id, QColor colour, QScatterSeries* series) {
  const chartstyle::SeriesColours& look = ColoursOf(id);
  series->setProperty("seriesIndex", static_cast<int>(IndexOf(id)));
  // The series stays empty: its points item draws the pointer picture (the series' light
  // marker), which has the shape set here, in the point's own colour with the pointer pen.
  series->setMarkerShape(RoleOf(id).pointer == chartviews::Pointer::Diamond ? QScatterSeries::MarkerShapeRotatedRectangle
                                                                           : QScatterSeries::MarkerShapeCircle);
  series->setMarkerSize(chartstyle::kPointerPixels);
  series->setColor(colour);
  series->setBorderColor(look.pointerPen);
  series->setLightMarker(chartstyle::PointerImage(RoleOf(id).pointer, colour, look.pointerPen));
  series->setPointLabelsFormat(QStringLiteral("@yPoint"));
  series->setPointLabelsColor(QColor(255, 255, 0));
  series->setPointLabelsFont(chartstyle::MinchoFont(RoleOf(id).markPixels));
  series->setPointLabelsClipping(true);
  // Drawn in software at any size: thinned, a series is a few thousand points at most, and
  // Qt's OpenGL renderer would draw every pointer as a square.
  series->setUseOpenGL(false);
}

void AnalysisChart::Impl::LoadPoints(SeriesId id, const quarvex::analyzer::ChartSeries& data) {
  PointSeries& ps = Points(id);
  for (QScatterSeries* part : ps.parts) delete part;  // off the chart already
  ps.parts.clear();
  const std::size_t n = data.Count();
  ps.part.assign(n, 0);
  ps.values.assign(n, 0);
  ps.labels.assign(n, std::string());
  ps.minPositive = 0;
  std::vector<QRgb> colours;
  for (std::size_t i = 0; i < n; ++i) {
    const quarvex::analyzer::ChartPoint& point = data[i];
    const QRgb rgb = chartstyle::ToQColor(point.colour).rgb();
    auto found = std::find(colours.begin(), colours.end(), rgb);
    if (found == colours.end()) {
      colours.push_back(rgb);
      found = colours.end() - 1;
    }
    ps.part[i] = static_cast<std::uint32_t>(found - colours.begin());
    ps.values[i] = point.value;
    ps.labels[i] = data.Label(i);
    if (point.value > 0 && (ps.minPositive == 0 || point.value < ps.minPositive)) ps.minPositive = point.value;
  }
  ps.min = data.MinValue();
  ps.max = data.MaxValue();
  ps.drawnFor.reset();
  // A series without points still stands on the chart (its view shows empty axes).
  if (colours.empty()) colours.push_back(ColoursOf(id).series.rgb());
  // The parts stay empty until they stand on the chart and the plot is known (DrawPoints).
  for (QRgb colour : colours) {
    auto* series = new QScatterSeries(&keeper);
    series->setName(chartstyle::FromUtf8(data.Title()));
    MakePointPart(id, QColor::fromRgb(colour), series);
    ps.parts.push_back(series);
  }
  ApplyMarks(id);
}

void AnalysisChart::Impl::LoadLine(SeriesId id, const quarvex::analyzer::ChartSeries& data) {
  QLineSeries* line = Line(id);
  QList<QPointF> list;
  list.reserve(static_cast<qsizetype>(data.Count()));
  for (std::size_t i = 0; i < data.Count(); ++i) list.append(QPointF(static_cast<qreal>(i), data[i].value));
  line->replace(list);
  line->setName(chartstyle::FromUtf8(data.Title()));
  // A line has one colour in Qt: that of its points (one colour for all of them in the
  // analysis), or the series colour while it has none.
  // Two pixels wide: Qt draws lines under the points, and the points must not hide them.
  line->setPen(QPen(data.Count() ? chartstyle::ToQColor(data[0].colour) : ColoursOf(id).series, 2));
  lineMin[SlotIn(chartviews::kLineSeries, id)] = data.MinValue();
  lineMax[SlotIn(chartviews::kLineSeries, id)] = data.MaxValue();
}

// The point of a point series that a click at a place of the scene hits, among all of the
// series' points, drawn or not (ui/chart_decimation.h); none while the series is not shown.
std::optional<std::size_t> AnalysisChart::Impl::PointAtClick(SeriesId id, QPointF scenePosition) const {
  const PointSeries& ps = Points(id);
  if (!Active(id) || ps.parts.empty() || !ps.parts.front()->chart()) return std::nullopt;
  const QPointF value = chart->mapToValue(chart->mapFromScene(scenePosition), ps.parts.front());
  // On the logarithmic axis in plot units, as the points are drawn (DrawPoints).
  const double y = LogOn() ? (value.y() > 0 ? std::log10(value.y()) : -1e300) : value.y();
  return chartdecimation::PointAt(PlotValues(ps), value.x(), y, PlotOf(chart->plotArea()), kClickRadiusPixels);
}

AnalysisChart::AnalysisChart(QWidget* parent) : QChartView(parent), impl_(new Impl) {
  setRenderHint(QPainter::Antialiasing);
  setFrameStyle(QFrame::Panel | QFrame::Raised);  // the bevel, 2 pixels wide
  setLineWidth(2);
  // Views 4 and 5 put thousands of point markers on the scene, each an item of its own: kept
  // in the scene's spatial index, adding them took longer than drawing them.
  scene()->setItemIndexMethod(QGraphicsScene::NoIndex);
  Impl& d = *impl_;
  d.chart = chart();
  d.openGL = OpenGLAvailable();
  chartstyle::StyleChart(d.chart);

  d.axisY = new QValueAxis;  // the axes belong to the chart
  chartstyle::StyleLeftAxis(d.axisY);
  d.axisLogY = new QLogValueAxis;
  d.axisLogY->setBase(10);
  d.axisLogY->setLabelFormat(QStringLiteral("%.0f"));  // grouped by the chart's locale, as the linear axis
  d.axisLogY->setMinorTickCount(-1);  // 2 ... 9 times each power of ten
  d.axisLogY->setLabelsFont(chartstyle::MinchoFont(15));
  d.axisLogY->setLabelsColor(Qt::white);
  d.axisLogY->setGridLineColor(QColor(192, 192, 192));
  d.axisLogY->setMinorGridLineColor(QColor(160, 160, 160));
  d.axisLogY->setLinePen(QPen(Qt::white, 2));
  d.axisX = new QValueAxis;
  d.axisCategories = new QBarCategoryAxis;
  for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(d.axisX), static_cast<QAbstractAxis*>(d.axisCategories)}) {
    axis->setLabelsFont(chartstyle::GothicFont(13));
    axis->setLabelsColor(Qt::black);
    axis->setLinePen(QPen(Qt::white, 2));  // the bottom wall
    axis->setGridLinePen(QPen(QColor(192, 192, 192), 1, Qt::DotLine));
  }
  d.axisX->setLabelFormat(QStringLiteral("%.0f"));
  d.axisX->setTickType(QValueAxis::TicksDynamic);
  d.axisX->setTickAnchor(0);
  // The chart draws the bars' names itself (ui/chart_bar_labels.h).
  d.axisCategories->setLabelsVisible(false);
  for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(d.axisY), static_cast<QAbstractAxis*>(d.axisX),
                              static_cast<QAbstractAxis*>(d.axisCategories), static_cast<QAbstractAxis*>(d.axisLogY)})
    axis->setParent(&d.keeper);  // on the chart only while a view shows it

  for (std::size_t k = 0; k < d.pies.size(); ++k) {
    d.pies[k] = new QPieSeries(&d.keeper);
    d.pies[k]->setProperty("seriesIndex", static_cast<int>(IndexOf(chartviews::kPieSeries[k])));
    chartstyle::StylePie(d.pies[k]);
  }
  d.bars = new QPercentBarSeries(&d.keeper);
  d.bars->setProperty("seriesIndex", static_cast<int>(IndexOf(kBlockSeries.front())));
  d.bars->setLabelsVisible(false);  // the marks item draws the values
  for (QBarSet*& set : d.sets) set = new QBarSet(QString(), &d.keeper);
  for (std::size_t k = 0; k < d.lines.size(); ++k) {
    d.lines[k] = new QLineSeries(&d.keeper);
    d.lines[k]->setProperty("seriesIndex", static_cast<int>(IndexOf(chartviews::kLineSeries[k])));
    d.lines[k]->setUseOpenGL(d.openGL);
  }
  for (SeriesId id : kAllSeries) d.Marks(id) = RoleOf(id).marksInitially;
  d.chart->legend()->hide();  // the chart draws its own (ui/chart_legend.h)
  d.legendItem = new chartlegend::LegendItem(d.chart);
  for (PointSeries& ps : d.points) ps.item = new chartpoints::PointsItem(d.chart);
  d.averageItem = new chartaverage::AverageLineItem(d.chart);
  d.marksItem = new chartmarks::MarksItem(d.chart);
  d.labelsItem = new chartlabels::LabelsItem(d.chart);
  connect(d.chart, &QChart::plotAreaChanged, this, [this] {
    impl_->DrawPoints();  // thinned for the plot's new size
    impl_->DrawAverage();
    impl_->UpdateMarks();
  });
  rubberBand_ = new QRubberBand(QRubberBand::Rectangle, viewport());
  rubberBand_->hide();
  resetZoomAction_ = new QAction(QStringLiteral("Reset zoom\tHome"), this);
  resetZoomAction_->setObjectName(QStringLiteral("ResetZoom"));
  connect(resetZoomAction_, &QAction::triggered, this, [this] { ResetZoom(); });
  logSizesAction_ = new QAction(QStringLiteral("Logarithmic size axis\tL"), this);
  logSizesAction_->setObjectName(QStringLiteral("LogSizes"));
  logSizesAction_->setCheckable(true);
  connect(logSizesAction_, &QAction::toggled, this, [this](bool on) { SetLogSizes(on); });
  connect(d.chart, &QGraphicsWidget::geometryChanged, this, [this] { impl_->SyncLegend(); });
  LoadSeries(quarvex::analyzer::ChartSeriesSet{});
  SelectView(0);
}

AnalysisChart::~AnalysisChart() {
  // The chart goes with the view; what is off it goes with the keeper.
  for (QAbstractSeries* series : impl_->chart->series()) impl_->Detach(series);
  delete impl_;
}

QStringList AnalysisChart::ViewNames() {
  QStringList names;
  for (const chartviews::ViewLayout& view : chartviews::AllViews())
    names.append(QString::fromUtf8(view.selectorText.data(), static_cast<qsizetype>(view.selectorText.size())));
  return names;
}

void AnalysisChart::ClearSeries() { LoadSeries(quarvex::analyzer::ChartSeriesSet{}); }

void AnalysisChart::LoadSeries(const quarvex::analyzer::ChartSeriesSet& series) {
  Impl& d = *impl_;
  // Everything off the chart first: a series on it redraws at every change.
  for (QAbstractSeries* s : d.chart->series()) d.Detach(s);
  for (SeriesId id : kAllSeries) {
    const quarvex::analyzer::ChartSeries& one = series[id];
    switch (Impl::DrawingOf(id)) {
      case Drawing::Pie: d.LoadPie(id, one); break;
      case Drawing::StackedBars: break;
      case Drawing::Points: d.LoadPoints(id, one); break;
      case Drawing::Line: d.LoadLine(id, one); break;
    }
  }
  d.LoadBars(series);
  d.Sync();
}

// Only a click on an in-use record size names a key. The click is taken here rather than
// from Qt's series, which know only the points drawn: a point left out of the drawing is
// named as well.
void AnalysisChart::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) impl_->pressedAt = event->position();
  QChartView::mousePressEvent(event);
}

void AnalysisChart::mouseMoveEvent(QMouseEvent* event) {
  QChartView::mouseMoveEvent(event);
  // A drag with the left button on a record-size view draws the rectangle to zoom into.
  if (!impl_->pressedAt || !impl_->SizesView()) return;
  if ((event->position() - *impl_->pressedAt).manhattanLength() <= QApplication::startDragDistance()) return;
  rubberBand_->setGeometry(QRectF(*impl_->pressedAt, event->position()).normalized().toRect());
  rubberBand_->show();
}

void AnalysisChart::mouseReleaseEvent(QMouseEvent* event) {
  QChartView::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || !impl_->pressedAt) return;
  const QPointF pressed = *std::exchange(impl_->pressedAt, std::nullopt);
  if (rubberBand_->isVisible()) {
    rubberBand_->hide();
    ZoomInto(QRectF(pressed, event->position()).normalized());
    return;
  }
  // A press and a release apart are a drag, not a click.
  if ((event->position() - pressed).manhattanLength() > QApplication::startDragDistance()) return;
  const QPointF scene = viewportTransform().inverted().map(event->position());
  const std::optional<std::size_t> index = impl_->PointAtClick(chartviews::kRecordSizes, scene);
  if (index) emit usingPointClicked(static_cast<int>(*index));
}

void AnalysisChart::SelectView(int index) {
  const std::optional<chartviews::ChartView> view = chartviews::ViewAt(index);
  Impl& d = *impl_;
  d.view = view;
  d.active.fill(false);
  if (view) {
    const chartviews::ViewLayout& layout = chartviews::LayoutOf(*view);
    if (layout.barMarks != chartviews::BarMarks::Unchanged)
      for (SeriesId id : kBlockSeries) {
        d.Marks(id) = layout.barMarks == chartviews::BarMarks::Show;
        d.ApplyMarks(id);
      }
    for (SeriesId id : layout.series) d.Active(id) = true;
  }
  d.Sync();
}

int AnalysisChart::SeriesCount() const { return static_cast<int>(kSeriesCount); }

bool AnalysisChart::SeriesActive(int index) const {
  const std::optional<SeriesId> id = chartviews::SeriesAt(index);
  return id && impl_->Active(*id);
}

bool AnalysisChart::MarksVisible(int index) const {
  const std::optional<SeriesId> id = chartviews::SeriesAt(index);
  return id && impl_->Marks(*id);
}

int AnalysisChart::PointCount(int index) const {
  const std::optional<SeriesId> id = chartviews::SeriesAt(index);
  if (!id) return 0;
  switch (Impl::DrawingOf(*id)) {
    case Drawing::Pie: return impl_->Pie(*id)->count();
    case Drawing::StackedBars: return impl_->Set(*id)->count();
    case Drawing::Points: return static_cast<int>(impl_->Points(*id).part.size());
    case Drawing::Line: return impl_->Line(*id)->count();
  }
  return 0;
}

double AnalysisChart::PointValue(int index, int point) const {
  if (point < 0 || point >= PointCount(index)) return 0;
  const Impl& d = *impl_;
  const SeriesId id = *chartviews::SeriesAt(index);
  switch (Impl::DrawingOf(id)) {
    case Drawing::Pie: return d.Pie(id)->slices().at(point)->property("pointValue").toDouble();
    case Drawing::StackedBars: return d.Set(id)->at(point);
    case Drawing::Points: return d.Points(id).values[static_cast<std::size_t>(point)];
    case Drawing::Line: return d.Line(id)->at(point).y();
  }
  return 0;
}

QString AnalysisChart::PointLabel(int index, int point) const {
  if (point < 0 || point >= PointCount(index)) return {};
  const SeriesId id = *chartviews::SeriesAt(index);
  switch (Impl::DrawingOf(id)) {
    case Drawing::Pie: return impl_->Pie(id)->slices().at(point)->property("pointLabel").toString();
    case Drawing::StackedBars: {
      const QStringList categories = impl_->axisCategories->categories();
      return point < categories.size() ? QString(categories.at(point)).remove(QChar(0x200B)) : QString();
    }
    default: return {};
  }
}

QColor AnalysisChart::PointColour(int index, int point) const {
  if (point < 0 || point >= PointCount(index)) return {};
  const Impl& d = *impl_;
  const SeriesId id = *chartviews::SeriesAt(index);
  switch (Impl::DrawingOf(id)) {
    case Drawing::Pie: return d.Pie(id)->slices().at(point)->color();
    case Drawing::StackedBars: return d.setColours[SlotIn(kBlockSeries, id)];
    case Drawing::Points: {
      const PointSeries& ps = d.Points(id);
      return ps.parts[ps.part[static_cast<std::size_t>(point)]]->color();
    }
    case Drawing::Line: return d.Line(id)->pen().color();
  }
  return {};
}

QPoint AnalysisChart::PointPosition(int index, int point) const { return PointPositionF(index, point).toPoint(); }

QPointF AnalysisChart::PointPositionF(int index, int point) const {
  if (point < 0 || point >= PointCount(index) || !SeriesActive(index)) return {};
  const Impl& d = *impl_;
  const SeriesId id = *chartviews::SeriesAt(index);
  QAbstractSeries* series = nullptr;
  if (Impl::DrawingOf(id) == Drawing::Points)
    series = d.Points(id).parts[d.Points(id).part[static_cast<std::size_t>(point)]];
  else if (Impl::DrawingOf(id) == Drawing::Line)
    series = d.Line(id);
  if (!series) return {};
  const QPointF scene = d.chart->mapToScene(d.chart->mapToPosition(QPointF(point, PointValue(index, point)), series));
  return viewportTransform().map(scene);
}

std::vector<int> AnalysisChart::DrawnPoints(int index) const {
  const std::optional<SeriesId> id = chartviews::SeriesAt(index);
  std::vector<int> drawn;
  if (!id || Impl::DrawingOf(*id) != Drawing::Points || !impl_->Active(*id)) return drawn;
  const PointSeries& ps = impl_->Points(*id);
  if (ps.item->Count() != ps.drawn.size()) return drawn;  // not drawn (yet)
  for (std::uint32_t i : ps.drawn) drawn.push_back(static_cast<int>(i));
  return drawn;
}

QStringList AnalysisChart::MarkTexts() const {
  QStringList texts;
  for (const chartmarks::Mark& mark : impl_->marksItem->Marks()) texts.append(mark.text);
  return texts;
}

QStringList AnalysisChart::LegendEntries() const {
  QStringList titles;
  if (impl_->legendItem->isVisible())
    for (const chartlegend::Entry& entry : impl_->legendItem->Entries()) titles.append(entry.title);
  return titles;
}

void AnalysisChart::SetOpenGL(bool wanted) {
  Impl& d = *impl_;
  d.openGL = wanted && OpenGLAvailable();
  for (QLineSeries* line : d.lines) line->setUseOpenGL(d.openGL);  // the point series stay in software

}

bool AnalysisChart::UsesOpenGL() const { return impl_->openGL; }

bool AnalysisChart::DrawnWithOpenGL(int index) const {
  const std::optional<SeriesId> id = chartviews::SeriesAt(index);
  if (!id) return false;
  for (QAbstractSeries* series : impl_->Physical(*id))
    if (series->useOpenGL()) return true;
  return false;
}

int AnalysisChart::PointShape(int index) const {
  const std::optional<SeriesId> id = chartviews::SeriesAt(index);
  if (!id || Impl::DrawingOf(*id) != Drawing::Points || impl_->Points(*id).parts.empty()) return -1;
  return static_cast<int>(impl_->Points(*id).parts.front()->markerShape());
}

QStringList AnalysisChart::BarLabelTexts() const {
  QStringList texts;
  for (const chartlabels::Label& label : impl_->labelsItem->Labels()) texts.append(label.text);
  return texts;
}

std::vector<QRectF> AnalysisChart::BarLabelBoxes() const {
  std::vector<QRectF> boxes;
  for (const chartlabels::Label& label : impl_->labelsItem->Labels()) boxes.push_back(label.box);
  return boxes;
}

std::vector<QRectF> AnalysisChart::MarkBoxes() const {
  std::vector<QRectF> boxes;
  for (const chartmarks::Mark& mark : impl_->marksItem->Marks()) boxes.push_back(mark.box);
  return boxes;
}

std::vector<QLineF> AnalysisChart::MarkArrows() const {
  std::vector<QLineF> arrows;
  for (const chartmarks::Mark& mark : impl_->marksItem->Marks()) arrows.push_back(mark.arrow);
  return arrows;
}

int AnalysisChart::HiddenMarkCount() const { return impl_->hiddenMarks; }

std::optional<QLineF> AnalysisChart::AverageLine() const { return impl_->averageItem->Line(); }

// ---- zoom, the logarithmic size axis and the points' tooltips (record-size views) ----------

bool AnalysisChart::Zoomed() const { return impl_->SizesView() && impl_->zoomed; }

void AnalysisChart::ResetZoom() {
  Impl& d = *impl_;
  if (!d.SizesView()) return;
  d.SetRanges(d.homeX, d.homeY);
}

void AnalysisChart::ZoomAround(QPointF viewportPosition, double factor) {
  Impl& d = *impl_;
  if (!d.SizesView() || !(factor > 0)) return;
  const QRectF plot = d.chart->plotArea();
  if (plot.width() < 1 || plot.height() < 1) return;
  const QPointF at = d.chart->mapFromScene(viewportTransform().inverted().map(viewportPosition));
  // The place under the pointer stays where it is.
  const double fx = std::clamp((at.x() - plot.left()) / plot.width(), 0.0, 1.0);
  const double fy = std::clamp((plot.bottom() - at.y()) / plot.height(), 0.0, 1.0);
  auto scaled = [factor](std::pair<double, double> range, double fraction) {
    const double centre = range.first + fraction * (range.second - range.first);
    return std::pair<double, double>{centre - (centre - range.first) * factor, centre + (range.second - centre) * factor};
  };
  d.SetRanges(scaled({d.axisX->min(), d.axisX->max()}, fx), scaled(d.ShownY(), fy));
}

void AnalysisChart::ZoomInto(const QRectF& viewportRect) {
  Impl& d = *impl_;
  if (!d.SizesView() || viewportRect.width() < kLeastZoomPixels || viewportRect.height() < kLeastZoomPixels) return;
  const QRectF plot = d.chart->plotArea();
  if (plot.width() < 1 || plot.height() < 1) return;
  const QTransform toScene = viewportTransform().inverted();
  const QRectF rect = QRectF(d.chart->mapFromScene(toScene.map(viewportRect.topLeft())),
                             d.chart->mapFromScene(toScene.map(viewportRect.bottomRight())))
                          .normalized()
                          .intersected(plot);
  if (rect.isEmpty()) return;
  const std::pair<double, double> x{d.axisX->min(), d.axisX->max()};
  const std::pair<double, double> y = d.ShownY();
  auto along = [](std::pair<double, double> range, double fraction) { return range.first + fraction * (range.second - range.first); };
  d.SetRanges({along(x, (rect.left() - plot.left()) / plot.width()), along(x, (rect.right() - plot.left()) / plot.width())},
              {along(y, (plot.bottom() - rect.bottom()) / plot.height()), along(y, (plot.bottom() - rect.top()) / plot.height())});
}

bool AnalysisChart::LogSizes() const { return impl_->logSizes; }

void AnalysisChart::SetLogSizes(bool on) {
  Impl& d = *impl_;
  if (d.logSizes != on) {
    // The point and line series move to the other size axis: off the chart and back on.
    for (SeriesId id : kAllSeries) {
      const Drawing drawing = Impl::DrawingOf(id);
      if (drawing == Drawing::Points || drawing == Drawing::Line)
        for (QAbstractSeries* series : d.Physical(id)) d.Detach(series);
    }
    d.logSizes = on;
    d.Sync();
  }
  const QSignalBlocker quiet(logSizesAction_);
  logSizesAction_->setChecked(on);
}

std::pair<double, double> AnalysisChart::IndexRange() const { return {impl_->axisX->min(), impl_->axisX->max()}; }

std::pair<double, double> AnalysisChart::SizeRange() const {
  if (impl_->LogOn()) return {impl_->axisLogY->min(), impl_->axisLogY->max()};
  return {impl_->axisY->min(), impl_->axisY->max()};
}

QList<QAction*> AnalysisChart::SizeViewActions() const { return {resetZoomAction_, logSizesAction_}; }

void AnalysisChart::SetPointNamer(PointNamer namer) { impl_->namer = std::move(namer); }

QString AnalysisChart::PointToolTip(QPoint viewportPosition) const {
  const Impl& d = *impl_;
  if (!d.SizesView()) return {};
  const QPointF scene = viewportTransform().inverted().map(QPointF(viewportPosition));
  for (SeriesId id : chartviews::kPointSeries) {
    const std::optional<std::size_t> index = d.PointAtClick(id, scene);
    if (!index) continue;
    const PointSeries& ps = d.Points(id);
    QString name = d.namer ? d.namer(id, static_cast<int>(*index)) : QString();
    if (name.isEmpty()) {
      const QString offset = QString::fromStdString(ps.labels[*index]);
      name = id == chartviews::kRecordSizes ? QStringLiteral("key node at offset %1").arg(offset)
                                            : QStringLiteral("free record at offset %1").arg(offset);
    }
    return name + QLatin1Char('\n') + chartstyle::GroupedNumber(ps.values[*index]) + QStringLiteral(" bytes");
  }
  return {};
}

void AnalysisChart::mouseDoubleClickEvent(QMouseEvent* event) {
  if (impl_->SizesView() && event->button() == Qt::LeftButton) ResetZoom();
  QChartView::mouseDoubleClickEvent(event);
}

void AnalysisChart::wheelEvent(QWheelEvent* event) {
  if (!impl_->SizesView()) {
    QChartView::wheelEvent(event);
    return;
  }
  const double steps = event->angleDelta().y() / 120.0;
  if (steps != 0) ZoomAround(event->position(), std::pow(kWheelStep, steps));
  event->accept();
}

void AnalysisChart::keyPressEvent(QKeyEvent* event) {
  if (impl_->SizesView() && event->modifiers() == Qt::NoModifier) {
    const QPointF centre = QRectF(viewport()->rect()).center();
    switch (event->key()) {
      case Qt::Key_Home: ResetZoom(); return;
      case Qt::Key_L: SetLogSizes(!LogSizes()); return;
      case Qt::Key_Plus:
      case Qt::Key_Equal: ZoomAround(centre, kWheelStep); return;
      case Qt::Key_Minus: ZoomAround(centre, 1 / kWheelStep); return;
      default: break;
    }
  }
  QChartView::keyPressEvent(event);
}

void AnalysisChart::contextMenuEvent(QContextMenuEvent* event) {
  if (!impl_->SizesView()) {
    QChartView::contextMenuEvent(event);
    return;
  }
  resetZoomAction_->setEnabled(Zoomed());
  QMenu::exec(SizeViewActions(), event->globalPos(), nullptr, this);
  event->accept();
}

bool AnalysisChart::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = PointToolTip(help->pos());
    if (text.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), text, viewport());
    return true;
  }
  return QChartView::viewportEvent(event);
}
