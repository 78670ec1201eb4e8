// Values as texts: type names and the data as a person reads it.
//
// Windows 9x stores a type number per value (Atr); the names are the ones of the registry
// API. Text types are read up to their first zero byte in the hive's code page and shown
// quoted, with '"', '\' and control characters escaped (so a hostile hive cannot drive the
// terminal). A DWORD of 4 bytes shows in hex and decimal; a value whose length does not fit
// its type, and every other type, shows as hex bytes with the length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "browse/data_span.h"
#include "salvage/salvage.h"
#include "text/codepage.h"
#include "text/control_text.h"

namespace quarvex::browse {

// "REG_SZ", "REG_DWORD" ... for 0-11; "0x000C" above.
std::string TypeName(std::uint16_t type);
// "REG_SZ", "SZ", "sz", "1", "0x1": the type number; nullopt when unknown.
std::optional<std::uint16_t> ParseTypeName(std::string_view text);

// The value's name in UTF-8; "" for the unnamed value.
std::string ValueName(const salvage::SalvagedValue& value, text::CodePage codePage);
// What the value entry's VL says the data holds (the data may be cut shorter).
std::size_t DeclaredLength(const salvage::SalvagedValue& value, hive::Bytes image);

// "\"text\"", "0x0000002A (42)", "\"a\", \"b\"" (REG_MULTI_SZ), "01 02 03 (3 bytes)".
// limit > 0 shortens the text to about that many characters and then shows the full length:
// "\"abc…\" (300 bytes)", "01 02 … (300 bytes)".
std::string DataText(const salvage::SalvagedValue& value, text::CodePage codePage, std::size_t limit = 0);
// The data as searched by find: texts unquoted and unescaped (UTF-8), numbers and bytes as
// DataText shows them.
std::string DataSearchText(const salvage::SalvagedValue& value, text::CodePage codePage);
// Whether DataText shows the value as a text, a list of texts or a number, not as its bytes.
bool ShownAsTextOrNumber(const salvage::SalvagedValue& value);
// Where a search found something inside the value's data, and what:
//   REG_BINARY at +0x2C, UTF-16: "Microsoft Corporation"
//   REG_BINARY at +0x10, cp1252: "C:\WINDOWS"     (the hive's code page; Latin-1 for none)
//   REG_BINARY at +0x00: 4D 5A 90 00              (the bytes a byte pattern matched)
// limit > 0 shortens the string as DataText does.
std::string DataSpanText(const salvage::SalvagedValue& value, const DataSpan& span, text::CodePage codePage,
                         std::size_t limit = 0);
// "UTF-16", "cp1252", "Latin-1" (code page none) or "bytes": how the span was read.
std::string SpanKindName(SpanKind kind, text::CodePage codePage);
// A quoted, escaped UTF-8 text ("a\"b", control characters as \xNN).
std::string QuoteText(std::string_view utf8);
// Control characters (and DEL) as \xNN, for names printed to a terminal.
using text::EscapeControls;
// "01 02 03", at most maxBytes (0: all).
std::string HexBytes(hive::Bytes bytes, std::size_t maxBytes = 0);

}  // namespace quarvex::browse
