#include "cli/hive_access.h"

#include <filesystem>
#include <system_error>

#include "cli/cli_args.h"
#include "cli/cli_run.h"
#include "browse/value_text.h"
#include "salvage/check_text.h"
#include "session/hive_json.h"
#include "text/json_text.h"

namespace quarvex::cli {

std::unique_ptr<session::OpenedHive> OpenHive(std::string_view sub, const session::HiveAddress& address,
                                              std::optional<text::CodePage>& cp, session::ReportCheck report,
                                              std::ostream& err) {
  std::string error;
  std::unique_ptr<session::OpenedHive> opened = session::Open(address, session::OpenOptions::With(cp, report), error);
  const std::string& file = address.Text();
  if (!opened) {
    err << "quarvex-cli " << sub << ": " << file << ": cannot read: " << error << '\n';
    return nullptr;
  }
  if (!opened->IsHive()) {
    err << "quarvex-cli " << sub << ": " << file << ": " << opened->NotAHiveText() << '\n';
    if (const std::string hint = session::HivesHint(file, opened->other); !hint.empty())
      err << "quarvex-cli " << sub << ": " << hint << '\n';
    return nullptr;
  }
  cp = opened->codePage.codePage;
  return opened;
}

void DamageNotice(std::string_view sub, const std::string& file, const session::OpenedHive& hive, std::ostream& err) {
  if (hive.hive.summary.damage == 0) return;
  err << "quarvex-cli " << sub << ": " << file << ": " << salvage::SummaryText(hive.hive)
      << "; keys marked in brackets are affected ('quarvex-cli check " << file << "' lists every finding)\n";
}

std::optional<session::HiveAddress> FileNamedBy(const std::string& word) {
  session::HiveAddress address = session::HiveAddress::Parse(word);
  if (address.IsStandardInput()) return address;
  std::error_code ec;
  if (std::filesystem::is_regular_file(std::filesystem::path(address.DiskFile()), ec) && !ec) return address;
  return std::nullopt;
}

std::optional<FileWords> SplitFileWords(const std::vector<std::string>& words, std::size_t leastRest,
                                        std::size_t mostRest) {
  if (words.empty()) return std::nullopt;
  FileWords split;
  split.files.push_back(session::HiveAddress::Parse(words.front()));
  std::size_t i = 1;
  for (; i < words.size() && words.size() - i > leastRest; ++i) {
    std::optional<session::HiveAddress> file = FileNamedBy(words[i]);
    if (!file) break;
    split.files.push_back(std::move(*file));
  }
  split.rest.assign(words.begin() + static_cast<std::ptrdiff_t>(i), words.end());
  if (split.rest.size() < leastRest || split.rest.size() > mostRest) return std::nullopt;
  return split;
}

std::string FileMembers(const session::OpenedHive& hive) {
  return "\"file\": " + text::JsonString(hive.file) + session::DigestJsonMembers(hive);
}

std::string ContainerMembers(std::string_view sub, const session::OpenedHive& hive, std::ostream& err) {
  std::string error;
  std::string members = session::ContainerJsonMembers(hive, error);
  if (!error.empty()) err << "quarvex-cli " << sub << ": " << hive.file << ": " << error << '\n';
  return members;
}

std::string WithFile(std::string_view object, const session::OpenedHive& hive) {
  if (object.empty() || object.front() != '{') return std::string(object);
  return "{" + FileMembers(hive) + ", " + std::string(object.substr(1));
}

const char* const kCodePageHelp =
    "  --codepage CP  the code page the hive's names were written in: auto (default: from the\n"
    "                 hive's ACP or Locale, a system.dat beside it, its name checksums, else\n"
    "                 1252), 874, 932, 936, 949, 950, 1250 to 1258, or none (bytes as Latin-1)\n";

const char* const kSeveralFilesHelp =
    "  With several files, each line starts with its file's name, as grep writes it (each JSON\n"
    "  object names its file).\n";

std::string DisplayValueName(const salvage::SalvagedValue& v, text::CodePage cp) {
  return v.name.empty() ? "@" : browse::EscapeControls(browse::ValueName(v, cp));
}

int FinishOutput(std::ostream& out) {
  out.flush();
  return out ? kExitOk : kExitWriteFailed;
}

}  // namespace quarvex::cli
