// The first words of a quarvex-cli command line: which subcommand runs, and with what.
//
// - Options every subcommand takes in the same sense may come before its name as well as
//   after: `quarvex-cli --codepage 932 check FILE` is `quarvex-cli check --codepage 932 FILE`.
//   They are --codepage CP (every subcommand that reads a hive), -v/--verbose (check, whose -v
//   is the report's) and --help. Any other option before a subcommand's name is the report's,
//   and a usage error there.
// - A first word that is no file but lies within an edit or two of a subcommand's name is a
//   mistyped subcommand: "unknown command 'chek' (did you mean check?)". A word naming a file
//   that exists is always the file, so `quarvex-cli FILE` runs the report whatever FILE is called.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvex::cli {

struct ArrangedCommandLine {
  std::vector<std::string> args;  // the command line to run: a subcommand's name first, or the report's words
  std::string error;              // a usage error to report instead, when not empty
};

ArrangedCommandLine ArrangeCommandLine(const std::vector<std::string>& args);

// The subcommand (or "help") a word misspells: within two edits (letters added, dropped,
// changed or swapped; case aside), one for names of three letters or less. The closest wins;
// nullopt when none is close or the word is a name itself.
std::optional<std::string_view> CloseSubcommand(std::string_view word);

}  // namespace quarvex::cli
