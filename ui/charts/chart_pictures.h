// Pictures of the six chart views: the chart of the Analyze page, painted in software at the
// window's size, one PNG file per view.
#pragma once

#include <QString>
#include <QStringList>

#include "analyzer/chart_series.h"

namespace quarvex::ui {

// The file names, in view order: chart-0-total.png ... chart-5-empty-size.png.
QStringList ChartPictureNames();

// Paints the six views of series into directory (made when missing). Returns the paths
// written, in view order; on a failure, what was written so far and a reason in error.
QStringList WriteChartPictures(const quarvex::analyzer::ChartSeriesSet& series, const QString& directory,
                               QString& error);

}  // namespace quarvex::ui
