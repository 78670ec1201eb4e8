// A hive as every subcommand of quarvex-cli reads it, in one place: the file's bytes, the code
// page chosen for it, and the salvage reader's model with the findings about the file as a
// whole added (the code page chosen, and what the faithful report makes of the file). check,
// summary, stats, ls, get, find, diff, recover, facts and the salvage export all read hives
// through here, so they count the same findings (salvage/counts.h) and refuse a file that is
// no hive with the same words.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/other_file.h"
#include "detect/codepage_choice.h"
#include "job/report_reading.h"
#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::cli {

// When the report's reading is run (job/report_reading.h). Its note is a finding like the
// others: it must be there before anything indexes the findings (a browse::HiveView).
enum class ReportCheck {
  Always,       // check, summary, stats, the salvage export: they print the counts
  WhenDamaged,  // ls, get, find, diff: they print the counts only in their damage line
  Never,        // recover, facts: they print no counts
};

struct CheckOptions {
  std::optional<text::CodePage> codePage;  // named with --codepage; empty: detected for the file
  std::optional<detect::CodePageChoice> chosen;  // the choice made already for this file (the report's)
  std::optional<std::string> windowsDirectory;
  ReportCheck report = ReportCheck::Always;

  static CheckOptions With(const std::optional<text::CodePage>& named, ReportCheck report) {
    CheckOptions options;
    options.codePage = named;
    options.report = report;
    return options;
  }
};

struct CheckedHive {
  std::string file;                         // as given
  std::vector<std::uint8_t> bytes;          // the model views them: they stay with it
  detect::CodePageChoice codePage;
  salvage::SalvagedHive hive;               // with the file-wide findings added
  std::optional<job::ReportReading> report; // when it was run
  OtherFile other = OtherFile::Unknown;     // what the file is when it is no hive

  bool IsHive() const { return hive.isHive; }
  // "not a registry file", with what the file is when it can be told
  // ("not a registry file: the file is empty (0 bytes)").
  std::string NotAHiveText() const;
};

// Reads the file (a disk file, "-" or IMAGE::PATH) whole and checks it; nullptr, with the
// reason in error, when it cannot be read.
std::unique_ptr<CheckedHive> CheckFile(const std::string& file, const CheckOptions& options, std::string& error);
// The same for bytes already read.
std::unique_ptr<CheckedHive> CheckBytes(const std::string& file, std::vector<std::uint8_t> bytes,
                                        const CheckOptions& options);

// check --json's "report" member, with its leading comma: what the faithful report makes of
// the file (made, or its failure code and why), null when it was not asked.
std::string ReportJsonMember(const CheckedHive& checked);

}  // namespace quarvex::cli
