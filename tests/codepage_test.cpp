// Every Windows ANSI code page: names, iconv names, lead bytes at their edges, and the
// round trip of every byte (or byte pair) the page defines.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "text/codepage.h"
#include "text/terminal_text.h"
#include "text/text_encoding.h"

namespace {

using namespace quarvex::text;

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(CodePageTest, NamesNumbersAndIconvNames) {
  struct Row {
    const char* name;
    unsigned number;
    const char* charset;
  };
  const Row rows[] = {{"874", 874, "CP874"},    {"932", 932, "CP932"},    {"936", 936, "CP936"},
                      {"949", 949, "CP949"},    {"950", 950, "CP950"},    {"1250", 1250, "CP1250"},
                      {"1251", 1251, "CP1251"}, {"1252", 1252, "CP1252"}, {"1253", 1253, "CP1253"},
                      {"1254", 1254, "CP1254"}, {"1255", 1255, "CP1255"}, {"1256", 1256, "CP1256"},
                      {"1257", 1257, "CP1257"}, {"1258", 1258, "CP1258"}, {"none", 28591, "ISO-8859-1"}};
  ASSERT_EQ(AllCodePages().size(), std::size(rows));
  for (const Row& r : rows) {
    const auto cp = ParseCodePage(r.name);
    ASSERT_TRUE(cp) << r.name;
    EXPECT_EQ(CodePageName(*cp), r.name);
    EXPECT_EQ(CodePageNumber(*cp), r.number);
    EXPECT_STREQ(CodePageCharset(*cp), r.charset);
  }
  for (const char* bad : {"", "auto", "437", "1259", "65001", "932 "}) EXPECT_FALSE(ParseCodePage(bad)) << bad;
}

TEST(CodePageTest, LeadBytesAtTheirEdges) {
  struct Row {
    CodePage cp;
    int byte;
    bool lead;
  };
  const Row rows[] = {
      {CodePage::Cp932, 0x80, false}, {CodePage::Cp932, 0x81, true},  {CodePage::Cp932, 0x9F, true},
      {CodePage::Cp932, 0xA0, false}, {CodePage::Cp932, 0xA1, false}, {CodePage::Cp932, 0xDF, false},
      {CodePage::Cp932, 0xE0, true},  {CodePage::Cp932, 0xFC, true},  {CodePage::Cp932, 0xFD, false},
      {CodePage::Cp932, 0xFF, false}, {CodePage::Cp936, 0x80, false}, {CodePage::Cp936, 0x81, true},
      {CodePage::Cp936, 0xFE, true},  {CodePage::Cp936, 0xFF, false}, {CodePage::Cp949, 0x80, false},
      {CodePage::Cp949, 0x81, true},  {CodePage::Cp949, 0xFE, true},  {CodePage::Cp949, 0xFF, false},
      {CodePage::Cp950, 0x80, false}, {CodePage::Cp950, 0x81, true},  {CodePage::Cp950, 0xFE, true},
      {CodePage::Cp950, 0xFF, false},
  };
  for (const Row& r : rows)
    EXPECT_EQ(LeadByteSet::For(r.cp).Contains(static_cast<std::uint8_t>(r.byte)), r.lead)
        << CodePageName(r.cp) << " byte " << r.byte;
  for (CodePage cp : AllCodePages()) {
    EXPECT_EQ(IsDoubleByte(cp), !LeadByteSet::For(cp).Empty()) << CodePageName(cp);
    EXPECT_FALSE(LeadByteSet::For(cp).Contains(0x7F));
    EXPECT_FALSE(LeadByteSet::For(cp).Contains(0x00));
  }
}

// Single-byte pages: every byte the page defines comes back as itself. Windows leaves a few
// positions of each page unassigned (1252: 0x81, 0x8D, 0x8F, 0x90, 0x9D; 1253: 17 of them,
// 1255: 23 ...); glibc leaves the same ones, they read as U+FFFD, and counting them shows
// that the page really is the one named.
TEST(CodePageTest, SingleBytePagesRoundTripEveryDefinedByte) {
  struct Row {
    CodePage cp;
    int undefined;           // bytes 0x80-0xFF glibc leaves undefined
    std::string sample;      // one byte ...
    std::string sampleUtf8;  // ... and its character
  };
  const Row rows[] = {
      {CodePage::Cp874, 0, "", ""},        {CodePage::Cp1250, 5, "\x8A", "Š"},     {CodePage::Cp1251, 1, "\xC0", "А"},
      {CodePage::Cp1252, 5, "\xE9", "é"},  {CodePage::Cp1253, 17, "\xC1", "Α"},    {CodePage::Cp1254, 7, "\xD0", "Ğ"},
      {CodePage::Cp1255, 23, "\xE0", "א"}, {CodePage::Cp1256, 0, "\xC7", "ا"},     {CodePage::Cp1257, 12, "\xE0", "ą"},
      {CodePage::Cp1258, 9, "\xD5", "Ơ"},  {CodePage::SingleByte, 0, "\xE9", "é"},
  };
  for (const Row& r : rows) {
    int undefined = 0;
    for (int b = 0x01; b <= 0xFF; ++b) {
      const std::string byte(1, static_cast<char>(b));
      const std::string utf8 = CodePageToUtf8(byte, r.cp);
      if (utf8 == kReplacement) {
        ++undefined;
        continue;
      }
      EXPECT_EQ(Utf8ToCodePage(utf8, r.cp), byte) << CodePageName(r.cp) << " byte " << b;
    }
    if (r.cp != CodePage::Cp874) {
      EXPECT_EQ(undefined, r.undefined) << CodePageName(r.cp);
    } else {
      // 874 defines 0x80, 0x85 and 0x91-0x97 of 0x80-0x9F, and leaves 0xDB-0xDE, 0xFC-0xFF
      EXPECT_EQ(undefined, 31);
      EXPECT_EQ(CodePageToUtf8("\xA1", r.cp), "ก");
    }
    if (!r.sample.empty()) {
      EXPECT_EQ(CodePageToUtf8(r.sample, r.cp), r.sampleUtf8) << CodePageName(r.cp);
    }
  }
}

// Double-byte pages: every lead byte with every trail byte. A pair that reads as one
// character must be written back as the same pair, except where the page maps two pairs to
// one character (932's NEC and IBM duplicates, 0xED40 and 0xFA5C both "纊"): then the pair
// written back must read as the same character.
TEST(CodePageTest, DoubleBytePagesRoundTripEveryDefinedPair) {
  struct Row {
    CodePage cp;
    std::string sample;
    std::string sampleUtf8;
    int minimumPairs;  // at least this many pairs are defined
  };
  const Row rows[] = {
      {CodePage::Cp932, "\x82\xA0", "あ", 7000},
      {CodePage::Cp936, "\xC4\xE3", "你", 21000},
      {CodePage::Cp949, "\xC7\xD1", "한", 17000},
      {CodePage::Cp950, "\xA4\xA4", "中", 13000},
  };
  for (const Row& r : rows) {
    const LeadByteSet lead = LeadByteSet::For(r.cp);
    int defined = 0, exact = 0;
    for (int l = 0x81; l <= 0xFE; ++l) {
      if (!lead.Contains(static_cast<std::uint8_t>(l))) continue;
      for (int t = 0x40; t <= 0xFE; ++t) {
        const std::string pair{static_cast<char>(l), static_cast<char>(t)};
        const std::string utf8 = CodePageToUtf8(pair, r.cp);
        if (utf8.find(kReplacement) != std::string::npos || utf8.size() < 2) continue;
        ++defined;
        const std::string back = Utf8ToCodePage(utf8, r.cp);
        if (back == pair) {
          ++exact;
        } else {
          EXPECT_EQ(CodePageToUtf8(back, r.cp), utf8) << CodePageName(r.cp) << " pair " << l << "," << t;
        }
      }
    }
    EXPECT_GE(defined, r.minimumPairs) << CodePageName(r.cp);
    EXPECT_GE(exact, defined - 400) << CodePageName(r.cp);  // duplicates are few
    EXPECT_EQ(CodePageToUtf8(r.sample, r.cp), r.sampleUtf8) << CodePageName(r.cp);
    EXPECT_EQ(Utf8ToCodePage(r.sampleUtf8, r.cp), r.sample) << CodePageName(r.cp);
  }
}

TEST(CodePageTest, NoneReadsBytesAsLatin1) {
  EXPECT_EQ(CodePageToUtf8("\x80\xFF", CodePage::SingleByte), "\xC2\x80\xC3\xBF");
  EXPECT_EQ(Utf8ToCodePage("€", CodePage::SingleByte), "?");
}

}  // namespace

namespace {

// glibc's 949 decoder consumes both bytes of some invalid pairs before it reports them; the
// conversion once stepped past the end of its input there and crashed.
TEST(CodePageTest, InvalidPairsOf949ConvertWithoutReadingPastTheEnd) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_TRUE(CodePageToUtf8("\xA2\xE8", CodePage::Cp949).starts_with(replacement));
  EXPECT_EQ(CodePageToUtf8("\xA2\xE8"
                           "A",
                           CodePage::Cp949)
                .substr(0, 3),
            replacement);
  EXPECT_EQ(CodePageToUtf8("\xA2\xE8"
                           "A",
                           CodePage::Cp949)
                .back(),
            'A');
  // An undefined pair of 932: the lead byte is replaced, the byte after it read again.
  EXPECT_EQ(CodePageToUtf8("\x85\x40", CodePage::Cp932), replacement + "@");
}

}  // namespace

namespace quarvex::testing {
namespace {

// The subcommands' UTF-8 lines for a terminal in another encoding: what it has, converted;
// what it lacks, as \xNN of the UTF-8 bytes, never dropped.
// Converters are opened once per thread and reused: what one conversion leaves behind (a
// letter 1258 holds back for a combining mark, a cut double-byte character, an error in
// mid-text) must not reach the next. Each text, converted right after all the others in one
// thread, gives what it gives converted alone in a fresh thread.
TEST(CodePageTest, ConversionsInARowAsEachAlone) {
  const std::vector<std::string> texts = {
      "plain",     "a\xD2",        "\xC3",         "\x82", "\x82\xA0\xB1",
      "\xA2\xE8z", "\xFF\xFE\x80", "\xE0\xEC\xF2", "\x81", "x\x9F\xE0",
  };
  auto convertAll = [&texts](CodePage cp) {
    std::vector<std::string> out;
    for (const std::string& text : texts) {
      out.push_back(CodePageToUtf8(text, cp));
      out.push_back(TerminalString(text, cp, "UTF-8"));
      out.push_back(TerminalString(text, cp, "ISO-8859-1"));
      out.push_back(Utf8ToCodePage(out[out.size() - 3], cp));
    }
    return out;
  };
  for (CodePage cp : AllCodePages()) {
    const std::vector<std::string> inARow = convertAll(cp);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      std::vector<std::string> alone;
      std::thread fresh([&] {
        alone.push_back(CodePageToUtf8(texts[i], cp));
        alone.push_back(TerminalString(texts[i], cp, "UTF-8"));
        alone.push_back(TerminalString(texts[i], cp, "ISO-8859-1"));
        alone.push_back(Utf8ToCodePage(alone[0], cp));
      });
      fresh.join();
      for (std::size_t k = 0; k < alone.size(); ++k)
        EXPECT_EQ(inARow[i * 4 + k], alone[k]) << CodePageName(cp) << ", text " << i << ", conversion " << k;
    }
  }
}

TEST(TerminalText, Utf8LinesForOtherTerminals) {
  struct Case {
    const char* charset;
    std::string utf8;
    std::string expected;
  };
  const Case cases[] = {
      {"UTF-8", "Caf\xC3\xA9 \xE6\x97\xA5", "Caf\xC3\xA9 \xE6\x97\xA5"},
      {"ISO-8859-1", "Caf\xC3\xA9", "Caf\xE9"},
      {"ISO-8859-1", "\xE6\x97\xA5", "\\xE6\\x97\\xA5"},
      {"EUC-JP", "\xE6\x97\xA5\xE6\x9C\xAC", "\xC6\xFC\xCB\xDC"},
      {"ISO-8859-1", "cut \xC3", "cut \\xC3"},
  };
  for (const Case& c : cases) EXPECT_EQ(text::Utf8ForTerminal(c.utf8, c.charset), c.expected) << c.charset;
}

}  // namespace
}  // namespace quarvex::testing
