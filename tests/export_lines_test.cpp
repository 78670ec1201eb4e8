// The REGEDIT4 value lines: which form a value takes, escaping, and the editor's hex wrapping.
#include <gtest/gtest.h>

#include <algorithm>

#include "export/regedit4_lines.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

Bytes B(const std::string& s) { return Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); }

std::vector<std::string> Lines(const std::string& name, std::uint32_t type, const std::string& data,
                               CodePage cp = CodePage::Cp932) {
  ReportLines out;
  AppendValueLines(out, B(name), type, B(data), LeadByteSet::For(cp));
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < out.Count(); ++i) lines.emplace_back(out[i]);
  return lines;
}

TEST(ExportValueForm, ChosenByTypeAndBytes) {
  struct Row {
    std::uint32_t type;
    std::string data;
    ValueForm form;
  };
  const Row rows[] = {
      {1, std::string("text\0", 5), ValueForm::Text},  // with its terminator
      {1, "text", ValueForm::Text},                    // as Windows 9x stores it
      {1, "", ValueForm::Text},                        // empty
      {1, std::string("\0", 1), ValueForm::Text},      // the terminator alone
      {1, std::string("a\0b", 3), ValueForm::Hex},     // a zero inside
      {1, std::string("a\0\0", 3), ValueForm::Hex},    // two terminators
      {1, "a\rb", ValueForm::Hex},                     // a line break
      {1, "a\nb", ValueForm::Hex},
      {4, std::string("\1\0\0\0", 4), ValueForm::Dword},
      {4, std::string("\1\0", 2), ValueForm::Hex},        // too short for a number
      {4, std::string("\1\0\0\0\0", 5), ValueForm::Hex},  // too long
      {3, "text", ValueForm::Hex},
      {2, "text", ValueForm::Hex},
      {0x10001, "text", ValueForm::Hex},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ChooseValueForm(row.type, B(row.data)), row.form)
        << row.type << " " << ::testing::PrintToString(row.data);
}

TEST(ExportEscaping, BackslashAndQuoteButNotTrailBytes) {
  struct Row {
    std::string bytes;
    CodePage cp;
    std::string escaped;
  };
  const Row rows[] = {
      {"C:\\WINDOWS", CodePage::Cp932, "C:\\\\WINDOWS"},
      {"say \"hi\"", CodePage::Cp932, "say \\\"hi\\\""},
      {"\x83\x5C", CodePage::Cp932, "\x83\x5C"},          // katakana SO: 0x5C is its second byte
      {"\x83\x5C", CodePage::SingleByte, "\x83\\\\"},     // no lead bytes: a backslash
      {"\x83\"", CodePage::Cp932, "\x83\\\""},            // a quote is never a trail byte
      {"\x83", CodePage::Cp932, "\x83"},                  // a lead byte at the very end
      {"\xB1\\", CodePage::Cp932, "\xB1\\\\"},            // half-width katakana is one byte
      {"\x95\x5C\x5C", CodePage::Cp932, "\x95\x5C\\\\"},  // a character, then a backslash
  };
  for (const Row& row : rows) {
    std::string line;
    AppendEscaped(line, B(row.bytes), LeadByteSet::For(row.cp));
    EXPECT_EQ(line, row.escaped) << ::testing::PrintToString(row.bytes);
  }
}

TEST(ExportValueLines, TextDwordAndUnnamed) {
  EXPECT_EQ(Lines("", 1, std::string("default\0", 8)), (std::vector<std::string>{"@=\"default\""}));
  EXPECT_EQ(Lines("Path", 1, "C:\\A"), (std::vector<std::string>{"\"Path\"=\"C:\\\\A\""}));
  EXPECT_EQ(Lines("N", 4, std::string("\xEF\xBE\xAD\xDE", 4)), (std::vector<std::string>{"\"N\"=dword:deadbeef"}));
  EXPECT_EQ(Lines("Short", 4, "\x01\x02"), (std::vector<std::string>{"\"Short\"=hex(4):01,02"}));
  EXPECT_EQ(Lines("Bin", 3, ""), (std::vector<std::string>{"\"Bin\"=hex:"}));
  EXPECT_EQ(Lines("Odd", 0x1234, "\xAB"), (std::vector<std::string>{"\"Odd\"=hex(1234):ab"}));
  EXPECT_EQ(Lines("Z", 1, std::string("a\0b", 3)), (std::vector<std::string>{"\"Z\"=hex(1):61,00,62"}));
}

// A public example of the editor's output: an expandable string of 42 bytes after
// "TEMP"=hex(2): breaks after 21 bytes, with the rest on a line of its own.
TEST(ExportValueLines, HexWrapsAsTheEditorDoes) {
  const std::string temp("%\0S\0Y\0S\0T\0E\0M\0D\0R\0I\0V\0E\0%\0\\\0S\0H\0T\0e\0m\0p\0\0\0", 42);
  EXPECT_EQ(
      Lines("TEMP", 2, temp),
      (std::vector<std::string>{"\"TEMP\"=hex(2):25,00,53,00,59,00,53,00,54,00,45,00,4d,00,44,00,52,00,49,00,56,\\",
                                "  00,45,00,25,00,5c,00,53,00,48,00,54,00,65,00,6d,00,70,00,00,00"}));
}

TEST(ExportValueLines, BytesPerLineFollowTheNameLength) {
  struct Row {
    std::size_t nameLength;
    std::size_t bytes;
    std::vector<std::size_t> perLine;
  };
  // "name"=hex: takes nameLength + 7 columns; a line ends once it has passed column 75.
  const Row rows[] = {
      {1, 100, {23, 25, 25, 25, 2}},
      {4, 22, {22}},
      {4, 23, {22, 1}},
      {60, 10, {4, 6}},
      {69, 4, {1, 3}},  // the name alone passes the column: one byte, then the rest
      {200, 2, {1, 1}},
      {5, 0, {0}},
  };
  for (const Row& row : rows) {
    const auto lines = Lines(std::string(row.nameLength, 'n'), 3, std::string(row.bytes, '\x11'));
    std::vector<std::size_t> counts;
    for (const std::string& line : lines) {
      // Only the data bytes (0x11) write the digit 1.
      counts.push_back(static_cast<std::size_t>(std::count(line.begin(), line.end(), '1')) / 2);
      EXPECT_LE(line.size(), std::max<std::size_t>(80, row.nameLength + 13)) << line;
    }
    EXPECT_EQ(counts, row.perLine) << "name length " << row.nameLength;
  }
}

}  // namespace
}  // namespace quarvex::testing
