// Sizes of the window's layout are given for a screen of 120 pixels per inch; a Scale turns
// them into this screen's pixels. Fonts name the faces the layout was drawn with and stand in
// with the faces this host has.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>

class QWidget;

namespace quarvex::ui {

class Scale {
 public:
  // The factor for a widget's screen: its logical DPI over 120.
  static Scale ForWidget(const QWidget& widget);
  explicit Scale(double factor) : factor_(factor) {}
  double Factor() const { return factor_; }
  int Px(int designPixels) const;
  QRect Rect(int left, int top, int width, int height) const;
  // Places a widget at a design position and size.
  void Place(QWidget* widget, int left, int top, int width, int height) const;
  // Places a label-like widget at a design position, sized to its text.
  void PlaceAuto(QWidget* widget, int left, int top) const;

 private:
  double factor_;
};

// The layout's faces: the proportional and the fixed-pitch Gothic, the proportional Mincho and
// a bold sans-serif (for the About page's product name and slogan).
enum class Face { PGothic, Gothic, PMincho, SansBold };
// A font of the face with the given character height in design pixels.
QFont LayoutFont(Face face, int designPixels, const Scale& scale, bool bold = false);

// Colours the layout names.
inline const QColor kMaroon{128, 0, 0};
inline const QColor kNavy{0, 0, 128};
inline const QColor kPurple{128, 0, 128};
inline const QColor kGreen{0, 128, 0};
inline const QColor kSilver{192, 192, 192};
inline const QColor kAqua{0, 255, 255};
inline const QColor kYellow{255, 255, 0};
inline const QColor kRed{255, 0, 0};
inline const QColor kBlue{0, 0, 255};

// Text and background colours of a widget, through its palette.
void SetColours(QWidget* widget, const QColor& text, const QColor& background = QColor());

}  // namespace quarvex::ui
