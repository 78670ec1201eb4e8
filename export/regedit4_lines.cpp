#include "export/regedit4_lines.h"

#include <algorithm>

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
  return std::find_if(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == '\r' || b == '\n'; }) !=
         bytes.end();
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
      AppendPrintf(line, "dword:%08x", LoadU32(data, 0));
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

}  // namespace quarvex::exporter
