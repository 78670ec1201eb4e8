// Fuzz target: the whole job — load, header, block chain, pre-scan, analysis with its
// report section, and the structure report with every option on — on arbitrary bytes.
// Whatever the bytes, the job must end with a report or a failure code.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "job/analysis_job.h"

namespace {

using namespace quarvex;

class FuzzWindow : public JobWindow {
 public:
  void SetApplicationTitle(const std::string&) override {}
  void SetMessageLine(const std::string&) override {}
  void SetStatusPanel(int, const std::string&) override {}
  void SetControlEnabled(Control, bool) override {}
  void SetControlVisible(Control, bool) override {}
  void MinimizeAndHide() override {}
  void RestoreAndShow() override {}
  bool IsChecked(Option o) const override { return options[o]; }
  std::string SelectedFileName() const override { return "/dev/null"; }  // exists; never read
  void ClearChartSeries() override {}
  void JobOver() override { over = true; }
  AnalysisOptions options = [] {
    AnalysisOptions o = AnalysisOptions::Initial();
    o.SelectAll();
    return o;
  }();
  bool over = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzWindow window;
  JobSettings settings;
  settings.clock = [] { return LocalDateTime{2026, 12, 7, 10, 0, 0}; };
  settings.loadImage = [data, size](const std::string&, HiveImage& image, std::int32_t&, std::string*) {
    image = HiveImage(std::vector<std::uint8_t>(data, data + size));
  };
  AnalysisJob job(window, settings);
  if (!job.StartAnalysis()) std::abort();
  job.RunAnalysis();
  // Every job ends by unlocking the window, whatever the bytes were.
  if (!window.over) std::abort();
  return 0;
}
