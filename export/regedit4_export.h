// The key tree and every value of a loaded hive as a REGEDIT4 file.
//
// The file starts with "REGEDIT4" and an empty line; then each key follows in the order of
// the key tree walk that the analyser uses: its "[path]" line, one line per value (several
// for a wrapped hex value) in stored order, and an empty line. Lines are in the hive's code
// page; the caller saves them with CR LF after each, as the editor did, or transcodes them.
//
// A key's path is the root key's text followed by the names of its ancestors and its own,
// each after a backslash, found through the parent links (UprOfs) like every key path the
// analysis shows. The walk's start node is the root key: its line is the root text alone.
// A key that has no data record, or whose record the index does not hold, has no name: its
// path shows "(key OFFSET)" in its place. What cannot be exported as it stands (such keys,
// names cut short, values that run past their record or the file) is said in a comment line
// ("; ...") right after the key's line, and listed in the outcome's findings; nothing is
// left out silently. A walk that cannot go on (a key node outside the file, a key tree that
// links back onto itself) ends the export with that failure code after a comment saying so.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/codepage.h"
#include "hive/hive_state.h"
#include "text/report_lines.h"

namespace quarvex::exporter {

struct ExportSettings {
  // The root key's text, in the hive's code page: HKEY_USERS for a user.dat and the like.
  std::string rootKey = "HKEY_UNKNOWN";
  // The code page the hive was written in: its lead bytes keep the second byte of a
  // double-byte character from being taken for a backslash or a quote.
  text::CodePage codePage = text::CodePage::Cp932;
  // The export ends with code::kInternalFailure once its lines pass this many bytes; 0 takes
  // kExportBudgetBase + kExportBudgetPerByte × the file's size. A damaged key tree can nest
  // keys so deep that every path repeats thousands of names.
  std::size_t outputLimit = 0;
};

inline constexpr std::size_t kExportBudgetBase = std::size_t{16} << 20;
inline constexpr std::size_t kExportBudgetPerByte = 32;

struct ExportOutcome {
  std::int32_t code = 0;                 // 0, or the failure that ended the export early
  std::string failure;                   // in words, when code is set
  std::optional<hive::Finding> finding;  // what the reader that failed found, when it said
  std::size_t keys = 0;
  std::size_t values = 0;
  // One entry per comment written, in the hive's code page, without the "; ".
  std::vector<std::string> findings;
};

// Needs a hive whose header, block table and record index have been built (the job's first
// stages). Appends the lines to out; leaves hive.errorCode as it found it on success.
ExportOutcome ExportRegedit4(hive::Hive& hive, const ExportSettings& settings, text::ReportLines& out);

// The root key a hive file stands for, told by its file name as Windows 9x loads them:
// USER.* is HKEY_USERS, SYSTEM.* (SYSTEM.DAT, SYSTEM.1ST ...) HKEY_LOCAL_MACHINE, CLASSES.*
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes; any other name HKEY_UNKNOWN, which no editor imports.
std::string RootKeyForFileName(const std::string& path);

}  // namespace quarvex::exporter
