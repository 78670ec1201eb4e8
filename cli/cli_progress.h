// How quarvex-cli shows a running job on standard error. On a terminal: one line that rewrites
// itself ("analysis  42%  ANA:0001F2C4"), at most ten times a second, ended by the job's final
// text; it appears only once the job has run half a second, or at once with --progress. Off a
// terminal: nothing, unless --progress asks for plain lines (at most ten a second, the final
// one always).
#pragma once

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

#include "job/job_events.h"

namespace quarvex::cli {

enum class ProgressStyle {
  None,      // nothing is shown
  Lines,     // plain lines, for a file or a pipe (--progress)
  Terminal,  // one line rewritten in place
};

// The style for standard error: a terminal rewrites one line; elsewhere lines only when asked.
ProgressStyle ProgressStyleFor(bool asked, bool terminal);
// Whether err is this process's standard error and that is a terminal.
bool IsTerminal(const std::ostream& err);

// "analysis" for Stage::Analysis ...
std::string_view StageTitle(quarvex::job::Stage stage);

class CliProgress : public quarvex::job::JobEvents {
 public:
  // asked: --progress (a terminal then shows the line from the start).
  CliProgress(std::ostream* progress, ProgressStyle style, bool asked = true)
      : progress_(progress),
        style_(progress ? style : ProgressStyle::None),
        asked_(asked),
        started_(std::chrono::steady_clock::now()) {}

  void Progress(std::string_view text) override;
  void ProgressAt(std::string_view text, const quarvex::job::ProgressPosition& at) override;
  void StageFinished(quarvex::job::Stage stage) override;
  void Failed(std::int32_t code, const quarvex::hive::Finding* finding) override;
  void Done() override;

  // The line as it would now be shown: "analysis  42%  ANA:0001F2C4".
  std::string Line(std::string_view text) const;

 private:
  // Shows the text now unless one was shown less than 0.1 s ago; the final text always shows.
  void Show(std::string_view text, bool final);

  std::ostream* progress_;
  ProgressStyle style_;
  bool asked_;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point lastShown_{};
  quarvex::job::Stage stage_ = quarvex::job::Stage::Load;
  int percent_ = -1;            // of the current stage; -1: not known
  std::size_t shownWidth_ = 0;  // of the terminal line now shown; 0: none
};

}  // namespace quarvex::cli
