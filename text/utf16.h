// UTF-16 to UTF-8, for the places Windows stored text in UTF-16LE: version resources, and
// the newer form of a few registry values (recent documents).
#pragma once

#include <string>
#include <string_view>

namespace quarvex::text {

// Code units to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace quarvex::text
