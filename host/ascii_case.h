// Comparing names as Windows does for file names and registry keys of plain ASCII: letters
// A-Z and a-z are the same, every other byte only itself (so the bytes of a double-byte
// character never match an ASCII letter by accident).
#pragma once

#include <algorithm>
#include <string_view>

namespace quarvex::host {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

}  // namespace quarvex::host
