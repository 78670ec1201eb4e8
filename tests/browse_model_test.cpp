// The browse layer over hives built byte by byte: paths and lookups (double-byte names, any
// case, with or without a root name), value texts of every type, find, diff and stats, and
// damaged or cut files whose rest is still there.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browse/diff.h"
#include "browse/find.h"
#include "browse/hive_view.h"
#include "browse/stats.h"
#include "browse/value_text.h"
#include "salvage/salvage.h"
#include "tests/support/test_namespaces.h"
#include "tests/support/test_support.h"

namespace quarvex::testing {
namespace {

using browse::HiveView;
using browse::kTop;

// "ソフト" (katakana) in Shift-JIS: the second byte of 0x83 0x5C is a backslash, and of
// 0x83 0x67 a lower-case 'g', so neither splitting nor folding may touch trail bytes.
const std::string kSoftSjis = "\x83\x5C\x83\x74\x83\x67";
const std::string kSoftUtf8 = "ソフト";

struct Built {
  BuiltHive built;
  std::vector<std::uint8_t> bytes;
  salvage::SalvagedHive hive;
  std::unique_ptr<HiveView> view;
  explicit Built(BuiltHive b, text::CodePage cp = text::CodePage::Cp932) : built(std::move(b)) {
    bytes = built.bytes;
    hive = salvage::Salvage(bytes, {cp});
    view = std::make_unique<HiveView>(hive, cp);
  }
  std::int32_t Key(const std::string& path) const {
    const browse::Lookup l = view->Find(path);
    EXPECT_TRUE(l.key) << path << ": " << l.error;
    return l.key.value_or(kTop);
  }
};

// root (unnamed) > Software > Vendor (values), ソフト > Sub; Software > Empty.
BuiltHive Sample() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {Text("", "default text")});
  b.AddKey(software, "Vendor",
           {Dword("Count", 42), Text("Name", "Quarvex"), Binary("Blob", std::string("\x01\x02\xFF", 3))});
  const int soft = b.AddKey(software, kSoftSjis, {Text(kSoftSjis, kSoftSjis)});
  b.AddKey(soft, "Sub");
  b.AddKey(software, "Empty");
  b.AddKey(root, "Control Panel", {Text("Wallpaper", "C:\\WINDOWS\\clouds.bmp")});
  return b.Build();
}

TEST(BrowseView, TopLevelIsTheUnnamedRootsChildren) {
  const Built h(Sample());
  std::vector<std::string> names;
  for (std::int32_t k : h.view->Children(kTop)) names.push_back(h.view->Name(k));
  EXPECT_EQ(names, (std::vector<std::string>{"Software", "Control Panel"}));
  EXPECT_EQ(h.view->Depth(h.Key("Software\\Vendor")), 2);
  EXPECT_EQ(h.view->Path(h.Key("software\\" + kSoftUtf8 + "\\sub")), "Software\\" + kSoftUtf8 + "\\Sub");
}

TEST(BrowseView, LookupFoldsAsciiAndTakesRootNames) {
  const Built h(Sample());
  const std::int32_t vendor = h.Key("Software\\Vendor");
  for (const std::string path : {"SOFTWARE\\vendor", "HKEY_USERS\\Software\\Vendor", "hklm\\software\\VENDOR\\",
                                 "\\Software\\\\Vendor", "HKEY_LOCAL_MACHINE\\Software\\Vendor"})
    EXPECT_EQ(h.view->Find(path).key, vendor) << path;
  EXPECT_EQ(h.view->Find("").key, kTop);
  EXPECT_EQ(h.view->Find("HKEY_USERS").key, kTop);
  const browse::Lookup miss = h.view->Find("Software\\Vendr");
  EXPECT_FALSE(miss.key);
  EXPECT_EQ(miss.error, "no key 'Software\\Vendr' (under 'Software')");
}

TEST(BrowseView, FoldingLeavesTrailBytesAlone) {
  const text::LeadByteSet sjis = text::LeadByteSet::For(text::CodePage::Cp932);
  // 0x83 0x67: the trail byte is 'g' and must stay lower case; the single 'g' folds.
  EXPECT_EQ(browse::FoldName("\x83\x67g", sjis), "\x83\x67G");
  EXPECT_EQ(browse::FoldName("\x83\x67g", text::LeadByteSet{}), "\x83GG");
  EXPECT_EQ(browse::SplitKeyPath("\\a\\\\b\\"), (std::vector<std::string>{"a", "b"}));
}

TEST(BrowseView, UnnamedValueAndValueNames) {
  const Built h(Sample());
  const std::int32_t software = h.Key("Software");
  const salvage::SalvagedValue* unnamed = h.view->FindValue(software, "@");
  ASSERT_NE(unnamed, nullptr);
  EXPECT_TRUE(unnamed->name.empty());
  EXPECT_EQ(h.view->FindValue(software, ""), unnamed);
  EXPECT_EQ(browse::DataText(*unnamed, text::CodePage::Cp932), "\"default text\"");
  const std::int32_t vendor = h.Key("Software\\Vendor");
  EXPECT_EQ(h.view->FindValue(vendor, "@"), nullptr);
  ASSERT_NE(h.view->FindValue(vendor, "count"), nullptr);
  const std::int32_t soft = h.Key("Software\\" + kSoftUtf8);
  const salvage::SalvagedValue* v = h.view->FindValue(soft, kSoftUtf8);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(browse::DataText(*v, text::CodePage::Cp932), "\"" + kSoftUtf8 + "\"");
}

struct TypeCase {
  Value value;
  std::string text;
  std::string typeName;
};

TEST(BrowseValues, EveryTypeAsText) {
  const std::string four("\x2A\x00\x00\x00", 4);
  const std::vector<TypeCase> cases = {
      {Binary("none", "", 0), "(0 bytes)", "REG_NONE"},
      {Text("sz", "a\"b\\c\x01"), "\"a\\\"b\\\\c\\x01\"", "REG_SZ"},
      {Binary("expand", std::string("%WINDIR%\0", 9), 2), "\"%WINDIR%\"", "REG_EXPAND_SZ"},
      {Binary("bin", std::string("\x00\xAB", 2)), "00 AB (2 bytes)", "REG_BINARY"},
      {Dword("dword", 0xFFFFFFFF), "0xFFFFFFFF (4294967295)", "REG_DWORD"},
      {Binary("short dword", "\x01\x02", 4), "01 02 (2 bytes)", "REG_DWORD"},
      {Binary("big", std::string("\x00\x00\x01\x00", 4), 5), "0x00000100 (256)", "REG_DWORD_BIG_ENDIAN"},
      {Binary("link", "L", 6), "4C (1 byte)", "REG_LINK"},
      {Binary("multi", std::string("one\0two\0\0", 9), 7), "\"one\", \"two\"", "REG_MULTI_SZ"},
      {Binary("res", "R", 8), "52 (1 byte)", "REG_RESOURCE_LIST"},
      {Binary("full", "F", 9), "46 (1 byte)", "REG_FULL_RESOURCE_DESCRIPTOR"},
      {Binary("req", "Q", 10), "51 (1 byte)", "REG_RESOURCE_REQUIREMENTS_LIST"},
      {Binary("qword", std::string("\x01\0\0\0\0\0\0\x80", 8), 11), "0x8000000000000001 (9223372036854775809)",
       "REG_QWORD"},
      {Binary("odd", "Z", 0x20), "5A (1 byte)", "0x0020"},
  };
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  std::vector<Value> values;
  for (const TypeCase& c : cases) values.push_back(c.value);
  b.AddKey(root, "Types", values);
  const Built h(b.Build());
  const auto read = h.view->Values(h.Key("Types"));
  ASSERT_EQ(read.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(browse::DataText(read[i], text::CodePage::Cp932), cases[i].text) << cases[i].value.name;
    EXPECT_EQ(browse::TypeName(read[i].type), cases[i].typeName) << cases[i].value.name;
  }
}

TEST(BrowseValues, LongDataIsShortenedWithItsLength) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  b.AddKey(root, "K", {Text("t", std::string(300, 'x')), Binary("b", std::string(300, '\x11'))});
  const Built h(b.Build());
  const auto v = h.view->Values(h.Key("K"));
  EXPECT_EQ(browse::DataText(v[0], text::CodePage::Cp932, 10), "\"xxxxxxxxxx…\" (301 bytes)");
  EXPECT_EQ(browse::DataText(v[1], text::CodePage::Cp932, 10), "11 11 11 … (300 bytes)");
}

TEST(BrowseValues, TypeNamesParse) {
  EXPECT_EQ(browse::ParseTypeName("REG_SZ"), 1);
  EXPECT_EQ(browse::ParseTypeName("dword"), 4);
  EXPECT_EQ(browse::ParseTypeName("0x0b"), 11);
  EXPECT_EQ(browse::ParseTypeName("7"), 7);
  EXPECT_FALSE(browse::ParseTypeName("REG_NOPE"));
  EXPECT_FALSE(browse::ParseTypeName("70000"));
}

std::vector<std::string> FindLines(const Built& h, browse::FindQuery q) {
  std::string error;
  const auto m = browse::MakeMatcher(q, error);
  EXPECT_TRUE(m) << error;
  std::vector<std::string> lines;
  if (!m) return lines;
  browse::FindAll(*h.view, q, *m, [&](const browse::FindHit& hit) {
    lines.push_back(h.view->Path(hit.key) + (hit.value ? ":" + browse::ValueName(*hit.value, h.view->CodePage()) : ""));
    return true;
  });
  return lines;
}

TEST(BrowseFind, SubstringRegexCaseAndType) {
  const Built h(Sample());
  struct Case {
    browse::FindQuery query;
    std::vector<std::string> hits;
  };
  auto q = [](std::string pattern) {
    browse::FindQuery query;
    query.pattern = std::move(pattern);
    return query;
  };
  std::vector<Case> cases;
  cases.push_back({q("vendor"), {"Software\\Vendor"}});
  cases.push_back({q("quarvex"), {"Software\\Vendor:Name"}});
  {
    browse::FindQuery s = q("quarvex");
    s.caseSensitive = true;
    cases.push_back({s, {}});
  }
  {
    browse::FindQuery r = q("^(count|name)$");
    r.syntax = browse::PatternSyntax::Regex;
    cases.push_back({r, {"Software\\Vendor:Count", "Software\\Vendor:Name"}});
  }
  cases.push_back({q("(42)"), {"Software\\Vendor:Count"}});
  cases.push_back({q(kSoftUtf8), {"Software\\" + kSoftUtf8, "Software\\" + kSoftUtf8 + ":" + kSoftUtf8}});
  {
    browse::FindQuery t = q("");
    t.type = 1;
    cases.push_back({t,
                     {"Software:", "Software\\Vendor:Name", "Software\\" + kSoftUtf8 + ":" + kSoftUtf8,
                      "Control Panel:Wallpaper"}});
  }
  {
    browse::FindQuery k = q("e");
    k.values = k.data = false;
    cases.push_back({k, {"Software", "Software\\Vendor", "Software\\Empty", "Control Panel"}});
  }
  for (const Case& c : cases) EXPECT_EQ(FindLines(h, c.query), c.hits) << c.query.pattern;
  std::string error;
  browse::FindQuery bad = q("(");
  bad.syntax = browse::PatternSyntax::Regex;
  EXPECT_FALSE(browse::MakeMatcher(bad, error));
  EXPECT_NE(error.find("not a regular expression"), std::string::npos);
}

std::vector<std::string> DiffLines(const Built& a, const Built& b, browse::DiffOptions o = {}) {
  std::vector<std::string> lines;
  for (const browse::Difference& d : browse::Diff(*a.view, *b.view, o)) {
    const bool inB = d.change == browse::Change::KeyAdded || d.change == browse::Change::ValueAdded;
    std::string line = std::string(d.change == browse::Change::ValueChanged ? "~"
                                   : inB                                    ? "+"
                                                                            : "-") +
                       " " + (inB ? b.view->Path(d.keyB) : a.view->Path(d.keyA));
    if (const auto* v = d.valueA ? d.valueA : d.valueB) line += ": " + browse::ValueName(*v, text::CodePage::Cp932);
    lines.push_back(line);
  }
  return lines;
}

TEST(BrowseDiff, OneKeyAddedOneRemovedOneValueChanged) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software");
  b.AddKey(software, "Vendor", {Dword("Count", 1), Text("Same", "s")});
  b.AddKey(software, "Old", {Text("gone", "x")});
  b.AddKey(root, kSoftSjis);
  HiveBuilder c;
  const int root2 = c.AddKey(HiveBuilder::kRootParent, "");
  c.SetNoRecord(root2);
  const int software2 = c.AddKey(root2, "SOFTWARE");  // other case: the same key
  c.AddKey(software2, "Vendor", {Dword("count", 2), Text("Same", "s")});
  const int added = c.AddKey(software2, "New", {Text("here", "y")});
  c.AddKey(added, "Child");
  c.AddKey(root2, kSoftSjis);
  const Built a(b.Build()), bb(c.Build());
  EXPECT_EQ(DiffLines(a, bb),
            (std::vector<std::string>{"~ Software\\Vendor: Count", "- Software\\Old", "- Software\\Old: gone",
                                      "+ SOFTWARE\\New", "+ SOFTWARE\\New: here", "+ SOFTWARE\\New\\Child"}));
  EXPECT_EQ(DiffLines(a, bb, {true, false}),
            (std::vector<std::string>{"- Software\\Old", "+ SOFTWARE\\New", "+ SOFTWARE\\New\\Child"}));
  EXPECT_TRUE(DiffLines(a, a).empty());
}

TEST(BrowseStats, CountsTypesDepthAndRankings) {
  const Built h(Sample());
  const browse::HiveStats s = browse::ComputeStats(*h.view);
  EXPECT_EQ(s.keys, 6u);
  EXPECT_EQ(s.values, 6u);
  EXPECT_EQ(s.byType.at(1).values, 4u);
  EXPECT_EQ(s.byType.at(4).values, 1u);
  EXPECT_EQ(s.byType.at(3).values, 1u);
  EXPECT_EQ(s.depth, 3);
  EXPECT_EQ(h.view->Path(s.deepestKey), "Software\\" + kSoftUtf8 + "\\Sub");
  ASSERT_FALSE(s.mostValues.empty());
  EXPECT_EQ(h.view->Path(s.mostValues[0].key), "Software\\Vendor");
  EXPECT_EQ(s.mostValues[0].amount, 3u);
  ASSERT_FALSE(s.longestKeyNames.empty());
  EXPECT_EQ(h.view->Name(s.longestKeyNames[0].key), "Control Panel");
  EXPECT_LE(s.FreeBytes(), s.keyNodeBlockBytes + s.dataBlockBytes);
  EXPECT_EQ(s.damage, 0u);
}

TEST(BrowseScale, KeyWithThousandsOfValues) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  std::vector<Value> values;
  for (int i = 0; i < 5000; ++i) values.push_back(Dword("v" + std::to_string(i), static_cast<std::uint32_t>(i)));
  b.AddKey(root, "Many", values);
  const Built h(b.Build());
  const std::int32_t many = h.Key("Many");
  EXPECT_EQ(h.view->Values(many).size(), 5000u);
  const salvage::SalvagedValue* last = h.view->FindValue(many, "V4999");
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(browse::DataText(*last, text::CodePage::Cp932), "0x00001387 (4999)");
  EXPECT_EQ(browse::ComputeStats(*h.view).values, 5000u);
}

TEST(BrowseDamage, KeyWithoutRecordIsMarkedAndItsSiblingsStay) {
  BuiltHive built = Sample();
  // Vendor's record number points nowhere and its record's name no longer gives the node's
  // checksum (so no evidence finds it): its name and values are gone, the rest is there.
  built.PutU16(built.KeyNodeFileOffset(2) + 24, 0x0777);
  built.bytes[static_cast<std::size_t>(built.keyRecord[2]) + 20] = 'Q';
  const Built h(std::move(built));
  std::vector<std::string> names;
  for (std::int32_t k : h.view->Children(h.Key("Software"))) names.push_back(h.view->Name(k));
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0].rfind("{key node 0x", 0), 0u) << names[0];
  EXPECT_EQ(names[1], kSoftUtf8);
  const std::int32_t broken = h.view->Children(h.Key("Software"))[0];
  EXPECT_TRUE(h.view->State(broken).unreadable);
  EXPECT_TRUE(h.view->State(broken).damaged);
  EXPECT_FALSE(h.view->Findings(broken).empty());
  // The unreadable key can still be looked up by the name it is shown with.
  EXPECT_EQ(h.view->Find("Software\\" + names[0]).key, broken);
  EXPECT_TRUE(h.view->FindValue(h.Key("Control Panel"), "Wallpaper"));
}

TEST(BrowseDamage, CutFileKeepsWhatIsLeft) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  b.AddKey(root, "First", {Text("a", "1")});
  b.AddKey(root, "Second", {Binary("blob", std::string(400, 'z'))});
  BuiltHive built = b.Build();
  built.bytes.resize(static_cast<std::size_t>(built.keyRecord[2]) + 60);  // inside Second's blob
  const Built h(std::move(built));
  EXPECT_TRUE(h.view->FindValue(h.Key("First"), "a"));
  const std::int32_t second = h.Key("Second");
  EXPECT_TRUE(h.view->State(second).Marked());
  for (std::int32_t k = 0; k < static_cast<std::int32_t>(h.hive.keys.size()); ++k) (void)h.view->Path(k);
  const auto values = h.view->Values(second);
  if (!values.empty()) {
    EXPECT_TRUE(values[0].cut);
    EXPECT_LT(values[0].data.size(), 400u);
    EXPECT_EQ(browse::DeclaredLength(values[0], h.hive.image), 400u);
  }
}

}  // namespace
}  // namespace quarvex::testing
