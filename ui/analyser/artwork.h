// The program's own pictures, drawn at start-up: the application icon and the images of the
// three speed buttons, each with a normal and a disabled (greyed) form.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace quarvex::ui {

// 32 x 32: a stack of three registry blocks under a magnifying glass.
QPixmap AppIconPixmap();
QIcon AppIcon();

enum class ButtonImage { ReAnalyze, Quit, ShowReport };
// Both forms in one icon: QIcon::Normal and QIcon::Disabled.
QIcon SpeedButtonIcon(ButtonImage image);

}  // namespace quarvex::ui
