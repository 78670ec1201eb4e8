#include "ui/common/backslash_fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <optional>

namespace quarvex::ui {

namespace {

constexpr int kProbeSize = 64;

// The mean column of the ink in rows [from, to).
std::optional<double> InkColumn(const QImage& image, int from, int to) {
  double sum = 0, weight = 0;
  for (int y = from; y < to; ++y) {
    const uchar* row = image.constScanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      const int ink = 255 - row[x];
      sum += static_cast<double>(ink) * x;
      weight += ink;
    }
  }
  if (weight == 0) return std::nullopt;
  return sum / weight;
}

// The installed family the first candidate that draws a backslash resolves to: a generic name
// ("Sans Serif", "monospace") is skipped in a font's list of families, its face is not.
QString FirstDrawingBackslash(const QStringList& candidates);

}  // namespace

bool DrawsRealBackslash(const QFont& font) {
  QFont probe = font;
  probe.setPixelSize(kProbeSize / 2);
  QImage image(kProbeSize, kProbeSize, QImage::Format_Grayscale8);
  image.fill(255);
  {
    QPainter painter(&image);
    painter.setFont(probe);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("\\"));
  }
  int top = kProbeSize, bottom = -1;
  for (int y = 0; y < kProbeSize; ++y) {
    const uchar* row = image.constScanLine(y);
    for (int x = 0; x < kProbeSize; ++x)
      if (row[x] < 128) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  }
  if (bottom < top) return false;
  const int quarter = std::max(1, (bottom - top + 1) / 4);
  const std::optional<double> upper = InkColumn(image, top, top + quarter);
  const std::optional<double> lower = InkColumn(image, bottom + 1 - quarter, bottom + 1);
  if (!upper || !lower) return false;
  // A backslash's foot lies well right of its head; a yen sign stands upright on its stem.
  return *lower - *upper > (bottom - top + 1) * 0.15;
}

namespace {

QString FirstDrawingBackslash(const QStringList& candidates) {
  for (const QString& family : candidates) {
    const QFont font(family);
    if (DrawsRealBackslash(font)) return QFontInfo(font).family();
  }
  return QString();
}

}  // namespace

QString BackslashFamily(bool fixedPitch) {
  static const QString found[2] = {
      [] {
        QStringList candidates{QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(),
                               QStringLiteral("DejaVu Sans"),
                               QStringLiteral("Liberation Sans"),
                               QStringLiteral("Noto Sans"),
                               QStringLiteral("Arial"),
                               QStringLiteral("sans-serif")};
        return FirstDrawingBackslash(candidates);
      }(),
      [] {
        QStringList candidates{QFontDatabase::systemFont(QFontDatabase::FixedFont).family(),
                               QStringLiteral("DejaVu Sans Mono"),
                               QStringLiteral("Liberation Mono"),
                               QStringLiteral("Noto Sans Mono"),
                               QStringLiteral("Courier New"),
                               QStringLiteral("monospace")};
        return FirstDrawingBackslash(candidates);
      }()};
  return found[fixedPitch ? 1 : 0];
}

QFont AnalyserFontFor(const QFont& period, text::CodePage codePage) {
  if (codePage == text::CodePage::Cp932) return period;
  const QString family = BackslashFamily(period.fixedPitch());
  if (family.isEmpty()) return period;
  QFont font = period;
  font.setFamilies({family, period.family()});
  return font;
}

QFont BrowserFontFor(text::CodePage codePage, bool fixedPitch) {
  QFont font = fixedPitch ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont();
  if (codePage == text::CodePage::Cp932) {
    // Japanese text: the IPA fonts behind the desktop's (full-width in two columns in the hex view).
    if (fixedPitch)
      font.setFamilies({font.family(), QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic")});
    else
      font.setFamilies({font.family(), QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    return font;
  }
  if (!DrawsRealBackslash(font)) {
    const QString family = BackslashFamily(fixedPitch);
    if (!family.isEmpty()) font.setFamilies({family});
  }
  return font;
}

}  // namespace quarvex::ui
