// The value lines of one data record: for each value its entry line and a value line that
// shows the value's name ("@" for the key's unnamed value) and a readable part of its data.
//
// A value is a 12-byte entry, its name (NL bytes) and its data (VL bytes), the next value
// right behind. Only the start of the data is read: at most 71 bytes of text, 4 of a DWORD,
// 24 of anything else. Offsets are not checked against the record's size: a value that runs
// past its record is read where it lies, and only the end of the image stops the listing.
#include <algorithm>

#include "hive/keyname.h"
#include "text/hex_text.h"
#include "text/printf.h"
#include "report/sections.h"

namespace quarvex::report {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;

namespace {

constexpr std::size_t kTextShown = 71;
constexpr std::size_t kRawShown = 24;
// A value line this long or longer is cut to its first 76 bytes followed by "...".
constexpr std::size_t kLongLine = 80;
constexpr std::size_t kLongLineKept = 76;

void AppendBytes(std::string& out, Bytes bytes) { out.append(bytes.begin(), bytes.end()); }

// The finding of a value whose `field` runs past the end of the file.
Finding ValueCutShort(FileOffset entryAt, const DataRecordHeader& record, std::string_view field, std::uint64_t wanted,
                      std::uint64_t got) {
  Finding f = FieldCutShort(Structure::Value, entryAt, field, wanted, got);
  f.block = record.BlkNo;
  f.record = record.RecNo;
  return f;
}

// " NL:0004": one field of the entry line, named as its table names it, with as many hex
// digits as the field has.
void AppendEntryField(std::string& line, ValueField field, std::uint32_t value) {
  const FieldLayout& layout = FieldLayoutOf(field);
  line.push_back(' ');
  line.append(layout.name);
  AppendHex(line, ":", value, static_cast<int>(2 * layout.width));
}

// Appends the data part of the value line; false with the type's code on a short read.
bool AppendData(SectionOutput& out, std::string& line, const ValueEntry& entry, FileOffset entryAt, FileOffset at,
                const DataRecordHeader& record) {
  Hive& hive = out.hive();
  switch (entry.Atr) {
    case ValueEntry::kText: {
      // Text ends at its first zero byte, so a value's own terminator is not shown.
      const std::size_t n = std::min<std::size_t>(entry.VL, kTextShown);
      const Bytes data = hive.ReadBytes(at, n);
      if (data.size() < n)
        return out.Fail(code::kTextValueShort, ValueCutShort(entryAt, record, "data", n, data.size()));
      line.push_back('"');
      AppendBytes(line, UpToFirstZero(data));
      line.push_back('"');
      return true;
    }
    case ValueEntry::kDword: {
      // The first four data bytes, whatever length the entry states.
      const Bytes data = hive.ReadBytes(at, 4);
      if (data.size() < 4)
        return out.Fail(code::kDwordValueShort, ValueCutShort(entryAt, record, "data", 4, data.size()));
      AppendHex(line, "DWORD:", ByteCursor(data).U32(), 8);
      return true;
    }
    default: {
      const std::size_t n = std::min<std::size_t>(entry.VL, kRawShown);
      const Bytes data = hive.ReadBytes(at, n);
      if (data.size() < n)
        return out.Fail(code::kRawValueShort, ValueCutShort(entryAt, record, "data", n, data.size()));
      for (std::uint8_t b : data) {
        AppendHexByte(line, b);
        line.push_back(' ');
      }
      return true;
    }
  }
}

}  // namespace

bool ListValues(SectionOutput& out, FileOffset first, std::uint16_t count, const DataRecordHeader& record) {
  Hive& hive = out.hive();
  FileOffset p = first;
  for (unsigned v = 0; v < count; ++v) {
    const FileOffset entryAt = p;
    const Bytes raw = hive.ReadBytes(p, ValueEntry::kSize);
    if (raw.size() < ValueEntry::kSize)
      return out.Fail(code::kValueEntryShort,
                      ValueCutShort(entryAt, record, "value entry", ValueEntry::kSize, raw.size()));
    const ValueEntry entry = ValueEntry::Decode(raw);
    // "     Atr:%.4X Un1:%.4X Un2:%.8X NL:%.4X VL:%.4X", by hand.
    std::string& entryLine = out.Compose();
    entryLine.append("    ");
    AppendEntryField(entryLine, ValueField::Atr, entry.Atr);
    AppendEntryField(entryLine, ValueField::Un1, entry.Un1);
    AppendEntryField(entryLine, ValueField::Un2, entry.Un2);
    AppendEntryField(entryLine, ValueField::NL, entry.NL);
    AppendEntryField(entryLine, ValueField::VL, entry.VL);
    out.Text(entryLine);
    p = p.Plus(ValueEntry::kSize);

    std::string& line = out.Compose();
    line.append("      ");
    if (entry.NL == 0) {
      line.push_back('@');
    } else {
      // A name cut short by the end of the image would leave the line without a true name,
      // and every read after it would start outside the image: the listing ends here.
      const Bytes name = hive.ReadBytes(p, entry.NL);
      if (name.size() < entry.NL)
        return out.Fail(code::kValueNameShort,
                        ValueCutShort(entryAt, record, FieldName(ValueField::NL), entry.NL, name.size()));
      AppendBytes(line, UpToFirstZero(name));
    }
    line.append(" = ");
    p = p.Plus(entry.NL);
    if (!AppendData(out, line, entry, entryAt, p, record)) return false;
    // Lengths count bytes, so a double-byte character may be cut in two.
    if (line.size() >= kLongLine) {
      line.resize(kLongLineKept);
      line.append("...");
    }
    out.Text(line);
    p = p.Plus(entry.VL);  // the whole data, however much of it was shown
  }
  return true;
}

}  // namespace quarvex::report
