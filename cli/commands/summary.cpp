#include "cli/commands/summary.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <system_error>
#include <thread>

#include "cli/cli_args.h"
#include "cli/cli_subcommands.h"
#include "cli/cli_run.h"
#include "cli/ordered_parallel.h"
#include "cli/commands/summary_row.h"
#include "cli/commands/summary_text.h"

namespace quarvex::cli {

namespace {

const char* const kUsage =
    "usage: quarvex-cli summary [-j N] [--json] [--codepage CP|auto] FILE|DIR...\n"
    "  One line per registry file: name, size in bytes, code page, keys and values (as check\n"
    "  counts them), the report's key verdicts (good, bad, ghost), the shares of the file's\n"
    "  bytes in use, on the free lists and in dead gap (percent, as the report's table), the\n"
    "  findings by severity (damage, warnings, notes), the status and its reason, and the\n"
    "  SHA-256 and MD5 of the bytes read.\n"
    "  Tab-separated under a header line; '-' where there is nothing to show. A directory\n"
    "  stands for the files directly in it, in name order.\n"
    "  -j N          read N files at once (default: one per processor)\n"
    "  --json        one JSON object per file, a line each (null where nothing to show)\n"
    "  --codepage CP the code page the hives were written in: auto (default: detected for\n"
    "                each file), 874, 932, 936, 949, 950, 1250 to 1258, or none\n"
    "  Status: healthy; damaged (the salvage reader found damage); report-failed (no damage\n"
    "  found, but the report stopped: Fail(N) in the reason); not-a-hive; unreadable.\n"
    "  Exit status: the worst of the files': 0 all healthy, 4 a file is damaged, 1 a file is\n"
    "  not a hive, cannot be read or its report failed (wins over 4), 2 usage error,\n"
    "  3 standard output could not be written.\n";

constexpr unsigned kMostThreads = 256;

std::optional<unsigned> ThreadCount(const std::string& text) {
  unsigned n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > kMostThreads) return std::nullopt;
  return n;
}

}  // namespace

std::vector<std::string> SummaryFiles(const std::vector<std::string>& arguments) {
  std::vector<std::string> files;
  for (const std::string& argument : arguments) {
    std::error_code ec;
    if (!std::filesystem::is_directory(argument, ec)) {
      files.push_back(argument);
      continue;
    }
    std::vector<std::string> inside;
    std::filesystem::directory_iterator it(argument, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      std::error_code kindError;
      if (it->is_regular_file(kindError)) inside.push_back(it->path().string());
    }
    if (ec) {
      files.push_back(argument);  // its line says why it could not be read
      continue;
    }
    std::sort(inside.begin(), inside.end());
    files.insert(files.end(), inside.begin(), inside.end());
  }
  return files;
}

std::string SummaryUsage() { return kUsage; }

int RunSummary(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine commandLine = ReadCommandLine("summary", args, out, err);
  if (!commandLine.args) return commandLine.status;
  const ParsedArgs& parsed = *commandLine.args;
  std::optional<text::CodePage> named;  // empty: detected for each file
  if (!CodePageArgument("summary", parsed, named, err)) return kExitUsage;
  unsigned threads = std::max(std::thread::hardware_concurrency(), 1u);
  if (const std::optional<std::string> j = parsed.Value("-j")) {
    const std::optional<unsigned> n = ThreadCount(*j);
    if (!n) {
      err << "quarvex-cli summary: -j takes a number of threads from 1 to " << kMostThreads << ", not '" << *j << "'\n"
          << kUsage;
      return kExitUsage;
    }
    threads = *n;
  }
  if (parsed.positional.empty()) {
    err << "quarvex-cli summary: no file given\n" << kUsage;
    return kExitUsage;
  }
  const bool json = parsed.Has("--json");
  const std::vector<std::string> files = SummaryFiles(parsed.positional);

  if (!json) out << SummaryTsvHeader() << '\n' << std::flush;
  int status = kExitOk;
  RunInOrder(
      files.size(), threads, [&](std::size_t i) { return SummarizeFile(files[i], named); },
      [&](std::size_t, const SummaryRow& row) {
        out << (json ? SummaryJsonLine(row) : SummaryTsvLine(row)) << '\n' << std::flush;
        status = WorseExitStatus(status, SummaryExitStatus(row.status));
      });
  if (!out) {
    err << "quarvex-cli summary: cannot write to standard output\n";
    return kExitWriteFailed;
  }
  return status;
}

}  // namespace quarvex::cli
