#include "hive/finding.h"

#include <cstdio>

namespace quarvex::hive {

std::string_view SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Damage:
      return "damage";
    case Severity::Warning:
      return "warning";
    case Severity::Note:
      return "note";
  }
  return "damage";
}

std::string_view StructureName(Structure structure) {
  switch (structure) {
    case Structure::File:
      return "file";
    case Structure::CregHeader:
      return "file header";
    case Structure::RgknHeader:
      return "key-node block header";
    case Structure::KeyNode:
      return "key node";
    case Structure::FreeKeyNode:
      return "free key node";
    case Structure::RgdbHeader:
      return "data block";
    case Structure::DataRecord:
      return "data record";
    case Structure::FreeDataRecord:
      return "free data record";
    case Structure::Value:
      return "value";
  }
  return "file";
}

std::string StructureLabel(const Finding& f) {
  std::string label(StructureName(f.structure));
  if (f.structure == Structure::RgdbHeader && f.block) return label + " " + std::to_string(*f.block);
  if (f.block && f.record)
    return label + " (block " + std::to_string(*f.block) + ", record " + std::to_string(*f.record) + ")";
  if (f.block) return label + " (block " + std::to_string(*f.block) + ")";
  return label;
}

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::string HexOffset(std::int64_t value) {
  if (value >= 0 && value <= 0xFFFFFFFF) return Hex32(static_cast<std::uint32_t>(value));
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

std::string Hex16(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
  return text;
}

std::string Quoted(std::string_view raw) {
  std::string text = "\"";
  for (char c : raw) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
      text += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
      text += escaped;
    }
  }
  return text + "\"";
}

Finding FindingAt(Structure structure, FileOffset at, std::string_view field, std::optional<std::uint32_t> block) {
  Finding f;
  f.structure = structure;
  f.offset = at;
  f.field = field;
  f.block = block;
  return f;
}

Finding FieldCutShort(Structure structure, FileOffset at, std::string_view field, std::uint64_t wanted,
                      std::uint64_t got) {
  Finding f;
  f.structure = structure;
  f.offset = at;
  f.field = field;
  f.found = std::to_string(got) + (got == 1 ? " byte" : " bytes") + " before the end of the file";
  f.expected = std::to_string(wanted) + (wanted == 1 ? " byte" : " bytes");
  return f;
}

std::string Finding::Text() const {
  std::string text = StructureLabel(*this) + " at " + Hex32(static_cast<std::uint32_t>(offset.value)) + ": " + field;
  if (!found.empty()) text += " " + found;
  if (!expected.empty()) text += ", expected " + expected;
  if (!keyPath.empty()) text += " (key " + keyPath + ")";
  return text;
}

}  // namespace quarvex::hive
