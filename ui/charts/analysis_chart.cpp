// The analysis chart widget: the series loaded from the analysis, the view chosen, and clicks
// on its points (drawing: analysis_chart_drawing.cpp; zoom: analysis_chart_zoom.cpp).
#include "ui/charts/analysis_chart_impl.h"

namespace chartviews = quarvex::analyzer::chartviews;
namespace chartdecimation = quarvex::analyzer::chartdecimation;

namespace quarvex::ui {

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
  series->setMarkerShape(RoleOf(id).pointer == chartviews::Pointer::Diamond
                             ? QScatterSeries::MarkerShapeRotatedRectangle
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
// series' points, drawn or not (analyzer/chart_decimation.h); none while the series is not shown.
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
  d.axisLogY->setMinorTickCount(-1);                   // 2 ... 9 times each power of ten
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
  // The chart draws the bars' names itself (ui/charts/chart_bar_labels.h).
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
  d.chart->legend()->hide();  // the chart draws its own (ui/charts/chart_legend.h)
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
      case Drawing::Pie:
        d.LoadPie(id, one);
        break;
      case Drawing::StackedBars:
        break;
      case Drawing::Points:
        d.LoadPoints(id, one);
        break;
      case Drawing::Line:
        d.LoadLine(id, one);
        break;
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

}  // namespace quarvex::ui
