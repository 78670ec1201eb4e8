#include "carve/fragment_recovery.h"

#include <algorithm>

#include "browse/value_text.h"
#include "carve/hive_chain.h"
#include "salvage/check_text.h"
#include "text/text_encoding.h"
#include "text/json_text.h"

namespace quarvex::carve {

namespace {

salvage::SalvagedValue AsSalvaged(const recover::RecoveredValue& v) {
  return {v.offset, v.type, v.name, v.data, v.partial};
}

std::string Utf8(std::string_view bytes, text::CodePage cp) { return text::CodePageToUtf8(bytes, cp); }

std::string NameOf(const recover::RecoveredValue& v, text::CodePage cp) {
  return v.nameLength == 0 ? std::string() : browse::ValueName(AsSalvaged(v), cp);
}

}  // namespace

CarvedRecovery RecoverInFragment(const FragmentContents& contents) {
  CarvedRecovery out;
  if (!contents.unreadable.empty()) return out;
  recover::RecoverOptions options;
  options.codePage = contents.codePage;
  out.recovery = recover::Recover(contents.hive, options);
  // Where the key-node block is lost, no key node names the records in use, and recovery takes
  // them for orphans of deleted keys; they are the fragment's own keys, listed as such.
  std::vector<std::int64_t> listed;
  for (const FragmentKey& k : contents.keys) listed.push_back(contents.hive.records[k.record].offset.value);
  std::sort(listed.begin(), listed.end());
  for (const recover::RecoveredKey& key : out.recovery.keys) {
    const std::optional<std::uint64_t> at = contents.SourceOffset(key.offset.value);
    if (!at || std::binary_search(listed.begin(), listed.end(), key.offset.value)) continue;
    // Free space of a fragment may hold another file's bytes: remains judged low are left out.
    if (key.confidence == recover::Confidence::Low)
      ++out.lowLeftOut;
    else
      out.keys.push_back({*at, &key});
  }
  std::sort(out.keys.begin(), out.keys.end(),
            [](const CarvedRecoveredKey& a, const CarvedRecoveredKey& b) { return a.offset < b.offset; });
  return out;
}

std::vector<std::string> CarvedRecoveryLines(const CarvedRecovery& recovered, text::CodePage codePage) {
  std::vector<std::string> lines;
  if (recovered.keys.empty() && recovered.lowLeftOut == 0) return lines;
  std::size_t counts[3] = {0, 0, 0};
  for (const CarvedRecoveredKey& k : recovered.keys) ++counts[static_cast<int>(k.key->confidence)];
  lines.push_back("  deleted keys recovered from its free space (carved): " + std::to_string(recovered.keys.size()) +
                  " (" + std::to_string(counts[2]) + " high, " + std::to_string(counts[1]) + " medium confidence; " +
                  std::to_string(recovered.lowLeftOut) + " of low confidence left out)");
  for (const CarvedRecoveredKey& k : recovered.keys) {
    lines.push_back("  " + OffsetText(k.offset) + "  [carved, deleted, " +
                    std::string(recover::ConfidenceName(k.key->confidence)) + (k.key->partial ? ", partial" : "") +
                    "] " + browse::EscapeControls(Utf8(k.key->path, codePage)));
    for (const recover::RecoveredValue& v : k.key->values) {
      const std::string name = NameOf(v, codePage);
      lines.push_back("      " + (name.empty() ? std::string("(default)") : browse::QuoteText(name)) + " = " +
                      browse::TypeName(v.type) + " " + browse::DataText(AsSalvaged(v), codePage, 200));
    }
  }
  return lines;
}

std::string CarvedRecoveryJson(const CarvedRecovery& recovered, text::CodePage codePage) {
  std::string json = "[";
  for (std::size_t i = 0; i < recovered.keys.size(); ++i) {
    const CarvedRecoveredKey& k = recovered.keys[i];
    json += std::string(i ? ", " : "") + "{\"offset\": " + std::to_string(k.offset) +
            ", \"path\": " + text::JsonString(Utf8(k.key->path, codePage)) +
            ", \"confidence\": " + text::JsonString(recover::ConfidenceName(k.key->confidence)) +
            ", \"partial\": " + (k.key->partial ? "true" : "false") + ", \"carved\": true, \"values\": [";
    for (std::size_t j = 0; j < k.key->values.size(); ++j) {
      const recover::RecoveredValue& v = k.key->values[j];
      json += std::string(j ? ", " : "") + "{\"name\": " + text::JsonString(NameOf(v, codePage)) +
              ", \"type\": " + text::JsonString(browse::TypeName(v.type)) +
              ", \"data\": " + text::JsonString(browse::DataText(AsSalvaged(v), codePage)) +
              ", \"partial\": " + (v.partial ? "true" : "false") + "}";
    }
    json += "]}";
  }
  return json + "]";
}

}  // namespace quarvex::carve
