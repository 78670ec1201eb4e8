// `quarvex-cli diff`: the keys and values two hives differ in.
#include "cli/commands/browse.h"

#include <string>

#include "cli/commands/browse_lines.h"
#include "cli/hive_access.h"
#include "cli/line_prefix.h"
#include "cli/value_json.h"
#include "browse/hive_view.h"
#include "salvage/check_text.h"
#include "cli/diff_lines.h"
#include "browse/diff.h"

namespace quarvex::cli {

int RunDiff(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine commandLine = ReadCommandLine("diff", args, out, err);
  if (!commandLine.args) return commandLine.status;
  const ParsedArgs& p = *commandLine.args;
  std::optional<text::CodePage> cp;
  if (!CodePageArgument("diff", p, cp, err)) return kFindTrouble;
  if (p.positional.size() != 2 || (p.Has("--keys-only") && p.Has("--values-only"))) {
    err << "quarvex-cli diff: "
        << (p.positional.size() != 2 ? "two files are needed" : "--keys-only and --values-only exclude each other")
        << '\n'
        << UsageOf("diff");
    return kFindTrouble;
  }
  const auto a =
      OpenHive("diff", session::HiveAddress::Parse(p.positional[0]), cp, session::ReportCheck::WhenDamaged, err);
  const auto b =
      a ? OpenHive("diff", session::HiveAddress::Parse(p.positional[1]), cp, session::ReportCheck::WhenDamaged, err)
        : nullptr;
  if (!a || !b) return kFindTrouble;
  browse::DiffOptions options;
  options.keys = !p.Has("--values-only");
  options.values = !p.Has("--keys-only");
  const std::vector<browse::Difference> diffs = browse::Diff(a->View(), b->View(), options);
  const bool json = p.Has("--json");
  for (const browse::Difference& d : diffs)
    out << (json ? DifferenceJson(d, a->View(), b->View()) : DifferenceLine(d, a->View(), b->View(), *cp)) << '\n';
  DamageNotice("diff", p.positional[0], *a, err);
  DamageNotice("diff", p.positional[1], *b, err);
  if (FinishOutput(out) != kExitOk) return kFindTrouble;
  return diffs.empty() ? kExitOk : kExitJobFailed;
}

}  // namespace quarvex::cli
