// What the chart shows, read back: its series, points, marks, labels and legend as drawn, for
// the tests that drive the window and for the pictures.
#include "ui/charts/analysis_chart_impl.h"

namespace chartviews = quarvex::analyzer::chartviews;
namespace chartdecimation = quarvex::analyzer::chartdecimation;

namespace quarvex::ui {

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
    case Drawing::Pie:
      return impl_->Pie(*id)->count();
    case Drawing::StackedBars:
      return impl_->Set(*id)->count();
    case Drawing::Points:
      return static_cast<int>(impl_->Points(*id).part.size());
    case Drawing::Line:
      return impl_->Line(*id)->count();
  }
  return 0;
}

double AnalysisChart::PointValue(int index, int point) const {
  if (point < 0 || point >= PointCount(index)) return 0;
  const Impl& d = *impl_;
  const SeriesId id = *chartviews::SeriesAt(index);
  switch (Impl::DrawingOf(id)) {
    case Drawing::Pie:
      return d.Pie(id)->slices().at(point)->property("pointValue").toDouble();
    case Drawing::StackedBars:
      return d.Set(id)->at(point);
    case Drawing::Points:
      return d.Points(id).values[static_cast<std::size_t>(point)];
    case Drawing::Line:
      return d.Line(id)->at(point).y();
  }
  return 0;
}

QString AnalysisChart::PointLabel(int index, int point) const {
  if (point < 0 || point >= PointCount(index)) return {};
  const SeriesId id = *chartviews::SeriesAt(index);
  switch (Impl::DrawingOf(id)) {
    case Drawing::Pie:
      return impl_->Pie(id)->slices().at(point)->property("pointLabel").toString();
    case Drawing::StackedBars: {
      const QStringList categories = impl_->axisCategories->categories();
      return point < categories.size() ? QString(categories.at(point)).remove(QChar(0x200B)) : QString();
    }
    default:
      return {};
  }
}

QColor AnalysisChart::PointColour(int index, int point) const {
  if (point < 0 || point >= PointCount(index)) return {};
  const Impl& d = *impl_;
  const SeriesId id = *chartviews::SeriesAt(index);
  switch (Impl::DrawingOf(id)) {
    case Drawing::Pie:
      return d.Pie(id)->slices().at(point)->color();
    case Drawing::StackedBars:
      return d.setColours[SlotIn(kBlockSeries, id)];
    case Drawing::Points: {
      const PointSeries& ps = d.Points(id);
      return ps.parts[ps.part[static_cast<std::size_t>(point)]]->color();
    }
    case Drawing::Line:
      return d.Line(id)->pen().color();
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

}  // namespace quarvex::ui
