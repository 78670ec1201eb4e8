#include "app/hive_access.h"

#include <filesystem>
#include <system_error>

#include "app/cli_args.h"
#include "app/cli_input.h"
#include "app/cli_run.h"
#include "browse/value_text.h"
#include "salvage/check_text.h"

namespace quarvex::cli {

std::unique_ptr<OpenedHive> OpenHive(std::string_view sub, const std::string& file, std::optional<text::CodePage>& cp,
                                     ReportCheck report, std::ostream& err) {
  std::string error;
  CheckOptions options;
  options.codePage = cp;
  options.report = report;
  std::unique_ptr<CheckedHive> checked = CheckFile(file, options, error);
  if (!checked) {
    err << "quarvex-cli " << sub << ": " << file << ": cannot read: " << error << '\n';
    return nullptr;
  }
  if (!checked->IsHive()) {
    err << "quarvex-cli " << sub << ": " << file << ": " << checked->NotAHiveText() << '\n';
    if (const std::string hint = HivesHint(file, checked->other); !hint.empty())
      err << "quarvex-cli " << sub << ": " << hint << '\n';
    return nullptr;
  }
  cp = checked->codePage.codePage;
  auto opened = std::make_unique<OpenedHive>();
  opened->checked = std::move(checked);
  opened->view = std::make_unique<browse::HiveView>(opened->checked->hive, *cp);
  return opened;
}

void DamageNotice(std::string_view sub, const std::string& file, const OpenedHive& hive, std::ostream& err) {
  if (hive.Hive().summary.damage == 0) return;
  err << "quarvex-cli " << sub << ": " << file << ": " << salvage::SummaryText(hive.Hive())
      << "; keys marked in brackets are affected ('quarvex-cli check " << file << "' lists every finding)\n";
}

bool NamesAFile(const std::string& word) {
  if (IsStandardStream(word)) return true;
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(DiskFileOf(word)), ec) && !ec;
}

std::optional<FileWords> SplitFileWords(const std::vector<std::string>& words, std::size_t leastRest,
                                        std::size_t mostRest) {
  if (words.empty()) return std::nullopt;
  FileWords split;
  split.files.push_back(words.front());
  std::size_t i = 1;
  while (i < words.size() && words.size() - i > leastRest && NamesAFile(words[i])) split.files.push_back(words[i++]);
  split.rest.assign(words.begin() + static_cast<std::ptrdiff_t>(i), words.end());
  if (split.rest.size() < leastRest || split.rest.size() > mostRest) return std::nullopt;
  return split;
}

std::string WithFile(std::string_view object, std::string_view file) {
  if (object.empty() || object.front() != '{') return std::string(object);
  return "{\"file\": " + salvage::JsonString(file) + ", " + std::string(object.substr(1));
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
