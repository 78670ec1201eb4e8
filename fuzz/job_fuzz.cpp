// Fuzz target: the whole job — load, header, block chain, pre-scan, analysis with its
// report section, and the structure report with every option on — on arbitrary bytes.
// Whatever the bytes, the job must end with a report or a failure code.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/cli_window.h"
#include "job/analysis_job.h"

namespace {

using namespace quarvex;

stage::AnalysisOptions Everything() {
  stage::AnalysisOptions o = stage::AnalysisOptions::Initial();
  o.SelectAll();
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The window names a file that exists; the bytes come from memory, not from it.
  cli::CliWindow window(Everything(), "/dev/null", nullptr);
  JobSettings settings;
  settings.clock = [] { return text::LocalDateTime{2026, 12, 7, 10, 0, 0}; };
  settings.loadImage = [data, size](const std::string&, hive::HiveImage& image, std::int32_t&, std::string*) {
    image = hive::HiveImage(std::vector<std::uint8_t>(data, data + size));
  };
  AnalysisJob job(window, settings);
  if (!job.StartAnalysis()) std::abort();
  job.RunAnalysis();
  // Every job ends by unlocking the window, whatever the bytes were.
  if (!window.JobOverCalled()) std::abort();
  return 0;
}
