// A hive as every face reads it, in one place: the address it was named by, the file's bytes,
// the code page chosen for it and why, the salvage reader's model with the findings about the
// file as a whole added (the code page chosen, and what the faithful report makes of the file),
// and, worked out on demand and kept, the view that browses it, its recovered keys and the
// digests examiners record. Every command of quarvex-cli, both windows and the Python module
// open hives through here, so they count the same findings (salvage/counts.h), choose the same
// code page and refuse a file that is no hive with the same words.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "browse/hive_view.h"
#include "detect/codepage_choice.h"
#include "job/report_reading.h"
#include "recover/recover.h"
#include "salvage/salvage.h"
#include "session/code_page.h"
#include "session/file_digest.h"
#include "session/hive_address.h"
#include "session/other_file.h"
#include "text/codepage.h"

namespace quarvex::session {

// When the report's reading is run (job/report_reading.h). Its note is a finding like the
// others: it must be there before anything indexes the findings (a browse::HiveView).
enum class ReportCheck {
  Always,       // check, summary, stats, the salvage export: they print the counts
  WhenDamaged,  // ls, get, find, diff: they print the counts only in their damage line
  Never,        // recover, facts: they print no counts
};

struct OpenOptions {
  CodePageRequest codePage;
  std::optional<detect::CodePageChoice> chosen;  // the choice made already for these bytes (the report's)
  ReportCheck report = ReportCheck::Always;

  static OpenOptions With(const std::optional<text::CodePage>& named, ReportCheck report) {
    OpenOptions options;
    options.codePage.named = named;
    options.report = report;
    return options;
  }
};

class OpenedHive {
 public:
  HiveAddress address;
  std::string file;                 // the address as given: how lines and JSON name it
  std::vector<std::uint8_t> bytes;  // the model views them: they stay with it
  detect::CodePageChoice codePage;
  salvage::SalvagedHive hive;                // with the file-wide findings added
  std::optional<job::ReportReading> report;  // when it was run
  OtherFile other = OtherFile::Unknown;      // what the file is when it is no hive

  bool IsHive() const { return hive.isHive; }
  // "not a registry file", with what the file is when it can be told
  // ("not a registry file: the file is empty (0 bytes)").
  std::string NotAHiveText() const;

  // Worked out on first use and kept; safe to ask from several threads. Only for a hive.
  const browse::HiveView& View() const;
  // The deleted keys still in the file, at every confidence, and earlier values of live keys.
  const recover::Recovery& Recovery() const;
  // The SHA-256 and MD5 of the bytes read.
  const FileDigests& Digests() const;

 private:
  mutable std::mutex lazy_;
  mutable std::unique_ptr<browse::HiveView> view_;
  mutable std::optional<recover::Recovery> recovery_;
  mutable std::optional<FileDigests> digests_;
};

// Reads the file the address names whole and opens it; nullptr, with the reason in error, when
// it cannot be read.
std::unique_ptr<OpenedHive> Open(const HiveAddress& address, const OpenOptions& options, std::string& error);
// The same for bytes already read.
std::unique_ptr<OpenedHive> OpenBytes(const HiveAddress& address, std::vector<std::uint8_t> bytes,
                                      const OpenOptions& options);

}  // namespace quarvex::session
