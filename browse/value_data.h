// The data of text values as programs want it: decoded, not displayed. REG_SZ and
// REG_EXPAND_SZ up to their first zero byte, REG_MULTI_SZ string by string up to the empty one
// that ends the list, each from the hive's code page to UTF-8, without the quotes and escapes
// the lines show (browse/value_text.h). The JSON of every subcommand that shows values carries
// them beside the raw bytes and the display text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hive/byte_cursor.h"
#include "text/codepage.h"

namespace quarvex::browse {

// The text of a REG_SZ or REG_EXPAND_SZ value; nullopt for the other types.
std::optional<std::string> DecodedText(std::uint16_t type, hive::Bytes data, text::CodePage codePage);
// The strings of a REG_MULTI_SZ value; nullopt for the other types.
std::optional<std::vector<std::string>> DecodedStrings(std::uint16_t type, hive::Bytes data, text::CodePage codePage);

// The decoded data as JSON members to append to a value's object: `, "text": "C:\\WINDOWS"` for
// a text, `, "strings": ["a", "b"]` for a list of texts, nothing for the other types.
std::string DecodedDataJson(std::uint16_t type, hive::Bytes data, text::CodePage codePage,
                            std::string_view textName = "text", std::string_view stringsName = "strings");

}  // namespace quarvex::browse
