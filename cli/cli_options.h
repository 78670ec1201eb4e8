// The command line of quarvex-cli.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/codepage.h"
#include "stage/options.h"
#include "text/text_locale.h"

#include "session/hive_address.h"

namespace quarvex::cli {

// native: the hive's code page with CR LF, as the window saves; utf-8: UTF-8 with CR LF;
// locale: the locale's encoding with the platform's line ends (text/terminal_text.h).
enum class Encoding { Native, Utf8, Locale };

struct CliOptions {
  std::string inputFile;
  quarvex::session::HiveAddress input;  // inputFile, parsed once
  std::string outputFile;               // empty: standard output unless another output takes it; "-": standard output
  std::string jsonFile;                 // empty: no JSON; "-": standard output
  bool jsonSeries = false;              // --json-series: the nine chart series in the JSON as well
  std::string chartsDirectory;          // empty: no chart pictures
  std::string exportFile;               // empty: no REGEDIT4 export; "-": standard output
  std::string exportRoot;               // empty: told by the hive's file name
  bool salvage = false;                 // the export from the salvage reader, which reads on past damage
  std::optional<Encoding> encoding;     // unset: native for files, locale for standard output
  quarvex::text::CodePage codePage = quarvex::text::CodePage::Cp1252;
  bool autoCodePage = true;  // --codepage auto (the default): detect/codepage_detect.h decides
  bool verbose = false;      // --verbose: the code page chosen and why, on standard error
  quarvex::stage::AnalysisOptions options = quarvex::stage::AnalysisOptions::Initial();
  bool progress = false;
  bool partial = false;  // on failure, still write the lines reported before it
  std::optional<quarvex::text::LocalDateTime> fixedTime;
  std::optional<std::string> windowsDirectory;  // --windows-dir: the installation the host probe reads
  bool help = false;
  bool version = false;
};

struct ParseResult {
  std::optional<CliOptions> options;
  std::string error;  // set when options is empty
};

// The report's words, read by its syntax in the command table (cli/cli_subcommands.cpp), its
// options in the order given.
ParseResult ParseCommandLine(const std::vector<std::string>& args);
// Whether a report option reads the next word as its value ("-o", "--json", "--codepage" ...).
bool ReportOptionTakesValue(std::string_view name);
// --help: the report's options by task (the report, the structure dump, the export), the
// option boxes by their meaning with their window names, then the subcommands.
std::string HelpText();
// --version: the version and the facts of the build (compiler, build type, platform).
std::string VersionText();
// The encoding output to a file (toFile) or standard output is written in.
Encoding EffectiveEncoding(const CliOptions& o, bool toFile);

// "2026-12-07T10:30:00" (or with a blank instead of the T).
std::optional<quarvex::text::LocalDateTime> ParseDateTime(const std::string& text);

}  // namespace quarvex::cli
