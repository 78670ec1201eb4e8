// The code page the hive's names were written in. Key names are byte strings; the stored
// checksum of each name was computed by the machine that wrote the hive, classing bytes by
// that machine's double-byte (lead-byte) rules. We cannot ask this host for them, so the
// user chooses: code page 932 (Japanese) by default, 936, 949, 950, or a single-byte host.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quarvex::text {

enum class CodePage { Cp932, Cp936, Cp949, Cp950, SingleByte };

// "932", "936", "949", "950" or "none".
std::optional<CodePage> ParseCodePage(std::string_view text);
std::string_view CodePageName(CodePage cp);
// Name for iconv of the text encoding (single-byte hosts: Windows-1252).
const char* CodePageCharset(CodePage cp);

class LeadByteSet {
 public:
  LeadByteSet() = default;  // empty: every byte is a single byte
  static LeadByteSet For(CodePage cp);
  bool Contains(std::uint8_t b) const { return bits_.test(b); }
  bool Empty() const { return bits_.none(); }

 private:
  std::bitset<256> bits_;
};

}  // namespace quarvex::text
