// The words of a quarvex-cli command line, read by one parser for every command (the report
// and each subcommand): flags, options with a value, and the rest (files and words) in order.
// Which flags and options a command takes is its syntax, held in the command table
// (cli/cli_subcommands.cpp). "--" ends the options; "-" alone is a word (standard output or
// input where a command takes it); "--help"/"-h" is always a flag; an option's value may follow
// it as the next word or after "=" ("--json=out.json"); single-letter flags may go together
// ("-Rv") where the command allows it.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quarvex::cli {

// An option that takes a value, and what the value is where the report says one is missing
// ("--charts needs a directory"); a subcommand says "needs a value".
struct OptionSyntax {
  std::string_view name;
  std::string_view needs = "a value";
};

// The flags and options one command takes (--help and -h it always takes).
struct CommandSyntax {
  std::span<const std::string_view> flags;
  std::span<const OptionSyntax> options;
  bool groupedFlags = true;  // "-Rv" is "-R -v"

  bool IsFlag(std::string_view name) const;
  const OptionSyntax* Option(std::string_view name) const;
};

struct ParsedArgs {
  std::vector<std::string> positional;
  std::set<std::string> flags;                 // "-h" is given as "--help"
  std::map<std::string, std::string> options;  // the last value of each
  // Every flag, option and word in the order given: {name, value}; a flag's value is empty, a
  // word's name is. The report reads its options in this order ("--all --set cbX=off").
  std::vector<std::pair<std::string, std::string>> inOrder;
  bool Has(const std::string& flag) const { return flags.count(flag) > 0; }
  std::optional<std::string> Value(const std::string& option) const {
    const auto it = options.find(option);
    return it == options.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
};

// Why a word is not in a command's syntax.
struct WordError {
  enum class Kind {
    Unknown,       // no such flag or option (a "--name=value" whose name is none, too)
    TakesNoValue,  // "--all=x": a flag given a value
    NeedsValue,    // an option as the last word
  };
  Kind kind;
  std::string name;                      // the option as named: "--foo" of "--foo=bar", "-Rx" of a group
  std::string word;                      // the whole word: "--foo=bar"
  const OptionSyntax* option = nullptr;  // the option that needs its value
};

struct ParsedWords {
  ParsedArgs args;  // every word before the error, when there is one
  std::optional<WordError> error;
};

// Reads the words by the syntax, stopping at the first that does not fit it.
ParsedWords ParseWords(const CommandSyntax& syntax, const std::vector<std::string>& args);

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
