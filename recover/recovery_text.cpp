#include "recover/recovery_text.h"

#include "browse/value_text.h"
#include "hive/finding.h"
#include "text/text_encoding.h"

namespace quarvex::recover {

namespace {

// The recovered value as the salvage reader's model holds a value, so that it is shown by the
// same rules as every other value.
salvage::SalvagedValue AsSalvaged(const RecoveredValue& v) { return {v.offset, v.type, v.name, v.data, v.partial}; }

std::string ValueLine(const RecoveredValue& v, text::CodePage cp) {
  const salvage::SalvagedValue value = AsSalvaged(v);
  const std::string name = v.nameLength == 0 ? "@" : browse::QuoteText(browse::ValueName(value, cp));
  std::string line = "  value " + name + " (" + browse::TypeName(v.type);
  if (v.partial)
    line += ", partial: " + std::to_string(v.name.size()) + " of " + std::to_string(v.nameLength) + " name bytes, " +
            std::to_string(v.data.size()) + " of " + std::to_string(v.dataLength) + " data bytes survive";
  return line + "): " + browse::DataText(value, cp, 200);
}

}  // namespace

std::vector<std::string> RecoveredKeyLines(const RecoveredKey& k, text::CodePage cp) {
  std::vector<std::string> lines;
  lines.push_back("key at " + hive::HexOffset(k.offset.value) + " (" + std::string(SourceName(k.source)) + "): " +
                  browse::EscapeControls(text::CodePageToUtf8(k.path, cp)) + (k.pathGuessed ? "  [path guessed]" : ""));
  lines.push_back("  confidence " + std::string(ConfidenceName(k.confidence)) + (k.partial ? ", partial" : ""));
  for (const std::string& reason : k.reasons) lines.push_back("    - " + reason);
  for (const RecoveredValue& v : k.values) lines.push_back(ValueLine(v, cp));
  if (k.liveCounterpart) {
    std::string line =
        "  live counterpart: " + browse::EscapeControls(text::CodePageToUtf8(k.liveCounterpart->path, cp));
    if (k.liveCounterpart->identical) {
      line += ", the same values";
    } else {
      line += ", since then:";
      for (std::size_t i = 0; i < k.liveCounterpart->changed.size(); ++i) {
        const ValueChange& change = k.liveCounterpart->changed[i];
        line += std::string(i ? ", " : " ") +
                (change.name.empty() ? std::string("@") : browse::QuoteText(text::CodePageToUtf8(change.name, cp))) +
                " " + std::string(ValueChangeName(change.kind));
      }
    }
    lines.push_back(line);
  }
  if (k.values.size() < k.valuesAnnounced)
    lines.push_back("  (" + std::to_string(k.valuesAnnounced - k.values.size()) +
                    " more value(s) announced, overwritten)");
  return lines;
}

std::vector<std::string> LiveKeyRemainsLines(const LiveKeyRemains& remains, text::CodePage cp) {
  std::vector<std::string> lines;
  lines.push_back("live key " + browse::EscapeControls(text::CodePageToUtf8(remains.path, cp)) + ": earlier values");
  for (const EarlierValue& e : remains.values) {
    std::string line = ValueLine(e.value, cp);
    line.replace(0, 2, "  was: ");
    lines.push_back(line + "  [at " + hive::Hex32(static_cast<std::uint32_t>(e.value.offset.value)) + ", " +
                    std::string(EarlierValueWhere(e.where)) + " at " +
                    hive::Hex32(static_cast<std::uint32_t>(e.record.value)) + ", confidence " +
                    std::string(ConfidenceName(e.confidence)) + "]");
  }
  return lines;
}

std::string RecoverySummaryLine(const std::vector<const RecoveredKey*>& keys, std::size_t copiesNotListed,
                                std::size_t earlierValues) {
  std::string line = RecoverySummaryLine(keys);
  if (copiesNotListed > 0)
    line += "; " + std::to_string(copiesNotListed) + (copiesNotListed == 1 ? " identical copy" : " identical copies") +
            " of live keys not listed";
  if (earlierValues > 0)
    line += "; " + std::to_string(earlierValues) + (earlierValues == 1 ? " earlier value" : " earlier values") +
            " of live keys";
  return line;
}

std::string RecoverySummaryLine(const std::vector<const RecoveredKey*>& keys) {
  std::size_t values = 0, high = 0, medium = 0, low = 0;
  for (const RecoveredKey* k : keys) {
    values += k->values.size();
    (k->confidence == Confidence::High ? high : k->confidence == Confidence::Medium ? medium : low)++;
  }
  return std::to_string(keys.size()) + (keys.size() == 1 ? " key and " : " keys and ") + std::to_string(values) +
         (values == 1 ? " value" : " values") + " recovered: " + std::to_string(high) + " high, " +
         std::to_string(medium) + " medium, " + std::to_string(low) + " low confidence";
}

}  // namespace quarvex::recover
