#include "cli/commands/browse_lines.h"

#include <cstdio>

#include "cli/hive_access.h"
#include "cli/value_json.h"
#include "browse/path_lookup.h"
#include "browse/value_text.h"
#include "salvage/check_text.h"
#include "text/json_text.h"

namespace quarvex::cli {

namespace {

using browse::HiveView;
using text::JsonString;

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

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonString(items[i]);
  return out + "]";
}

}  // namespace

std::string UsageOf(const std::string& name) {
  for (const Usage& u : kUsages)
    if (name == u.name) return std::string(u.text) + kCodePageHelp + (name == "diff" ? "" : kSeveralFilesHelp);
  return {};
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

std::string KeyJson(const HiveView& view, std::int32_t key, bool values) {
  std::vector<std::string> findings;
  for (const hive::Finding* f : Problems(view, key)) findings.push_back(salvage::FindingLine(*f));
  std::string out =
      "{\"path\": " + JsonString(view.Path(key)) + ", \"name\": " + JsonString(view.Name(key)) +
      ", \"depth\": " + std::to_string(view.Depth(key)) +
      (key == browse::kTop
           ? std::string()
           : ", \"offset\": " + std::to_string(view.Hive().keys[static_cast<std::size_t>(key)].node.InFile().value)) +
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

}  // namespace quarvex::cli
