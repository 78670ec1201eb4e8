#include "app/cli_progress.h"

#include "job/analysis_job.h"

namespace quarvex::cli {

void CliProgress::Show(std::string_view text, bool final) {
  pending_.assign(text);
  pendingShown_ = false;
  if (!progress_) return;
  const auto now = std::chrono::steady_clock::now();
  if (final || now - lastShown_ >= std::chrono::milliseconds(100)) {
    *progress_ << pending_ << '\n';
    pendingShown_ = true;
    lastShown_ = now;
  }
}

void CliProgress::Progress(std::string_view text) { Show(text, false); }

void CliProgress::Failed(std::int32_t code, const quarvex::hive::Finding*) { Show(quarvex::job::FailureText(code), true); }

void CliProgress::Done() { Show(quarvex::job::kReportMadeText, true); }

}  // namespace quarvex::cli
