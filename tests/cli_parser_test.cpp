// The one parser of quarvex-cli's words (cli/cli_args.h) and the command table that gives each
// command its syntax and usage (cli/cli_subcommands.cpp): how words are read, how a word that
// does not fit is told (the report's manner and the subcommands'), and that the table's flags
// and options are the ones each usage names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_options.h"
#include "cli/cli_subcommands.h"
#include "cli/exit_codes.h"
#include "stage/options.h"
#include "tests/support/test_support.h"

namespace quarvex::testing {
namespace {

using cli::WordError;

constexpr std::string_view kFlags[] = {"-R", "-v", "--json"};
constexpr cli::OptionSyntax kOptions[] = {{"-d"}, {"--codepage", "a code page"}};

struct WordsRow {
  const char* name;
  std::vector<std::string> words;
  bool grouped;
  std::vector<std::string> positional;
  std::vector<std::string> flags;                            // in the order given
  std::vector<std::pair<std::string, std::string>> options;  // in the order given
  std::optional<WordError::Kind> error;
  std::string errorName;
};

TEST(CliParser, ReadsWordsBySyntax) {
  using K = WordError::Kind;
  const std::vector<WordsRow> rows = {
      {"grouped flags", {"-Rv", "f"}, true, {"f"}, {"-R", "-v"}, {}, {}, {}},
      {"a group with a letter no flag has: none of it", {"-Rx", "f"}, true, {}, {}, {}, K::Unknown, "-Rx"},
      {"no groups where the command takes none", {"-Rv"}, false, {}, {}, {}, K::Unknown, "-Rv"},
      {"value after =", {"--codepage=932", "f"}, true, {"f"}, {}, {{"--codepage", "932"}}, {}, {}},
      {"value as the next word", {"-d", "2", "f"}, true, {"f"}, {}, {{"-d", "2"}}, {}, {}},
      {"an empty value after =", {"--codepage="}, true, {}, {}, {{"--codepage", ""}}, {}, {}},
      {"a value that looks like an option", {"-d", "--"}, true, {}, {}, {{"-d", "--"}}, {}, {}},
      {"an option as the last word", {"f", "-d"}, true, {"f"}, {}, {}, K::NeedsValue, "-d"},
      {"a flag given a value", {"--json=1"}, true, {}, {}, {}, K::TakesNoValue, "--json"},
      {"--help given a value", {"--help=1"}, true, {}, {}, {}, K::TakesNoValue, "--help"},
      {"an unknown option given a value", {"--foo=1"}, true, {}, {}, {}, K::Unknown, "--foo"},
      {"an unknown long option", {"--foo"}, true, {}, {}, {}, K::Unknown, "--foo"},
      {"-h is --help", {"-h"}, true, {}, {"--help"}, {}, {}, {}},
      {"-h goes alone", {"-vh"}, true, {}, {}, {}, K::Unknown, "-vh"},
      {"-- ends the options", {"--", "-R", "--json"}, true, {"-R", "--json"}, {}, {}, {}, {}},
      {"- and an empty word are words", {"-", ""}, true, {"-", ""}, {}, {}, {}, {}},
      {"the last value wins", {"-d", "1", "-d", "2"}, true, {}, {}, {{"-d", "1"}, {"-d", "2"}}, {}, {}},
  };
  for (const WordsRow& row : rows) {
    SCOPED_TRACE(row.name);
    const cli::CommandSyntax syntax{kFlags, kOptions, row.grouped};
    const cli::ParsedWords parsed = cli::ParseWords(syntax, row.words);
    EXPECT_EQ(parsed.args.positional, row.positional);
    std::vector<std::string> flags;
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> words;
    for (const auto& [name, value] : parsed.args.inOrder) {
      if (name.empty())
        words.push_back(value);
      else if (syntax.Option(name))
        options.emplace_back(name, value);
      else
        flags.push_back(name);
    }
    EXPECT_EQ(words, row.positional) << "the words in order";
    EXPECT_EQ(flags, row.flags);
    EXPECT_EQ(options, row.options);
    for (const std::string& flag : row.flags) EXPECT_TRUE(parsed.args.Has(flag)) << flag;
    if (!row.options.empty()) {
      EXPECT_EQ(parsed.args.Value(row.options.back().first), row.options.back().second);
    }
    ASSERT_EQ(parsed.error.has_value(), row.error.has_value());
    if (!row.error) continue;
    EXPECT_EQ(parsed.error->kind, *row.error);
    EXPECT_EQ(parsed.error->name, row.errorName);
    if (*row.error == K::NeedsValue) {
      EXPECT_EQ(parsed.error->option, syntax.Option(row.errorName));
    }
  }
}

std::string Usage(std::string_view command) { return cli::FindSubcommand(command)->usage(); }

struct MessageRow {
  std::vector<std::string> args;
  std::string err;  // standard error begins so
};

// The report says what is wrong and points to --help; a subcommand says it with its usage.
TEST(CliParser, UsageErrorsInEachCommandsManner) {
  const std::vector<MessageRow> rows = {
      {{"--bogus", "x.dat"}, "quarvex-cli: unknown option --bogus\nTry 'quarvex-cli --help'.\n"},
      {{"-vh", "x.dat"}, "quarvex-cli: unknown option -vh\nTry 'quarvex-cli --help'.\n"},
      {{"--all=x", "x.dat"}, "quarvex-cli: --all takes no value (--all=x)\nTry 'quarvex-cli --help'.\n"},
      {{"--foo=bar", "x.dat"}, "quarvex-cli: --foo takes no value (--foo=bar)\nTry 'quarvex-cli --help'.\n"},
      {{"x.dat", "-o"}, "quarvex-cli: -o needs a file name\nTry 'quarvex-cli --help'.\n"},
      {{"x.dat", "--export"},
       "quarvex-cli: --export needs a file name (or - for standard output)\nTry 'quarvex-cli --help'.\n"},
      {{"x.dat", "--charts"}, "quarvex-cli: --charts needs a directory\nTry 'quarvex-cli --help'.\n"},
      // What comes before a word the syntax does not take is checked first, as it was given.
      {{"--encoding", "latin1", "--bogus"},
       "quarvex-cli: --encoding takes native, utf-8 or locale, not latin1\nTry 'quarvex-cli --help'.\n"},
      {{"ls", "-Rx", "x.dat"}, "quarvex-cli ls: unknown option '-Rx'\n" + Usage("ls")},
      {{"ls", "--foo=1", "x.dat"}, "quarvex-cli ls: unknown option '--foo'\n" + Usage("ls")},
      {{"stats", "--json=1", "x.dat"}, "quarvex-cli stats: --json takes no value\n" + Usage("stats")},
      {{"check", "x.dat", "--json"}, "quarvex-cli check: --json needs a value\n" + Usage("check")},
      {{"summary", "--codepage", "zz", "x.dat"}, "quarvex-cli summary: unknown code page 'zz'\n" + Usage("summary")},
  };
  for (const MessageRow& row : rows) {
    const CliResult r = Cli(row.args);
    EXPECT_EQ(r.status, cli::kExitUsage) << ::testing::PrintToString(row.args);
    EXPECT_EQ(r.err, row.err) << ::testing::PrintToString(row.args);
    EXPECT_EQ(r.out, "");
  }
}

// help NAME, NAME --help and NAME -h all print the usage the table holds, and it names every
// flag and option the table lets the command take: the two cannot drift apart.
TEST(CliParser, TableHoldsEachCommandsSyntaxAndUsage) {
  for (const cli::Subcommand& s : cli::Subcommands()) {
    const std::string name(s.name);
    SCOPED_TRACE(name);
    const std::string usage = s.usage();
    ASSERT_FALSE(usage.empty());
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"help", name}, {name, "--help"}, {name, "-h"}}) {
      const CliResult r = Cli(args);
      EXPECT_EQ(r.status, cli::kExitOk) << ::testing::PrintToString(args);
      EXPECT_EQ(r.out, usage) << ::testing::PrintToString(args);
    }
    for (const std::string_view flag : s.syntax.flags) EXPECT_NE(usage.find(flag), std::string::npos) << flag;
    for (const cli::OptionSyntax& option : s.syntax.options)
      EXPECT_NE(usage.find(option.name), std::string::npos) << option.name;
    EXPECT_EQ(cli::FindSubcommand(s.name), &s);
  }
  EXPECT_EQ(cli::FindSubcommand("nothing"), nullptr);
  // The report's options with a value are those a word before a subcommand's name may hold.
  for (const char* option : {"-o", "--json", "--codepage", "--set", "--now"})
    EXPECT_TRUE(cli::ReportOptionTakesValue(option)) << option;
  for (const char* flag : {"--all", "-v", "--help", "--partial"}) EXPECT_FALSE(cli::ReportOptionTakesValue(flag));
}

// The report reads its options in the order given: --all turns every structure box on, and a
// --set after it turns one off again; before it, --all wins.
TEST(CliParser, ReportReadsOptionsInOrder) {
  const auto after = cli::ParseCommandLine({"--all", "--set", "cbKN_U=off", "f"});
  const auto before = cli::ParseCommandLine({"--set", "cbKN_U=off", "--all", "f"});
  ASSERT_TRUE(after.options && before.options);
  EXPECT_FALSE(after.options->options[stage::Option::KeyNodesInUse]);
  EXPECT_TRUE(before.options->options[stage::Option::KeyNodesInUse]);
  // --output=FILE is -o FILE; the file after it is the one hive.
  const auto output = cli::ParseCommandLine({"--output=r.txt", "--", "-f.dat"});
  ASSERT_TRUE(output.options);
  EXPECT_EQ(output.options->outputFile, "r.txt");
  EXPECT_EQ(output.options->inputFile, "-f.dat");
}

}  // namespace
}  // namespace quarvex::testing
