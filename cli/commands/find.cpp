// `quarvex-cli find`: keys, values and data matching a text, a regular expression or bytes.
#include "cli/commands/browse.h"

#include <string>

#include "cli/commands/browse_lines.h"
#include "cli/hive_access.h"
#include "cli/line_prefix.h"
#include "cli/value_json.h"
#include "browse/hive_view.h"
#include "salvage/check_text.h"
#include "browse/embedded_strings.h"
#include "browse/find.h"
#include "browse/value_text.h"
#include "text/json_text.h"

namespace quarvex::cli {

namespace {

using browse::HiveView;
using text::JsonString;

}  // namespace

int RunFind(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine commandLine = ReadCommandLine("find", args, out, err);
  if (!commandLine.args) return commandLine.status;
  const ParsedArgs& p = *commandLine.args;
  std::optional<text::CodePage> cp;
  if (!CodePageArgument("find", p, cp, err)) return kFindTrouble;
  if (p.positional.size() < 2) {
    err << "quarvex-cli find: FILE and PATTERN are needed\n" << UsageOf("find");
    return kFindTrouble;
  }
  if (p.Has("-i") && p.Has("-s")) {
    err << "quarvex-cli find: -i and -s exclude each other\n" << UsageOf("find");
    return kFindTrouble;
  }
  if (p.Has("--regex") && p.Has("--hex")) {
    err << "quarvex-cli find: --regex and --hex exclude each other\n" << UsageOf("find");
    return kFindTrouble;
  }
  if (p.Has("--hex") && (p.Has("--keys") || p.Has("--values") || p.Has("-s"))) {
    err << "quarvex-cli find: --hex matches value data only, without --keys, --values or -s\n" << UsageOf("find");
    return kFindTrouble;
  }
  browse::FindQuery query;
  query.pattern = p.positional.back();
  if (p.Has("--keys") || p.Has("--values") || p.Has("--data")) {
    query.keys = p.Has("--keys");
    query.values = p.Has("--values");
    query.data = p.Has("--data");
  }
  query.caseSensitive = p.Has("-s");
  query.syntax = p.Has("--regex") ? browse::PatternSyntax::Regex
                 : p.Has("--hex") ? browse::PatternSyntax::Bytes
                                  : browse::PatternSyntax::Text;
  if (const auto t = p.options.find("--type"); t != p.options.end()) {
    query.type = browse::ParseTypeName(t->second);
    if (!query.type) {
      err << "quarvex-cli find: unknown value type '" << t->second << "'\n" << UsageOf("find");
      return kFindTrouble;
    }
  }
  std::string error;
  const auto matcher = browse::MakeMatcher(query, error);
  if (!matcher) {
    err << "quarvex-cli find: " << error << '\n';
    return kFindTrouble;
  }
  const std::vector<std::string> files(p.positional.begin(), p.positional.end() - 1);
  const bool several = files.size() > 1, json = p.Has("--json");
  std::size_t hits = 0;
  bool trouble = false;
  for (const std::string& file : files) {
    std::optional<text::CodePage> fileCp = cp;  // each file in its own code page unless one is named
    const auto opened =
        OpenHive("find", session::HiveAddress::Parse(file), fileCp, session::ReportCheck::WhenDamaged, err);
    if (!opened) {
      trouble = true;
      continue;
    }
    const HiveView& view = opened->View();
    PrefixedStream lines(out, FilePrefix(file, several && !json));
    hits += browse::FindAll(view, query, *matcher, [&](const browse::FindHit& hit) {
      const std::string path = view.Path(hit.key);
      if (json) {
        std::string object = "{\"path\": " + JsonString(path);
        if (hit.value) {
          object += std::string(", \"kind\": \"value\", \"matched\": \"") +
                    (hit.nameMatched && hit.dataMatched ? "name and data"
                     : hit.nameMatched                  ? "name"
                                                        : "data") +
                    "\", \"value\": " + ValueJson(*hit.value, view);
          if (hit.inside) object += ", \"inside\": " + SpanJson(*hit.inside, *fileCp);
        } else {
          object += ", \"kind\": \"key\"";
        }
        out << (several ? WithFile(object + "}", *opened) : object + "}") << '\n';
        return static_cast<bool>(out);
      }
      if (hit.value && hit.inside) {
        lines << browse::EscapeControls(path) << ": " << DisplayValueName(*hit.value, *fileCp) << "  "
              << browse::DataSpanText(*hit.value, *hit.inside, *fileCp, kListLimit) << '\n';
      } else if (hit.value) {
        lines << browse::EscapeControls(path) << ": " << ValueLine(*hit.value, *fileCp, kListLimit) << '\n';
      } else {
        lines << browse::EscapeControls(path) << Marks(view, hit.key) << '\n';
      }
      return static_cast<bool>(lines);
    });
    DamageNotice("find", file, *opened, err);
  }
  // As grep has it: trouble with any file wins over what the others matched.
  if (FinishOutput(out) != kExitOk || trouble) return kFindTrouble;
  return hits > 0 ? kExitOk : kExitJobFailed;
}

}  // namespace quarvex::cli
