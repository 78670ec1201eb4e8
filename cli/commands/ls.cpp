// `quarvex-cli ls`: the keys of a hive, one per line or as JSON, with their values on -v.
#include "cli/commands/browse.h"

#include <string>

#include "cli/commands/browse_lines.h"
#include "cli/hive_access.h"
#include "cli/line_prefix.h"
#include "cli/value_json.h"
#include "browse/hive_view.h"
#include "salvage/check_text.h"
#include "browse/value_text.h"
#include "text/json_text.h"

namespace quarvex::cli {

namespace {

using browse::HiveView;
using text::JsonString;

// -d DEPTH: nullopt after a usage error.
std::optional<int> DepthOption(const Parsed& p, std::ostream& err) {
  int depth = p.Has("-R") ? 0 : 1;
  if (const auto d = p.options.find("-d"); d != p.options.end()) {
    char* end = nullptr;
    const long n = std::strtol(d->second.c_str(), &end, 10);
    if (d->second.empty() || *end != '\0' || n < 1 || n > 1000000) {
      err << "quarvex-cli ls: -d needs a depth of 1 or more, not '" << d->second << "'\n" << UsageOf("ls");
      return std::nullopt;
    }
    depth = static_cast<int>(n);
  }
  return depth;
}

// The listing of one hive: status 0, or 1 when it cannot be read or KEY is not in it.
int ListHive(const Parsed& p, const session::HiveAddress& address, const std::string& keyPath, int depth, bool several,
             std::optional<text::CodePage> cp, std::ostream& out, std::ostream& err) {
  const std::string& file = address.Text();
  const auto opened = OpenHive("ls", address, cp, session::ReportCheck::WhenDamaged, err);
  if (!opened) return kExitJobFailed;
  const HiveView& view = opened->View();
  const auto from = FindKey("ls", file, view, keyPath, err);
  if (!from) return kExitJobFailed;
  const bool json = p.Has("--json"), values = p.Has("-v");
  PrefixedStream lines(out, FilePrefix(file, several && !json));
  view.Walk(*from, depth, [&](std::int32_t key, int level) {
    if (json) {
      const std::string object = KeyJson(view, key, values);
      out << (several ? WithFile(object, *opened) : object) << '\n';
      return static_cast<bool>(out);
    }
    const std::string indent(static_cast<std::size_t>(2 * (level - 1)), ' ');
    lines << indent << browse::EscapeControls(view.Name(key)) << Marks(view, key) << '\n';
    for (const hive::Finding* f : Problems(view, key)) lines << indent << "  ! " << salvage::FindingLine(*f) << '\n';
    if (values)
      for (const salvage::SalvagedValue& v : view.Values(key))
        lines << indent << "  " << ValueLine(v, *cp, kListLimit) << '\n';
    return static_cast<bool>(lines);
  });
  DamageNotice("ls", file, *opened, err);
  return kExitOk;
}

}  // namespace

int RunLs(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine commandLine = ReadCommandLine("ls", args, out, err);
  if (!commandLine.args) return commandLine.status;
  const ParsedArgs& p = *commandLine.args;
  std::optional<text::CodePage> cp;
  if (!CodePageArgument("ls", p, cp, err)) return kExitUsage;
  const std::optional<FileWords> words = SplitFileWords(p.positional, 0, 1);
  if (!words) {
    err << "quarvex-cli ls: " << (p.positional.empty() ? "no file given" : "too many arguments") << '\n'
        << UsageOf("ls");
    return kExitUsage;
  }
  const std::optional<int> depth = DepthOption(p, err);
  if (!depth) return kExitUsage;
  const std::string keyPath = words->rest.empty() ? std::string() : words->rest.front();
  int status = kExitOk;
  for (const session::HiveAddress& file : words->files)
    if (ListHive(p, file, keyPath, *depth, words->files.size() > 1, cp, out, err) != kExitOk) status = kExitJobFailed;
  return FinishOutput(out) == kExitOk ? status : kExitWriteFailed;
}

}  // namespace quarvex::cli
