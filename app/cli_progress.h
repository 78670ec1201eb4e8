// How quarvex-cli shows a running job: its progress texts and its final text on standard
// error, at most ten a second, when --progress asks for them.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "job/job_events.h"

namespace quarvex::cli {

class CliProgress : public quarvex::job::JobEvents {
 public:
  explicit CliProgress(std::ostream* progress) : progress_(progress) {}

  void Progress(std::string_view text) override;
  void Failed(std::int32_t code, const quarvex::hive::Finding* finding) override;
  void Done() override;

 private:
  // Shows the text now unless one was shown less than 0.1 s ago; the final text always shows.
  void Show(std::string_view text, bool final);

  std::ostream* progress_;
  std::string pending_;
  bool pendingShown_ = true;
  std::chrono::steady_clock::time_point lastShown_{};
};

}  // namespace quarvex::cli
