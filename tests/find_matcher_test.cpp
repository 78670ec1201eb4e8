// find's matching: text, RE2 regular expressions and byte patterns; the strings inside
// binary data; and the search over a built hive that puts them together. The patterns a
// backtracking engine takes exponential time (or stack) on run over 64 KB values here and
// must simply give their answer.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browse/byte_pattern.h"
#include "browse/embedded_strings.h"
#include "browse/find.h"
#include "browse/hive_view.h"
#include "browse/value_text.h"
#include "salvage/salvage.h"
#include "tests/support/test_namespaces.h"
#include "tests/support/test_support.h"

namespace quarvex::testing {
namespace {

using browse::DataSpan;
using browse::PatternSyntax;
using browse::SpanKind;

hive::Bytes AsBytes(const std::string& s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

TEST(FindMatcher, EachSyntaxAndCaseRule) {
  struct Case {
    std::string pattern;
    PatternSyntax syntax;
    bool caseSensitive;
    std::string text;
    bool matches;
  };
  const std::vector<Case> cases = {
      {"vendor", PatternSyntax::Text, false, "Software\\VENDOR", true},
      {"vendor", PatternSyntax::Text, true, "Software\\VENDOR", false},
      {"", PatternSyntax::Text, false, "anything", true},
      // Without case, text folds ASCII only: an accented capital is not its small letter.
      {"é", PatternSyntax::Text, false, "É", false},
      {"a.c", PatternSyntax::Text, false, "abc", false},
      {"a.c", PatternSyntax::Regex, false, "ABC", true},
      {"a.c", PatternSyntax::Regex, true, "ABC", false},
      {"^Run$", PatternSyntax::Regex, false, "RunOnce", false},
      {"^Run", PatternSyntax::Regex, false, "RunOnce", true},
      // '.' is one UTF-8 character, not one byte of it.
      {"^.$", PatternSyntax::Regex, true, "表", true},
      {"^..$", PatternSyntax::Regex, true, "表", false},
      {"\\\\", PatternSyntax::Regex, true, "C:\\WINDOWS", true},
      {"4D 5A ?? 00", PatternSyntax::Bytes, false, std::string("xMZ\x90\0", 5), true},
      {"4D 5A ?? 00", PatternSyntax::Bytes, false, std::string("xMZ\x90\x01", 5), false},
      {"4d5a", PatternSyntax::Bytes, false, "mz MZ", true},
      {"6D 7A", PatternSyntax::Bytes, false, "MZ", false},  // bytes have no case
  };
  for (const Case& c : cases) {
    std::string error;
    const auto m = browse::Matcher::Make(c.pattern, c.syntax, c.caseSensitive, error);
    ASSERT_TRUE(m) << c.pattern << ": " << error;
    EXPECT_EQ(m->Matches(c.text), c.matches) << c.pattern << " in " << c.text;
  }
}

TEST(FindMatcher, FaultyPatternsNameTheirFault) {
  struct Case {
    std::string pattern;
    PatternSyntax syntax;
    std::string said;
  };
  const std::vector<Case> cases = {
      {"(", PatternSyntax::Regex, "not a regular expression: '(': missing )"},
      {"a**", PatternSyntax::Regex, "not a regular expression: 'a**': bad repetition operator"},
      {"(a)\\1", PatternSyntax::Regex, "not a regular expression: '(a)\\1': invalid escape sequence"},
      {"(?=a)", PatternSyntax::Regex, "not a regular expression: '(?=a)'"},
      {"\\pL{1000}\\pL{1000}\\pL{1000}", PatternSyntax::Regex, "needs more than the 8 MiB a pattern may use"},
      {"4D 5", PatternSyntax::Bytes, "'5' at character 4 is half a byte"},
      {"4D 5G", PatternSyntax::Bytes, "'G' at character 5 is not a hexadecimal digit"},
      {"4D ?A", PatternSyntax::Bytes, "'?' at character 4 is half a wildcard"},
      {"?? ??", PatternSyntax::Bytes, "only wildcards"},
      {"", PatternSyntax::Bytes, "no bytes"},
      {"  ", PatternSyntax::Bytes, "no bytes"},
      {std::string(257 * 2, 'A'), PatternSyntax::Bytes, "more than 256 bytes"},
      {"4D\x01", PatternSyntax::Bytes, "byte 0x01 at character 3"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(browse::Matcher::Make(c.pattern, c.syntax, false, error)) << c.pattern;
    EXPECT_NE(error.find(c.said), std::string::npos) << c.pattern << ": " << error;
  }
}

TEST(FindMatcher, BytePatternFindsEveryPlaceAndLongPatterns) {
  struct Case {
    std::string pattern;
    std::string data;
    std::size_t from;
    std::optional<std::size_t> at;
  };
  std::string long70;
  for (int i = 0; i < 70; ++i) long70 += "41 ";
  const std::vector<Case> cases = {
      {"41", "BA", 0, 1},
      {"41 41", "AAAA", 1, 1},
      {"41 ?? 41", "AxBAyA", 0, 3},
      {"?? 42", "B", 0, std::nullopt},   // no byte before the only B
      {"42 ??", "xB", 0, std::nullopt},  // the wildcard needs a byte too
      {"00 00 01", std::string("\0\0\0\0\0\x01", 6), 0, 3},
      {long70, std::string(69, 'A') + "B" + std::string(70, 'A'), 0, 70},  // spans two words
      {long70 + "42", std::string(200, 'A') + "B", 0, 130},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto p = browse::BytePattern::Parse(c.pattern, error);
    ASSERT_TRUE(p) << error;
    EXPECT_EQ(p->Find(AsBytes(c.data), c.from), c.at) << c.pattern;
  }
}

// Patterns that send a backtracking engine into exponential time or one stack frame per
// byte, over 64 KB: each must give its answer (no timing is asserted; a regression shows as
// a test that never ends or a crash).
TEST(FindMatcher, CatastrophicPatternsOverLargeDataEnd) {
  const std::string as(64 * 1024, 'a'), xs(64 * 1024, 'x');
  struct Case {
    std::string pattern;
    const std::string* text;
    bool matches;
  };
  const std::vector<Case> cases = {
      {"(a*)*b", &as, false}, {"(a|aa)*c", &as, false}, {"(x+x+)+y", &xs, false}, {".*", &as, true},
      {"^(a*)*$", &as, true}, {"a.*b.*c", &as, false},  {"(.*a){20}", &as, true}, {"^(x|x)*$", &xs, true},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto m = browse::Matcher::Make(c.pattern, PatternSyntax::Regex, false, error);
    ASSERT_TRUE(m) << error;
    EXPECT_EQ(m->Matches(*c.text), c.matches) << c.pattern;
  }
}

std::vector<std::string> Strings(const std::string& data, text::CodePage cp) {
  std::vector<std::string> out;
  for (const DataSpan& s : browse::EmbeddedStrings(AsBytes(data), cp))
    out.push_back(std::to_string(s.offset) + "+" + std::to_string(s.length) +
                  (s.kind == SpanKind::Utf16Text ? " u " : " c ") + s.text);
  return out;
}

TEST(EmbeddedStrings, CodePageAndUtf16RunsAtAnyOffset) {
  using text::CodePage;
  struct Case {
    const char* what;
    std::string data;
    CodePage cp;
    std::vector<std::string> strings;
  };
  const std::vector<Case> cases = {
      {"ASCII among binary", std::string("\x01\x02WINDOWS\x7F\x00", 11), CodePage::Cp1252, {"2+7 c WINDOWS"}},
      {"three characters are too few",
       std::string("\x01"
                   "abc\x01",
                   5),
       CodePage::Cp1252,
       {}},
      {"UTF-16 at an even offset", "\x01\x02" + Utf16Le("Microsoft"), CodePage::Cp1252, {"2+18 u Microsoft"}},
      {"UTF-16 at an odd offset", "\x01" + Utf16Le("Corp") + "\x01", CodePage::Cp1252, {"1+8 u Corp"}},
      {"UTF-16 of ASCII read one byte off is dropped (double-byte page)",
       "\x01" + Utf16Le("Notepad") + std::string(1, '\0'),
       CodePage::Cp932,
       {"1+14 u Notepad"}},
      {"Latin letters of a single-byte page",
       std::string("\x01"
                   "caf\xE9s\x01",
                   7),
       CodePage::Cp1252,
       {"1+5 c cafés"}},
      // 表示 in Shift-JIS is 95 5C 8E A6: the trail byte 0x5C is part of a character.
      {"double-byte characters, a trail byte 0x5C among them",
       std::string("\x01\x95\x5C\x8E\xA6"
                   "ab\x01",
                   8),
       CodePage::Cp932,
       {"1+6 c 表示ab"}},
      {"a lead byte without its trail ends the run", std::string("abcd\x95", 5), CodePage::Cp932, {"0+4 c abcd"}},
      {"UTF-16 ideographs count on a double-byte page",
       "\x01" + std::string("\x68\x88\x3A\x79", 4) + Utf16Le("ab"),
       CodePage::Cp932,
       {"1+8 u 表示ab"}},
      {"but not on a single-byte page",
       "\x01" + std::string("\x68\x88\x3A\x79", 4) + Utf16Le("ab"),
       CodePage::Cp1252,
       {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Strings(c.data, c.cp), c.strings) << c.what;
}

// A hive whose values hide text the way Windows keeps it: UTF-16 inside an application's
// REG_BINARY, an ANSI path in an MRU blob, the unnamed value, and a Shift-JIS key name with a
// trail byte 0x5C.
struct Built {
  BuiltHive built;
  std::vector<std::uint8_t> bytes;
  salvage::SalvagedHive hive;
  std::unique_ptr<browse::HiveView> view;
  explicit Built(text::CodePage cp) : built(Make()) {
    bytes = built.bytes;
    hive = salvage::Salvage(bytes, {cp});
    view = std::make_unique<browse::HiveView>(hive, cp);
  }
  static BuiltHive Make() {
    HiveBuilder b;
    const int root = b.AddKey(HiveBuilder::kRootParent, "");
    b.SetNoRecord(root);
    const int software = b.AddKey(root, "Software");
    b.AddKey(software, "AppCompatibility",
             {Binary("Flags", std::string("\x10\x00\x00", 3) + Utf16Le("Microsoft Corporation") + std::string(2, '\0')),
              Binary("", "\x02" + Utf16Le("NOTEPAD.EXE") + "\x01"), Text("Vendor", "Microsoft")});
    b.AddKey(software, "Explorer",
             {Binary("MRU", std::string("\x14\x00", 2) + "C:\\WINDOWS\\NOTEPAD.EXE" + std::string(1, '\0')),
              Dword("Count", 0x6C6C6548), Binary("Header", std::string("MZ\x90\x00\x03", 5))});
    b.AddKey(software, "\x95\x5C", {Text("Path", "C:\\Data")});  // 表
    return b.Build();
  }
};

std::vector<std::string> Hits(const Built& h, browse::FindQuery q) {
  std::string error;
  const auto m = browse::MakeMatcher(q, error);
  EXPECT_TRUE(m) << error;
  std::vector<std::string> lines;
  if (!m) return lines;
  const text::CodePage cp = h.view->CodePage();
  browse::FindAll(*h.view, q, *m, [&](const browse::FindHit& hit) {
    std::string line = h.view->Path(hit.key);
    if (hit.value) {
      const std::string name = browse::ValueName(*hit.value, cp);
      line += ":" + (name.empty() ? std::string("@") : name);
      if (hit.inside) line += " " + browse::DataSpanText(*hit.value, *hit.inside, cp);
    }
    lines.push_back(line);
    return true;
  });
  return lines;
}

browse::FindQuery Query(std::string pattern, PatternSyntax syntax = PatternSyntax::Text) {
  browse::FindQuery q;
  q.pattern = std::move(pattern);
  q.syntax = syntax;
  return q;
}

TEST(FindInsideData, HitsSayWhichStringAndWhere) {
  const Built h(text::CodePage::Cp1252);
  struct Case {
    browse::FindQuery query;
    std::vector<std::string> hits;
  };
  std::vector<Case> cases;
  cases.push_back({Query("microsoft"),
                   {"Software\\AppCompatibility:Flags REG_BINARY at +0x03, UTF-16: \"Microsoft Corporation\"",
                    "Software\\AppCompatibility:Vendor"}});
  cases.push_back({Query("notepad.exe"),
                   {"Software\\AppCompatibility:@ REG_BINARY at +0x01, UTF-16: \"NOTEPAD.EXE\"",
                    "Software\\Explorer:MRU REG_BINARY at +0x02, cp1252: \"C:\\\\WINDOWS\\\\NOTEPAD.EXE\""}});
  cases.push_back({Query("corp.*tion$", PatternSyntax::Regex),
                   {"Software\\AppCompatibility:Flags REG_BINARY at +0x03, UTF-16: \"Microsoft Corporation\""}});
  {
    browse::FindQuery s = Query("MICROSOFT CORP");
    s.caseSensitive = true;
    cases.push_back({s, {}});
  }
  // A number is matched as its text, not as the characters its bytes make ("Hell").
  cases.push_back({Query("hell"), {}});
  cases.push_back(
      {Query("4D 5A ?? 00", PatternSyntax::Bytes), {"Software\\Explorer:Header REG_BINARY at +0x00: 4D 5A 90 00"}});
  // A byte pattern sees every value's raw bytes, texts and numbers among them.
  cases.push_back({Query("48 65", PatternSyntax::Bytes), {"Software\\Explorer:Count REG_DWORD at +0x00: 48 65"}});
  {
    browse::FindQuery t = Query("exe");
    t.type = 4;  // only DWORDs: none holds it
    cases.push_back({t, {}});
  }
  for (const Case& c : cases) EXPECT_EQ(Hits(h, c.query), c.hits) << c.query.pattern;
}

TEST(FindInsideData, DoubleByteNamesMatchAsCharacters) {
  const Built h(text::CodePage::Cp932);
  browse::FindQuery keys = Query("表");
  keys.values = keys.data = false;
  EXPECT_EQ(Hits(h, keys), (std::vector<std::string>{"Software\\表"}));
  // A trail byte 0x5C is not a backslash: the key 表 is no hit, the texts that hold one are.
  browse::FindQuery slash = Query("\\\\", PatternSyntax::Regex);
  slash.values = false;
  EXPECT_EQ(Hits(h, slash), (std::vector<std::string>{"Software\\Explorer:MRU REG_BINARY at +0x02, cp932: "
                                                      "\"C:\\\\WINDOWS\\\\NOTEPAD.EXE\"",
                                                      "Software\\表:Path"}));
}

}  // namespace
}  // namespace quarvex::testing
