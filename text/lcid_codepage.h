// The ANSI code page of a Windows locale identifier (LCID), as Windows 95/98/Me set it up for
// the locales it shipped. user.dat keeps the user's locale as text ("00000409") under
// .DEFAULT\Control Panel\International, value "Locale"; this table turns it into the code
// page the names of that hive were written in.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "text/codepage.h"

namespace quarvex::text {

// By the primary language (the low ten bits), with the sublanguage where a language has two
// scripts: Chinese (Taiwan, Hong Kong and Macau: 950; PRC and Singapore: 936) and Serbian
// (Cyrillic 0x0C1A: 1251; Croatian and Serbian Latin: 1250). Nothing for a language Windows
// 9x did not ship or an LCID without an ANSI code page of its own.
std::optional<CodePage> AnsiCodePageForLcid(std::uint32_t lcid);

// "00000409" or "409" (hexadecimal, up to eight digits, blanks and a trailing zero byte
// ignored) as the LCID it names.
std::optional<std::uint32_t> ParseLcidText(std::string_view text);

}  // namespace quarvex::text
