// The lines of a REGEDIT4 file, as the registry editor of Windows 95/98/Me writes them.
//
// A value line is the value's name part, "=", and its data: "@" names the key's unnamed
// value, any other name is quoted with \ and " escaped by a backslash. Text data is quoted
// the same way; a 32-bit number is dword: and eight lower-case hexadecimal digits; every
// other value is hex: (binary, type 3) or hex(N): (type N in lower-case hexadecimal) and its
// bytes as two lower-case digits each, separated by commas. A hex line is wrapped the way
// the editor wraps it: before each further byte, once the line has grown past 75 columns,
// the line ends in ",\" and the bytes go on after two blanks on the next line. Columns count
// bytes in the hive's code page, so the wrap falls at the same bytes in a UTF-8 export.
#pragma once

#include <cstdint>
#include <string>

#include "text/codepage.h"
#include "hive/format.h"
#include "text/report_lines.h"

namespace quarvex::exporter {

// How a value's data is written.
enum class ValueForm { Text, Dword, Hex };

// Text for a type-1 value holding no zero byte and no line break, or only one zero byte at its
// very end (its terminator, which the text form implies); dword: for a type-4 value of exactly
// four bytes; hex for every other value, so that no byte is lost and no line is broken.
ValueForm ChooseValueForm(std::uint32_t type, hive::Bytes data);

// Whether the bytes hold a CR or an LF, which no REGEDIT4 line can carry.
bool HasLineBreak(hive::Bytes bytes);
// The bytes as text, each CR and LF replaced by '?'.
std::string WithoutLineBreaks(hive::Bytes bytes);

// Appends bytes with every \ and " preceded by a backslash. A lead byte of the code page
// and the byte after it (when that is 0x40 or above, as every trail byte is) form one
// character and are copied as they are: the second byte of a Shift-JIS character may be
// 0x5C, which is no backslash there.
void AppendEscaped(std::string& line, hive::Bytes bytes, const text::LeadByteSet& leadBytes);

// Appends the lines of one value (several when hex data wraps). name is the value's name as
// it is to be written (empty: the unnamed value, "@").
void AppendValueLines(text::ReportLines& out, hive::Bytes name, std::uint32_t type, hive::Bytes data, const text::LeadByteSet& leadBytes);

}  // namespace quarvex::exporter
