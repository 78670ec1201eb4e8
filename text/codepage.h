// The code page the hive's names were written in. Key names are byte strings; the stored
// checksum of each name was computed by the machine that wrote the hive, classing bytes by
// that machine's double-byte (lead-byte) rules. We cannot ask this host for them: the
// command line detects them from the hive (detect/codepage_detect.h) or the user names one.
//
// Every ANSI code page Windows 95/98/Me shipped is here: 874 (Thai), 932 (Japanese Shift-JIS),
// 936 (Simplified Chinese GBK), 949 (Korean Unified Hangul), 950 (Traditional Chinese Big5),
// 1250-1258 (Central European, Cyrillic, Western, Greek, Turkish, Hebrew, Arabic, Baltic,
// Vietnamese), and "none": bytes as Latin-1 with no lead bytes.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quarvex::text {

enum class CodePage {
  Cp932,
  Cp936,
  Cp949,
  Cp950,
  SingleByte,
  Cp874,
  Cp1250,
  Cp1251,
  Cp1252,
  Cp1253,
  Cp1254,
  Cp1255,
  Cp1256,
  Cp1257,
  Cp1258,
};

// Every code page above, "none" last.
std::span<const CodePage> AllCodePages();

// "874", "932" ... "1258" or "none".
std::optional<CodePage> ParseCodePage(std::string_view text);
std::string_view CodePageName(CodePage cp);
// The Windows code page number (none: 28591, ISO 8859-1).
unsigned CodePageNumber(CodePage cp);
// Name for iconv of the text encoding: "CP874", "CP932" ... "CP1258"; none: "ISO-8859-1".
const char* CodePageCharset(CodePage cp);
// The code page's double-byte characters: 932, 936, 949 and 950.
bool IsDoubleByte(CodePage cp);

class LeadByteSet {
 public:
  LeadByteSet() = default;  // empty: every byte is a single byte
  // The lead bytes Windows gives for the code page (its CPINFO LeadByte ranges):
  // 932: 0x81-0x9F and 0xE0-0xFC; 936, 949, 950: 0x81-0xFE; every other page none.
  static LeadByteSet For(CodePage cp);
  bool Contains(std::uint8_t b) const { return bits_.test(b); }
  bool Empty() const { return bits_.none(); }

 private:
  std::bitset<256> bits_;
};

}  // namespace quarvex::text
