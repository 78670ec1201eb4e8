// Upper-case hexadecimal digits written by hand, for texts made once per key or record (the
// progress line, the structure report's fields): a table lookup per digit instead of a trip
// through printf, and no allocation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quarvex::text {

inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// Writes `digits` digits of value (the low ones, zero-padded) at out; returns the end.
inline char* WriteHex(char* out, std::uint64_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i) {
    out[i] = kUpperHexDigits[value & 0xF];
    value >>= 4;
  }
  return out + digits;
}

// Appends value as printf's "%.<digits>X" does: at least `digits` digits, more when it needs them.
inline void AppendHex(std::string& text, std::uint64_t value, int digits) {
  int needed = 1;
  for (std::uint64_t rest = value >> 4; rest != 0; rest >>= 4) ++needed;
  if (needed < digits) needed = digits;
  char buffer[16];
  text.append(buffer, static_cast<std::size_t>(WriteHex(buffer, value, needed) - buffer));
}

// The same after a separator or label: " %.4X", " NL:%.4X".
inline void AppendHex(std::string& text, std::string_view before, std::uint64_t value, int digits) {
  text.append(before);
  AppendHex(text, value, digits);
}

}  // namespace quarvex::text
