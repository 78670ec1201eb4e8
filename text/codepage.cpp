#include "text/codepage.h"

#include <array>

namespace quarvex::text {

namespace {

struct PageEntry {
  CodePage cp;
  std::string_view name;
  unsigned number;
  const char* charset;  // glibc's iconv name; Windows converts by number
};

// glibc knows every Windows ANSI page by its "CPnnnn" name (WINDOWS-nnnn is an alias for
// most); "none" reads each byte as the character of that number (Latin-1).
constexpr std::array<PageEntry, 15> kPages{{
    {CodePage::Cp874, "874", 874, "CP874"},
    {CodePage::Cp932, "932", 932, "CP932"},
    {CodePage::Cp936, "936", 936, "CP936"},
    {CodePage::Cp949, "949", 949, "CP949"},
    {CodePage::Cp950, "950", 950, "CP950"},
    {CodePage::Cp1250, "1250", 1250, "CP1250"},
    {CodePage::Cp1251, "1251", 1251, "CP1251"},
    {CodePage::Cp1252, "1252", 1252, "CP1252"},
    {CodePage::Cp1253, "1253", 1253, "CP1253"},
    {CodePage::Cp1254, "1254", 1254, "CP1254"},
    {CodePage::Cp1255, "1255", 1255, "CP1255"},
    {CodePage::Cp1256, "1256", 1256, "CP1256"},
    {CodePage::Cp1257, "1257", 1257, "CP1257"},
    {CodePage::Cp1258, "1258", 1258, "CP1258"},
    {CodePage::SingleByte, "none", 28591, "ISO-8859-1"},
}};

constexpr std::array<CodePage, 15> kAll{CodePage::Cp874,  CodePage::Cp932,  CodePage::Cp936,     CodePage::Cp949,
                                        CodePage::Cp950,  CodePage::Cp1250, CodePage::Cp1251,    CodePage::Cp1252,
                                        CodePage::Cp1253, CodePage::Cp1254, CodePage::Cp1255,    CodePage::Cp1256,
                                        CodePage::Cp1257, CodePage::Cp1258, CodePage::SingleByte};

const PageEntry& Entry(CodePage cp) {
  for (const PageEntry& e : kPages)
    if (e.cp == cp) return e;
  return kPages[1];
}

}  // namespace

std::span<const CodePage> AllCodePages() { return kAll; }

std::optional<CodePage> ParseCodePage(std::string_view text) {
  for (const PageEntry& e : kPages)
    if (e.name == text) return e.cp;
  return std::nullopt;
}

std::string_view CodePageName(CodePage cp) { return Entry(cp).name; }
unsigned CodePageNumber(CodePage cp) { return Entry(cp).number; }
const char* CodePageCharset(CodePage cp) { return Entry(cp).charset; }

bool IsDoubleByte(CodePage cp) {
  return cp == CodePage::Cp932 || cp == CodePage::Cp936 || cp == CodePage::Cp949 || cp == CodePage::Cp950;
}

LeadByteSet LeadByteSet::For(CodePage cp) {
  LeadByteSet set;
  auto range = [&set](int from, int to) {
    for (int b = from; b <= to; ++b) set.bits_.set(static_cast<std::size_t>(b));
  };
  switch (cp) {
    case CodePage::Cp932:  // Shift-JIS; 0xA1-0xDF are half-width katakana, single bytes
      range(0x81, 0x9F);
      range(0xE0, 0xFC);
      break;
    case CodePage::Cp936:  // GBK
    case CodePage::Cp949:  // Unified Hangul
    case CodePage::Cp950:  // Big5
      range(0x81, 0xFE);
      break;
    default:  // single-byte pages
      break;
  }
  return set;
}

}  // namespace quarvex::text
