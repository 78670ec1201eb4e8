// The browser's Help menu: the keyboard shortcuts, read from the window's own menus and
// actions so that the list never disagrees with them.
#pragma once

#include <QString>
#include <functional>

class QMainWindow;
class QMenu;

namespace quarvex::ui {

// One line per action with a shortcut: "Ctrl+Q    Quit (File)", in menu order, then those
// of actions outside the menus (a view's own).
QString ShortcutsText(const QMainWindow& window);

// Adds "&Help" with "&Keyboard Shortcuts" (F1), which calls show(text).
QMenu* AddHelpMenu(QMainWindow& window, std::function<void(const QString& text)> show);

}  // namespace quarvex::ui
