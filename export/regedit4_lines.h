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
#include <vector>

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
void AppendValueLines(text::ReportLines& out, hive::Bytes name, std::uint32_t type, hive::Bytes data,
                      const text::LeadByteSet& leadBytes);

// Bytes as two lower-case hexadecimal digits each, separated by commas ("01,5c,ff").
std::string HexBytes(hive::Bytes bytes);
// A name as a comment shows it: quoted, line breaks as '?'.
std::string QuotedName(hive::Bytes name);
// The stand-in for the name of a key whose record cannot be read: "(key 000000AC)", its
// node's offset in the key-node block.
std::string StandInName(std::uint32_t node);

// The lines of an export as they are written: keys, values and "; " comments, each comment
// also kept as a finding. Both exports (the key tree walk's and the salvage reader's) write
// through it, so that they write every key, value and comment alike.
class Regedit4Writer {
 public:
  Regedit4Writer(text::ReportLines& out, text::CodePage codePage);

  text::ReportLines& Lines() { return out_; }
  void Start();                           // "REGEDIT4" and an empty line
  void Comment(const std::string& text);  // "; text", in the hive's code page
  void KeyLine(const std::string& path);  // "[path]"; counts the key
  void EndKey();                          // the empty line after a key's values

  // A key node that names no data record (Blk# and Rec# are none).
  void NoRecord(std::uint32_t node, std::uint16_t blkNo, std::uint16_t recNo);
  // A key node whose data record is not to be found; `where` says where it was looked for.
  void RecordNotFound(std::uint32_t node, std::uint16_t blkNo, std::uint16_t recNo, const std::string& where);
  // What a key's stored name (KeyL bytes, fewer when cut by the record's or the file's end)
  // holds that its path cannot show. pastRecord: the name was cut by the record's end.
  void DescribeName(std::uint32_t node, hive::Bytes stored, std::uint16_t keyL, bool pastRecord, bool isRoot);
  // The DatN values of a record, read from the image between `first` (behind the key name)
  // and `end` (the record's end): an entry, name or data that runs past it or past the file
  // is a comment, and the values after it, whose places depend on it, are named as not written.
  void Values(hive::Bytes image, std::int64_t first, std::int64_t end, unsigned count);

  std::size_t keys = 0;
  std::size_t values = 0;
  std::vector<std::string> findings;  // one per comment, without the "; "

 private:
  void Damaged(unsigned index, unsigned count, const std::string& why);
  void Value(unsigned index, const hive::ValueEntry& entry, hive::Bytes name, hive::Bytes data);

  text::ReportLines& out_;
  text::LeadByteSet leadBytes_;
};

}  // namespace quarvex::exporter
