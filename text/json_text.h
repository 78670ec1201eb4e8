// JSON text written by hand where an output is streamed line by line: a string with its quotes,
// the escapes JSON needs (quote, backslash, control characters as \uXXXX), and the bytes of
// UTF-8 text unchanged.
#pragma once

#include <string>
#include <string_view>

namespace quarvex::text {

std::string JsonString(std::string_view text);

}  // namespace quarvex::text
