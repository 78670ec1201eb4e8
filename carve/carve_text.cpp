#include "carve/carve_text.h"

#include <set>

#include "browse/value_text.h"
#include "salvage/check_text.h"
#include "text/text_encoding.h"
#include "text/json_text.h"

namespace quarvex::carve {

namespace {

std::string Utf8(std::string_view bytes, text::CodePage cp) {
  return browse::EscapeControls(text::CodePageToUtf8(bytes, cp));
}

std::string NumberList(const std::set<std::uint32_t>& numbers) {
  std::string text;
  for (auto it = numbers.begin(); it != numbers.end(); ++it) {
    std::uint32_t last = *it;
    auto next = std::next(it);
    while (next != numbers.end() && *next == last + 1) last = *next++;
    if (!text.empty()) text += ", ";
    text += last == *it ? std::to_string(*it) : std::to_string(*it) + "-" + std::to_string(last);
    it = std::prev(next);
  }
  return text;
}

std::string ValueNameText(const salvage::SalvagedValue& v, text::CodePage cp) {
  const std::string name = browse::ValueName(v, cp);
  return name.empty() ? "(default)" : browse::QuoteText(name);
}

}  // namespace

std::string FragmentHas(const Fragment& fragment) {
  std::vector<std::string> parts;
  std::set<std::uint32_t> numbers;
  std::size_t unnumbered = 0;
  if (fragment.chain) {
    parts.push_back("file header");
    if (fragment.chain->HasKeyNodes()) parts.push_back("key-node block");
    for (const ChainBlock& b : fragment.chain->blocks)
      if (b.kind == BlockKind::Data) numbers.insert(b.number);
  }
  if (fragment.keyNodesWithoutHeader) parts.push_back("key-node block");
  for (const LooseBlock& b : fragment.blocks) {
    if (b.number)
      numbers.insert(*b.number);
    else
      ++unnumbered;
  }
  if (!numbers.empty()) parts.push_back((numbers.size() == 1 ? "data block " : "data blocks ") + NumberList(numbers));
  if (unnumbered)
    parts.push_back(std::to_string(unnumbered) + (unnumbered == 1 ? " data block" : " data blocks") +
                    " with no record in use");
  std::string text;
  for (const std::string& p : parts) text += (text.empty() ? "" : ", ") + p;
  return text;
}

std::uint64_t FragmentBytes(const Fragment& fragment) {
  std::uint64_t total = 0;
  if (fragment.chain) total += fragment.chain->End() - fragment.chain->start;
  for (const LooseBlock& b : fragment.blocks) total += b.size;
  return total;
}

std::vector<std::string> FragmentLines(const Fragment& fragment, const FragmentContents& contents) {
  const text::CodePage codePage = contents.codePage;
  std::vector<std::string> lines;
  for (const std::string& m : fragment.missing) lines.push_back("  missing: " + m);
  if (fragment.chain && !fragment.chain->broken.empty()) lines.push_back("  chain broken: " + fragment.chain->broken);
  if (!contents.unreadable.empty()) {
    lines.push_back("  unreadable: " + contents.unreadable);
    return lines;
  }
  std::size_t values = 0;
  for (const FragmentKey& k : contents.keys) values += contents.hive.records[k.record].valueCount;
  std::string counts = "  " + std::to_string(contents.keys.size()) +
                       (contents.keys.size() == 1 ? " key, " : " keys, ") + std::to_string(values) +
                       (values == 1 ? " value" : " values");
  if (contents.recordsSkipped)
    counts += "; " + std::to_string(contents.recordsSkipped) +
              (contents.recordsSkipped == 1 ? " record not listed (partly overwritten)"
                                            : " records not listed (partly overwritten)");
  lines.push_back(counts + "; code page " + std::string(text::CodePageName(codePage)));
  for (const FragmentKey& k : contents.keys) {
    const salvage::SalvagedRecord& r = contents.hive.records[k.record];
    lines.push_back("  " + OffsetText(k.offset) + "  " + (k.pathKnown ? "" : "(path unknown) ") +
                    Utf8(k.path, codePage));
    for (std::uint32_t i = 0; i < r.valueCount; ++i) {
      const salvage::SalvagedValue& v = contents.hive.values[r.firstValue + i];
      lines.push_back("      " + ValueNameText(v, codePage) + " = " + browse::TypeName(v.type) + " " +
                      browse::DataText(v, codePage));
    }
  }
  return lines;
}

std::string CarvedHiveJson(const HiveChain& hive, const std::string& address) {
  return "{\"kind\": \"carved\", \"address\": " + text::JsonString(address) +
         ", \"offset\": " + std::to_string(hive.start) + ", \"size\": " + std::to_string(hive.End() - hive.start) +
         ", \"dataBlocks\": " + std::to_string(hive.header.wDBblks) + "}";
}

std::string FragmentJson(const Fragment& fragment, const FragmentContents& contents) {
  const text::CodePage codePage = contents.codePage;
  std::string json = "{\"kind\": \"fragment\", \"offset\": " + std::to_string(fragment.offset) +
                     ", \"size\": " + std::to_string(FragmentBytes(fragment)) +
                     ", \"has\": " + text::JsonString(FragmentHas(fragment)) +
                     ", \"codePage\": " + text::JsonString(text::CodePageName(codePage)) + ", \"missing\": [";
  for (std::size_t i = 0; i < fragment.missing.size(); ++i)
    json += (i ? ", " : "") + text::JsonString(fragment.missing[i]);
  json += "]";
  if (fragment.chain && !fragment.chain->broken.empty())
    json += ", \"chainBroken\": " + text::JsonString(fragment.chain->broken);
  if (!contents.unreadable.empty()) json += ", \"unreadable\": " + text::JsonString(contents.unreadable);
  json += ", \"recordsNotListed\": " + std::to_string(contents.recordsSkipped) + ", \"keys\": [";
  for (std::size_t i = 0; i < contents.keys.size(); ++i) {
    const FragmentKey& k = contents.keys[i];
    const salvage::SalvagedRecord& r = contents.hive.records[k.record];
    json += std::string(i ? ", " : "") + "{\"offset\": " + std::to_string(k.offset) +
            ", \"block\": " + std::to_string(k.block) +
            ", \"path\": " + text::JsonString(text::CodePageToUtf8(k.path, codePage)) +
            ", \"pathKnown\": " + (k.pathKnown ? "true" : "false") + ", \"values\": [";
    for (std::uint32_t j = 0; j < r.valueCount; ++j) {
      const salvage::SalvagedValue& v = contents.hive.values[r.firstValue + j];
      json += std::string(j ? ", " : "") + "{\"name\": " + text::JsonString(browse::ValueName(v, codePage)) +
              ", \"type\": " + text::JsonString(browse::TypeName(v.type)) +
              ", \"data\": " + text::JsonString(browse::DataText(v, codePage)) +
              ", \"cut\": " + (v.cut ? "true" : "false") + "}";
    }
    json += "]}";
  }
  return json + "]}";
}

}  // namespace quarvex::carve
