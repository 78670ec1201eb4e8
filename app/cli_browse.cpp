#include "app/cli_browse.h"

#include "app/cli_args.h"

#include <cstdio>
#include <map>
#include <memory>
#include <set>

#include "app/cli_check.h"
#include "app/cli_hives.h"
#include "app/cli_run.h"
#include "browse/diff.h"
#include "browse/embedded_strings.h"
#include "browse/find.h"
#include "browse/hive_view.h"
#include "browse/stats.h"
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

const char* const kCodePageHelp =
    "  --codepage CP  the code page the hive's names were written in: auto (default: from the\n"
    "                 hive's ACP or Locale, a system.dat beside it, its name checksums, else\n"
    "                 1252), 874, 932, 936, 949, 950, 1250 to 1258, or none (bytes as Latin-1)\n";

struct Usage {
  const char* name;
  const char* text;
};

const Usage kUsages[] = {
    {"ls",
     "usage: quarvex-cli ls [-R] [-v] [-d DEPTH] [--json] [--codepage CP] FILE [KEY]\n"
     "  The subkeys of KEY (default: the top of the hive), one per line.\n"
     "  -R        the whole subtree, indented two spaces a level\n"
     "  -v        each key's values beneath it: name  TYPE  data (@ is the unnamed value)\n"
     "  -d DEPTH  at most DEPTH levels below KEY (with -R; 1 is the subkeys only)\n"
     "  --json    one JSON object per key, a line each\n"
     "  A key that is damaged or was cut off is listed with a mark in brackets, then its\n"
     "  findings on lines starting with '!'.\n"},
    {"get",
     "usage: quarvex-cli get [--raw|--strings] [--json] [--codepage CP] FILE KEY [VALUE]\n"
     "  The values of KEY, one per line, or one value in full: its type, length and data\n"
     "  (binary data as a hex dump with offsets). VALUE @ or \"\" is the unnamed value.\n"
     "  --raw     write VALUE's data bytes unchanged to standard output\n"
     "  --strings the strings inside binary data (of VALUE, or of every value of KEY) that\n"
     "            is neither text nor a number: runs of 4 or more printable characters in\n"
     "            the hive's code page or in UTF-16LE, a line each with offset and encoding\n"
     "  --json    one JSON document\n"},
    {"find",
     "usage: quarvex-cli find [--keys] [--values] [--data] [-i|-s] [--regex|--hex] [--type TYPE]\n"
     "                        [--json] [--codepage CP] FILE PATTERN\n"
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
    {"stats",
     "usage: quarvex-cli stats [--json] [--codepage CP] FILE\n"
     "  Numbers of keys and values (per type), the depth, the largest keys by values and by\n"
     "  bytes, the longest names, the largest values, the share of free space, findings.\n"
     "  --json    one JSON document\n"},
};

std::string UsageOf(const std::string& name) {
  for (const Usage& u : kUsages)
    if (name == u.name) return std::string(u.text) + kCodePageHelp;
  return {};
}

using Parsed = ParsedArgs;

std::optional<Parsed> Parse(const std::string& sub, const std::vector<std::string>& args,
                            const std::set<std::string>& flagNames, std::set<std::string> optionNames,
                            std::ostream& err) {
  optionNames.insert("--codepage");
  return ParseArgs(sub, args, flagNames, optionNames, UsageOf(sub), err);
}

// A hive read whole and salvaged; the model views the bytes, which stay put with it.
struct Loaded {
  std::vector<std::uint8_t> bytes;
  salvage::SalvagedHive hive;
  std::unique_ptr<HiveView> view;
};

// Reads and salvages one hive. An empty cp (--codepage auto) is set to the code page detected
// for this hive, and then holds for what follows (the second hive of a diff is read alike).
std::unique_ptr<Loaded> Load(const std::string& sub, const std::string& file, std::optional<text::CodePage>& cp,
                             std::ostream& err) {
  std::string error;
  auto bytes = ReadWholeHive(file, error);
  if (!bytes) {
    err << "quarvex-cli " << sub << ": " << file << ": cannot read: " << error << '\n';
    return nullptr;
  }
  auto loaded = std::make_unique<Loaded>();
  loaded->bytes = std::move(*bytes);
  if (!cp) cp = CodePageForHive(cp, file, loaded->bytes);
  loaded->hive = salvage::Salvage(loaded->bytes, {*cp});
  if (!loaded->hive.isHive) {
    err << "quarvex-cli " << sub << ": " << file << ": not a registry file (" << salvage::SummaryText(loaded->hive)
        << ")\n";
    return nullptr;
  }
  loaded->view = std::make_unique<HiveView>(loaded->hive, *cp);
  return loaded;
}

// One line on standard error when the hive has damage, so that a listing is never mistaken
// for the whole hive.
void DamageNotice(const std::string& sub, const std::string& file, const Loaded& l, std::ostream& err) {
  if (l.hive.summary.damage == 0) return;
  err << "quarvex-cli " << sub << ": " << file << ": " << salvage::SummaryText(l.hive)
      << "; keys marked in brackets are affected ('quarvex-cli check " << file << "' lists every finding)\n";
}

// --codepage: a code page named, or auto (the default), left empty for Load to detect.
bool CodePageOption(const std::string& sub, const Parsed& p, std::optional<text::CodePage>& cp, std::ostream& err) {
  return CodePageArgument(sub, p, cp, UsageOf(sub), err);
}

int Finish(std::ostream& out) {
  out.flush();
  return out ? kExitOk : kExitWriteFailed;
}

std::string DisplayValueName(const salvage::SalvagedValue& v, text::CodePage cp) {
  return v.name.empty() ? "@" : browse::EscapeControls(browse::ValueName(v, cp));
}

// "name  TYPE  data" as ls -v, get and find print it.
std::string ValueLine(const salvage::SalvagedValue& v, text::CodePage cp, std::size_t limit) {
  std::string line = DisplayValueName(v, cp) + "  " + browse::TypeName(v.type) + "  " + browse::DataText(v, cp, limit);
  if (v.cut) line += "  [cut]";
  return line;
}

std::vector<std::string> StateMarks(const browse::KeyState& s) {
  std::vector<std::string> marks;
  if (s.lost) marks.emplace_back("lost");
  if (s.unreadable) marks.emplace_back("unreadable");
  if (s.valuesMissing) marks.emplace_back("values missing");
  if (s.valuesCut) marks.emplace_back("values cut");
  if (s.damaged && !s.unreadable && !s.valuesMissing && !s.valuesCut) marks.emplace_back("damaged");
  return marks;
}

std::string Marks(const HiveView& view, std::int32_t key) {
  std::string text;
  for (const std::string& m : StateMarks(view.State(key))) text += (text.empty() ? "  [" : ", ") + m;
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

std::string ValueJson(const salvage::SalvagedValue& v, const HiveView& view) {
  const text::CodePage cp = view.CodePage();
  return "{\"name\": " + JsonString(browse::ValueName(v, cp)) + ", \"type\": " + JsonString(browse::TypeName(v.type)) +
         ", \"typeNumber\": " + std::to_string(v.type) + ", \"length\": " + std::to_string(v.data.size()) +
         ", \"declaredLength\": " + std::to_string(browse::DeclaredLength(v, view.Hive().image)) +
         ", \"cut\": " + (v.cut ? "true" : "false") + ", \"data\": " + JsonString(browse::DataText(v, cp)) +
         ", \"hex\": " + JsonString(browse::HexBytes(v.data)) + "}";
}

// Where inside the data a search found something, or a string get --strings lists.
std::string SpanJson(const browse::DataSpan& span, text::CodePage cp) {
  std::string out = "{\"offset\": " + std::to_string(span.offset) + ", \"length\": " + std::to_string(span.length) +
                    ", \"as\": " + JsonString(browse::SpanKindName(span.kind, cp));
  if (span.kind != browse::SpanKind::Bytes) out += ", \"text\": " + JsonString(span.text);
  return out + "}";
}

std::string KeyJson(const HiveView& view, std::int32_t key, bool values) {
  std::vector<std::string> findings;
  for (const hive::Finding* f : Problems(view, key)) findings.push_back(salvage::FindingLine(*f));
  std::string out = "{\"path\": " + JsonString(view.Path(key)) + ", \"name\": " + JsonString(view.Name(key)) +
                    ", \"depth\": " + std::to_string(view.Depth(key)) +
                    ", \"subkeys\": " + std::to_string(view.Children(key).size()) +
                    ", \"marks\": " + JsonList(StateMarks(view.State(key))) + ", \"findings\": " + JsonList(findings);
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
  const browse::Lookup found = view.Find(path);
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
  if (p->positional.empty() || p->positional.size() > 2) {
    err << "quarvex-cli ls: " << (p->positional.empty() ? "no file given" : "too many arguments") << '\n' << UsageOf("ls");
    return kExitUsage;
  }
  int depth = p->Has("-R") ? 0 : 1;
  if (const auto d = p->options.find("-d"); d != p->options.end()) {
    char* end = nullptr;
    const long n = std::strtol(d->second.c_str(), &end, 10);
    if (d->second.empty() || *end != '\0' || n < 1 || n > 1000000) {
      err << "quarvex-cli ls: -d needs a depth of 1 or more, not '" << d->second << "'\n" << UsageOf("ls");
      return kExitUsage;
    }
    depth = static_cast<int>(n);
  }
  const std::string& file = p->positional[0];
  const auto loaded = Load("ls", file, cp, err);
  if (!loaded) return kExitJobFailed;
  const HiveView& view = *loaded->view;
  const auto from = FindKey("ls", file, view, p->positional.size() > 1 ? p->positional[1] : std::string(), err);
  if (!from) return kExitJobFailed;
  const bool json = p->Has("--json"), values = p->Has("-v");
  view.Walk(*from, depth, [&](std::int32_t key, int level) {
    if (json) {
      out << KeyJson(view, key, values) << '\n';
      return static_cast<bool>(out);
    }
    const std::string indent(static_cast<std::size_t>(2 * (level - 1)), ' ');
    out << indent << browse::EscapeControls(view.Name(key)) << Marks(view, key) << '\n';
    for (const hive::Finding* f : Problems(view, key)) out << indent << "  ! " << salvage::FindingLine(*f) << '\n';
    if (values)
      for (const salvage::SalvagedValue& v : view.Values(key)) out << indent << "  " << ValueLine(v, *cp, kListLimit) << '\n';
    return static_cast<bool>(out);
  });
  DamageNotice("ls", file, *loaded, err);
  return Finish(out);
}

// get --strings: the strings inside one value's data (whatever its type: a text may hide more
// after its end), or inside every value of the key that is neither text nor a number.
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
  if (json) out << WithProgram("{\"path\": " + JsonString(view.Path(key)) + ", \"strings\": [" + document + "]}") << '\n';
}

int RunGet(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto p = Parse("get", args, {"--raw", "--strings", "--json"}, {}, err);
  if (!p) return kExitUsage;
  if (p->Has("--help")) {
    out << UsageOf("get");
    return kExitOk;
  }
  std::optional<text::CodePage> cp;
  if (!CodePageOption("get", *p, cp, err)) return kExitUsage;
  if (p->positional.size() < 2 || p->positional.size() > 3) {
    err << "quarvex-cli get: " << (p->positional.size() < 2 ? "FILE and KEY are needed" : "too many arguments") << '\n'
        << UsageOf("get");
    return kExitUsage;
  }
  const bool raw = p->Has("--raw"), json = p->Has("--json");
  if (raw && (p->positional.size() < 3 || json)) {
    err << "quarvex-cli get: --raw needs a VALUE and goes without --json\n" << UsageOf("get");
    return kExitUsage;
  }
  const bool strings = p->Has("--strings");
  if (raw && strings) {
    err << "quarvex-cli get: --raw and --strings exclude each other\n" << UsageOf("get");
    return kExitUsage;
  }
  const std::string& file = p->positional[0];
  const auto loaded = Load("get", file, cp, err);
  if (!loaded) return kExitJobFailed;
  const HiveView& view = *loaded->view;
  const auto key = FindKey("get", file, view, p->positional[1], err);
  if (!key) return kExitJobFailed;
  for (const hive::Finding* f : Problems(view, *key))
    err << "quarvex-cli get: " << file << ": " << salvage::FindingLine(*f) << '\n';

  if (strings) {
    const std::string* name = p->positional.size() == 3 ? &p->positional[2] : nullptr;
    if (name && !view.FindValue(*key, *name)) {
      err << "quarvex-cli get: " << file << ": no value '" << *name << "' in '" << view.Path(*key) << "'\n";
      return kExitJobFailed;
    }
    ListStrings(view, *key, name ? view.FindValue(*key, *name) : nullptr, json, out);
    return Finish(out);
  }
  if (p->positional.size() == 2) {
    if (json) {
      out << WithProgram(KeyJson(view, *key, true)) << '\n';
    } else {
      for (const salvage::SalvagedValue& v : view.Values(*key)) out << ValueLine(v, *cp, 0) << '\n';
    }
    return Finish(out);
  }
  const std::string& name = p->positional[2];
  const salvage::SalvagedValue* value = view.FindValue(*key, name);
  if (!value) {
    err << "quarvex-cli get: " << file << ": no value '" << name << "' in '" << view.Path(*key) << "'\n";
    return kExitJobFailed;
  }
  if (raw) {
    out.write(reinterpret_cast<const char*>(value->data.data()), static_cast<std::streamsize>(value->data.size()));
    if (value->cut) err << "quarvex-cli get: " << file << ": the value is cut: only " << value->data.size() << " of "
                        << browse::DeclaredLength(*value, view.Hive().image) << " bytes are in the file\n";
    return Finish(out);
  }
  if (json) {
    out << WithProgram("{\"path\": " + JsonString(view.Path(*key)) + ", \"value\": " + ValueJson(*value, view) + "}")
        << '\n';
    return Finish(out);
  }
  const std::size_t declared = browse::DeclaredLength(*value, view.Hive().image);
  out << "key:    " << browse::EscapeControls(view.Path(*key)) << '\n'
      << "name:   " << (value->name.empty() ? "@ (the unnamed value)" : DisplayValueName(*value, *cp)) << '\n'
      << "type:   " << browse::TypeName(value->type) << " (" << value->type << ")\n"
      << "length: " << value->data.size() << (value->data.size() == 1 ? " byte" : " bytes");
  if (value->cut) out << " of " << declared << " (the rest lies past the record's end)";
  out << '\n';
  const std::string text = browse::DataText(*value, *cp);
  if (value->data.empty() || text.front() == '"' || text.rfind("0x", 0) == 0) {
    out << "data:   " << text << '\n';
  } else {
    out << "data:\n";
    HexDump(value->data, out);
  }
  return Finish(out);
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
  if (p->positional.size() != 2) {
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
  query.pattern = p->positional[1];
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
  const std::string& file = p->positional[0];
  const auto loaded = Load("find", file, cp, err);
  if (!loaded) return kFindTrouble;
  const HiveView& view = *loaded->view;
  const bool json = p->Has("--json");
  const std::size_t hits = browse::FindAll(view, query, *matcher, [&](const browse::FindHit& hit) {
    const std::string path = view.Path(hit.key);
    if (json) {
      out << "{\"path\": " << JsonString(path);
      if (hit.value) {
        out << ", \"kind\": \"value\", \"matched\": \""
            << (hit.nameMatched && hit.dataMatched ? "name and data" : hit.nameMatched ? "name" : "data")
            << "\", \"value\": " << ValueJson(*hit.value, view);
        if (hit.inside) out << ", \"inside\": " << SpanJson(*hit.inside, *cp);
      } else {
        out << ", \"kind\": \"key\"";
      }
      out << "}\n";
    } else if (hit.value && hit.inside) {
      out << browse::EscapeControls(path) << ": " << DisplayValueName(*hit.value, *cp) << "  "
          << browse::DataSpanText(*hit.value, *hit.inside, *cp, kListLimit) << '\n';
    } else if (hit.value) {
      out << browse::EscapeControls(path) << ": " << ValueLine(*hit.value, *cp, kListLimit) << '\n';
    } else {
      out << browse::EscapeControls(path) << Marks(view, hit.key) << '\n';
    }
    return static_cast<bool>(out);
  });
  DamageNotice("find", file, *loaded, err);
  if (Finish(out) != kExitOk) return kFindTrouble;
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
  const auto a = Load("diff", p->positional[0], cp, err);
  const auto b = a ? Load("diff", p->positional[1], cp, err) : nullptr;
  if (!a || !b) return kFindTrouble;
  browse::DiffOptions options;
  options.keys = !p->Has("--values-only");
  options.values = !p->Has("--keys-only");
  const std::vector<browse::Difference> diffs = browse::Diff(*a->view, *b->view, options);
  const bool json = p->Has("--json");
  for (const browse::Difference& d : diffs) {
    const bool inB = d.change == browse::Change::KeyAdded || d.change == browse::Change::ValueAdded;
    const HiveView& side = inB ? *b->view : *a->view;
    const std::string path = side.Path(inB ? d.keyB : d.keyA);
    const salvage::SalvagedValue* v = d.valueA ? d.valueA : d.valueB;
    const char* sign = d.change == browse::Change::ValueChanged ? "~" : inB ? "+" : "-";
    if (json) {
      static const char* const kNames[] = {"key added", "key removed", "value added", "value removed", "value changed"};
      out << "{\"change\": \"" << kNames[static_cast<int>(d.change)] << "\", \"path\": " << JsonString(path);
      if (d.valueA) out << ", \"old\": " << ValueJson(*d.valueA, *a->view);
      if (d.valueB) out << ", \"new\": " << ValueJson(*d.valueB, *b->view);
      out << "}\n";
      continue;
    }
    out << sign << ' ' << browse::EscapeControls(path);
    if (v) {
      out << ": " << DisplayValueName(*v, *cp) << ": ";
      if (d.change != browse::Change::ValueChanged) {
        out << browse::DataText(*v, *cp, kListLimit);
      } else {
        const bool typeChanged = d.valueA->type != d.valueB->type;
        if (typeChanged) out << browse::TypeName(d.valueA->type) << ' ';
        out << browse::DataText(*d.valueA, *cp, kListLimit) << " → ";
        if (typeChanged) out << browse::TypeName(d.valueB->type) << ' ';
        out << browse::DataText(*d.valueB, *cp, kListLimit);
      }
    }
    out << '\n';
  }
  DamageNotice("diff", p->positional[0], *a, err);
  DamageNotice("diff", p->positional[1], *b, err);
  if (Finish(out) != kExitOk) return kFindTrouble;
  return diffs.empty() ? kExitOk : kExitJobFailed;
}

namespace {

std::string Percent(std::uint64_t part, std::uint64_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%", whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole));
  return text;
}

std::string RankedJson(const HiveView& view, const std::vector<browse::RankedKey>& list) {
  std::string out = "[";
  for (std::size_t i = 0; i < list.size(); ++i) {
    out += (i ? ", " : "") + std::string("{\"path\": ") + JsonString(view.Path(list[i].key));
    if (list[i].value) out += ", \"value\": " + JsonString(browse::ValueName(*list[i].value, view.CodePage()));
    out += ", \"amount\": " + std::to_string(list[i].amount) + "}";
  }
  return out + "]";
}

}  // namespace

int RunStats(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto p = Parse("stats", args, {"--json"}, {}, err);
  if (!p) return kExitUsage;
  if (p->Has("--help")) {
    out << UsageOf("stats");
    return kExitOk;
  }
  std::optional<text::CodePage> cp;
  if (!CodePageOption("stats", *p, cp, err)) return kExitUsage;
  if (p->positional.size() != 1) {
    err << "quarvex-cli stats: one FILE is needed\n" << UsageOf("stats");
    return kExitUsage;
  }
  const std::string& file = p->positional[0];
  const auto loaded = Load("stats", file, cp, err);
  if (!loaded) return kExitJobFailed;
  const HiveView& view = *loaded->view;
  const browse::HiveStats s = browse::ComputeStats(view);
  using salvage::GroupThousands;
  if (p->Has("--json")) {
    out << WithProgram("{") << "\"file\": " << JsonString(file) << ", \"bytes\": " << s.fileBytes << ", \"keys\": " << s.keys
        << ", \"lostKeys\": " << s.lostKeys << ", \"unreadableKeys\": " << s.unreadableKeys << ", \"values\": " << s.values
        << ", \"valuesByType\": [";
    bool first = true;
    for (const auto& [type, count] : s.byType) {
      out << (first ? "" : ", ") << "{\"type\": " << JsonString(browse::TypeName(type)) << ", \"typeNumber\": " << type
          << ", \"values\": " << count.values << ", \"dataBytes\": " << count.dataBytes << "}";
      first = false;
    }
    out << "], \"depth\": " << s.depth << ", \"deepestKey\": " << JsonString(view.Path(s.deepestKey))
        << ", \"mostValues\": " << RankedJson(view, s.mostValues) << ", \"mostBytes\": " << RankedJson(view, s.mostBytes)
        << ", \"longestKeyNames\": " << RankedJson(view, s.longestKeyNames)
        << ", \"longestValueNames\": " << RankedJson(view, s.longestValueNames)
        << ", \"largestValues\": " << RankedJson(view, s.largestValues) << ", \"keyNodeBlockBytes\": " << s.keyNodeBlockBytes
        << ", \"keyNodeBytesInUse\": " << s.keyNodeBytesInUse << ", \"dataBlockBytes\": " << s.dataBlockBytes
        << ", \"dataBytesInUse\": " << s.dataBytesInUse << ", \"freeBytes\": " << s.FreeBytes()
        << ", \"damage\": " << s.damage << ", \"warnings\": " << s.warnings << ", \"notes\": " << s.notes << "}\n";
    return Finish(out);
  }
  auto ranked = [&](const char* title, const std::vector<browse::RankedKey>& list, const char* unit) {
    out << title << '\n';
    if (list.empty()) out << "  (none)\n";
    for (const browse::RankedKey& r : list) {
      out << "  " << GroupThousands(r.amount) << ' ' << unit << "  " << browse::EscapeControls(view.Path(r.key));
      if (r.value) out << ": " << DisplayValueName(*r.value, *cp);
      out << '\n';
    }
  };
  out << "file:     " << file << " (" << GroupThousands(s.fileBytes) << " bytes)\n"
      << "keys:     " << GroupThousands(s.keys);
  if (s.lostKeys || s.unreadableKeys)
    out << " (" << GroupThousands(s.lostKeys) << " lost, " << GroupThousands(s.unreadableKeys) << " unreadable)";
  out << "\nvalues:   " << GroupThousands(s.values) << '\n';
  for (const auto& [type, count] : s.byType)
    out << "  " << browse::TypeName(type) << ": " << GroupThousands(count.values) << " (" << GroupThousands(count.dataBytes)
        << " bytes of data)\n";
  out << "depth:    " << s.depth;
  if (s.deepestKey != kTop) out << " (" << browse::EscapeControls(view.Path(s.deepestKey)) << ")";
  out << '\n';
  ranked("most values:", s.mostValues, "values");
  ranked("most bytes (value names and data):", s.mostBytes, "bytes");
  ranked("longest key names:", s.longestKeyNames, "bytes");
  ranked("longest value names:", s.longestValueNames, "bytes");
  ranked("largest values:", s.largestValues, "bytes");
  const std::uint64_t blocks = s.keyNodeBlockBytes + s.dataBlockBytes;
  out << "free:     " << GroupThousands(s.FreeBytes()) << " of " << GroupThousands(blocks) << " bytes in blocks ("
      << Percent(s.FreeBytes(), blocks) << "); key nodes " << GroupThousands(s.keyNodeBytesInUse) << " of "
      << GroupThousands(s.keyNodeBlockBytes) << ", records " << GroupThousands(s.dataBytesInUse) << " of "
      << GroupThousands(s.dataBlockBytes) << '\n'
      << "findings: " << s.damage << " damage, " << s.warnings << " warning(s), " << s.notes << " note(s)\n";
  return Finish(out);
}

}  // namespace quarvex::cli
