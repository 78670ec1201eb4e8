// What ls, get, find, diff and stats share: a hive read as check reads it (session/opened_hive.h)
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

#include "session/opened_hive.h"
#include "browse/hive_view.h"
#include "text/codepage.h"

namespace quarvex::cli {

// Reads one hive and views it. An empty cp (--codepage auto) is set to the code page detected
// for this hive, and then holds for what follows (the second hive of a diff is read alike).
// nullptr, with the reason on err, when the file cannot be read or is no hive; a disk image or
// cabinet gets the way to the hives inside it.
std::unique_ptr<session::OpenedHive> OpenHive(std::string_view sub, const session::HiveAddress& address,
                                              std::optional<text::CodePage>& cp, session::ReportCheck report,
                                              std::ostream& err);

// One line on standard error when the hive has damage, so that a listing is never mistaken for
// the whole hive. Its counts are check's (the hive was opened with session::ReportCheck::WhenDamaged).
void DamageNotice(std::string_view sub, const std::string& file, const session::OpenedHive& hive, std::ostream& err);

// The address a word names when it names a file to read: "-", an existing regular file, or
// IMAGE::PATH whose image exists; nullopt for any other word.
std::optional<session::HiveAddress> FileNamedBy(const std::string& word);

// The words of `ls FILE... [KEY]` or `get FILE... KEY [VALUE]`: the first is a file, and each
// next one that names a file (FileNamedBy) is one too while leastRest words stay for the rest.
// nullopt when fewer than leastRest or more than mostRest words are left.
struct FileWords {
  std::vector<session::HiveAddress> files;
  std::vector<std::string> rest;
};
std::optional<FileWords> SplitFileWords(const std::vector<std::string>& words, std::size_t leastRest,
                                        std::size_t mostRest);

// A JSON object ("{...}") with its file named first, and the digests examiners record of the
// bytes read beside it: {"file": "A.DAT", "sha256": "...", "md5": "...", ...}.
std::string WithFile(std::string_view object, const session::OpenedHive& hive);
// Those members alone, without braces: "\"file\": \"A.DAT\", \"sha256\": ..., \"md5\": ...".
std::string FileMembers(const session::OpenedHive& hive);
// session::ContainerJsonMembers, with what cannot be read again for its digests said on err.
std::string ContainerMembers(std::string_view sub, const session::OpenedHive& hive, std::ostream& err);

// The lines of the usages that tell --codepage, and how lines name their files when several
// are given.
extern const char* const kCodePageHelp;
extern const char* const kSeveralFilesHelp;

// A value's name as the lines show it: "@" for the unnamed value, control characters escaped.
std::string DisplayValueName(const salvage::SalvagedValue& value, text::CodePage codePage);

// Flushes what was written: kExitOk, or kExitWriteFailed when standard output failed.
int FinishOutput(std::ostream& out);

}  // namespace quarvex::cli
