#include "app/cli_options.h"

#include <cstdio>

#include "hive/error_codes.h"
#include "text/printf.h"

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
    {"--prescan", quarvex::stage::Option::cbPSdbrh, true, "trace the record-index pre-scan (cbPSdbrh)"},
    {"--no-analysis", quarvex::stage::Option::cbANA, false, "skip the space and checksum analysis (cbANA off)"},
    {"--no-analysis-report", quarvex::stage::Option::cbANrep, false, "analyse, but write no analyser section (cbANrep off)"},
    {"--no-keys", quarvex::stage::Option::cbKeys, false, "do not list bad and ghost key paths (cbKeys off)"},
    {"--structure", quarvex::stage::Option::cbRPT, true, "append the structure report (cbRPT on)"},
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
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &t.year, &t.month, &t.day, &separator, &t.hour,
                  &t.minute, &t.second, &consumed) != 7 ||
      static_cast<std::size_t>(consumed) != text.size() || (separator != 'T' && separator != ' '))
    return std::nullopt;
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 59)
    return std::nullopt;
  return t;
}

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
  CliOptions o;
  auto fail = [](std::string why) { return ParseResult{std::nullopt, std::move(why)}; };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "-h" || a == "--help") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "-o" || a == "--output") {
      if (!value(o.outputFile)) return fail(a + " needs a file name");
    } else if (a == "--json") {
      if (!value(o.jsonFile)) return fail("--json needs a file name");
    } else if (a == "--charts") {
      if (!value(o.chartsDirectory)) return fail("--charts needs a directory");
    } else if (a == "--export") {
      if (!value(o.exportFile)) return fail("--export needs a file name (or - for standard output)");
    } else if (a == "--salvage") {
      o.salvage = true;
    } else if (a == "--export-root") {
      if (!value(o.exportRoot)) return fail("--export-root needs a root key name");
    } else if (a == "--encoding") {
      if (!value(v)) return fail("--encoding needs native, utf-8 or locale");
      if (v == "utf-8" || v == "utf8") o.encoding = Encoding::Utf8;
      else if (v == "native") o.encoding = Encoding::Native;
      else if (v == "locale") o.encoding = Encoding::Locale;
      else return fail("--encoding takes native, utf-8 or locale, not " + v);
    } else if (a == "--codepage") {
      if (!value(v)) return fail("--codepage needs auto, " + std::string(kCodePageList));
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
      if (!value(v)) return fail("--set needs NAME=on or NAME=off");
      const auto eq = v.find('=');
      const auto option = quarvex::stage::ParseOptionName(v.substr(0, eq));
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
      if (!value(v)) return fail("--now needs a date-time");
      o.fixedTime = ParseDateTime(v);
      if (!o.fixedTime) return fail("--now takes YYYY-MM-DDTHH:MM:SS, not " + v);
    } else if (a == "--windows-dir") {
      if (!value(v) || v.empty()) return fail("--windows-dir needs a directory");
      o.windowsDirectory = v;
    } else if (a.size() > 1 && a[0] == '-') {
      bool known = false;
      for (const Alias& alias : kAliases)
        if (a == alias.flag) {
          o.options.Set(alias.option, alias.on);
          known = true;
        }
      if (!known) return fail("unknown option " + a);
    } else {
      if (!o.inputFile.empty()) return fail("only one hive file at a time (got " + o.inputFile + " and " + a + ")");
      o.inputFile = a;
    }
  }
  if (o.inputFile.empty() && !o.help && !o.version) return fail("no hive file named");
  if (o.salvage && o.exportFile.empty()) return fail("--salvage goes with --export FILE");
  return ParseResult{o, {}};
}

std::string HelpText() {
  std::string h =
      "Usage: quarvex-cli [options] FILE\n"
      "Analyses a Windows 95/98/Me registry file (user.dat, system.dat, system.1st ...)\n"
      "and writes the report. The file is only ever read.\n\n"
      "Output:\n"
      "  -o, --output FILE     write the report to FILE (via a temporary file; a failed run\n"
      "                        leaves FILE as it was); default: standard output\n"
      "  --json FILE           also write the analysis (usage table, key verdicts, record\n"
      "                        sizes, the nine chart series) to FILE as UTF-8 JSON, after\n"
      "                        a successful job only\n"
      "  --charts DIR          also paint the six chart views into DIR as PNG files\n"
      "                        (chart-0-total.png ...), after a successful job only; runs\n"
      "                        quarvex-charts, which the desktop build installs beside\n"
      "                        quarvex-cli\n"
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
      "  --progress            show the progress texts on standard error\n"
      "  --now DATE            use DATE (YYYY-MM-DDTHH:MM:SS) as the current time, for\n"
      "                        reproducible reports\n"
      "  --windows-dir DIR     the Windows 95/98/Me directory (a mounted installation) whose\n"
      "                        system.dat, advapi32.dll, krnl386.exe and regedit.exe the\n"
      "                        report header describes; default: QUARVEX_WINDIR; on Windows\n"
      "                        the running system is described instead\n\n"
      "What to report:\n";
  for (const auto& alias : kAliases) quarvex::text::AppendPrintf(h, "  %-21s %s\n", alias.flag, alias.help);
  h += "  --all                 every structure-report option, as \"Select All\", plus cbRPT\n"
       "  --set NAME=on|off     set one option box by its name:\n";
  for (quarvex::stage::Option option : quarvex::stage::AllOptions())
    quarvex::text::AppendPrintf(h, "      %-11s %-3s  \"%s\"\n", std::string(quarvex::stage::OptionName(option)).c_str(),
                 InitiallyChecked(option) ? "on" : "off", std::string(quarvex::stage::OptionCaption(option)).c_str());
  h += "\nKey verdicts in the analyser report (each key's stored name checksum against its name):\n"
       "  Good   the checksum matches the name.\n"
       "  Bad    the checksum matches only when the name's bytes above 0x7F are counted by the\n"
       "         code page's rules: a name with double-byte characters (or, on a single-byte\n"
       "         page, accented letters) that a plain 7-bit reader would misjudge; not damage.\n"
       "  Ghost  the name does not match its checksum under the chosen code page: the key node\n"
       "         and its name record no longer belong together (damage), or the code page is\n"
       "         the wrong one (see --codepage).\n";
  h += "\nExit status: 0 when the report has been made; 1 when the job failed (the failure\n"
       "text \"Fail(N)\" is on standard error); 2 for a usage error; 3 when the report could\n"
       "not be written.\n";
  return h;
}

}  // namespace quarvex::cli
