#include "ui/analyser/window_geometry.h"

#include <QFontDatabase>
#include <QWidget>
#include <cmath>

namespace quarvex::ui {

Scale Scale::ForWidget(const QWidget& widget) {
  const int dpi = widget.logicalDpiY();
  return Scale(dpi > 0 ? dpi / 120.0 : 0.8);
}

int Scale::Px(int designPixels) const { return static_cast<int>(std::lround(designPixels * factor_)); }

QRect Scale::Rect(int left, int top, int width, int height) const {
  // Edges are scaled, not sizes, so that neighbours stay neighbours.
  const int l = Px(left), t = Px(top);
  return QRect(l, t, Px(left + width) - l, Px(top + height) - t);
}

void Scale::Place(QWidget* widget, int left, int top, int width, int height) const {
  widget->setGeometry(Rect(left, top, width, height));
}

void Scale::PlaceAuto(QWidget* widget, int left, int top) const {
  widget->adjustSize();
  widget->move(Px(left), Px(top));
}

namespace {

const char* Family(Face face) {
  switch (face) {
    case Face::PGothic:
      return "IPAPGothic";
    case Face::Gothic:
      return "IPAGothic";
    case Face::PMincho:
      return "IPAPMincho";
    case Face::SansBold:
      return "DejaVu Sans";
  }
  return "IPAPGothic";
}

}  // namespace

QFont LayoutFont(Face face, int designPixels, const Scale& scale, bool bold) {
  QFont font(QString::fromLatin1(Family(face)));
  font.setPixelSize(std::max(1, scale.Px(designPixels)));
  font.setBold(bold || face == Face::SansBold);
  if (face == Face::Gothic) {
    font.setFixedPitch(true);
    font.setStyleHint(QFont::Monospace);
  } else if (face == Face::SansBold) {
    // Narrower than the plain face, close to the widths the layout was drawn for.
    font.setStretch(QFont::SemiCondensed);
    font.setStyleHint(QFont::SansSerif);
  }
  return font;
}

void SetColours(QWidget* widget, const QColor& text, const QColor& background) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::ButtonText, text);
  if (background.isValid()) {
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::Base, background);
    widget->setAutoFillBackground(true);
  }
  widget->setPalette(palette);
}

}  // namespace quarvex::ui
