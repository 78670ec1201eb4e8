// The command line of one subcommand: flags, options with a value, and the rest (its files
// and words) in order, as every subcommand of quarvex-cli reads it. "--" ends the options;
// "-" alone is a word (standard output or input where a subcommand takes it); single-letter
// flags may go together ("-Rv"); "--help"/"-h" is always a flag; an option's value may follow
// it as the next word or after "=" ("--json=out.json").
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

// Whether two names lead to the same file (an output must never overwrite an input): the same
// file on disk, or, for files not there yet, the same path once made absolute and normal.
bool SameFile(const std::string& a, const std::string& b);

// "-" as a FILE or an output: standard input or standard output.
inline bool IsStandardStream(std::string_view name) { return name == "-"; }

// A JSON document (an object) with the program that wrote it as its first member:
// {"program": {"name": "quarvex-cli", "version": "0.1.0"}, ...}.
std::string WithProgram(std::string_view document);

// One output of a run: the option that names it and the name ("-": standard output).
struct NamedOutput {
  std::string_view option;
  std::string name;
};

// The usage error for two outputs that would land in the same place, one file named twice
// or standard output taken twice ("--json and --export both name standard output"); empty
// when every output has a place of its own. Unnamed outputs (an empty name) are skipped.
std::string OutputClash(const std::vector<NamedOutput>& outputs);

}  // namespace quarvex::cli
