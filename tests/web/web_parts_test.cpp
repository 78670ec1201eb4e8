// The parts the web page's engine has of its own, checked natively against what the command
// line uses: the code page tables against glibc's iconv (every byte, pair, composed run and
// character, and damaged text), and the page's host. (The page's digests are nettle's, from
// Debian's source; the browser test holds them to quarvex-cli's, which are OpenSSL's.)
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "host/host_probe.h"
#include "host/page_host.h"
#include "session/file_digest.h"
#include "text/codepage.h"
#include "text/codepage_tables.h"
#include "text/table_encoding.h"
#include "text/text_encoding.h"

namespace quarvex::testing {
namespace {

using text::CodePage;

std::string Hex(std::string_view bytes) {
  std::string hex;
  for (unsigned char c : bytes) hex += "0123456789ABCDEF"[c >> 4], hex += "0123456789ABCDEF"[c & 15], hex += ' ';
  return hex;
}

// Every byte and double-byte pair of every page reads as glibc reads it; every character of
// the Basic Multilingual Plane is written as glibc writes it.
TEST(CodePageTables, EveryPageHasTables) {
  for (CodePage cp : text::AllCodePages()) EXPECT_NE(text::TablesFor(cp), nullptr) << text::CodePageName(cp);
}

TEST(CodePageTables, EveryByteAndPairReadsAsGlibcReadsIt) {
  for (CodePage cp : text::AllCodePages()) {
    const text::LeadByteSet lead = text::LeadByteSet::For(cp);
    int differences = 0;
    for (int b = 0x80; b < 0x100 && differences < 5; ++b) {
      std::vector<std::string> inputs{std::string(1, static_cast<char>(b))};
      if (lead.Contains(static_cast<std::uint8_t>(b)))
        for (int t = 0; t < 0x100; ++t) inputs.push_back({static_cast<char>(b), static_cast<char>(t)});
      for (const std::string& in : inputs) {
        const std::string glibc = text::CodePageToUtf8(in, cp), table = text::TableCodePageToUtf8(in, cp);
        if (glibc != table && ++differences <= 5)
          ADD_FAILURE() << text::CodePageName(cp) << ": " << Hex(in) << "reads as " << Hex(table) << "not "
                        << Hex(glibc);
      }
    }
  }
}

// 1255 and 1258 write a letter and its combining marks as one character where Unicode has one.
TEST(CodePageTables, ComposedRunsReadAsGlibcReadsThem) {
  for (CodePage cp : {CodePage::Cp1255, CodePage::Cp1258}) {
    int differences = 0;
    for (int base = 0x20; base < 0x100; ++base)
      for (int mark = 0x80; mark < 0x100; ++mark)
        for (const char* tail : {"", "\xD1", "\xCC", "x"}) {
          const std::string in = std::string{static_cast<char>(base), static_cast<char>(mark)} + tail;
          const std::string glibc = text::CodePageToUtf8(in, cp), table = text::TableCodePageToUtf8(in, cp);
          if (glibc != table && ++differences <= 5)
            ADD_FAILURE() << text::CodePageName(cp) << ": " << Hex(in) << "reads as " << Hex(table) << "not "
                          << Hex(glibc);
        }
    EXPECT_GT(text::TablesFor(cp)->composed.size(), 0u) << text::CodePageName(cp);
  }
}

TEST(CodePageTables, RandomTextReadsAsGlibcReadsIt) {
  std::mt19937 random(1998);
  for (CodePage cp : text::AllCodePages()) {
    int differences = 0;
    for (int n = 0; n < 3000; ++n) {
      std::string in(1 + random() % 16, '\0');
      for (char& c : in) c = static_cast<char>(random() % 3 == 0 ? 0x20 + random() % 0x60 : 0x80 + random() % 0x80);
      const std::string glibc = text::CodePageToUtf8(in, cp), table = text::TableCodePageToUtf8(in, cp);
      if (glibc != table && ++differences <= 5)
        ADD_FAILURE() << text::CodePageName(cp) << ": " << Hex(in) << "reads as " << Hex(table) << "not " << Hex(glibc);
    }
  }
}

std::string Utf8(std::uint32_t c) {
  std::string out;
  if (c < 0x80) return std::string(1, static_cast<char>(c));
  if (c < 0x800) return {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
  return {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
          static_cast<char>(0x80 | (c & 0x3F))};
}

TEST(CodePageTables, EveryCharacterIsWrittenAsGlibcWritesIt) {
  for (CodePage cp : text::AllCodePages()) {
    int differences = 0;
    for (std::uint32_t c = 0x80; c < 0x10000; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      const std::string in = "a" + Utf8(c) + "b";
      const std::string glibc = text::Utf8ToCodePage(in, cp), table = text::TableUtf8ToCodePage(in, cp);
      if (glibc != table && ++differences <= 5)
        ADD_FAILURE() << text::CodePageName(cp) << ": U+" << std::hex << c << " is written " << Hex(table) << "not "
                      << Hex(glibc);
    }
  }
}

// Beyond the Basic Multilingual Plane no page has a character: each is written as glibc writes
// it, a '?' for most, nothing for the tag characters (U+E0000 to U+E007F), which glibc drops.
// Every tag character and a spread of the rest.
TEST(CodePageTables, CharactersBeyondThePlaneAreWrittenAsGlibcWritesThem) {
  std::vector<std::uint32_t> characters;
  for (std::uint32_t c = 0xE0000; c <= 0xE007F; ++c) characters.push_back(c);
  for (std::uint32_t c = 0x10000; c <= 0x10FFFF; c += 251) characters.push_back(c);
  for (CodePage cp : text::AllCodePages()) {
    int differences = 0;
    for (std::uint32_t c : characters) {
      const std::string in = "a" + Utf8(c) + "b";
      const std::string glibc = text::Utf8ToCodePage(in, cp), table = text::TableUtf8ToCodePage(in, cp);
      if (glibc != table && ++differences <= 5)
        ADD_FAILURE() << text::CodePageName(cp) << ": U+" << std::hex << c << " is written " << Hex(table) << "not "
                      << Hex(glibc);
    }
  }
}

// Text that is no UTF-8 gives '?' for each bad sequence, as with glibc, in every page.
TEST(CodePageTables, DamagedUtf8IsWrittenAsGlibcWritesIt) {
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"cut sequence at the end", "ab\xE3\x81"},
      {"stray continuation bytes", "a\x80\x80z"},
      {"overlong slash", "a\xC0\xAFz"},
      {"surrogate", "a\xED\xA0\x80z"},
      {"beyond U+10FFFF", "a\xF4\x90\x80\x80z"},
      {"outside the plane", "a\xF0\x9F\x98\x80z"},
      {"lead byte without its continuation", "a\xE3z\xE3\x81\x82"},
      {"0xFF", "a\xFFz"},
      {"a character the page lacks, then a stray continuation byte", "a\xDF\x85\x99z"},
      {"a lead byte of four before one of two", "\xF7\xDF\x85\x99\xE5u"},
  };
  for (CodePage cp : text::AllCodePages())
    for (const auto& [what, in] : cases)
      EXPECT_EQ(text::TableUtf8ToCodePage(in, cp), text::Utf8ToCodePage(in, cp))
          << text::CodePageName(cp) << ": " << what;
}

// The page's host: the system the browser names, the build's version, nothing of Windows.
TEST(PageHost, ReportHeaderFacts) {
  const struct {
    host::PageSystem system;
    std::string osText;
  } cases[] = {
      {{"Windows", "10.0"}, "Windows(ver 10.0.0)"},
      {{"macOS", "10.15.7"}, "macOS(ver 10.15.7)"},
      {{"Linux", "6.1.0-18-amd64"}, "Linux(ver 6.1.0)"},
      {{"Linux", ""}, "Linux(ver 0.0.0)"},
      {{"", "x"}, "(unknown os)(ver 0.0.0)"},
  };
  for (const auto& c : cases) {
    const auto platform = host::MakePageHost(c.system, CodePage::Cp932);
    host::HostFacts facts;
    std::vector<std::string> memo;
    host::ProbeHostEnvironment(*platform, text::TextLocale::Japanese(), facts, memo);
    EXPECT_EQ(facts.OsText, c.osText);
    EXPECT_EQ(facts.ProgramVersion, QUARVEX_VERSION);
    EXPECT_EQ(facts.IeVersion, "");
    EXPECT_EQ(facts.ComputerName, "");
    EXPECT_EQ(facts.Advapi32File, "");
    EXPECT_EQ(facts.Krnl386Stamp, "");
  }
}

}  // namespace
}  // namespace quarvex::testing
