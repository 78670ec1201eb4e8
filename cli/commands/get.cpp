// `quarvex-cli get`: the values of a key, or one value in full (text, hex dump, raw bytes, strings inside).
#include "cli/commands/browse.h"

#include <sstream>
#include <string>

#include "cli/commands/browse_lines.h"
#include "cli/hive_access.h"
#include "cli/line_prefix.h"
#include "cli/value_json.h"
#include "browse/hive_view.h"
#include "salvage/check_text.h"
#include "cli/cli_run.h"
#include "browse/embedded_strings.h"
#include "browse/find.h"
#include "browse/value_data.h"
#include "browse/value_text.h"
#include "text/json_text.h"

namespace quarvex::cli {

namespace {

using browse::HiveView;
using text::JsonString;

// get --strings: the strings inside one value's data (whatever its type: a text may hide more
// after its end), or inside every value of the key that is neither text nor a number; a line
// each, or one JSON object (without its program and line end).
void ListStrings(const HiveView& view, std::int32_t key, const salvage::SalvagedValue* only, bool json,
                 std::ostream& out) {
  const text::CodePage cp = view.CodePage();
  std::string document;
  for (const salvage::SalvagedValue& v : view.Values(key)) {
    if (only ? &v != only : !browse::SearchesInside(v)) continue;
    for (const browse::DataSpan& span : browse::EmbeddedStrings(v.data, cp)) {
      if (!json) {
        out << DisplayValueName(v, cp) << "  " << browse::DataSpanText(v, span, cp) << '\n';
        continue;
      }
      std::string item = SpanJson(span, cp);
      item.insert(1, "\"value\": " + JsonString(browse::ValueName(v, cp)) + ", ");
      document += (document.empty() ? "" : ", ") + item;
    }
  }
  if (json) out << "{\"path\": " << JsonString(view.Path(key)) << ", \"strings\": [" << document << "]}";
}

// get of one hive: status 0, or 1 when it cannot be read or KEY or VALUE is not in it.
int GetFromHive(const Parsed& p, const session::HiveAddress& address, const FileWords& words, bool several,
                std::optional<text::CodePage> cp, std::ostream& out, std::ostream& err) {
  const bool raw = p.Has("--raw"), json = p.Has("--json"), strings = p.Has("--strings");
  const std::string& file = address.Text();
  const auto opened = OpenHive("get", address, cp, session::ReportCheck::WhenDamaged, err);
  if (!opened) return kExitJobFailed;
  const HiveView& view = opened->View();
  const auto key = FindKey("get", file, view, words.rest[0], err);
  if (!key) return kExitJobFailed;
  for (const hive::Finding* f : Problems(view, *key))
    err << "quarvex-cli get: " << file << ": " << salvage::FindingLine(*f) << '\n';
  auto document = [&](const std::string& object) {
    out << WithProgram(several ? WithFile(object, *opened) : object) << '\n';
  };
  PrefixedStream lines(out, FilePrefix(file, several && !json));
  const std::string* name = words.rest.size() == 2 ? &words.rest[1] : nullptr;
  const salvage::SalvagedValue* value = name ? view.FindValue(*key, *name) : nullptr;
  if (name && !value) {
    err << "quarvex-cli get: " << file << ": no value '" << *name << "' in '" << view.Path(*key) << "'\n";
    return kExitJobFailed;
  }
  if (strings) {
    std::ostringstream listed;
    ListStrings(view, *key, value, json, listed);
    if (json)
      document(listed.str());
    else
      lines << listed.str();
    return kExitOk;
  }
  if (!name) {
    if (view.Values(*key).empty())
      err << "quarvex-cli get: " << file << ": '" << view.Path(*key) << "' has no values\n";
    if (json)
      document(KeyJson(view, *key, true));
    else
      for (const salvage::SalvagedValue& v : view.Values(*key)) lines << ValueLine(v, *cp, 0) << '\n';
    return kExitOk;
  }
  if (raw) {
    out.write(reinterpret_cast<const char*>(value->data.data()), static_cast<std::streamsize>(value->data.size()));
    if (value->cut)
      err << "quarvex-cli get: " << file << ": the value is cut: only " << value->data.size() << " of "
          << browse::DeclaredLength(*value, view.Hive().image) << " bytes are in the file\n";
    return kExitOk;
  }
  if (json) {
    document("{\"path\": " + JsonString(view.Path(*key)) + ", \"value\": " + ValueJson(*value, view) + "}");
    return kExitOk;
  }
  const std::size_t declared = browse::DeclaredLength(*value, view.Hive().image);
  lines << "key:    " << browse::EscapeControls(view.Path(*key)) << '\n'
        << "name:   " << (value->name.empty() ? "@ (the unnamed value)" : DisplayValueName(*value, *cp)) << '\n'
        << "type:   " << browse::TypeName(value->type) << " (" << value->type << ")\n"
        << "length: " << value->data.size() << (value->data.size() == 1 ? " byte" : " bytes");
  if (value->cut) lines << " of " << declared << " (the rest lies past the record's end)";
  lines << '\n';
  const std::string text = browse::DataText(*value, *cp);
  if (value->data.empty() || text.front() == '"' || text.rfind("0x", 0) == 0) {
    lines << "data:   " << text << '\n';
  } else {
    lines << "data:\n";
    HexDump(value->data, lines);
  }
  return kExitOk;
}

}  // namespace

int RunGet(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine commandLine = ReadCommandLine("get", args, out, err);
  if (!commandLine.args) return commandLine.status;
  const ParsedArgs& p = *commandLine.args;
  std::optional<text::CodePage> cp;
  if (!CodePageArgument("get", p, cp, err)) return kExitUsage;
  const std::optional<FileWords> words = SplitFileWords(p.positional, 1, 2);
  if (!words) {
    err << "quarvex-cli get: " << (p.positional.size() < 2 ? "FILE and KEY are needed" : "too many arguments") << '\n'
        << UsageOf("get");
    return kExitUsage;
  }
  const bool raw = p.Has("--raw"), json = p.Has("--json");
  if (raw && (words->rest.size() < 2 || json)) {
    err << "quarvex-cli get: --raw needs a VALUE and goes without --json\n" << UsageOf("get");
    return kExitUsage;
  }
  if (raw && words->files.size() > 1) {
    err << "quarvex-cli get: --raw writes the bytes of one FILE's value, unmixed\n" << UsageOf("get");
    return kExitUsage;
  }
  if (raw && p.Has("--strings")) {
    err << "quarvex-cli get: --raw and --strings exclude each other\n" << UsageOf("get");
    return kExitUsage;
  }
  int status = kExitOk;
  for (const session::HiveAddress& file : words->files)
    if (GetFromHive(p, file, *words, words->files.size() > 1, cp, out, err) != kExitOk) status = kExitJobFailed;
  return FinishOutput(out) == kExitOk ? status : kExitWriteFailed;
}

}  // namespace quarvex::cli
