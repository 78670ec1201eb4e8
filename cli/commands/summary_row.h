// One line of `quarvex-cli summary`: what one file is, as values. The hive as `check` reads it
// (session/opened_hive.h) gives the counts, how the file's bytes are used and the findings by
// grade, whatever the damage; the report's reading gives the key verdicts. A file that cannot
// be read gives a row all the same, with its reason.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "salvage/counts.h"
#include "text/codepage.h"

namespace quarvex::cli {

// The worse of two, in this order: Healthy, Damaged, then the three that say the file gave
// nothing useful (NotAHive, ReportFailed, Unreadable) and share exit status 1.
enum class SummaryStatus {
  Healthy,       // a registry file with no damage (warnings and notes allowed)
  Damaged,       // the salvage reader found damage (the report may still have been made)
  ReportFailed,  // no damage found, yet the report's readers stopped (Fail(N) in the reason)
  NotAHive,      // no CREG or RGKN signature: nothing was read
  Unreadable,    // the file could not be read at all (missing, a directory, too large ...)
};

std::string_view SummaryStatusName(SummaryStatus status);  // "healthy", "damaged", "report-failed" ...

// Exit status of a file as check has it: 0 healthy, 4 damaged, 1 for the rest.
int SummaryExitStatus(SummaryStatus status);
// The worse of two exit statuses: 1 over 4 over 0.
int WorseExitStatus(int a, int b);

// The report's verdicts on the keys' name checksums.
struct SummaryVerdicts {
  std::int32_t good = 0, bad = 0, ghost = 0;
};

struct SummaryRow {
  std::string file;                   // as given
  std::optional<std::uint64_t> size;  // bytes; none when unreadable
  std::optional<text::CodePage> codePage;
  std::optional<std::uint64_t> keys, values;  // as salvage/counts.h counts them
  std::optional<salvage::SpaceCounts> space;  // the whole file's bytes by use (salvage/counts.h)
  std::optional<SummaryVerdicts> verdicts;    // none when the report's analysis did not run to its end
  std::uint64_t damage = 0, warnings = 0, notes = 0;
  SummaryStatus status = SummaryStatus::Unreadable;
  std::string reason;  // why the status, in words; empty when healthy
  // The bytes read, as examiners record them (sha256sum's and md5sum's); none when unreadable.
  std::optional<std::string> sha256, md5;
};

// Reads and analyses one file (a disk file or an IMAGE::PATH address) in the code page named,
// or detected for it when none is. Never throws: a failure of any kind is a row.
SummaryRow SummarizeFile(const std::string& file, const std::optional<text::CodePage>& named);

}  // namespace quarvex::cli
