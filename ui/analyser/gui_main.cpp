// quarvex: the desktop window.
#include <QApplication>

#include "ui/analyser/main_window.h"
#include "ui/analyser/window_command_line.h"

int main(int argc, char** argv) {
  // --help and a bad command line are answered before Qt looks for a display, so that they
  // work in a terminal without one.
  if (const std::optional<int> status = quarvex::ui::AnswerWithoutWindow(argc, argv)) return *status;
  QApplication app(argc, argv);
  return quarvex::ui::RunMainWindow(app);
}
