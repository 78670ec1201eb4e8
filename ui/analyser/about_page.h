// The About page (tsAbout): the icon that counts clicks towards advanced mode, the product
// name, the program's notice lines, the unlock gauge and the memo of host facts.
#pragma once

#include <QLabel>
#include <QWidget>

#include "ui/analyser/window_geometry.h"

class QPlainTextEdit;
class QProgressBar;

namespace quarvex::ui {

// An image that reports clicks and double clicks. A double click is one click (the first
// press and release) and one double click (the second press); the second release adds no
// click of its own.
class ClickableImage : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 signals:
  void clicked();
  void doubleClicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

class AboutPage : public QWidget {
  Q_OBJECT

 public:
  AboutPage(const Scale& scale, QWidget* parent);

  ClickableImage* Icon() const { return imRegIcon_; }
  QProgressBar* Gauge() const { return Gauge1_; }
  QPlainTextEdit* Memo() const { return meStat_; }

  // The gauge's width in layout pixels, which is also its maximum.
  static constexpr int kGaugeWidth = 329;

 private:
  ClickableImage* imRegIcon_ = nullptr;
  QProgressBar* Gauge1_ = nullptr;
  QPlainTextEdit* meStat_ = nullptr;
};

}  // namespace quarvex::ui
