// The value lines of the in-use data-record listing: how each value type is shown, the cuts
// at 71 bytes of text, 24 bytes of raw data and 80 characters of line, and that the next
// value is always found the whole data length further on.
#include <gtest/gtest.h>

#include "tests/structure_fixtures.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

// The two lines of each value of the only record of a one-key hive, values listed.
std::vector<std::string> ValueLines(const std::vector<Value>& values) {
  HiveBuilder b;
  b.AddKey(HiveBuilder::kRootParent, "K", values);
  auto run = RunJob(b.Build(), ReportOptions({Option::RecordsInUse, Option::RecordsInUseData}));
  EXPECT_EQ(run->Code(), code::kOk);
  const auto lines = run->Lines();
  auto hex = std::find(lines.begin(), lines.end(), " Hex: 4B");
  if (hex == lines.end()) return {};
  return std::vector<std::string>(hex + 1, hex + 1 + static_cast<std::ptrdiff_t>(2 * values.size()));
}

std::string Cut(const std::string& line) { return line.substr(0, 76) + "..."; }

std::string HexRun(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += "AB ";
  return s;
}

struct ValueCase {
  const char* name;
  Value value;
  std::string line;
};

TEST(StructureValues, EachTypeAndEveryCut) {
  const std::vector<ValueCase> cases = {
      {"NamedText", Text("Name", "hello"), "      Name = \"hello\""},
      {"UnnamedText", Text("", "x"), "      @ = \"x\""},
      {"TextEndsAtFirstZero", Value{1, "T", std::string("ab\0cd\0", 6)}, "      T = \"ab\""},
      {"TextWithoutTerminator", Value{1, "T", "abc"}, "      T = \"abc\""},
      {"EmptyText", Value{1, "T", ""}, "      T = \"\""},
      {"TextOf100BytesShows71", Text("T", std::string(100, 'a')), Cut("      T = \"" + std::string(71, 'a') + "\"")},
      {"LineOf79Stays", Text("N", std::string(67, 'a')), "      N = \"" + std::string(67, 'a') + "\""},
      {"LineOf80IsCut", Text("N", std::string(68, 'a')), Cut("      N = \"" + std::string(68, 'a') + "\"")},
      {"Dword", Dword("D", 0xABCD), "      D = DWORD:0000ABCD"},
      {"DwordReadsFourBytesWhateverVl", Value{4, "D", "\x01\x02\x03\x04\x05\x06"}, "      D = DWORD:04030201"},
      // With VL 0 the four bytes are the next entry's: its type (4) and Un1 (0).
      {"DwordWithVlZero", Value{4, "D", ""}, "      D = DWORD:00000004"},
      {"Raw", Binary("B", "\x01\xAB\xFF"), "      B = 01 AB FF "},
      {"RawEmpty", Binary("B", ""), "      B = "},
      {"RawUnnamedTypeZero", Binary("", "", 0), "      @ = "},
      {"ExpandStringIsRaw", Binary("E", "ab", 2), "      E = 61 62 "},
      {"RawOf30BytesShows24", Binary("B", std::string(30, '\xAB')), Cut("      B = " + HexRun(24))},
      {"RawLineOf79Stays", Binary(std::string(16, 'n'), std::string(18, '\xAB')),
       "      " + std::string(16, 'n') + " = " + HexRun(18)},
      {"NameEndsAtFirstZero", Dword(std::string("ab\0c", 4), 1), "      ab = DWORD:00000001"},
      {"NameLongerThan768", Dword(std::string(900, 'N'), 1), Cut("      " + std::string(900, 'N'))},
      {"DoubleByteNameAsStored", Dword("\x83\x65", 2), "      \x83\x65 = DWORD:00000002"},
  };
  for (const ValueCase& c : cases) {
    const auto lines = ValueLines({c.value, Dword("Next", 0xCAFEBABE)});
    ASSERT_EQ(lines.size(), 4u) << c.name;
    EXPECT_EQ(lines[1], c.line) << c.name;
    EXPECT_EQ(lines[3], "      Next = DWORD:CAFEBABE") << c.name;
  }
}

TEST(StructureValues, EntryLineShowsEveryField) {
  Value v = Text("Name", "hello");
  v.un1 = 0x12;
  v.un2 = 0xDEADBEEF;
  const auto lines = ValueLines({v});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "     Atr:0001 Un1:0012 Un2:DEADBEEF NL:0004 VL:0006");
}

TEST(StructureValues, NotListedWithoutExpandData) {
  HiveBuilder b;
  b.AddKey(HiveBuilder::kRootParent, "K", {Text("Name", "hello")});
  auto run = RunJob(b.Build(), ReportOptions({Option::RecordsInUse}));
  const auto lines = run->Lines();
  const auto hex = std::find(lines.begin(), lines.end(), " Hex: 4B");
  ASSERT_NE(hex, lines.end());
  EXPECT_EQ(*(hex + 1), "  Total: 1 Record(s)");
}

}  // namespace
}  // namespace quarvex::testing
