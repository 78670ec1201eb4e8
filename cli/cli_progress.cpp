#include "cli/cli_progress.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "cli/cli_run.h"
#include "job/analysis_job.h"
#include "text/printf.h"

namespace quarvex::cli {

using quarvex::job::Stage;

ProgressStyle ProgressStyleFor(bool asked, bool terminal) {
  if (terminal) return ProgressStyle::Terminal;
  return asked ? ProgressStyle::Lines : ProgressStyle::None;
}

bool IsTerminal(const std::ostream& err) {
  if (&err != &std::cerr) return false;
#if defined(_WIN32)
  return _isatty(_fileno(stderr)) != 0;
#else
  return ::isatty(STDERR_FILENO) == 1;
#endif
}

std::string_view StageTitle(Stage stage) {
  switch (stage) {
    case Stage::Load:
      return "reading";
    case Stage::HiveHeader:
      return "file header";
    case Stage::BlockChain:
      return "data blocks";
    case Stage::PreScan:
      return "indexing records";
    case Stage::Analysis:
      return "analysis";
    case Stage::StructureReport:
      return "structure report";
  }
  return "working";
}

std::string CliProgress::Line(std::string_view text) const {
  std::string line(StageTitle(stage_));
  if (percent_ >= 0) text::AppendPrintf(line, " %3d%%", percent_);
  line += "  ";
  line += text;
  return line;
}

void CliProgress::Show(std::string_view text, bool final) {
  if (style_ == ProgressStyle::None) return;
  const auto now = std::chrono::steady_clock::now();
  if (!final && now - lastShown_ < std::chrono::milliseconds(100)) return;
  if (style_ == ProgressStyle::Lines) {
    *progress_ << (final ? std::string(text) : Line(text)) << '\n';
    lastShown_ = now;
    return;
  }
  // A terminal: a quick job leaves no trace unless the line was asked for.
  if (!asked_ && shownWidth_ == 0 && now - started_ < std::chrono::milliseconds(500)) return;
  const std::string line = final ? std::string(text) : Line(text);
  // Back to the line's start, the new text, blanks over what the last one left.
  *progress_ << '\r' << line;
  if (line.size() < shownWidth_) *progress_ << std::string(shownWidth_ - line.size(), ' ');
  if (final) {
    *progress_ << '\n';
    shownWidth_ = 0;
  } else {
    shownWidth_ = std::max(line.size(), std::size_t{1});
  }
  progress_->flush();
  lastShown_ = now;
}

void CliProgress::Progress(std::string_view text) { Show(text, false); }

void CliProgress::ProgressAt(std::string_view text, const quarvex::job::ProgressPosition& at) {
  if (at.stage != stage_) {
    stage_ = at.stage;
    percent_ = -1;
  }
  if (at.total > 0) percent_ = static_cast<int>(std::min<std::uint64_t>(at.done, at.total) * 100 / at.total);
  Show(text, false);
}

void CliProgress::StageFinished(Stage stage) {
  stage_ = stage;
  percent_ = 100;
}

void CliProgress::Failed(std::int32_t code, const quarvex::hive::Finding*) {
  // On a terminal the line ends only if it was ever begun.
  if (style_ == ProgressStyle::Terminal && shownWidth_ == 0 && !asked_) return;
  Show(CliFailureText(code), true);
}

void CliProgress::Done() {
  if (style_ == ProgressStyle::Terminal && shownWidth_ == 0 && !asked_) return;
  Show(quarvex::job::kReportMadeText, true);
}

}  // namespace quarvex::cli
