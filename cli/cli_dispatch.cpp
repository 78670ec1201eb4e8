#include "cli/cli_dispatch.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "session/hive_address.h"
#include "cli/cli_options.h"
#include "cli/cli_subcommands.h"

namespace quarvex::cli {

namespace {

bool IsSubcommand(std::string_view word) {
  if (word == "help") return true;
  for (const Subcommand& s : Subcommands())
    if (s.name == word) return true;
  return false;
}

// The options that may come before a subcommand's name, and which subcommands take them there.
bool TakenBefore(std::string_view option, std::string_view subcommand) {
  if (option == "--help" || option == "-h") return true;
  if (option == "--codepage") return subcommand != "hives" && subcommand != "help";
  if (option == "-v" || option == "--verbose") return subcommand == "check" || subcommand == "report";
  return false;
}

bool IsSharedOption(std::string_view option) { return TakenBefore(option, "check"); }

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}

// Edits between a and b: letters inserted, deleted, changed, or two neighbours swapped.
std::size_t Edits(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

bool FileIsThere(const std::string& word) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::path(session::HiveAddress::Parse(word).DiskFile()), ec);
}

}  // namespace

std::optional<std::string_view> CloseSubcommand(std::string_view word) {
  constexpr std::size_t kLongestName = 16;  // no name is longer; a longer word is none of them
  if (word.empty() || word.size() > kLongestName + 2 || IsSubcommand(word)) return std::nullopt;
  const std::string lower = Lower(word);
  std::vector<std::string_view> names{"help"};
  for (const Subcommand& s : Subcommands()) names.push_back(s.name);
  std::optional<std::string_view> best;
  std::size_t bestEdits = 0;
  for (std::string_view name : names) {
    const std::size_t edits = Edits(lower, name);
    const std::size_t allowed = name.size() <= 3 ? 1 : 2;
    if (edits > allowed || (best && edits >= bestEdits)) continue;
    best = name;
    bestEdits = edits;
  }
  return best;
}

ArrangedCommandLine ArrangeCommandLine(const std::vector<std::string>& args) {
  struct Given {
    std::string name;                // "--codepage"
    std::vector<std::string> words;  // as given: "--codepage", "932" or "--codepage=932"
  };
  std::vector<Given> shared;  // options every subcommand takes, as given before its name
  std::string reportOption;   // the first other option before the first word
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") return {args, {}};  // what follows is a file, whatever its name
    if (a == "-" || a.size() < 2 || a[0] != '-') break;
    const std::size_t eq = a.find('=');
    Given given{a.starts_with("--") && eq != std::string::npos ? a.substr(0, eq) : a, {a}};
    if (given.name == a && ReportOptionTakesValue(given.name) && i + 1 < args.size()) given.words.push_back(args[++i]);
    if (IsSharedOption(given.name))
      shared.push_back(std::move(given));
    else if (reportOption.empty())
      reportOption = given.name;
  }
  if (i >= args.size()) return {args, {}};
  const std::string& word = args[i];
  if (!IsSubcommand(word)) {
    if (!FileIsThere(word))
      if (const std::optional<std::string_view> meant = CloseSubcommand(word))
        return {{}, "unknown command '" + word + "' (did you mean " + std::string(*meant) + "?)"};
    return {args, {}};
  }
  if (i == 0) return {args, {}};
  std::vector<std::string> arranged{word};
  const auto name = args.begin() + static_cast<std::ptrdiff_t>(i);
  if (word == "report") {
    // The report's own name: every option before it is the report's.
    arranged.insert(arranged.end(), args.begin(), name);
  } else {
    if (!reportOption.empty())
      return {{},
              reportOption + " is an option of the report, not of " + word + "; give " + word +
                  "'s options after its name"};
    for (const Given& given : shared) {
      if (!TakenBefore(given.name, word))
        return {{},
                given.name + " before " + word + ": give " + word +
                    "'s options after its name (only --codepage, --help and, for check, -v go before it)"};
      arranged.insert(arranged.end(), given.words.begin(), given.words.end());
    }
  }
  arranged.insert(arranged.end(), name + 1, args.end());
  return {arranged, {}};
}

}  // namespace quarvex::cli
