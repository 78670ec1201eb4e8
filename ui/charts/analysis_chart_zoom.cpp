// The record-size views' zoom, their logarithmic size axis and the points' tooltips, and the
// mouse, wheel and keys that steer them.
#include "ui/charts/analysis_chart_impl.h"

namespace chartviews = quarvex::analyzer::chartviews;
namespace chartdecimation = quarvex::analyzer::chartdecimation;

namespace quarvex::ui {

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
    return std::pair<double, double>{centre - (centre - range.first) * factor,
                                     centre + (range.second - centre) * factor};
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
  auto along = [](std::pair<double, double> range, double fraction) {
    return range.first + fraction * (range.second - range.first);
  };
  d.SetRanges(
      {along(x, (rect.left() - plot.left()) / plot.width()), along(x, (rect.right() - plot.left()) / plot.width())},
      {along(y, (plot.bottom() - rect.bottom()) / plot.height()),
       along(y, (plot.bottom() - rect.top()) / plot.height())});
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
      case Qt::Key_Home:
        ResetZoom();
        return;
      case Qt::Key_L:
        SetLogSizes(!LogSizes());
        return;
      case Qt::Key_Plus:
      case Qt::Key_Equal:
        ZoomAround(centre, kWheelStep);
        return;
      case Qt::Key_Minus:
        ZoomAround(centre, 1 / kWheelStep);
        return;
      default:
        break;
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

}  // namespace quarvex::ui
