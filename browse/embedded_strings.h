// Strings inside binary data. Windows and its programs keep file names, URLs and names of
// people and firms inside REG_BINARY values (MRU lists, shell item lists, application data),
// either in the machine's ANSI code page or in UTF-16LE. EmbeddedStrings reads both, as
// `strings` and `strings -e l` do: runs of at least minChars printable characters.
//
// A code page character is a printable ASCII byte (or TAB), a byte 0xA0-0xFF of a single-byte
// page (its letters), or a lead byte followed by a trail byte of a double-byte page (932, 936,
// 949, 950), so a trail byte 0x5C stays inside its character. A UTF-16 character is a code
// unit of U+0009, U+0020-U+007E or U+00A0-U+00FF; for a double-byte code page also the CJK
// punctuation and kana (U+3000-U+30FF), the unified ideographs (U+4E00-U+9FFF) and the
// full- and half-width forms (U+FF01-U+FF9F). UTF-16 runs are looked for at even and at odd
// offsets, since a string in a structure need not be aligned.
#pragma once

#include <cstddef>
#include <vector>

#include "browse/data_span.h"
#include "hive/byte_cursor.h"
#include "text/codepage.h"

namespace quarvex::browse {

inline constexpr std::size_t kMinStringChars = 4;

// The strings, ordered by offset (a UTF-16 run before a code page run at the same offset).
// The text of a code page run is converted to UTF-8; a UTF-16 run's likewise.
std::vector<DataSpan> EmbeddedStrings(hive::Bytes data, text::CodePage codePage,
                                      std::size_t minChars = kMinStringChars);

}  // namespace quarvex::browse
