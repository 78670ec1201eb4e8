#include "ui/charts/chart_pictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>

#include "ui/charts/analysis_chart.h"
#include "analyzer/chart_views.h"

namespace chartviews = quarvex::analyzer::chartviews;

namespace quarvex::ui {

namespace {
constexpr int kWidth = 673, kHeight = 393;  // the chart's size on the window
}

QStringList ChartPictureNames() {
  QStringList names;
  for (const chartviews::ViewLayout& view : chartviews::AllViews())
    names.append(QString::fromLatin1(view.pictureName.data(), static_cast<qsizetype>(view.pictureName.size())));
  return names;
}

QStringList WriteChartPictures(const quarvex::analyzer::ChartSeriesSet& series, const QString& directory,
                               QString& error) {
  QStringList written;
  if (!QDir().mkpath(directory)) {
    error = QStringLiteral("cannot make the directory %1").arg(directory);
    return written;
  }
  AnalysisChart chart;
  chart.SetOpenGL(false);
  chart.setAttribute(Qt::WA_DontShowOnScreen);
  chart.resize(kWidth, kHeight);
  chart.show();
  chart.LoadSeries(series);
  const QStringList names = ChartPictureNames();
  for (int view = 0; view < names.size(); ++view) {
    chart.SelectView(view);
    QCoreApplication::sendPostedEvents();  // the chart lays itself out on a posted event
    // and deletes the drawn items of the axes the view took off on deferred ones.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QString path = QDir(directory).filePath(names.at(view));
    if (!chart.grab().toImage().save(path, "PNG")) {
      error = QStringLiteral("cannot write %1").arg(path);
      return written;
    }
    written.append(path);
  }
  return written;
}

}  // namespace quarvex::ui
