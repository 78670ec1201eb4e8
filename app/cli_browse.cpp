#include "app/cli_browse.h"

#include "app/cli_args.h"

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "app/cli_check.h"
#include "app/cli_hives.h"
#include "app/cli_run.h"
#include "app/diff_lines.h"
#include "app/hive_access.h"
#include "app/line_prefix.h"
#include "app/value_json.h"
#include "browse/diff.h"
#include "browse/embedded_strings.h"
#include "browse/find.h"
#include "browse/hive_view.h"
#include "browse/path_lookup.h"
#include "browse/value_text.h"
#include "salvage/check_text.h"
#include "salvage/salvage.h"

namespace quarvex::cli {

namespace {

using browse::HiveView;
using browse::kTop;
using salvage::JsonString;

constexpr int kFindTrouble = 2;  // find and diff: 1 is an answer, so trouble is 2 (grep, diff)

// Data texts on list lines are shortened to about this many characters.
constexpr std::size_t kListLimit = 80;

struct Usage {
  const char* name;
  const char* text;
};

const Usage kUsages[] = {
    {"ls",
     "usage: quarvex-cli ls [-R] [-v] [-d DEPTH] [--json] [--codepage CP] FILE... [KEY]\n"
     "  The subkeys of KEY (default: the top of the hive), one per line. KEY's names are parted\n"
     "  by backslashes or slashes (a slash that is part of a key's name stays one).\n"
     "  -R        the whole subtree, indented two spaces a level\n"
     "  -v        each key's values beneath it: name  TYPE  data (@ is the unnamed value)\n"
     "  -d DEPTH  at most DEPTH levels below KEY (with -R; 1 is the subkeys only)\n"
     "  --json    one JSON object per key, a line each\n"
     "  A key that is damaged or was cut off is listed with a mark in brackets, then its\n"
     "  findings on lines starting with '!'. A word after FILE that names a file is another\n"
     "  FILE; write a KEY that is also a file's name with a leading backslash.\n"},
    {"get",
     "usage: quarvex-cli get [--raw|--strings] [--json] [--codepage CP] FILE... KEY [VALUE]\n"
     "  The values of KEY, one per line, or one value in full: its type, length and data\n"
     "  (binary data as a hex dump with offsets). VALUE @ or \"\" is the unnamed value. KEY as\n"
     "  ls takes it; a key without values is said so on standard error.\n"
     "  --raw     write VALUE's data bytes unchanged to standard output (one FILE)\n"
     "  --strings the strings inside binary data (of VALUE, or of every value of KEY) that\n"
     "            is neither text nor a number: runs of 4 or more printable characters in\n"
     "            the hive's code page or in UTF-16LE, a line each with offset and encoding\n"
     "  --json    one JSON document\n"},
    {"find",
     "usage: quarvex-cli find [--keys] [--values] [--data] [-i|-s] [--regex|--hex] [--type TYPE]\n"
     "                        [--json] [--codepage CP] FILE... PATTERN\n"
     "  Every key name, value name or value datum that matches PATTERN, one line per hit:\n"
     "  the key's path, and for a value its name, type and data. Without --keys, --values or\n"
     "  --data all three are searched. Binary data is also searched string by string as the\n"
     "  text inside it (the hive's code page and UTF-16LE, runs of 4 or more characters); such\n"
     "  a hit shows where: 'REG_BINARY at +0x2C, UTF-16: \"Microsoft Corporation\"'.\n"
     "  -i / -s   case-insensitive (default; ASCII letters, as Windows does) / case-sensitive\n"
     "  --regex   PATTERN is a regular expression of RE2, searched, not anchored. Its syntax is\n"
     "            close to Perl's and ECMAScript's, but it has no backreferences (\\1) and no\n"
     "            lookaround ((?=...), (?!...), (?<=...)); '.' is one UTF-8 character; -i folds\n"
     "            letters as Unicode does. Matching takes time linear in the text, whatever\n"
     "            the pattern; a pattern needing over 8 MiB to compile is refused.\n"
     "  --hex     PATTERN is bytes in hexadecimal, ?? for any byte ('4D 5A ?? 00', up to 256\n"
     "            bytes), matched against the raw data of every value (no key or name hits)\n"
     "  --type T  only values of type T (REG_SZ, SZ, DWORD, 4 ...); no key hits\n"
     "  --json    one JSON object per hit, a line each\n"
     "  Exit status: 0 something matched, 1 nothing did, 2 trouble (a pattern that is not\n"
     "  one among it).\n"},
    {"diff",
     "usage: quarvex-cli diff [--keys-only|--values-only] [--json] [--codepage CP] A B\n"
     "  Keys and values added, removed and changed from hive A to hive B, matched by path:\n"
     "  '+ KEY', '- KEY', '+ KEY: VALUE: data', '- KEY: VALUE: data',\n"
     "  '~ KEY: VALUE: old → new'.\n"
     "  --json    one JSON object per difference, a line each\n"
     "  Exit status: 0 equal, 1 different, 2 trouble.\n"},
};

std::string UsageOf(const std::string& name) {
  for (const Usage& u : kUsages)
    if (name == u.name) return std::string(u.text) + kCodePageHelp + (name == "diff" ? "" : kSeveralFilesHelp);
  return {};
}

using Parsed = ParsedArgs;

std::optional<Parsed> Parse(const std::string& sub, const std::vector<std::string>& args,
                            const std::set<std::string>& flagNames, std::set<std::string> optionNames,
                            std::ostream& err) {
  optionNames.insert("--codepage");
  return ParseArgs(sub, args, flagNames, optionNames, UsageOf(sub), err);
}

// --codepage: a code page named, or auto (the default), left empty for OpenHive to detect.
bool CodePageOption(const std::string& sub, const Parsed& p, std::optional<text::CodePage>& cp, std::ostream& err) {
  return CodePageArgument(sub, p, cp, UsageOf(sub), err);
}

// "name  TYPE  data" as ls -v, get and find print it.
std::string ValueLine(const salvage::SalvagedValue& v, text::CodePage cp, std::size_t limit) {
  std::string line = DisplayValueName(v, cp) + "  " + browse::TypeName(v.type) + "  " + browse::DataText(v, cp, limit);
  if (v.cut) line += "  [cut]";
  return line;
}

std::string Marks(const HiveView& view, std::int32_t key) {
  std::string text;
  for (const std::string& m : browse::KeyStateMarks(view.State(key))) text += (text.empty() ? "  [" : ", ") + m;
  return text.empty() ? text : text + "]";
}

// The damage and warnings about a key (notes are decisions, not problems of the key).
std::vector<const hive::Finding*> Problems(const HiveView& view, std::int32_t key) {
  std::vector<const hive::Finding*> out;
  for (std::int32_t f : view.Findings(key)) {
    const hive::Finding& finding = view.Hive().findings[static_cast<std::size_t>(f)];
    if (finding.severity != hive::Severity::Note) out.push_back(&finding);
  }
  return out;
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonString(items[i]);
  return out + "]";
}

std::string KeyJson(const HiveView& view, std::int32_t key, bool values) {
  std::vector<std::string> findings;
  for (const hive::Finding* f : Problems(view, key)) findings.push_back(salvage::FindingLine(*f));
  std::string out = "{\"path\": " + JsonString(view.Path(key)) + ", \"name\": " + JsonString(view.Name(key)) +
                    ", \"depth\": " + std::to_string(view.Depth(key)) +
                    ", \"subkeys\": " + std::to_string(view.Children(key).size()) +
                    ", \"marks\": " + JsonList(browse::KeyStateMarks(view.State(key))) + ", \"findings\": " + JsonList(findings);
  if (values) {
    out += ", \"values\": [";
    bool first = true;
    for (const salvage::SalvagedValue& v : view.Values(key)) {
      out += (first ? "" : ", ") + ValueJson(v, view);
      first = false;
    }
    out += "]";
  }
  return out + "}";
}

// Looks KEY up; an error line and nullopt when it is not there.
std::optional<std::int32_t> FindKey(const std::string& sub, const std::string& file, const HiveView& view,
                                    const std::string& path, std::ostream& err) {
  const browse::Lookup found = browse::FindKeyPath(view, path);
  if (!found.key) err << "quarvex-cli " << sub << ": " << file << ": " << found.error << '\n';
  return found.key;
}

// 00000000  01 02 03 04 05 06 07 08  09 0A 0B 0C 0D 0E 0F 10  |................|
void HexDump(hive::Bytes data, std::ostream& out) {
  for (std::size_t row = 0; row < data.size(); row += 16) {
    char offset[32];
    std::snprintf(offset, sizeof offset, "  %08zX  ", row);
    std::string line = offset;
    std::string ascii;
    for (std::size_t i = 0; i < 16; ++i) {
      if (row + i < data.size()) {
        const std::uint8_t b = data[row + i];
        line += browse::HexBytes(data.subspan(row + i, 1)) + " ";
        ascii += b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.';
      } else {
        line += "   ";
      }
      if (i == 7) line += ' ';
    }
    out << line << " |" << ascii << "|\n";
  }
}

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
int ListHive(const Parsed& p, const std::string& file, const std::string& keyPath, int depth, bool several,
             std::optional<text::CodePage> cp, std::ostream& out, std::ostream& err) {
  const auto opened = OpenHive("ls", file, cp, ReportCheck::WhenDamaged, err);
  if (!opened) return kExitJobFailed;
  const HiveView& view = *opened->view;
  const auto from = FindKey("ls", file, view, keyPath, err);
  if (!from) return kExitJobFailed;
  const bool json = p.Has("--json"), values = p.Has("-v");
  PrefixedStream lines(out, FilePrefix(file, several && !json));
  view.Walk(*from, depth, [&](std::int32_t key, int level) {
    if (json) {
      const std::string object = KeyJson(view, key, values);
      out << (several ? WithFile(object, file) : object) << '\n';
      return static_cast<bool>(out);
    }
    const std::string indent(static_cast<std::size_t>(2 * (level - 1)), ' ');
    lines << indent << browse::EscapeControls(view.Name(key)) << Marks(view, key) << '\n';
    for (const hive::Finding* f : Problems(view, key)) lines << indent << "  ! " << salvage::FindingLine(*f) << '\n';
    if (values)
      for (const salvage::SalvagedValue& v : view.Values(key)) lines << indent << "  " << ValueLine(v, *cp, kListLimit) << '\n';
    return static_cast<bool>(lines);
  });
  DamageNotice("ls", file, *opened, err);
  return kExitOk;
}

}  // namespace

int RunLs(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto p = Parse("ls", args, {"-R", "-v", "--json"}, {"-d"}, err);
  if (!p) return kExitUsage;
  if (p->Has("--help")) {
    out << UsageOf("ls");
    return kExitOk;
  }
  std::optional<text::CodePage> cp;
  if (!CodePageOption("ls", *p, cp, err)) return kExitUsage;
  const std::optional<FileWords> words = SplitFileWords(p->positional, 0, 1);
  if (!words) {
    err << "quarvex-cli ls: " << (p->positional.empty() ? "no file given" : "too many arguments") << '\n' << UsageOf("ls");
    return kExitUsage;
  }
  const std::optional<int> depth = DepthOption(*p, err);
  if (!depth) return kExitUsage;
  const std::string keyPath = words->rest.empty() ? std::string() : words->rest.front();
  int status = kExitOk;
  for (const std::string& file : words->files)
    if (ListHive(*p, file, keyPath, *depth, words->files.size() > 1, cp, out, err) != kExitOk) status = kExitJobFailed;
  return FinishOutput(out) == kExitOk ? status : kExitWriteFailed;
}

namespace {

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
int GetFromHive(const Parsed& p, const std::string& file, const FileWords& words, bool several,
                std::optional<text::CodePage> cp, std::ostream& out, std::ostream& err) {
  const bool raw = p.Has("--raw"), json = p.Has("--json"), strings = p.Has("--strings");
  const auto opened = OpenHive("get", file, cp, ReportCheck::WhenDamaged, err);
  if (!opened) return kExitJobFailed;
  const HiveView& view = *opened->view;
  const auto key = FindKey("get", file, view, words.rest[0], err);
  if (!key) return kExitJobFailed;
  for (const hive::Finding* f : Problems(view, *key))
    err << "quarvex-cli get: " << file << ": " << salvage::FindingLine(*f) << '\n';
  auto document = [&](const std::string& object) {
    out << WithProgram(several ? WithFile(object, file) : object) << '\n';
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
    if (value->cut) err << "quarvex-cli get: " << file << ": the value is cut: only " << value->data.size() << " of "
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
  const auto p = Parse("get", args, {"--raw", "--strings", "--json"}, {}, err);
  if (!p) return kExitUsage;
  if (p->Has("--help")) {
    out << UsageOf("get");
    return kExitOk;
  }
  std::optional<text::CodePage> cp;
  if (!CodePageOption("get", *p, cp, err)) return kExitUsage;
  const std::optional<FileWords> words = SplitFileWords(p->positional, 1, 2);
  if (!words) {
    err << "quarvex-cli get: " << (p->positional.size() < 2 ? "FILE and KEY are needed" : "too many arguments") << '\n'
        << UsageOf("get");
    return kExitUsage;
  }
  const bool raw = p->Has("--raw"), json = p->Has("--json");
  if (raw && (words->rest.size() < 2 || json)) {
    err << "quarvex-cli get: --raw needs a VALUE and goes without --json\n" << UsageOf("get");
    return kExitUsage;
  }
  if (raw && words->files.size() > 1) {
    err << "quarvex-cli get: --raw writes the bytes of one FILE's value, unmixed\n" << UsageOf("get");
    return kExitUsage;
  }
  if (raw && p->Has("--strings")) {
    err << "quarvex-cli get: --raw and --strings exclude each other\n" << UsageOf("get");
    return kExitUsage;
  }
  int status = kExitOk;
  for (const std::string& file : words->files)
    if (GetFromHive(*p, file, *words, words->files.size() > 1, cp, out, err) != kExitOk) status = kExitJobFailed;
  return FinishOutput(out) == kExitOk ? status : kExitWriteFailed;
}

int RunFind(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto p =
      Parse("find", args, {"--keys", "--values", "--data", "-i", "-s", "--regex", "--hex", "--json"}, {"--type"}, err);
  if (!p) return kFindTrouble;
  if (p->Has("--help")) {
    out << UsageOf("find");
    return kExitOk;
  }
  std::optional<text::CodePage> cp;
  if (!CodePageOption("find", *p, cp, err)) return kFindTrouble;
  if (p->positional.size() < 2) {
    err << "quarvex-cli find: FILE and PATTERN are needed\n" << UsageOf("find");
    return kFindTrouble;
  }
  if (p->Has("-i") && p->Has("-s")) {
    err << "quarvex-cli find: -i and -s exclude each other\n" << UsageOf("find");
    return kFindTrouble;
  }
  if (p->Has("--regex") && p->Has("--hex")) {
    err << "quarvex-cli find: --regex and --hex exclude each other\n" << UsageOf("find");
    return kFindTrouble;
  }
  if (p->Has("--hex") && (p->Has("--keys") || p->Has("--values") || p->Has("-s"))) {
    err << "quarvex-cli find: --hex matches value data only, without --keys, --values or -s\n" << UsageOf("find");
    return kFindTrouble;
  }
  browse::FindQuery query;
  query.pattern = p->positional.back();
  if (p->Has("--keys") || p->Has("--values") || p->Has("--data")) {
    query.keys = p->Has("--keys");
    query.values = p->Has("--values");
    query.data = p->Has("--data");
  }
  query.caseSensitive = p->Has("-s");
  query.syntax = p->Has("--regex") ? browse::PatternSyntax::Regex
                 : p->Has("--hex")   ? browse::PatternSyntax::Bytes
                                     : browse::PatternSyntax::Text;
  if (const auto t = p->options.find("--type"); t != p->options.end()) {
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
  const std::vector<std::string> files(p->positional.begin(), p->positional.end() - 1);
  const bool several = files.size() > 1, json = p->Has("--json");
  std::size_t hits = 0;
  bool trouble = false;
  for (const std::string& file : files) {
    std::optional<text::CodePage> fileCp = cp;  // each file in its own code page unless one is named
    const auto opened = OpenHive("find", file, fileCp, ReportCheck::WhenDamaged, err);
    if (!opened) {
      trouble = true;
      continue;
    }
    const HiveView& view = *opened->view;
    PrefixedStream lines(out, FilePrefix(file, several && !json));
    hits += browse::FindAll(view, query, *matcher, [&](const browse::FindHit& hit) {
      const std::string path = view.Path(hit.key);
      if (json) {
        std::string object = "{\"path\": " + JsonString(path);
        if (hit.value) {
          object += std::string(", \"kind\": \"value\", \"matched\": \"") +
                    (hit.nameMatched && hit.dataMatched ? "name and data" : hit.nameMatched ? "name" : "data") +
                    "\", \"value\": " + ValueJson(*hit.value, view);
          if (hit.inside) object += ", \"inside\": " + SpanJson(*hit.inside, *fileCp);
        } else {
          object += ", \"kind\": \"key\"";
        }
        out << (several ? WithFile(object + "}", file) : object + "}") << '\n';
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

int RunDiff(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto p = Parse("diff", args, {"--keys-only", "--values-only", "--json"}, {}, err);
  if (!p) return kFindTrouble;
  if (p->Has("--help")) {
    out << UsageOf("diff");
    return kExitOk;
  }
  std::optional<text::CodePage> cp;
  if (!CodePageOption("diff", *p, cp, err)) return kFindTrouble;
  if (p->positional.size() != 2 || (p->Has("--keys-only") && p->Has("--values-only"))) {
    err << "quarvex-cli diff: " << (p->positional.size() != 2 ? "two files are needed" : "--keys-only and --values-only exclude each other")
        << '\n' << UsageOf("diff");
    return kFindTrouble;
  }
  const auto a = OpenHive("diff", p->positional[0], cp, ReportCheck::WhenDamaged, err);
  const auto b = a ? OpenHive("diff", p->positional[1], cp, ReportCheck::WhenDamaged, err) : nullptr;
  if (!a || !b) return kFindTrouble;
  browse::DiffOptions options;
  options.keys = !p->Has("--values-only");
  options.values = !p->Has("--keys-only");
  const std::vector<browse::Difference> diffs = browse::Diff(*a->view, *b->view, options);
  const bool json = p->Has("--json");
  for (const browse::Difference& d : diffs)
    out << (json ? DifferenceJson(d, *a->view, *b->view) : DifferenceLine(d, *a->view, *b->view, *cp)) << '\n';
  DamageNotice("diff", p->positional[0], *a, err);
  DamageNotice("diff", p->positional[1], *b, err);
  if (FinishOutput(out) != kExitOk) return kFindTrouble;
  return diffs.empty() ? kExitOk : kExitJobFailed;
}

}  // namespace quarvex::cli
