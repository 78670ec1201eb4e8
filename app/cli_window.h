// The job's window when there is none: options come from the command line, progress texts
// go (coalesced) to standard error when asked for, everything else is kept for the caller.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "job/job_window.h"

namespace quarvex::cli {

class CliWindow : public JobWindow {
 public:
  CliWindow(AnalysisOptions options, std::string fileName, std::ostream* progress)
      : options_(options), fileName_(std::move(fileName)), progress_(progress) {}

  void SetApplicationTitle(const std::string& title) override { title_ = title; }
  void SetMessageLine(const std::string&) override {}
  void SetStatusPanel(int panel, const std::string& text) override;
  void SetControlEnabled(Control, bool) override {}
  void SetControlVisible(Control, bool) override {}
  void MinimizeAndHide() override {}
  void RestoreAndShow() override {}
  bool IsChecked(Option option) const override { return options_[option]; }
  std::string SelectedFileName() const override { return fileName_; }
  void ClearChartSeries() override {}
  void JobOver() override;

  const std::string& StatusText() const { return status_; }
  const std::string& Title() const { return title_; }
  bool JobOverCalled() const { return jobOver_; }

 private:
  AnalysisOptions options_;
  std::string fileName_;
  std::ostream* progress_;
  std::string title_;
  std::string status_;
  bool statusShown_ = true;
  bool jobOver_ = false;
  std::chrono::steady_clock::time_point lastShown_{};
};

}  // namespace quarvex::cli
