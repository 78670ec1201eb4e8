#include "ui/charts/chart_style.h"

#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QtMath>
#include <array>

namespace chartviews = quarvex::analyzer::chartviews;

namespace quarvex::ui::chartstyle {

namespace {

const QColor kGray(128, 128, 128);
const QColor kSilver(192, 192, 192);
const QColor kFuchsia(255, 0, 255);

const std::array<SeriesColours, quarvex::analyzer::kSeriesCount> kColours{{
    {QColor()},                                              // Series1 "TUR"
    {QColor(0, 0, 255)},                                     // Series2 "Using"
    {QColor(0, 255, 0)},                                     // Series3 "Empty"
    {QColor(255, 0, 0)},                                     // Series4 "DeadGap"
    {QColor()},                                              // Series5 "GoodSum"
    {kFuchsia, QColor(128, 255, 255), QColor(0, 128, 192)},  // Series6
    {QColor(0, 0, 255)},                                     // Series7
    {kFuchsia, QColor(0, 255, 0), QColor(0, 128, 64)},       // Series8
    {QColor(255, 255, 128)},                                 // Series9
}};

QFont FontOf(const QString& face, const QString& substitute, int pixels) {
  QFont font;
  font.setFamilies({face, substitute});
  font.setPixelSize(pixels);
  return font;
}

}  // namespace

const SeriesColours& ColoursOf(quarvex::analyzer::SeriesId id) { return kColours.at(static_cast<std::size_t>(id)); }

QColor ToQColor(quarvex::analyzer::Rgb rgb) { return QColor(rgb.r, rgb.g, rgb.b); }

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont MinchoFont(int pixels) { return FontOf(QStringLiteral(u"ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"), pixels); }

QFont GothicFont(int pixels) {
  return FontOf(QStringLiteral(u"ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"), pixels);
}

QLocale ChartLocale() {
  QLocale locale = QLocale::system();
  locale.setNumberOptions(QLocale::DefaultNumberOptions);  // the C locale omits the separator
  return locale;
}

QString GroupedNumber(double value) { return ChartLocale().toString(qRound64(value)); }

void StyleChart(QChart* chart) {
  chart->setTitle(QString());
  chart->setBackgroundBrush(kGray);
  chart->setBackgroundPen(QPen(kSilver, 2));
  chart->setBackgroundRoundness(0);
  chart->setDropShadowEnabled(false);
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setLocalizeNumbers(true);
  chart->setLocale(ChartLocale());
  chart->setMargins(QMargins(6, 6, 6, 6));
}

void StyleLeftAxis(QValueAxis* axis) {
  axis->setLabelFormat(QStringLiteral("%.0f"));  // grouped by the chart's locale: "#,##0"
  axis->setLabelsFont(MinchoFont(15));
  axis->setLabelsColor(Qt::white);
  axis->setGridLineColor(kSilver);
  axis->setLinePen(QPen(Qt::white, 2));  // the left wall
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
}

void StylePie(QPieSeries* pie) {
  pie->setPieStartAngle(45);
  pie->setPieEndAngle(45 + 360);
  pie->setPieSize(0.62);
  pie->setLabelsVisible(false);  // the chart draws the marks itself (ui/charts/chart_marks.h)
}

QPieSlice* MakeSlice(const quarvex::analyzer::ChartPoint& point) {
  auto* slice =
      new QPieSlice(FromUtf8(point.label) + QLatin1Char(' ') + GroupedNumber(point.value), std::max(point.value, 0.0));
  slice->setProperty("pointValue", point.value);
  slice->setProperty("pointLabel", FromUtf8(point.label));
  slice->setColor(ToQColor(point.colour));
  slice->setBorderColor(Qt::black);
  return slice;
}

void StyleBarSet(QBarSet* set, QColor colour) {
  QLinearGradient gradient(0, 0, 0, 1);
  gradient.setCoordinateMode(QGradient::ObjectMode);
  gradient.setColorAt(0, QColor::fromRgbF(0.55f + 0.45f * colour.redF(), 0.55f + 0.45f * colour.greenF(),
                                          0.55f + 0.45f * colour.blueF()));
  gradient.setColorAt(1, colour);
  set->setColor(colour);
  set->setBrush(gradient);
  set->setBorderColor(colour.darker(150));
}

QImage PointerImage(chartviews::Pointer pointer, QColor fill, QColor pen) {
  QImage image(kPointerPixels, kPointerPixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(pen, 1));
  painter.setBrush(fill);
  const qreal lo = 0.5, hi = kPointerPixels - 0.5, mid = kPointerPixels / 2.0;
  if (pointer == chartviews::Pointer::Diamond)
    painter.drawPolygon(QPolygonF({QPointF(mid, lo), QPointF(hi, mid), QPointF(mid, hi), QPointF(lo, mid)}));
  else
    painter.drawEllipse(QRectF(QPointF(lo, lo), QPointF(hi, hi)));
  return image;
}

}  // namespace quarvex::ui::chartstyle
