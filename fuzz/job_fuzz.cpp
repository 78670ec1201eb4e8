// Fuzz target: the whole job — load, header, block chain, pre-scan, analysis with its
// report section, and the structure report with every option on — on arbitrary bytes.
// Whatever the bytes, the job must end with a report or a failure code, and its last event
// must be the one that ends it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "job/analysis_job.h"

namespace {

using namespace quarvex;

stage::AnalysisOptions Everything() {
  stage::AnalysisOptions o = stage::AnalysisOptions::Initial();
  o.SelectAll();
  return o;
}

// Counts the ending events and notices anything sent after one.
class EndWatch : public job::JobEvents {
 public:
  void Progress(std::string_view) override { Check(); }
  void Failed(std::int32_t, const hive::Finding*) override { End(); }
  void Done() override { End(); }
  int ends = 0;

 private:
  void Check() const {
    if (ends != 0) std::abort();
  }
  void End() {
    Check();
    ++ends;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  job::JobInput input;
  input.fileName = "fuzz.dat";
  input.bytes = std::vector<std::uint8_t>(data, data + size);
  input.options = Everything();
  input.clock = [] { return text::LocalDateTime{2026, 12, 7, 10, 0, 0}; };
  EndWatch events;
  const job::JobResult result = job::RunJob(input, events);
  if (events.ends != 1) std::abort();
  // A failure names its code; a success leaves a report that ends with its closing line.
  if (result.code == hive::code::kOk &&
      (result.report.Count() < 2 || !result.report[result.report.Count() - 1].starts_with(" Done: ")))
    std::abort();
  return 0;
}
