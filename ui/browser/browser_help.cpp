#include "ui/browser/browser_help.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QStringList>

namespace quarvex::ui {

namespace {

QString Caption(const QAction& action) {
  QString text = action.text();
  text.remove(QLatin1Char('&'));
  if (text.endsWith(QChar(0x2026))) text.chop(1);  // "Open…"
  return text;
}

void Collect(const QMenu& menu, const QString& where, QStringList& lines, QSet<const QAction*>& seen) {
  for (const QAction* action : menu.actions()) {
    if (action->menu()) {
      Collect(*action->menu(), where, lines, seen);
      continue;
    }
    if (seen.contains(action) || action->shortcuts().isEmpty()) continue;
    seen.insert(action);
    QStringList keys;
    for (const QKeySequence& key : action->shortcuts()) keys << key.toString(QKeySequence::NativeText);
    lines << QStringLiteral("%1\t%2 (%3)").arg(keys.join(QStringLiteral(", ")), Caption(*action), where);
  }
}

}  // namespace

QString ShortcutsText(const QMainWindow& window) {
  QStringList lines;
  QSet<const QAction*> seen;
  for (const QAction* top : window.menuBar()->actions())
    if (top->menu()) Collect(*top->menu(), Caption(*top), lines, seen);
  return lines.join(QLatin1Char('\n'));
}

QMenu* AddHelpMenu(QMainWindow& window, std::function<void(const QString& text)> show) {
  QMenu* help = window.menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("helpMenu"));
  QAction* keys = help->addAction(QStringLiteral("&Keyboard Shortcuts"));
  keys->setObjectName(QStringLiteral("keyboardShortcutsAction"));
  keys->setShortcut(QKeySequence::HelpContents);
  QObject::connect(keys, &QAction::triggered, &window,
                   [&window, show = std::move(show)] { show(ShortcutsText(window)); });
  return help;
}

}  // namespace quarvex::ui
