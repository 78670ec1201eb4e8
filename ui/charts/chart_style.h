// The look of the analysis chart: the chart's own settings, the nine series' colours, fonts, the "#,##0" number text and the pointer images of the point series.
// Where Qt Charts has no exact equivalent, ui/charts/CHARTS.md says what was chosen instead. How each
// series is drawn and which views show it is in analyzer/chart_views.h.
#pragma once

#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QPieSeries>
#include <QtCharts/QValueAxis>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include "analyzer/chart_series.h"
#include "analyzer/chart_views.h"

namespace quarvex::ui::chartstyle {

// One series' colours: its own (shown only while it has no points) and its pointer's.
struct SeriesColours {
  QColor series;
  QColor pointerBrush = {};
  QColor pointerPen = {};
};
const SeriesColours& ColoursOf(quarvex::analyzer::SeriesId id);

inline constexpr int kPointerPixels = 6;  // a 2 x 2 pointer: two pixels each side of the point

QColor ToQColor(quarvex::analyzer::Rgb rgb);
QString FromUtf8(const std::string& text);

// "ＭＳ Ｐ明朝" (IPA P Mincho where it is missing) and "ＭＳ Ｐゴシック" (IPA P Gothic).
QFont MinchoFont(int pixels);
QFont GothicFont(int pixels);

// "#,##0": a whole number with the locale's thousands separator.
QString GroupedNumber(double value);
// The locale the chart formats its numbers in: the system's, thousands separators on.
QLocale ChartLocale();

void StyleChart(QChart* chart);
void StyleLeftAxis(QValueAxis* axis);
void StylePie(QPieSeries* pie);
// A pie slice: drawn value (a negative one is drawn as an empty slice), its own colour, and
// as its label the text of its mark, "label value".
QPieSlice* MakeSlice(const quarvex::analyzer::ChartPoint& point);
void StyleBarSet(QBarSet* set, QColor colour);
// The pointer as a picture: filled with the point's colour, outlined with the pointer pen.
QImage PointerImage(quarvex::analyzer::chartviews::Pointer pointer, QColor fill, QColor pen);

}  // namespace quarvex::ui::chartstyle
