// JSON carries data, not display: every value of every JSON output has its raw bytes and, for
// text types, its decoded text as a plain string ("text"; "strings" for REG_MULTI_SZ; facts
// say "dataText" and "dataStrings", its "text" being the fact as shown), while "data" keeps the
// display text it always had.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "browse/value_data.h"
#include "tests/support/test_support.h"

namespace quarvex::testing {
namespace {

using nlohmann::json;

hive::Bytes AsBytes(const std::string& s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

TEST(ValueData, DecodedTextsAndLists) {
  struct Case {
    const char* name;
    std::uint16_t type;
    std::string bytes;
    CodePage codePage;
    std::string json;  // what DecodedDataJson appends
  };
  const std::vector<Case> cases = {
      {"a path: backslashes are the JSON's, not the text's", 1, std::string("C:\\WINDOWS\\INF\0", 15), CodePage::Cp1252,
       ", \"text\": \"C:\\\\WINDOWS\\\\INF\""},
      {"up to the first zero", 2, std::string("%windir%\0junk", 13), CodePage::Cp1252, ", \"text\": \"%windir%\""},
      {"no zero at all", 1, "plain", CodePage::Cp1252, ", \"text\": \"plain\""},
      {"empty", 1, "", CodePage::Cp1252, ", \"text\": \"\""},
      {"quotes and control characters as JSON escapes them", 1, std::string("a\"b\tc\x01", 6), CodePage::Cp1252,
       ", \"text\": \"a\\\"b\\tc\\u0001\""},
      {"the hive's code page: cp932", 1, "\x83\x5C\x83\x74\x83\x67", CodePage::Cp932,
       ", \"text\": \"\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88\""},
      {"the hive's code page: cp1252", 1, "caf\xE9", CodePage::Cp1252, ", \"text\": \"caf\xC3\xA9\""},
      {"a list", 7, std::string("a\0b\\c\0\0", 7), CodePage::Cp1252, ", \"strings\": [\"a\", \"b\\\\c\"]"},
      {"a list ends at its empty string", 7, std::string("a\0\0b\0", 5), CodePage::Cp1252, ", \"strings\": [\"a\"]"},
      {"an empty list", 7, std::string("\0", 1), CodePage::Cp1252, ", \"strings\": []"},
      {"a list without its last zero", 7, std::string("x\0y", 3), CodePage::Cp1252, ", \"strings\": [\"x\", \"y\"]"},
      {"a DWORD has none", 4, std::string("\x2A\0\0\0", 4), CodePage::Cp1252, ""},
      {"binary has none", 3, "text-like", CodePage::Cp1252, ""},
      {"an unknown type has none", 0x20, "text-like", CodePage::Cp1252, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(browse::DecodedDataJson(c.type, AsBytes(c.bytes), c.codePage), c.json) << c.name;
    if (!c.json.empty()) {
      EXPECT_TRUE(json::accept("{\"x\": 0" + c.json + "}")) << c.name;
    }
  }
  EXPECT_EQ(browse::DecodedDataJson(7, AsBytes(std::string("a\0", 2)), CodePage::Cp1252, "dataText", "dataStrings"),
            ", \"dataStrings\": [\"a\"]");
}

// One hive, every output that shows values: the decoded text is there for each text value, and
// "data" and "hex" are as before.
BuiltHive TextValues() {
  HiveBuilder b;
  b.SetCodePage(CodePage::Cp1252);
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int cv = b.AddKey(b.AddKey(b.AddKey(b.AddKey(root, "Software"), "Microsoft"), "Windows"), "CurrentVersion",
                          {Text("DevicePath", "C:\\WINDOWS\\INF"), Value{2, "Expand", std::string("%windir%\\x\0", 11)},
                           Value{7, "List", std::string("one\0two\0\0", 9)}, Dword("Count", 42)});
  b.AddKey(cv, "Run", {Text("TaskMonitor", "C:\\WINDOWS\\taskmon.exe")});
  b.AddKey(root, "Gone", {Text("Left", "C:\\Old\\Path")});
  return b.Build();
}

void ExpectDecoded(const json& value, const std::string& where) {
  SCOPED_TRACE(where + ": " + value.dump());
  const std::string name = value["name"];
  if (name == "DevicePath") {
    EXPECT_EQ(value["text"], "C:\\WINDOWS\\INF");
    EXPECT_EQ(value["data"], "\"C:\\\\WINDOWS\\\\INF\"") << "the display text stays";
    EXPECT_EQ(value["hex"], "43 3A 5C 57 49 4E 44 4F 57 53 5C 49 4E 46 00");
  } else if (name == "Expand") {
    EXPECT_EQ(value["text"], "%windir%\\x");
  } else if (name == "List") {
    EXPECT_EQ(value["strings"], json::array({"one", "two"}));
    EXPECT_FALSE(value.contains("text"));
  } else if (name == "Count") {
    EXPECT_FALSE(value.contains("text"));
    EXPECT_FALSE(value.contains("strings"));
  }
}

std::vector<json> JsonLines(const std::string& text) {
  std::vector<json> out;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
    if (end > begin) out.push_back(json::parse(text.substr(begin, end - begin)));
  return out;
}

TEST(ValueData, EveryJsonOutputCarriesTheDecodedText) {
  TempDir dir;
  const BuiltHive built = TextValues();
  const std::string file = dir.Write("USER.DAT", built);
  BuiltHive changed = built;
  // DevicePath's data after the record's header, the key's name, the entry and the value's name:
  // its "W" becomes "X".
  changed.bytes[static_cast<std::size_t>(changed.keyRecord[4] + 20 + 14 + 12 + 10 + 3)] = 'X';
  const std::string later = dir.Write("LATER.DAT", changed);
  BuiltHive deleted = built;
  DeleteKey(deleted, 6);
  const std::string gone = dir.Write("GONE.DAT", deleted);
  const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion";

  std::size_t seen = 0;
  for (const json& k : JsonLines(Cli({"ls", "-R", "-v", "--json", file}).out))
    for (const json& v : k["values"]) {
      ExpectDecoded(v, "ls -v --json");
      ++seen;
    }
  EXPECT_EQ(seen, 6u);
  const json got = json::parse(Cli({"get", "--json", file, key}).out);  // kept: the loop reads inside it
  for (const json& v : got["values"]) ExpectDecoded(v, "get --json KEY");
  ExpectDecoded(json::parse(Cli({"get", "--json", file, key, "DevicePath"}).out)["value"], "get --json KEY VALUE");
  for (const json& hit : JsonLines(Cli({"find", "--json", file, "windows"}).out))
    if (hit.contains("value")) ExpectDecoded(hit["value"], "find --json");
  const std::vector<json> diffs = JsonLines(Cli({"diff", "--json", file, later}).out);
  ASSERT_FALSE(diffs.empty());
  for (const json& d : diffs) {
    ASSERT_TRUE(d.contains("old") && d.contains("new")) << d.dump();
    EXPECT_EQ(d["old"]["text"], "C:\\WINDOWS\\INF");
    EXPECT_NE(d["new"]["text"], d["old"]["text"]);
  }
  const json recovered = json::parse(Cli({"recover", "--json", "-", gone}).out);
  bool left = false;
  for (const json& k : recovered["keys"])
    for (const json& v : k["values"])
      if (v["name"] == "Left") {
        left = true;
        EXPECT_EQ(v["text"], "C:\\Old\\Path") << v.dump();
        EXPECT_EQ(v["data"], "433a5c4f6c645c5061746800") << "the bytes in hex, as before";
      }
  EXPECT_TRUE(left) << recovered.dump();
  const json facts = json::parse(Cli({"facts", "--json", "-", file}).out);
  bool task = false;
  for (const json& f : facts["facts"])
    if (f["value"] == "TaskMonitor") {
      task = true;
      EXPECT_EQ(f["dataText"], "C:\\WINDOWS\\taskmon.exe") << f.dump();
      EXPECT_EQ(f["text"], "C:\\WINDOWS\\taskmon.exe") << "the fact as shown";
    }
  EXPECT_TRUE(task) << facts.dump();
}

}  // namespace
}  // namespace quarvex::testing
