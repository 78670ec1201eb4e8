// The analysis chart `chAna`: the nine series of the analysis drawn with Qt Charts, the six
// views the selector offers, and the click on a point of the in-use record-size series.
// It draws from the engine's plain series data (analyzer/chart_series.h) and knows nothing
// of the job.
#pragma once

#include <QColor>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QtCharts/QChartView>

#include "analyzer/chart_series.h"

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
  void SelectView(int index);

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
  // Where a point of an active point or line series is drawn, in viewport coordinates.
  QPoint PointPosition(int index, int point) const;
  // What the chart draws besides the series: the texts of the marks now shown, and the
  // legend's entries top to bottom.
  QStringList MarkTexts() const;
  QStringList LegendEntries() const;

  // Draw the point and line series with OpenGL where a context can be made (the default);
  // off for pictures, which are painted in software.
  void SetOpenGL(bool wanted);
  bool UsesOpenGL() const;

 signals:
  // A point of Series6 ("UsingRecSize") was clicked: its index in the series.
  void usingPointClicked(int valueIndex);

 private:
  struct Impl;
  Impl* impl_;
};
