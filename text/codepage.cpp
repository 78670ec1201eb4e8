#include "text/codepage.h"

namespace quarvex::text {

std::optional<CodePage> ParseCodePage(std::string_view text) {
  if (text == "932") return CodePage::Cp932;
  if (text == "936") return CodePage::Cp936;
  if (text == "949") return CodePage::Cp949;
  if (text == "950") return CodePage::Cp950;
  if (text == "none") return CodePage::SingleByte;
  return std::nullopt;
}

std::string_view CodePageName(CodePage cp) {
  switch (cp) {
    case CodePage::Cp932: return "932";
    case CodePage::Cp936: return "936";
    case CodePage::Cp949: return "949";
    case CodePage::Cp950: return "950";
    case CodePage::SingleByte: return "none";
  }
  return "932";
}

const char* CodePageCharset(CodePage cp) {
  switch (cp) {
    case CodePage::Cp932: return "CP932";
    case CodePage::Cp936: return "CP936";
    case CodePage::Cp949: return "CP949";
    case CodePage::Cp950: return "CP950";
    case CodePage::SingleByte: return "CP1252";
  }
  return "CP932";
}

LeadByteSet LeadByteSet::For(CodePage cp) {
  LeadByteSet set;
  auto range = [&set](int from, int to) {
    for (int b = from; b <= to; ++b) set.bits_.set(static_cast<std::size_t>(b));
  };
  switch (cp) {
    case CodePage::Cp932:  // Shift-JIS
      range(0x81, 0x9F);
      range(0xE0, 0xFC);
      break;
    case CodePage::Cp936:  // GBK
    case CodePage::Cp949:  // Unified Hangul
    case CodePage::Cp950:  // Big5
      range(0x81, 0xFE);
      break;
    case CodePage::SingleByte:
      break;
  }
  return set;
}

}  // namespace quarvex::text
