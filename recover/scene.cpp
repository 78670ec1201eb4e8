#include "recover/scene.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "hive/finding.h"
#include "hive/keyname.h"

namespace quarvex::recover::detail {

using namespace quarvex::hive;

std::string Dec(std::uint64_t v) { return std::to_string(v); }
std::string HexI(std::int64_t v) { return Hex32(static_cast<std::uint32_t>(v)); }
std::string NameText(Bytes name) {
  const Bytes n = UpToFirstZero(name);
  return std::string(reinterpret_cast<const char*>(n.data()), n.size());
}

ImageReader::ImageReader(Bytes image, text::CodePage codePage)
    : image_(image),
      size_(static_cast<std::int64_t>(image.size())),
      codePage_(codePage),
      leadBytes_(text::LeadByteSet::For(codePage)),
      budget_(48 * static_cast<std::uint64_t>(image.size()) + 65536) {}

Bytes ImageReader::Slice(std::int64_t at, std::int64_t length) const {
  if (at < 0 || at >= size_ || length <= 0) return {};
  return image_.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(std::min(length, size_ - at)));
}
KeyNode ImageReader::NodeAt(KeyNodeOffset node) const { return DecodeAt<KeyNode>(image_, node.InFile().value); }
bool ImageReader::Spend(std::uint64_t work) {
  if (budget_ < work) {
    budget_ = 0;
    capReached_ = true;
    return false;
  }
  budget_ -= work;
  return true;
}

bool ImageReader::PrintableName(Bytes name) const {
  if (name.empty()) return false;
  const bool cp932 = codePage_ == text::CodePage::Cp932;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const std::uint8_t b = name[i];
    if (leadBytes_.Contains(b)) {
      if (i + 1 >= name.size()) return false;
      const std::uint8_t t = name[++i];
      if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
      continue;
    }
    if (b < 0x20 || b == 0x7F || b == '\\') return false;
    if (b >= 0x80) {
      if (leadBytes_.Empty()) {
        if (b < 0xA0) return false;  // C1 controls and the unused corner of a single-byte page
      } else if (!(cp932 && b >= 0xA1 && b <= 0xDF)) {
        return false;  // a double-byte page has no other single high byte
      }
    }
  }
  return true;
}

Scene::Scene(const salvage::SalvagedHive& h, const RecoverOptions& o) : hive(h), options(o), in(h.image, o.codePage) {
  for (std::size_t k = 0; k < hive.keys.size(); ++k)
    liveNodes_.emplace_back(hive.keys[k].node.value, static_cast<std::int32_t>(k));
  std::sort(liveNodes_.begin(), liveNodes_.end());
  for (const salvage::SalvagedRecord& r : hive.records)
    usedNumbers_.push_back((std::uint64_t{r.block} << 16) | r.header.RecNo);
  std::sort(usedNumbers_.begin(), usedNumbers_.end());
}

std::int32_t Scene::LiveKeyAt(KeyNodeOffset node) const {
  const std::int32_t rel = node.value;
  const auto it = std::lower_bound(liveNodes_.begin(), liveNodes_.end(), std::pair{rel, std::int32_t{-1}});
  return it != liveNodes_.end() && it->first == rel ? it->second : salvage::kNoIndex;
}

bool Scene::NumberInUse(std::uint32_t block, std::uint16_t recNo) const {
  return std::binary_search(usedNumbers_.begin(), usedNumbers_.end(), (std::uint64_t{block} << 16) | recNo);
}

std::int32_t Scene::OldNodeAt(KeyNodeOffset node) const {
  const std::int32_t rel = node.value;
  const auto it = std::lower_bound(oldNodes.begin(), oldNodes.end(), rel,
                                   [](const OldNode& n, std::int32_t r) { return n.rel < r; });
  return it != oldNodes.end() && it->rel == rel ? static_cast<std::int32_t>(it - oldNodes.begin()) : -1;
}

std::vector<const salvage::SalvagedValue*> Scene::LiveValues(std::int32_t key) const {
  std::vector<const salvage::SalvagedValue*> out;
  if (key < 0 || static_cast<std::size_t>(key) >= hive.keys.size()) return out;
  const std::int32_t r = hive.keys[static_cast<std::size_t>(key)].record;
  if (r == salvage::kNoIndex) return out;
  const salvage::SalvagedRecord& record = hive.records[static_cast<std::size_t>(r)];
  for (std::uint32_t i = 0; i < record.valueCount && record.firstValue + i < hive.values.size(); ++i)
    out.push_back(&hive.values[record.firstValue + i]);
  return out;
}

}  // namespace quarvex::recover::detail
