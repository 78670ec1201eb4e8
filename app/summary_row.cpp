#include "app/summary_row.h"

#include <exception>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "app/cli_check.h"
#include "app/cli_input.h"
#include "app/cli_run.h"
#include "hive/error_codes.h"
#include "job/analysis_job.h"
#include "salvage/check_text.h"
#include "salvage/salvage.h"

namespace quarvex::cli {

std::string_view SummaryStatusName(SummaryStatus status) {
  switch (status) {
    case SummaryStatus::Healthy: return "healthy";
    case SummaryStatus::Damaged: return "damaged";
    case SummaryStatus::ReportFailed: return "report-failed";
    case SummaryStatus::NotAHive: return "not-a-hive";
    case SummaryStatus::Unreadable: return "unreadable";
  }
  return "unreadable";
}

int SummaryExitStatus(SummaryStatus status) {
  switch (status) {
    case SummaryStatus::Healthy: return kExitOk;
    case SummaryStatus::Damaged: return kCheckDamage;
    default: return kExitJobFailed;
  }
}

int WorseExitStatus(int a, int b) {
  auto rank = [](int s) { return s == kExitOk ? 0 : s == kCheckDamage ? 1 : 2; };
  return rank(b) > rank(a) ? b : a;
}

namespace {

// Reading from a disk image goes through The Sleuth Kit and libmspack; one such read at a time
// keeps their library state out of the question. Loose files are read in parallel.
std::mutex containerReads;

std::optional<std::vector<std::uint8_t>> ReadForSummary(const std::string& file, std::string& error) {
  if (!IsContainerAddress(file)) return ReadWholeHive(file, error);
  const std::lock_guard<std::mutex> lock(containerReads);
  return ReadWholeHive(file, error);
}

// The report's analysis only: no report text, no host probe, a fixed clock.
void AddAnalysis(SummaryRow& row, std::vector<std::uint8_t> bytes, text::CodePage codePage) {
  job::JobInput input;
  input.fileName = row.file;
  input.bytes = std::move(bytes);
  input.codePage = codePage;
  input.options.Set(stage::Option::cbANrep, false);
  input.options.Set(stage::Option::cbKeys, false);
  input.clock = [] { return text::LocalDateTime{}; };
  const job::JobResult result = job::RunJob(input);
  if (result.code != hive::code::kOk || !result.analysis) {
    std::string failure = "report Fail(" + std::to_string(result.code) + "): " + hive::code::Describe(result.code);
    if (result.finding) failure += ": " + result.finding->Text();
    else if (!result.loadFailureReason.empty()) failure += ": " + result.loadFailureReason;
    row.reason += (row.reason.empty() ? "" : "; ") + failure;
    if (row.status == SummaryStatus::Healthy) row.status = SummaryStatus::ReportFailed;
    return;
  }
  const analyzer::AnalysisResult& a = *result.analysis;
  row.analysis = SummaryAnalysis{a.goodCount, a.badCount, a.ghostCount,
                                 a.wholeFile.Using, a.wholeFile.Empty, a.wholeFile.DeadGap};
}

SummaryRow Summarize(const std::string& file, const std::optional<text::CodePage>& named) {
  SummaryRow row;
  row.file = file;
  std::string error;
  std::optional<std::vector<std::uint8_t>> bytes = ReadForSummary(file, error);
  if (!bytes) {
    row.status = SummaryStatus::Unreadable;
    row.reason = error;
    return row;
  }
  row.size = bytes->size();
  const text::CodePage codePage = CodePageForHive(named, file, *bytes);
  row.codePage = codePage;
  {
    const salvage::SalvagedHive hive = salvage::Salvage(*bytes, {codePage});
    const salvage::SalvageSummary& s = hive.summary;
    row.damage = s.damage;
    row.warnings = s.warnings;
    row.notes = s.notes;
    if (!hive.isHive) {
      row.status = SummaryStatus::NotAHive;
      row.codePage.reset();  // nothing was read in it
      row.reason = salvage::SummaryText(hive);
      return row;
    }
    row.keys = s.keys;
    row.values = s.values;
    row.status = s.damage > 0 ? SummaryStatus::Damaged : SummaryStatus::Healthy;
    if (s.damage > 0) row.reason = salvage::SummaryText(hive);
  }
  AddAnalysis(row, std::move(*bytes), codePage);
  return row;
}

}  // namespace

SummaryRow SummarizeFile(const std::string& file, const std::optional<text::CodePage>& named) {
  // Whatever goes wrong with one file is that file's row; the others go on.
  try {
    return Summarize(file, named);
  } catch (const std::bad_alloc&) {
    SummaryRow row;
    row.file = file;
    row.reason = "out of memory";
    return row;
  } catch (const std::exception& e) {
    SummaryRow row;
    row.file = file;
    row.reason = e.what();
    return row;
  }
}

}  // namespace quarvex::cli
