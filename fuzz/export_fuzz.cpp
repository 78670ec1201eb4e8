// Fuzz target: the REGEDIT4 export on arbitrary bytes, after the job's load and index stages,
// in the hive's code page and transcoded to UTF-8. Whatever the bytes, the export must end
// (with its lines or a failure code), start with its header, and keep every line free of
// line breaks, since each is saved with CR LF after it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "export/regedit4_export.h"
#include "job/analysis_job.h"
#include "job/report_file.h"

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
  // Load, header, block chain and pre-scan only: no analysis, no structure report.
  bool IsChecked(Option o) const override { return o != Option::cbANA && o != Option::cbRPT && o != Option::cbPSdbrh; }
  std::string SelectedFileName() const override { return "/dev/null"; }  // exists; never read
  void ClearChartSeries() override {}
  void JobOver() override {}
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
  if (job.ErrorCode() != code::kOk) return 0;

  ReportLines lines;
  const ExportOutcome outcome = ExportRegedit4(job.hive, ExportSettings{}, lines);
  if (lines.Count() < 2 || lines[0] != "REGEDIT4") std::abort();
  if (outcome.code == code::kOk && job.ErrorCode() != code::kOk) std::abort();  // the hive's code is left alone
  for (std::size_t i = 0; i < lines.Count(); ++i)
    if (lines[i].find_first_of("\r\n") != std::string_view::npos) std::abort();
  // The UTF-8 form goes through the same lines.
  const std::string utf8 = SavedReportText(lines, CodePage::Cp932);
  if (utf8.compare(0, 10, "REGEDIT4\r\n") != 0) std::abort();
  return 0;
}
