#include "text/lcid_codepage.h"

#include <array>

namespace quarvex::text {

namespace {

struct LanguagePage {
  std::uint16_t language;  // primary language identifier
  CodePage cp;
};

constexpr std::array<LanguagePage, 43> kLanguages{{
    {0x01, CodePage::Cp1256},  // Arabic
    {0x02, CodePage::Cp1251},  // Bulgarian
    {0x03, CodePage::Cp1252},  // Catalan
    {0x05, CodePage::Cp1250},  // Czech
    {0x06, CodePage::Cp1252},  // Danish
    {0x07, CodePage::Cp1252},  // German
    {0x08, CodePage::Cp1253},  // Greek
    {0x09, CodePage::Cp1252},  // English
    {0x0A, CodePage::Cp1252},  // Spanish
    {0x0B, CodePage::Cp1252},  // Finnish
    {0x0C, CodePage::Cp1252},  // French
    {0x0D, CodePage::Cp1255},  // Hebrew
    {0x0E, CodePage::Cp1250},  // Hungarian
    {0x0F, CodePage::Cp1252},  // Icelandic
    {0x10, CodePage::Cp1252},  // Italian
    {0x11, CodePage::Cp932},   // Japanese
    {0x12, CodePage::Cp949},   // Korean
    {0x13, CodePage::Cp1252},  // Dutch
    {0x14, CodePage::Cp1252},  // Norwegian
    {0x15, CodePage::Cp1250},  // Polish
    {0x16, CodePage::Cp1252},  // Portuguese
    {0x18, CodePage::Cp1250},  // Romanian
    {0x19, CodePage::Cp1251},  // Russian
    {0x1B, CodePage::Cp1250},  // Slovak
    {0x1C, CodePage::Cp1250},  // Albanian
    {0x1D, CodePage::Cp1252},  // Swedish
    {0x1E, CodePage::Cp874},   // Thai
    {0x1F, CodePage::Cp1254},  // Turkish
    {0x21, CodePage::Cp1252},  // Indonesian
    {0x22, CodePage::Cp1251},  // Ukrainian
    {0x23, CodePage::Cp1251},  // Belarusian
    {0x24, CodePage::Cp1250},  // Slovenian
    {0x25, CodePage::Cp1257},  // Estonian
    {0x26, CodePage::Cp1257},  // Latvian
    {0x27, CodePage::Cp1257},  // Lithuanian
    {0x29, CodePage::Cp1256},  // Farsi
    {0x2A, CodePage::Cp1258},  // Vietnamese
    {0x2D, CodePage::Cp1252},  // Basque
    {0x2F, CodePage::Cp1251},  // Macedonian
    {0x36, CodePage::Cp1252},  // Afrikaans
    {0x38, CodePage::Cp1252},  // Faeroese
    {0x3E, CodePage::Cp1252},  // Malay
    {0x41, CodePage::Cp1252},  // Swahili
}};

}  // namespace

std::optional<CodePage> AnsiCodePageForLcid(std::uint32_t lcid) {
  const std::uint32_t langId = lcid & 0xFFFF;
  const std::uint32_t primary = langId & 0x3FF;
  const std::uint32_t sub = langId >> 10;
  // A sort identifier above the language (bits 16-19) changes the collation, not the page.
  if (primary == 0x04) {  // Chinese
    switch (sub) {
      case 1:
      case 3:
      case 5:
        return CodePage::Cp950;  // Taiwan, Hong Kong, Macau
      case 2:
      case 4:
        return CodePage::Cp936;  // PRC, Singapore
      default:
        return std::nullopt;
    }
  }
  if (primary == 0x1A) {                    // Croatian, Serbian
    if (sub == 3) return CodePage::Cp1251;  // Serbian (Cyrillic)
    if (sub == 1 || sub == 2) return CodePage::Cp1250;
    return std::nullopt;
  }
  if (sub == 0) return std::nullopt;  // a neutral language names no country, hence no locale
  for (const LanguagePage& l : kLanguages)
    if (l.language == primary) return l.cp;
  return std::nullopt;
}

std::optional<std::uint32_t> ParseLcidText(std::string_view text) {
  const std::size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty() || text.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      return std::nullopt;
    value = value << 4 | digit;
  }
  return value;
}

}  // namespace quarvex::text
