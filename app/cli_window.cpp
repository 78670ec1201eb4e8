#include "app/cli_window.h"

namespace quarvex::cli {

using namespace quarvex::stage;
using namespace quarvex::job;

void CliWindow::SetStatusPanel(int panel, const std::string& text) {
  if (panel != 1) return;
  status_ = text;
  statusShown_ = false;
  if (!progress_) return;
  // Progress texts come once per key node and record: show at most ten a second.
  const auto now = std::chrono::steady_clock::now();
  if (now - lastShown_ >= std::chrono::milliseconds(100)) {
    *progress_ << status_ << '\n';
    statusShown_ = true;
    lastShown_ = now;
  }
}

void CliWindow::JobOver() {
  jobOver_ = true;
  // The final text always shows.
  if (progress_ && !statusShown_) *progress_ << status_ << '\n';
  statusShown_ = true;
}

}  // namespace quarvex::cli
