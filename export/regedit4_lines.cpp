#include "export/regedit4_lines.h"

#include <algorithm>

#include "hive/keyname.h"

#include "text/printf.h"

namespace quarvex::exporter {

using namespace quarvex::hive;
using namespace quarvex::text;

namespace {

// The editor ends a hex line with ",\" once it has grown past this many columns, and goes
// on after two blanks: 21 bytes follow "\"TEMP\"=hex(2):" on the first line, 25 on each
// further line.
constexpr std::size_t kWrapAfterColumn = 75;
constexpr std::string_view kContinuation = "  ";

void AppendHexByte(std::string& line, std::uint8_t b) {
  static constexpr char kDigits[] = "0123456789abcdef";
  line.push_back(kDigits[b >> 4]);
  line.push_back(kDigits[b & 0x0F]);
}

}  // namespace

bool HasLineBreak(Bytes bytes) {
  return std::find_if(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == '\r' || b == '\n'; }) != bytes.end();
}

std::string WithoutLineBreaks(Bytes bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::uint8_t b : bytes) text.push_back(b == '\r' || b == '\n' ? '?' : static_cast<char>(b));
  return text;
}

ValueForm ChooseValueForm(std::uint32_t type, Bytes data) {
  if (type == ValueEntry::kDword) return data.size() == 4 ? ValueForm::Dword : ValueForm::Hex;
  if (type != ValueEntry::kText) return ValueForm::Hex;
  Bytes text = data;
  if (!text.empty() && text.back() == 0) text = text.first(text.size() - 1);
  const bool plain = std::find(text.begin(), text.end(), std::uint8_t{0}) == text.end() && !HasLineBreak(text);
  return plain ? ValueForm::Text : ValueForm::Hex;
}

void AppendEscaped(std::string& line, Bytes bytes, const LeadByteSet& leadBytes) {
  constexpr std::uint8_t kLowestTrailByte = 0x40;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint8_t b = bytes[i];
    if (leadBytes.Contains(b) && i + 1 < bytes.size() && bytes[i + 1] >= kLowestTrailByte) {
      line.push_back(static_cast<char>(b));
      line.push_back(static_cast<char>(bytes[++i]));
      continue;
    }
    if (b == '\\' || b == '"') line.push_back('\\');
    line.push_back(static_cast<char>(b));
  }
}

void AppendValueLines(ReportLines& out, Bytes name, std::uint32_t type, Bytes data, const LeadByteSet& leadBytes) {
  std::string line;
  if (name.empty()) {
    line = "@";
  } else {
    line = "\"";
    AppendEscaped(line, name, leadBytes);
    line.push_back('"');
  }
  line.push_back('=');
  switch (ChooseValueForm(type, data)) {
    case ValueForm::Text:
      line.push_back('"');
      AppendEscaped(line, !data.empty() && data.back() == 0 ? data.first(data.size() - 1) : data, leadBytes);
      line.push_back('"');
      break;
    case ValueForm::Dword:
      AppendPrintf(line, "dword:%08x", ByteCursor(data).U32());
      break;
    case ValueForm::Hex: {
      if (type == 3)
        line.append("hex:");
      else
        AppendPrintf(line, "hex(%x):", type);
      bool firstOnLine = true;
      for (std::uint8_t b : data) {
        if (!firstOnLine) {
          line.push_back(',');
          if (line.size() > kWrapAfterColumn + 1) {
            line.push_back('\\');
            out.Append(line);
            line.assign(kContinuation);
          }
        }
        AppendHexByte(line, b);
        firstOnLine = false;
      }
      break;
    }
  }
  out.Append(line);
}

std::string HexBytes(Bytes bytes) {
  std::string text;
  for (std::uint8_t b : bytes) AppendPrintf(text, text.empty() ? "%02x" : ",%02x", unsigned{b});
  return text;
}

std::string QuotedName(Bytes name) { return "\"" + WithoutLineBreaks(name) + "\""; }

std::string StandInName(std::uint32_t node) { return Printf("(key %08X)", node); }

namespace {

// The bytes inside the image from offset, at most count of them (empty outside it).
Bytes Slice(Bytes image, std::int64_t offset, std::size_t count) {
  if (offset < 0 || static_cast<std::uint64_t>(offset) >= image.size()) return {};
  const auto start = static_cast<std::size_t>(offset);
  return image.subspan(start, std::min(count, image.size() - start));
}

}  // namespace

Regedit4Writer::Regedit4Writer(ReportLines& out, CodePage codePage)
    : out_(out), leadBytes_(LeadByteSet::For(codePage)) {}

void Regedit4Writer::Start() {
  out_.Append("REGEDIT4");
  out_.Append("");
}

void Regedit4Writer::Comment(const std::string& text) {
  out_.Append("; " + text);
  findings.push_back(text);
}

void Regedit4Writer::KeyLine(const std::string& path) {
  ++keys;
  out_.Append("[" + path + "]");
}

void Regedit4Writer::EndKey() { out_.Append(""); }

void Regedit4Writer::NoRecord(std::uint32_t node, std::uint16_t blkNo, std::uint16_t recNo) {
  Comment(Printf("key node %08X has no data record (Blk# %04X, Rec# %04X): no name, no values", node, unsigned{blkNo},
                 unsigned{recNo}));
}

void Regedit4Writer::RecordNotFound(std::uint32_t node, std::uint16_t blkNo, std::uint16_t recNo,
                                    const std::string& where) {
  Comment(Printf("key node %08X: its data record (Blk# %04X, Rec# %04X) is not in %s: no name, no values", node,
                 unsigned{blkNo}, unsigned{recNo}, where.c_str()));
}

void Regedit4Writer::DescribeName(std::uint32_t node, Bytes name, std::uint16_t keyL, bool pastRecord, bool isRoot) {
  if (name.size() < keyL)
    Comment(Printf("key node %08X: its name (KeyL %04X) runs past the end of its %s; %zu byte(s) of it are shown", node,
                   unsigned{keyL}, pastRecord ? "record" : "file", name.size()));
  const Bytes shown = UpToFirstZero(name);
  if (shown.size() < name.size())
    Comment(
        Printf("key node %08X: its name holds a zero byte after %zu byte(s), and is taken up to it; whole "
               "name: hex %s",
               node, shown.size(), HexBytes(name).c_str()));
  if (HasLineBreak(shown))
    Comment(Printf("key node %08X: its name holds a line break, shown as '?'; name: hex %s", node,
                   HexBytes(shown).c_str()));
  if (isRoot && !shown.empty())
    Comment(Printf("the root key's record names it %s; it is written as the root", QuotedName(shown).c_str()));
}

void Regedit4Writer::Values(Bytes image, std::int64_t first, std::int64_t end, unsigned count) {
  std::int64_t p = first;
  for (unsigned v = 0; v < count; ++v) {
    // Where each part of the value lies, and whether it lies inside the record and the file.
    const Bytes raw = Slice(image, p, ValueEntry::kSize);
    if (p + std::int64_t{ValueEntry::kSize} > end || raw.size() < ValueEntry::kSize) {
      Damaged(v, count,
              Printf("its entry at %08llX runs past the end of its %s", static_cast<unsigned long long>(p),
                     raw.size() < ValueEntry::kSize ? "file" : "record"));
      return;
    }
    const ValueEntry entry = ValueEntry::Decode(raw);
    const std::int64_t nameAt = p + ValueEntry::kSize;
    const std::int64_t dataAt = nameAt + entry.NL;
    const Bytes name = Slice(image, nameAt, entry.NL);
    const Bytes data = Slice(image, dataAt, entry.VL);
    const std::string what = Printf("(type %04X, name %s, NL %04X, VL %04X)", unsigned{entry.Atr},
                                    QuotedName(UpToFirstZero(name)).c_str(), unsigned{entry.NL}, unsigned{entry.VL});
    if (dataAt > end || name.size() < entry.NL) {
      Damaged(v, count, Printf("its name runs past the end of its %s ", dataAt > end ? "record" : "file") + what);
      return;
    }
    if (dataAt + entry.VL > end || data.size() < entry.VL) {
      // What lies between the data's start and the record's end is shown, nothing beyond.
      const auto inside = static_cast<std::size_t>(std::max<std::int64_t>(0, end - dataAt));
      Damaged(v, count,
              Printf("its data runs past the end of its %s ", dataAt + entry.VL > end ? "record" : "file") + what +
                  "; the record's bytes from there: hex " + HexBytes(data.first(std::min(data.size(), inside))));
      return;
    }
    Value(v, entry, name, data);
    p = dataAt + entry.VL;
  }
}

void Regedit4Writer::Damaged(unsigned index, unsigned count, const std::string& why) {
  Comment(Printf("value %u of %u: ", index + 1, count) + why +
          (index + 1 < count ? Printf("; it and the %u after it are not exported", count - index - 1)
                             : std::string("; it is not exported")));
}

void Regedit4Writer::Value(unsigned index, const ValueEntry& entry, Bytes name, Bytes data) {
  Bytes shown = UpToFirstZero(name);
  if (shown.size() < name.size())
    Comment(Printf("value %u: its name holds a zero byte after %zu byte(s), and is taken up to it; whole name: hex %s",
                   index + 1, shown.size(), HexBytes(name).c_str()));
  std::string cleaned;
  if (HasLineBreak(shown)) {
    Comment(Printf("value %u: its name holds a line break, written as '?'; name: hex %s", index + 1,
                   HexBytes(shown).c_str()));
    cleaned = WithoutLineBreaks(shown);
    shown = Bytes(reinterpret_cast<const std::uint8_t*>(cleaned.data()), cleaned.size());
  }
  if (entry.Un1 != 0)
    Comment(Printf("value %u: the word after its type (Un1) is %04X; the type is read as %X", index + 1,
                   unsigned{entry.Un1}, unsigned{entry.Atr}));
  AppendValueLines(out_, shown, entry.Atr, data, leadBytes_);
  ++values;
}

}  // namespace quarvex::exporter
