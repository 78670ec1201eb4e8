// A click at an exact place of a chart's viewport, between pixels if need be, as a pointing
// device of fine resolution gives it: press and release at the same spot.
#pragma once

#include <QApplication>
#include <QMouseEvent>

#include "ui/charts/analysis_chart.h"

namespace quarvex::ui {

inline void ClickExactly(AnalysisChart& chart, QPointF at) {
  QWidget* viewport = chart.viewport();
  const QPointF global = viewport->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &release);
}

}  // namespace quarvex::ui
