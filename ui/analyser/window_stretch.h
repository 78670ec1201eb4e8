// How the analyser window's controls follow its size. The layout is drawn for one size (the
// window's default, which is also its least); when the window grows, the chart and the report
// view grow with it, the rows of controls under them move down, and the message line and the
// status bar widen. Each control keeps its place at the default size exactly.
#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

namespace quarvex::ui {

enum class Follow {
  Grow,       // both ways: the chart, the report view
  Down,       // moves down by the growth in height: the controls under the pages
  DownWiden,  // moves down and widens: the message line, the status bar
  Widen,      // widens in place: the status bar's last panel
};

class WindowStretch {
 public:
  // Takes the control's geometry now as its place at the default size.
  void Add(QWidget* control, Follow follow);
  // Places every control for a window grown by growth (negative growth counts as none).
  void Apply(QSize growth) const;
  // Where a control of the list stands for a growth.
  static QRect Placed(const QRect& atDefault, Follow follow, QSize growth);

 private:
  struct Control {
    QPointer<QWidget> widget;
    QRect atDefault;
    Follow follow;
  };
  std::vector<Control> controls_;
};

}  // namespace quarvex::ui
