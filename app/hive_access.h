// What ls, get, find, diff and stats share: a hive read as check reads it (app/checked_hive.h)
// with the view that browses it, the line on standard error that counts its damage, the files
// a command line names before its other words, and JSON objects that name their file.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/checked_hive.h"
#include "browse/hive_view.h"
#include "text/codepage.h"

namespace quarvex::cli {

struct OpenedHive {
  std::unique_ptr<CheckedHive> checked;
  std::unique_ptr<browse::HiveView> view;
  const salvage::SalvagedHive& Hive() const { return checked->hive; }
};

// Reads one hive and views it. An empty cp (--codepage auto) is set to the code page detected
// for this hive, and then holds for what follows (the second hive of a diff is read alike).
// nullptr, with the reason on err, when the file cannot be read or is no hive; a disk image or
// cabinet gets the way to the hives inside it.
std::unique_ptr<OpenedHive> OpenHive(std::string_view sub, const std::string& file, std::optional<text::CodePage>& cp,
                                     ReportCheck report, std::ostream& err);

// One line on standard error when the hive has damage, so that a listing is never mistaken for
// the whole hive. Its counts are check's (the hive was opened with ReportCheck::WhenDamaged).
void DamageNotice(std::string_view sub, const std::string& file, const OpenedHive& hive, std::ostream& err);

// Whether a word names a file to read: "-", an existing regular file, or IMAGE::PATH whose
// image exists.
bool NamesAFile(const std::string& word);

// The words of `ls FILE... [KEY]` or `get FILE... KEY [VALUE]`: the first is a file, and each
// next one that names a file (NamesAFile) is one too while leastRest words stay for the rest.
// nullopt when fewer than leastRest or more than mostRest words are left.
struct FileWords {
  std::vector<std::string> files;
  std::vector<std::string> rest;
};
std::optional<FileWords> SplitFileWords(const std::vector<std::string>& words, std::size_t leastRest,
                                        std::size_t mostRest);

// A JSON object ("{...}") with its file named first: {"file": "A.DAT", ...}.
std::string WithFile(std::string_view object, std::string_view file);

// The lines of the usages that tell --codepage, and how lines name their files when several
// are given.
extern const char* const kCodePageHelp;
extern const char* const kSeveralFilesHelp;

// A value's name as the lines show it: "@" for the unnamed value, control characters escaped.
std::string DisplayValueName(const salvage::SalvagedValue& value, text::CodePage codePage);

// Flushes what was written: kExitOk, or kExitWriteFailed when standard output failed.
int FinishOutput(std::ostream& out);

}  // namespace quarvex::cli
