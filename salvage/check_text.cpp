#include "salvage/check_text.h"

#include "salvage/counts.h"
#include "text/control_text.h"
#include "text/json_text.h"

namespace quarvex::salvage {

using namespace quarvex::hive;

std::string GroupThousands(std::uint64_t value) {
  std::string digits = std::to_string(value);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

namespace {

std::string Plural(std::uint64_t n, std::string_view word) {
  return GroupThousands(n) + " " + std::string(word) + (n == 1 ? "" : "s");
}

// "field found, expected X (key P)": an expectation written in parentheses is a remark.
std::string FieldText(const Finding& f) {
  std::string text = f.field;
  if (!f.found.empty()) text += " " + f.found;
  if (!f.expected.empty()) text += (f.expected.front() == '(' ? " " : ", expected ") + f.expected;
  if (!f.keyPath.empty()) text += " (key " + quarvex::text::EscapeControls(f.keyPath) + ")";
  return text;
}

}  // namespace

std::string FindingLine(const Finding& f) {
  return Hex32(static_cast<std::uint32_t>(f.offset.value)) + ": " + std::string(SeverityName(f.severity)) + ": " +
         StructureLabel(f) + ": " + FieldText(f);
}

std::string SummaryText(const SalvagedHive& hive) {
  if (!hive.isHive) return "not a registry file";
  const HiveCounts s = CountHive(hive);
  if (s.damage == 0)
    return "healthy: " + Plural(s.keys, "key") + ", " + Plural(s.values, "value") + ", " + Plural(s.blocks, "block");
  std::string text = GroupThousands(s.damage) + " damage";
  if (s.warnings > 0) text += ", " + Plural(s.warnings, "warning");
  if (s.notes > 0) text += ", " + Plural(s.notes, "note");
  text += ": " + GroupThousands(s.unreadableKeys) + (s.unreadableKeys == 1 ? " key" : " keys") + " and " +
          GroupThousands(s.valuesUnreadable) + (s.valuesUnreadable == 1 ? " value" : " values") + " unreadable; " +
          (s.bytesLostAtLeast ? "at least " : "") + GroupThousands(s.bytesLost) +
          (s.bytesLost == 1 ? " byte" : " bytes") + " lost";
  // Blocks wholly past the end leave no size behind: they are named, so that "at least" is
  // not read as all that was lost.
  const std::size_t declared = hive.creg.wDBblks, found = hive.blocks.size();
  std::string missing;
  if (s.bytesLostAtLeast && declared > found)
    missing = declared - found == 1
                  ? "data block " + std::to_string(found) + " of " + std::to_string(declared) +
                        " lies wholly past it, its size unknown"
                  : "data blocks " + std::to_string(found) + " to " + std::to_string(declared - 1) + " of " +
                        std::to_string(declared) + " lie wholly past it, their sizes unknown";
  if (s.bytesPastEnd > 0)
    text += " (" + GroupThousands(s.bytesPastEnd) + " cut off the end of the file" +
            (missing.empty() ? "" : "; " + missing) + ")";
  else if (!missing.empty())
    text += " (" + missing + ")";
  return text;
}

namespace {
std::string Optional(const std::optional<std::uint32_t>& v) { return v ? std::to_string(*v) : "null"; }
}  // namespace

std::string CheckJson(std::string_view file, const SalvagedHive& hive, std::string_view members) {
  const HiveCounts s = CountHive(hive);
  const char* status = !hive.isHive ? "not a registry file" : s.damage > 0 ? "damaged" : "healthy";
  auto space = [](const SpaceCounts& c) {
    return "{\"inUse\": " + std::to_string(c.inUse) + ", \"free\": " + std::to_string(c.free) +
           ", \"deadGap\": " + std::to_string(c.deadGap) + "}";
  };
  std::string out = "{\"file\": " + text::JsonString(file) + ", \"status\": \"" + status + "\"" +
                    ", \"keys\": " + std::to_string(s.keys) + ", \"values\": " + std::to_string(s.values) +
                    ", \"blocks\": " + std::to_string(s.blocks) + ", \"damage\": " + std::to_string(s.damage) +
                    ", \"warnings\": " + std::to_string(s.warnings) + ", \"notes\": " + std::to_string(s.notes) +
                    ", \"keysUnreadable\": " + std::to_string(s.unreadableKeys) +
                    ", \"valuesUnreadable\": " + std::to_string(s.valuesUnreadable) +
                    ", \"bytesLost\": " + std::to_string(s.bytesLost) +
                    ", \"bytesPastEnd\": " + std::to_string(s.bytesPastEnd) +
                    ", \"bytesLostAtLeast\": " + (s.bytesLostAtLeast ? "true" : "false") +
                    ", \"keyNodes\": " + std::to_string(s.keyNodes) + ", \"lostKeys\": " + std::to_string(s.lostKeys) +
                    ", \"space\": " + space(s.whole) + std::string(members) +
                    ", \"summary\": " + text::JsonString(SummaryText(hive)) + ", \"findings\": [";
  for (std::size_t i = 0; i < hive.findings.size(); ++i) {
    const Finding& f = hive.findings[i];
    out += i == 0 ? "\n  " : ",\n  ";
    out += "{\"severity\": \"" + std::string(SeverityName(f.severity)) + "\", \"structure\": \"" +
           std::string(StructureName(f.structure)) + "\", \"offset\": " + std::to_string(f.offset.value) +
           ", \"block\": " + Optional(f.block) + ", \"record\": " + Optional(f.record) +
           ", \"field\": " + text::JsonString(f.field) + ", \"found\": " + text::JsonString(f.found) +
           ", \"expected\": " + text::JsonString(f.expected) + ", \"keyPath\": " + text::JsonString(f.keyPath) +
           ", \"line\": " + text::JsonString(FindingLine(f)) + "}";
  }
  out += hive.findings.empty() ? "]}" : "\n]}";
  return out;
}

std::string CheckJsonError(std::string_view file, std::string_view error) {
  return "{\"file\": " + text::JsonString(file) +
         ", \"status\": \"unreadable\", \"error\": " + text::JsonString(error) + ", \"findings\": []}";
}

}  // namespace quarvex::salvage
