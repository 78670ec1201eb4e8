// The hex view's rows: the file offset, 16 bytes in hex and the same bytes as text in the
// hive's code page.
//
//   0000605C  18 00 00 00 FF FF 00 00 14 00 00 00 07 00 01 00  ................
//
// Rows start at a multiple of 16; bytes of a row outside the range asked for are blanks, so
// the columns stay where they are. In the text column a printable ASCII byte is itself, a
// double-byte character whose both bytes lie in the row is its character (the lead byte's
// column holds it, the trail byte's column is left empty, as a full-width character takes two
// columns), a half-width katakana byte of code page 932 is its character, and anything else
// (control bytes, a lead byte cut by the row's end) is '.'. Nothing here includes Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hive/byte_cursor.h"
#include "text/codepage.h"

namespace quarvex::ui {

inline constexpr int kHexRowBytes = 16;
inline constexpr int kHexColumn = 10;  // where the first byte's two digits start in a row
inline constexpr int kHexTextColumn = kHexColumn + 3 * kHexRowBytes + 1;

struct HexRow {
  std::int64_t offset = 0;  // of the row's first column (a multiple of 16)
  std::string text;         // UTF-8
};

// The rows covering [start, start + length), within the image (never reading past it).
std::vector<HexRow> HexRows(hive::Bytes image, std::int64_t start, std::int64_t length, text::CodePage codePage);

// The column where the two hex digits of the row's byte byteInRow (0-15) begin; the offset and
// hex columns are ASCII, so this counts characters of the row's text as a text widget does.
int HexColumnOf(int byteInRow);

}  // namespace quarvex::ui
