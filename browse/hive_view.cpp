#include "browse/hive_view.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "hive/finding.h"
#include "text/text_encoding.h"

namespace quarvex::browse {

namespace {

std::string_view AsText(hive::Bytes bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string FoldName(std::string_view name, const text::LeadByteSet& leadBytes) {
  std::string out(name);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (leadBytes.Contains(static_cast<std::uint8_t>(out[i]))) {
      ++i;  // the trail byte stays as it is
      continue;
    }
    out[i] = UpperAscii(out[i]);
  }
  return out;
}

std::vector<std::string> KeyStateMarks(const KeyState& s) {
  std::vector<std::string> marks;
  if (s.lost) marks.emplace_back("lost");
  if (s.unreadable) marks.emplace_back("unreadable");
  if (s.valuesMissing) marks.emplace_back("values missing");
  if (s.valuesCut) marks.emplace_back("values cut");
  if (s.damaged && !s.unreadable && !s.valuesMissing && !s.valuesCut) marks.emplace_back("damaged");
  return marks;
}

std::string FoldAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperAscii(c);
  return out;
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t begin = 0;
  while (begin <= path.size()) {
    const std::size_t end = std::min(path.find('\\', begin), path.size());
    if (end > begin) parts.emplace_back(path.substr(begin, end - begin));
    begin = end + 1;
  }
  return parts;
}

bool IsRootKeyName(std::string_view name) {
  static constexpr std::array<std::string_view, 12> kRoots{"HKEY_USERS",
                                                           "HKEY_LOCAL_MACHINE",
                                                           "HKEY_CURRENT_USER",
                                                           "HKEY_CLASSES_ROOT",
                                                           "HKEY_CURRENT_CONFIG",
                                                           "HKEY_DYN_DATA",
                                                           "HKU",
                                                           "HKLM",
                                                           "HKCU",
                                                           "HKCR",
                                                           "HKCC",
                                                           "HKDD"};
  const std::string folded = FoldAscii(name);
  return std::find(kRoots.begin(), kRoots.end(), folded) != kRoots.end();
}

HiveView::HiveView(const salvage::SalvagedHive& hive, text::CodePage codePage)
    : hive_(&hive), codePage_(codePage), leadBytes_(text::LeadByteSet::For(codePage)) {
  const std::size_t n = hive.keys.size();
  children_.resize(n + 1);
  parent_.assign(n + 1, kTop);
  depth_.assign(n + 1, 0);
  findings_.resize(n + 1);
  if (n > 0 && salvage::IsUnnamedRoot(hive.keys[0])) hiddenRoot_ = 0;
  // Parents always come before their keys, so one pass in index order sets every depth.
  for (std::size_t k = 0; k < n; ++k) {
    const auto key = static_cast<std::int32_t>(k);
    if (key == hiddenRoot_) continue;
    std::int32_t parent = hive.keys[k].parent;
    if (parent == hiddenRoot_ || parent < 0 || parent >= key) parent = kTop;
    parent_[Slot(key)] = parent;
    depth_[Slot(key)] = depth_[Slot(parent)] + 1;
    children_[Slot(parent)].push_back(key);
  }

  // Findings to keys: by the key node's 28 bytes, else by the record (values included) they
  // lie in. Records are in file order, blocks one after the other.
  std::unordered_map<std::int64_t, std::int32_t> nodeKey;
  nodeKey.reserve(n);
  for (std::size_t k = 0; k < n; ++k) nodeKey.emplace(hive.keys[k].node.InFile().value, static_cast<std::int32_t>(k));
  std::vector<std::pair<std::int64_t, std::size_t>> recordAt;
  recordAt.reserve(hive.records.size());
  for (std::size_t r = 0; r < hive.records.size(); ++r) recordAt.emplace_back(hive.records[r].offset.value, r);
  std::sort(recordAt.begin(), recordAt.end());
  for (std::size_t f = 0; f < hive.findings.size(); ++f) {
    const std::int64_t at = hive.findings[f].offset.value;
    std::int32_t key = kTop;
    if (hive.findings[f].structure == hive::Structure::KeyNode) {
      if (const auto it = nodeKey.find(at); it != nodeKey.end()) key = it->second;
    } else if (hive.findings[f].structure == hive::Structure::DataRecord ||
               hive.findings[f].structure == hive::Structure::Value) {
      auto it = std::upper_bound(recordAt.begin(), recordAt.end(), std::pair{at, hive.records.size()});
      if (it != recordAt.begin()) {
        --it;
        const salvage::SalvagedRecord& r = hive.records[it->second];
        if (at < r.offset.value + std::max<std::int64_t>(r.extent, 1)) key = r.key;
      }
    }
    if (key == hiddenRoot_) key = kTop;
    findings_[Slot(key)].push_back(static_cast<std::int32_t>(f));
  }
}

std::span<const std::int32_t> HiveView::Children(std::int32_t key) const { return children_[Slot(key)]; }
std::int32_t HiveView::Parent(std::int32_t key) const { return parent_[Slot(key)]; }
int HiveView::Depth(std::int32_t key) const { return depth_[Slot(key)]; }
std::span<const std::int32_t> HiveView::Findings(std::int32_t key) const { return findings_[Slot(key)]; }

std::span<const salvage::SalvagedValue> HiveView::Values(std::int32_t key) const {
  if (key == kTop) key = hiddenRoot_;  // the root's own record, when it has one, holds the top's values
  if (key == kTop) return {};
  const salvage::SalvagedKey& k = hive_->keys[static_cast<std::size_t>(key)];
  if (k.record == salvage::kNoIndex) return {};
  const salvage::SalvagedRecord& r = hive_->records[static_cast<std::size_t>(k.record)];
  // A key that shares another's record (damage) shows no values: they are the other key's.
  if (r.key != key) return {};
  return std::span<const salvage::SalvagedValue>(hive_->values).subspan(r.firstValue, r.valueCount);
}

std::size_t HiveView::ValueIndex(const salvage::SalvagedValue& value) const {
  return static_cast<std::size_t>(&value - hive_->values.data());
}

std::string HiveView::NameBytes(std::int32_t key) const {
  if (key == kTop) return {};
  const salvage::SalvagedKey& k = hive_->keys[static_cast<std::size_t>(key)];
  if (k.record == salvage::kNoIndex) return "{key node " + hive::Hex32(static_cast<std::uint32_t>(k.node.value)) + "}";
  return std::string(AsText(k.name));
}

std::string HiveView::Name(std::int32_t key) const { return text::CodePageToUtf8(NameBytes(key), codePage_); }

std::string HiveView::PathBytes(std::int32_t key) const {
  std::vector<std::int32_t> chain;
  for (std::int32_t k = key; k != kTop; k = Parent(k)) chain.push_back(k);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty()) path += '\\';
    path += NameBytes(*it);
  }
  return path;
}

std::string HiveView::Path(std::int32_t key) const { return text::CodePageToUtf8(PathBytes(key), codePage_); }

KeyState HiveView::State(std::int32_t key) const {
  KeyState s;
  if (key == kTop) return s;
  const salvage::SalvagedKey& k = hive_->keys[static_cast<std::size_t>(key)];
  s.lost = k.lost;
  s.unreadable = k.record == salvage::kNoIndex;
  if (!s.unreadable) {
    const salvage::SalvagedRecord& r = hive_->records[static_cast<std::size_t>(k.record)];
    s.valuesMissing = r.key == key && r.valueCount < r.header.DatN;
  }
  for (const salvage::SalvagedValue& v : Values(key)) s.valuesCut = s.valuesCut || v.cut;
  for (std::int32_t f : Findings(key))
    s.damaged = s.damaged || hive_->findings[static_cast<std::size_t>(f)].severity == hive::Severity::Damage;
  return s;
}

Lookup HiveView::Find(std::string_view pathUtf8) const {
  std::vector<std::string> parts = SplitKeyPath(pathUtf8);
  if (!parts.empty() && IsRootKeyName(parts.front())) {
    const std::string folded = FoldAscii(parts.front());
    bool named = false;
    for (std::int32_t c : Children(kTop)) named = named || FoldAscii(Name(c)) == folded;
    if (!named) parts.erase(parts.begin());
  }
  std::int32_t at = kTop;
  std::string walked;
  for (const std::string& part : parts) {
    const std::string folded = FoldAscii(part);
    std::optional<std::int32_t> next;
    for (std::int32_t c : Children(at))
      if (FoldAscii(Name(c)) == folded) {
        next = c;
        break;
      }
    if (!next) {
      Lookup miss;
      miss.error = "no key '" + (walked.empty() ? part : walked + "\\" + part) + "'";
      if (!walked.empty()) miss.error += " (under '" + walked + "')";
      return miss;
    }
    at = *next;
    walked = Path(at);
  }
  return Lookup{at, {}};
}

const salvage::SalvagedValue* HiveView::FindValue(std::int32_t key, std::string_view nameUtf8) const {
  const auto values = Values(key);
  if (nameUtf8.empty() || nameUtf8 == "@") {
    for (const salvage::SalvagedValue& v : values)
      if (v.name.empty()) return &v;
    if (nameUtf8.empty()) return nullptr;
  }
  const std::string folded = FoldAscii(nameUtf8);
  for (const salvage::SalvagedValue& v : values)
    if (FoldAscii(text::CodePageToUtf8(AsText(v.name), codePage_)) == folded) return &v;
  return nullptr;
}

void HiveView::Walk(std::int32_t from, int maxDepth, const std::function<bool(std::int32_t, int)>& visit) const {
  // Each frame: the children of one key and how far through them the walk is.
  struct Frame {
    std::span<const std::int32_t> children;
    std::size_t next;
  };
  std::vector<Frame> stack{{Children(from), 0}};
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.next >= f.children.size()) {
      stack.pop_back();
      continue;
    }
    const std::int32_t key = f.children[f.next++];
    const int depth = static_cast<int>(stack.size());
    if (!visit(key, depth)) return;
    if (maxDepth == 0 || depth < maxDepth) stack.push_back({Children(key), 0});
  }
}

}  // namespace quarvex::browse
