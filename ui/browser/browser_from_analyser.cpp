// The analyser window's way into the browser: its Report page's Browse button and Ctrl+B.
#include <QFile>

#include "ui/browser/browser_window.h"
#include "ui/analyser/main_window.h"

namespace quarvex::ui {

void TForm1::sbBrowseClick() {
  quarvex::ui::BrowserWindow::Settings settings;
  // The code page the analysed file was read in (named or detected, the browser finds the same).
  if (!settings_.autoCodePage) settings.codePage = settings_.job.codePage;
  // A window of its own, deleted when closed; the analyser does not wait for it.
  auto* browser = new quarvex::ui::BrowserWindow(settings);
  browser->setAttribute(Qt::WA_DeleteOnClose, true);
  browser->show();
  if (!analysedFile_.empty()) browser->OpenFile(QFile::decodeName(analysedFile_.c_str()));
}

}  // namespace quarvex::ui
