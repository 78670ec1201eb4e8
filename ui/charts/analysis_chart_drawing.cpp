// Keeps the drawn chart in step with its active series and its view: which series are on it,
// the axes and their ranges, the points thinned to the plot, the average line, the legend, the
// marks and the names under the bars.
#include "ui/charts/analysis_chart_impl.h"

namespace chartviews = quarvex::analyzer::chartviews;
namespace chartdecimation = quarvex::analyzer::chartdecimation;

namespace quarvex::ui {

void AnalysisChart::Impl::ApplyMarks(SeriesId id) {
  const bool on = Marks(id);
  switch (DrawingOf(id)) {
    case Drawing::Pie:
    case Drawing::StackedBars:
      break;  // drawn by the marks item
    case Drawing::Points:
      for (QScatterSeries* part : Points(id).parts) part->setPointLabelsVisible(on);
      break;
    case Drawing::Line:
      Line(id)->setPointLabelsVisible(on);
      break;
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
    ps.drawn = first < last
                   ? chartdecimation::PointsToDraw(std::span<const double>(plotted).subspan(first, last - first),
                                                   std::span<const std::uint32_t>(ps.part).subspan(first, last - first),
                                                   part, kFillCellPixels)
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
      if (drawing == Drawing::Points)
        low = Points(id).minPositive;
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

// The names under the bars, drawn whole (ui/charts/chart_bar_labels.h); the chart's bottom margin
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

}  // namespace quarvex::ui
