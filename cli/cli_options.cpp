#include "cli/cli_options.h"

#include <cstdio>
#include <span>

#include "cli/cli_subcommands.h"
#include "cli/report_boxes.h"
#include "hive/error_codes.h"
#include "text/printf.h"
#include "ui/common/option_controls.h"

namespace quarvex::cli {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;

namespace {

struct Alias {
  const char* flag;
  quarvex::stage::Option option;
  bool on;
  const char* help;
};

constexpr Alias kAliases[] = {
    {"--prescan", quarvex::stage::Option::PrescanRecordHeaders, true, "trace the record-index pre-scan (cbPSdbrh)"},
    {"--no-analysis", quarvex::stage::Option::Analyse, false, "skip the space and checksum analysis (cbANA off)"},
    {"--no-analysis-report", quarvex::stage::Option::AnalysisInReport, false,
     "analyse, but write no analyser section (cbANrep off)"},
    {"--no-keys", quarvex::stage::Option::ListBadAndGhostKeys, false,
     "do not list bad and ghost key paths (cbKeys off)"},
    {"--structure", quarvex::stage::Option::StructureReport, true, "append the structure report (cbRPT on)"},
};

constexpr const char* kCodePageList = "874, 932, 936, 949, 950, 1250 to 1258 or none";

}  // namespace

Encoding EffectiveEncoding(const CliOptions& o, bool toFile) {
  if (o.encoding) return *o.encoding;
  return toFile ? Encoding::Native : Encoding::Locale;
}

std::optional<quarvex::text::LocalDateTime> ParseDateTime(const std::string& text) {
  quarvex::text::LocalDateTime t;
  char separator = 0;
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &t.year, &t.month, &t.day, &separator, &t.hour, &t.minute,
                  &t.second, &consumed) != 7 ||
      static_cast<std::size_t>(consumed) != text.size() || (separator != 'T' && separator != ' '))
    return std::nullopt;
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 59)
    return std::nullopt;
  return t;
}

namespace {

// The report's entry of the command table holds its flags and options.
const CommandSyntax& ReportSyntax() { return FindSubcommand("report")->syntax; }

}  // namespace

bool ReportOptionTakesValue(std::string_view name) { return ReportSyntax().Option(name) != nullptr; }

namespace {

// A word the report's syntax does not take, as the report says it.
std::string WordErrorText(const WordError& e) {
  switch (e.kind) {
    case WordError::Kind::Unknown:
      // "--foo=bar": a value given to what takes none.
      return e.name != e.word ? e.name + " takes no value (" + e.word + ")" : "unknown option " + e.word;
    case WordError::Kind::TakesNoValue:
      return e.name + " takes no value (" + e.word + ")";
    case WordError::Kind::NeedsValue:
      return e.word + " needs " + std::string(e.option->needs);
  }
  return {};
}

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
  CliOptions o;
  auto fail = [](std::string why) { return ParseResult{std::nullopt, std::move(why)}; };
  // The words are read in order up to the first the syntax does not take; what comes before
  // it is checked first, as it was given.
  const ParsedWords words = ParseWords(ReportSyntax(), args);
  for (const auto& [a, v] : words.args.inOrder) {
    if (a.empty()) {
      // A file (or "-", standard input), even one whose name begins with '-' after "--".
      if (!o.inputFile.empty()) return fail("only one hive file at a time (got " + o.inputFile + " and " + v + ")");
      o.inputFile = v;
    } else if (a == "--help") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "-o" || a == "--output") {
      o.outputFile = v;
    } else if (a == "--json") {
      o.jsonFile = v;
    } else if (a == "--charts") {
      o.chartsDirectory = v;
    } else if (a == "--export") {
      o.exportFile = v;
    } else if (a == "--salvage") {
      o.salvage = true;
    } else if (a == "--export-root") {
      o.exportRoot = v;
    } else if (a == "--encoding") {
      if (v == "utf-8" || v == "utf8")
        o.encoding = Encoding::Utf8;
      else if (v == "native")
        o.encoding = Encoding::Native;
      else if (v == "locale")
        o.encoding = Encoding::Locale;
      else
        return fail("--encoding takes native, utf-8 or locale, not " + v);
    } else if (a == "--codepage") {
      if (v == "auto") {
        o.autoCodePage = true;
      } else {
        auto cp = quarvex::text::ParseCodePage(v);
        if (!cp) return fail("--codepage takes auto, " + std::string(kCodePageList) + ", not " + v);
        o.codePage = *cp;
        o.autoCodePage = false;
      }
    } else if (a == "--verbose" || a == "-v") {
      o.verbose = true;
    } else if (a == "--set") {
      const auto eq = v.find('=');
      const auto option = quarvex::ui::ParseOptionControlName(v.substr(0, eq));
      const std::string state = eq == std::string::npos ? "" : v.substr(eq + 1);
      if (!option) return fail("--set: no option named " + v.substr(0, eq));
      if (state != "on" && state != "off") return fail("--set " + v + ": the state is on or off");
      o.options.Set(*option, state == "on");
    } else if (a == "--all") {
      o.options.SelectAll();
    } else if (a == "--progress") {
      o.progress = true;
    } else if (a == "--partial") {
      o.partial = true;
    } else if (a == "--now") {
      o.fixedTime = ParseDateTime(v);
      if (!o.fixedTime) return fail("--now takes YYYY-MM-DDTHH:MM:SS, not " + v);
    } else if (a == "--windows-dir") {
      if (v.empty()) return fail("--windows-dir needs a directory");
      o.windowsDirectory = v;
    } else if (a == "--json-series") {
      o.jsonSeries = true;
    } else {
      for (const Alias& alias : kAliases)
        if (a == alias.flag) o.options.Set(alias.option, alias.on);
    }
  }
  if (words.error) return fail(WordErrorText(*words.error));
  if (o.inputFile.empty() && !o.help && !o.version) return fail("no hive file named");
  if (o.salvage && o.exportFile.empty()) return fail("--salvage goes with --export FILE");
  if (o.jsonSeries && o.jsonFile.empty()) return fail("--json-series goes with --json FILE");
  o.input = quarvex::session::HiveAddress::Parse(o.inputFile);
  return ParseResult{o, {}};
}

namespace {

// The boxes by their meaning, their window names in brackets.
void AppendBoxes(std::string& h, std::span<const ReportBox> boxes) {
  for (const ReportBox& box : boxes) {
    const std::string name = "[" + std::string(quarvex::ui::OptionControlName(box.option)) + "]";
    const std::string meaning(box.meaning);
    quarvex::text::AppendPrintf(h, "    %-51s %-3s %s\n", meaning.c_str(),
                                quarvex::stage::OnByDefault(box.option) ? "on" : "off", name.c_str());
  }
}

}  // namespace

std::string HelpText() {
  std::string h =
      "Usage: quarvex-cli [report] [options] FILE\n"
      "       quarvex-cli [--codepage CP] SUBCOMMAND [options] FILE...\n"
      "Analyses a Windows 95/98/Me registry file (user.dat, system.dat, system.1st ...)\n"
      "and writes the report. The file is only ever read. FILE - reads standard input;\n"
      "an output named - is standard output. An option's value follows it or an '='\n"
      "(--json=out.json); -- ends the options.\n\n"
      "The report:\n"
      "  -o, --output FILE     write the report to FILE (via a temporary file; a failed run\n"
      "                        leaves FILE as it was); default: standard output\n"
      "  --encoding ENC        native (the hive's code page with CR LF, as the window saves),\n"
      "                        utf-8 (with CR LF) or locale (the terminal's encoding and line\n"
      "                        ends; what it cannot show is written as \\xNN); default:\n"
      "                        native for files, locale for standard output\n"
      "  --codepage CP         code page the hive was written in: auto (default), 874, 932,\n"
      "                        936, 949, 950, 1250 to 1258, or none (bytes as Latin-1, no\n"
      "                        lead bytes). auto takes it from the hive's ACP or Locale\n"
      "                        value, else from a system.dat beside the file or in\n"
      "                        --windows-dir, else from the stored name checksums, else 1252\n"
      "  -v, --verbose         say on standard error which code page was chosen and why\n"
      "  --partial             on a failure, still write the lines reported before it\n"
      "  --progress            show the progress on standard error also when it is no\n"
      "                        terminal (a terminal shows one line that rewrites itself)\n"
      "  --now DATE            use DATE (YYYY-MM-DDTHH:MM:SS) as the current time, for\n"
      "                        reproducible reports\n"
      "  --windows-dir DIR     the Windows 95/98/Me directory (a mounted installation) whose\n"
      "                        system.dat, advapi32.dll, krnl386.exe and regedit.exe the\n"
      "                        report header describes; default: QUARVEX_WINDIR; on Windows\n"
      "                        the running system is described instead\n"
      "  --json FILE           also write the analysis (usage table, key verdicts, record\n"
      "                        sizes) as UTF-8 JSON with LF line ends (- for standard output,\n"
      "                        the report then only with -o); after a successful job only\n"
      "                        (with --partial also after a failure)\n"
      "  --json-series         with --json: the nine chart series as well\n"
      "  --charts DIR          also paint the six chart views into DIR as PNG files\n"
      "                        (chart-0-total.png ...), after a successful job only; runs\n"
      "                        quarvex-charts, which the desktop build installs beside\n"
      "                        quarvex-cli\n";
  for (const auto& alias : kAliases)
    if (alias.option != quarvex::stage::Option::StructureReport &&
        alias.option != quarvex::stage::Option::PrescanRecordHeaders)
      quarvex::text::AppendPrintf(h, "  %-21s %s\n", alias.flag, alias.help);
  h += "  --set NAME=on|off     set one option box by its window name; the report's boxes\n"
       "                        (default state, [name]):\n";
  AppendBoxes(h, AnalysisBoxes());
  h += "\nThe structure dump (every record of the file, as the report's second part):\n";
  for (const auto& alias : kAliases)
    if (alias.option == quarvex::stage::Option::StructureReport ||
        alias.option == quarvex::stage::Option::PrescanRecordHeaders)
      quarvex::text::AppendPrintf(h, "  %-21s %s\n", alias.flag, alias.help);
  h += "  --all                 every structure option, as \"Select All\", plus cbRPT\n"
       "  --set NAME=on|off     the structure boxes (default state, [name]):\n";
  AppendBoxes(h, StructureBoxes());
  h += "\nThe export:\n"
       "  --export FILE         write the key tree and every value as a REGEDIT4 file, as the\n"
       "                        Windows 9x registry editor does (- for standard output);\n"
       "                        the report is then written only with -o, and the analysis\n"
       "                        runs only for -o or --json; problems found are comments in\n"
       "                        FILE and lines on standard error\n"
       "  --salvage             with --export: read the file with the salvage reader, which\n"
       "                        goes on past damage: every key and value still readable is\n"
       "                        exported, each damaged place as a \"; damage:\" comment, lost\n"
       "                        keys under (lost keys); the same bytes as --export on a sound\n"
       "                        file, and written even when the job fails (exit status 4\n"
       "                        when damage was found, as quarvex-cli check)\n"
       "  --export-root NAME    the root key's name in the export (default: from the hive's\n"
       "                        top keys, HKEY_LOCAL_MACHINE for a system.dat, HKEY_USERS for\n"
       "                        a user.dat; the file name breaks a tie; else HKEY_UNKNOWN)\n"
       "\nTwo outputs may not name the same file, nor both standard output.\n\n"
       "  --version             print the program's name and version, and nothing else\n";
  h += "\nSubcommands ('quarvex-cli help SUBCOMMAND' tells more of one):\n";
  h += SubcommandList();
  h += "\nKey verdicts in the analyser report (each key's stored name checksum against its name):\n"
       "  Good   the checksum matches the name.\n"
       "  Bad    the checksum matches only when the name's bytes above 0x7F are counted by the\n"
       "         code page's rules: a name with double-byte characters (or, on a single-byte\n"
       "         page, accented letters) that a plain 7-bit reader would misjudge; not damage.\n"
       "  Ghost  the name does not match its checksum under the chosen code page: the key node\n"
       "         and its name record no longer belong together (damage), or the code page is\n"
       "         the wrong one (see --codepage).\n";
  h += "\nExit status: 0 when the report has been made; 1 when the job failed (\"Fail(N)\" and\n"
       "what it means are on standard error; a file that is empty, a disk image or a cabinet is\n"
       "said to be one); 2 for a usage error (a mistyped subcommand too); 3 when the report\n"
       "could not be written.\n";
  return h;
}

std::string VersionText() {
  std::string v = "quarvex-cli " QUARVEX_VERSION "\n";
#if defined(__clang__)
  v += "compiler: clang " __clang_version__ "\n";
#elif defined(__GNUC__)
  v += "compiler: GCC " __VERSION__ "\n";
#elif defined(_MSC_VER)
  v += Printf("compiler: MSVC %d\n", _MSC_VER);
#endif
  v += Printf("language: C++ %ld\n", static_cast<long>(__cplusplus));
  v += "build: " QUARVEX_BUILD_TYPE ", for " QUARVEX_BUILD_TARGET "\n";
#if defined(QUARVEX_SANITIZED)
  v += "checks: AddressSanitizer and UndefinedBehaviorSanitizer\n";
#endif
  v += Printf("code pages: %s, through iconv\n", kCodePageList);
  return v;
}

}  // namespace quarvex::cli
