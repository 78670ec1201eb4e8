// The command line of one subcommand: flags, options with a value, and the rest (its files
// and words) in order, as every subcommand of quarvex-cli reads it. "--" ends the options;
// "-" alone is a word (standard output or input where a subcommand takes it); single-letter
// flags may go together ("-Rv"); "--help"/"-h" is always a flag.
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "text/codepage.h"

namespace quarvex::cli {

struct ParsedArgs {
  std::vector<std::string> positional;
  std::set<std::string> flags;
  std::map<std::string, std::string> options;
  bool Has(const std::string& flag) const { return flags.count(flag) > 0; }
  std::optional<std::string> Value(const std::string& option) const {
    const auto it = options.find(option);
    return it == options.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
};

// Nothing, with the reason and the usage on err, for an unknown option or one without its value.
std::optional<ParsedArgs> ParseArgs(std::string_view subcommand, const std::vector<std::string>& args,
                                    const std::set<std::string>& flagNames, const std::set<std::string>& optionNames,
                                    std::string_view usage, std::ostream& err);

// --codepage: a code page named, or auto (absent or "auto"), left empty to be detected for each
// hive. False, with the reason and the usage on err, for a code page there is none of.
bool CodePageArgument(std::string_view subcommand, const ParsedArgs& parsed, std::optional<text::CodePage>& named,
                      std::string_view usage, std::ostream& err);

// Whether two names lead to the same file (an output must never overwrite an input).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace quarvex::cli
