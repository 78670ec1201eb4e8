#include "python/src/faithful.h"

#include <array>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "analyzer/analysis_json.h"
#include "cli/cli_options.h"
#include "session/code_page.h"
#include "host/this_host.h"
#include "job/analysis_job.h"
#include "text/report_file.h"
#include "text/text_locale.h"

namespace quarvex::python {

namespace {

// Words that send something somewhere or change what the command line does rather than what
// the report holds: the caller gets the bytes back instead.
constexpr std::array<std::string_view, 16> kRefused = {"-o",         "--output",  "--json",        "--json-series",
                                                       "--charts",   "--export",  "--export-root", "--salvage",
                                                       "--progress", "--partial", "--verbose",     "-v",
                                                       "--help",     "-h",        "--version",     "--"};

struct Prepared {
  cli::CliOptions options;
  detect::CodePageChoice choice;
};

Prepared Prepare(const HiveCore& core, const std::vector<std::string>& words) {
  for (const std::string& word : words) {
    const std::string_view name = std::string_view(word).substr(0, word.find('='));
    for (std::string_view refused : kRefused)
      if (name == refused)
        throw std::invalid_argument("the option " + std::string(refused) +
                                    " is not for a report made in Python (the bytes are returned instead)");
  }
  std::vector<std::string> args = words;
  args.emplace_back("--");
  args.emplace_back(core.Name());
  const cli::ParseResult parsed = cli::ParseCommandLine(args);
  if (!parsed.options) throw std::invalid_argument(parsed.error);
  Prepared p{*parsed.options, core.CodePage()};
  if (cli::EffectiveEncoding(p.options, true) == cli::Encoding::Locale)
    throw std::invalid_argument("--encoding locale is the terminal's; a report made in Python is native or utf-8");
  if (!p.options.autoCodePage) {
    p.choice = {p.options.codePage, detect::CodePageSource::Option, "named with --codepage"};
  } else if (p.options.windowsDirectory && core.Path()) {
    const session::CodePageRequest request{std::nullopt, "", p.options.windowsDirectory};
    p.choice = session::ChooseCodePage(request, core.Checked().address, hive::Bytes(core.Bytes()));
  }
  p.options.codePage = p.choice.codePage;
  return p;
}

job::JobResult Run(const HiveCore& core, const cli::CliOptions& o) {
  job::JobInput input;
  input.fileName = core.Name();
  input.bytes = core.Bytes();
  input.codePage = o.codePage;
  input.locale = text::TextLocale::FromEnvironment();
  if (o.fixedTime) input.clock = [t = *o.fixedTime] { return t; };
  input.options = o.options;
  input.hostFacts = host::ProbeThisHost({o.windowsDirectory, o.codePage}, input.locale).facts;
  job::JobEvents unwatched;
  job::JobResult result = job::RunJob(std::move(input), unwatched);
  if (result.code != hive::code::kOk)
    throw HiveFailure{result.code, result.finding,
                      FailureMessage(result.code, result.loadFailureReason, result.finding)};
  return result;
}

}  // namespace

std::string ReportBytes(const HiveCore& core, const std::vector<std::string>& words) {
  const Prepared p = Prepare(core, words);
  const job::JobResult result = Run(core, p.options);
  const bool utf8 = cli::EffectiveEncoding(p.options, true) == cli::Encoding::Utf8;
  return text::SavedReportText(result.report, utf8 ? std::optional<text::CodePage>(p.options.codePage) : std::nullopt);
}

std::string AnalysisJson(const HiveCore& core, const std::vector<std::string>& words) {
  const Prepared p = Prepare(core, words);
  const job::JobResult result = Run(core, p.options);
  analyzer::JsonFacts facts;
  facts.fileName = core.Name();
  facts.fileSize = core.Bytes().size();
  facts.codePage = analyzer::CodePageNote{std::string(text::CodePageName(p.choice.codePage)),
                                          std::string(detect::SourceName(p.choice.source)), p.choice.reason};
  return analyzer::AnalysisJsonText(result.analysis, facts);
}

}  // namespace quarvex::python
