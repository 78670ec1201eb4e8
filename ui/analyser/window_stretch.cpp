#include "ui/analyser/window_stretch.h"

#include <algorithm>

namespace quarvex::ui {

void WindowStretch::Add(QWidget* control, Follow follow) {
  controls_.push_back({control, control->geometry(), follow});
}

QRect WindowStretch::Placed(const QRect& atDefault, Follow follow, QSize growth) {
  const int dx = std::max(0, growth.width()), dy = std::max(0, growth.height());
  switch (follow) {
    case Follow::Grow:
      return atDefault.adjusted(0, 0, dx, dy);
    case Follow::Down:
      return atDefault.translated(0, dy);
    case Follow::DownWiden:
      return atDefault.translated(0, dy).adjusted(0, 0, dx, 0);
    case Follow::Widen:
      return atDefault.adjusted(0, 0, dx, 0);
  }
  return atDefault;
}

void WindowStretch::Apply(QSize growth) const {
  for (const Control& control : controls_)
    if (control.widget) control.widget->setGeometry(Placed(control.atDefault, control.follow, growth));
}

}  // namespace quarvex::ui
