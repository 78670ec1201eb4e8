#include "cli/commands/summary_row.h"

#include "session/file_digest.h"

#include <exception>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "session/opened_hive.h"
#include "cli/commands/check.h"
#include "session/code_page.h"
#include "session/hive_bytes.h"
#include "cli/cli_run.h"
#include "hive/error_codes.h"
#include "salvage/check_text.h"
#include "salvage/counts.h"

namespace quarvex::cli {

std::string_view SummaryStatusName(SummaryStatus status) {
  switch (status) {
    case SummaryStatus::Healthy:
      return "healthy";
    case SummaryStatus::Damaged:
      return "damaged";
    case SummaryStatus::ReportFailed:
      return "report-failed";
    case SummaryStatus::NotAHive:
      return "not-a-hive";
    case SummaryStatus::Unreadable:
      return "unreadable";
  }
  return "unreadable";
}

int SummaryExitStatus(SummaryStatus status) {
  switch (status) {
    case SummaryStatus::Healthy:
      return kExitOk;
    case SummaryStatus::Damaged:
      return kCheckDamage;
    default:
      return kExitJobFailed;
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

std::optional<std::vector<std::uint8_t>> ReadForSummary(const session::HiveAddress& address, std::string& error) {
  if (!address.InContainer()) return session::ReadHiveBytes(address, error);
  const std::lock_guard<std::mutex> lock(containerReads);
  return session::ReadHiveBytes(address, error);
}

SummaryRow Summarize(const std::string& file, const std::optional<text::CodePage>& named) {
  SummaryRow row;
  row.file = file;
  const session::HiveAddress address = session::HiveAddress::Parse(file);
  std::string error;
  std::optional<std::vector<std::uint8_t>> bytes = ReadForSummary(address, error);
  if (!bytes) {
    row.status = SummaryStatus::Unreadable;
    row.reason = error;
    return row;
  }
  row.size = bytes->size();
  const std::unique_ptr<session::OpenedHive> checked =
      session::OpenBytes(address, std::move(*bytes), session::OpenOptions::With(named, session::ReportCheck::Always));
  row.sha256 = checked->Digests().sha256;
  row.md5 = checked->Digests().md5;
  const salvage::HiveCounts counts = salvage::CountHive(checked->hive);
  row.damage = counts.damage;
  row.warnings = counts.warnings;
  row.notes = counts.notes;
  if (!checked->IsHive()) {
    row.status = SummaryStatus::NotAHive;
    row.reason = checked->NotAHiveText();
    if (const std::string hint = session::HivesHint(file, checked->other); !hint.empty()) row.reason += "; " + hint;
    return row;
  }
  row.codePage = checked->codePage.codePage;
  row.keys = counts.keys;
  row.values = counts.values;
  row.space = counts.whole;
  row.status = counts.damage > 0 ? SummaryStatus::Damaged : SummaryStatus::Healthy;
  if (counts.damage > 0) row.reason = salvage::SummaryText(checked->hive);
  const job::ReportReading& report = *checked->report;
  if (report.Failed()) {
    std::string failure = "report Fail(" + std::to_string(report.code) + "): " + hive::code::Describe(report.code);
    if (report.finding)
      failure += ": " + report.finding->Text();
    else if (!report.loadFailureReason.empty())
      failure += ": " + report.loadFailureReason;
    row.reason += (row.reason.empty() ? "" : "; ") + failure;
    if (row.status == SummaryStatus::Healthy) row.status = SummaryStatus::ReportFailed;
  } else if (report.analysis) {
    const analyzer::AnalysisResult& a = *report.analysis;
    row.verdicts = SummaryVerdicts{a.goodCount, a.badCount, a.ghostCount};
  }
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
