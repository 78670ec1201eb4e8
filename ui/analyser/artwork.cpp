#include "ui/analyser/artwork.h"

#include <QPainter>
#include <QPainterPath>

namespace quarvex::ui {

namespace {

QPixmap Blank(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

// The disabled form: every drawn pixel grey, its shape kept, with a light shadow as a
// classic disabled glyph has.
QPixmap Greyed(const QPixmap& normal) {
  QImage image = normal.toImage().convertToFormat(QImage::Format_ARGB32);
  QImage grey(image.size(), QImage::Format_ARGB32);
  grey.fill(Qt::transparent);
  QImage shadow = grey;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const int alpha = qAlpha(image.pixel(x, y));
      if (alpha < 96) continue;
      grey.setPixel(x, y, qRgba(128, 128, 128, 255));
      if (x + 1 < image.width() && y + 1 < image.height()) shadow.setPixel(x + 1, y + 1, qRgba(255, 255, 255, 255));
    }
  QPixmap result = Blank(normal.width());
  QPainter painter(&result);
  painter.drawImage(0, 0, shadow);
  painter.drawImage(0, 0, grey);
  return result;
}

QPixmap ReAnalyze() {
  QPixmap pixmap = Blank(24);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  // A circular arrow around a small page.
  p.setPen(QPen(QColor(0, 128, 0), 2.6, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(3, 3, 18, 18), 40 * 16, 280 * 16);
  QPainterPath head;
  head.moveTo(21.5, 3.5);
  head.lineTo(21.5, 10.5);
  head.lineTo(14.5, 8.5);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 128, 0));
  p.drawPath(head);
  p.setBrush(QColor(0, 0, 128));
  p.drawRect(QRectF(9, 9, 6, 6));
  return pixmap;
}

QPixmap Quit() {
  QPixmap pixmap = Blank(18);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  // An open door with an arrow leaving through it.
  p.setPen(QPen(QColor(128, 0, 0), 1.6));
  p.setBrush(QColor(255, 230, 170));
  p.drawRect(QRectF(2, 2, 8, 14));
  p.setPen(QPen(QColor(192, 0, 0), 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(7, 9), QPointF(15, 9));
  p.drawLine(QPointF(12, 6), QPointF(15, 9));
  p.drawLine(QPointF(12, 12), QPointF(15, 9));
  return pixmap;
}

QPixmap ShowReport() {
  QPixmap pixmap = Blank(20);
  QPainter p(&pixmap);
  // A page of text with a folded corner.
  QPainterPath page;
  page.moveTo(3, 1.5);
  page.lineTo(13, 1.5);
  page.lineTo(17, 5.5);
  page.lineTo(17, 18.5);
  page.lineTo(3, 18.5);
  page.closeSubpath();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0, 0, 128), 1.2));
  p.setBrush(Qt::white);
  p.drawPath(page);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(QColor(0, 0, 255), 1));
  for (int y = 7; y <= 16; y += 3) p.drawLine(5, y, 14, y);
  return pixmap;
}

}  // namespace

QPixmap AppIconPixmap() {
  QPixmap pixmap = Blank(32);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor blocks[] = {QColor(0, 0, 255), QColor(0, 160, 0), QColor(220, 0, 0)};
  for (int i = 0; i < 3; ++i) {
    const QRectF r(2 + 3 * i, 4 + 8 * i, 20, 7);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(blocks[i]);
    p.drawRoundedRect(r, 1.5, 1.5);
  }
  // The magnifying glass over the stack.
  p.setPen(QPen(QColor(64, 64, 64), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(24, 24), QPointF(30, 30));
  p.setPen(QPen(QColor(32, 32, 32), 2));
  p.setBrush(QColor(255, 255, 200, 170));
  p.drawEllipse(QPointF(20, 19), 7, 7);
  return pixmap;
}

QIcon AppIcon() { return QIcon(AppIconPixmap()); }

QIcon SpeedButtonIcon(ButtonImage image) {
  QPixmap normal;
  switch (image) {
    case ButtonImage::ReAnalyze:
      normal = ReAnalyze();
      break;
    case ButtonImage::Quit:
      normal = Quit();
      break;
    case ButtonImage::ShowReport:
      normal = ShowReport();
      break;
  }
  QIcon icon;
  icon.addPixmap(normal, QIcon::Normal);
  icon.addPixmap(Greyed(normal), QIcon::Disabled);
  return icon;
}

}  // namespace quarvex::ui
