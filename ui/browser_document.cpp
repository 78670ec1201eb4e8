#include "ui/browser_document.h"

#include <algorithm>
#include <filesystem>

#include "detect/codepage_choice.h"
#include "detect/hive_root.h"
#include "export/regedit4_export.h"
#include "hive/format.h"
#include "hive/hive_image.h"
#include "image/hive_source.h"
#include "image/image_address.h"
#include "text/text_encoding.h"

namespace quarvex::ui {

namespace {

std::vector<std::string> SplitUtf8Path(const std::string& path) {
  // Splitting UTF-8 at '\' is safe: no byte of a multi-byte character is below 0x80.
  std::vector<std::string> parts;
  std::string part;
  for (const char c : path) {
    if (c == '\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  parts.push_back(part);
  return parts;
}

std::string Join(const std::vector<std::string>& parts, std::size_t from) {
  std::string joined;
  for (std::size_t i = from; i < parts.size(); ++i) {
    if (i > from) joined.push_back('\\');
    joined += parts[i];
  }
  return joined;
}

constexpr std::string_view kUnknownPrefix = "(unknown parent)\\";

}  // namespace

std::int64_t RecoveredEnd(const recover::RecoveredKey& key) {
  std::int64_t end = key.offset.value + static_cast<std::int64_t>(hive::DataRecordHeader::kSize) +
                     static_cast<std::int64_t>(key.name.size());
  for (const recover::RecoveredValue& v : key.values)
    end = std::max<std::int64_t>(end, v.offset.value + static_cast<std::int64_t>(hive::ValueEntry::kSize) +
                                          static_cast<std::int64_t>(v.name.size() + v.data.size()));
  return end;
}

std::unique_ptr<BrowserDocument> BrowserDocument::Load(const std::string& path, std::optional<text::CodePage> codePage,
                                                       std::string& error) {
  // A hive inside a disk image or cabinet (IMAGE::PATH) is read through the image layer; a
  // loose file only when it is a regular file, opened without blocking: a named pipe chosen by
  // mistake would hold the loading thread, and closing the window waits for that thread.
  std::string reason;
  std::optional<std::vector<std::uint8_t>> bytes;
  const std::optional<image::ImageAddress> address = image::ParseImageAddress(path);
  if (address) {
    bytes = image::ReadAddressedFile(*address, reason);
    if (!bytes) reason = "cannot read: " + reason;
  } else {
    bytes = hive::ReadWholeRegularFile(path, reason);
  }
  if (!bytes) {
    error = path + ": " + reason;
    return nullptr;
  }
  detect::CodePageChoice choice = detect::ChooseCodePage(codePage, path, hive::Bytes(*bytes), std::nullopt);
  return FromBytes(std::move(*bytes), path, std::move(choice), error);
}

std::unique_ptr<BrowserDocument> BrowserDocument::FromBytes(std::vector<std::uint8_t> bytes, const std::string& path,
                                                            text::CodePage codePage, std::string& error) {
  return FromBytes(std::move(bytes), path, detect::CodePageChoice{codePage, detect::CodePageSource::Option, "named by the user"},
                   error);
}

std::unique_ptr<BrowserDocument> BrowserDocument::FromBytes(std::vector<std::uint8_t> bytes, const std::string& path,
                                                            detect::CodePageChoice choice, std::string& error) {
  std::unique_ptr<BrowserDocument> doc(new BrowserDocument);
  const text::CodePage codePage = choice.codePage;
  doc->path_ = path;
  doc->codePage_ = std::move(choice);
  doc->bytes_ = std::move(bytes);
  doc->hive_ = salvage::Salvage(doc->Image(), {codePage});
  if (!doc->hive_.isHive) {
    error = path + ": not a registry file: no \"CREG\" signature at 0x00000000 and no \"RGKN\" at 0x00000020 (" +
            std::to_string(doc->bytes_.size()) + " bytes)";
    return nullptr;
  }
  salvage::AddFindings(doc->hive_, detect::CodePageFindings(doc->hive_, doc->codePage_));
  doc->view_ = std::make_unique<browse::HiveView>(doc->hive_, codePage);
  doc->recovery_ = recover::Recover(doc->hive_, {codePage});
  // The root key as quarvex-cli --export takes it: from the hive's top keys, the file name
  // only breaking a tie.
  const std::optional<detect::HiveRoot> root = detect::RootKeyForContent(doc->hive_);
  doc->rootKey_ = root ? root->rootKey : exporter::RootKeyForFileName(image::InnermostFileName(path));
  doc->Index();
  const facts::HiveSource sources[] = {{doc->FileName(), doc->view_.get(), &doc->recovery_}};
  doc->facts_ = facts::CollectFacts(sources);
  return doc;
}

std::string BrowserDocument::FileName() const { return image::DisplayName(path_); }

void BrowserDocument::Index() {
  const browse::HiveView& view = *view_;
  findingKey_.assign(hive_.findings.size(), browse::kTop);
  for (std::size_t k = 0; k < hive_.keys.size(); ++k)
    for (const std::int32_t f : view.Findings(static_cast<std::int32_t>(k)))
      if (f >= 0 && static_cast<std::size_t>(f) < findingKey_.size()) findingKey_[static_cast<std::size_t>(f)] =
          static_cast<std::int32_t>(k);

  recoveredUnder_.assign(hive_.keys.size() + 1, {});
  recoveredUnknown_.clear();
  placements_.clear();
  for (std::size_t i = 0; i < recovery_.keys.size(); ++i) {
    const recover::RecoveredKey& rk = recovery_.keys[i];
    RecoveredPlacement placement;
    std::string path = text::CodePageToUtf8(rk.path, codePage_.codePage);
    if (!rk.parentKnown) {
      if (path.starts_with(kUnknownPrefix)) path.erase(0, kUnknownPrefix.size());
      placement.label = path;
      recoveredUnknown_.push_back(i);
    } else {
      const std::vector<std::string> parts = SplitUtf8Path(path);
      // The nearest live ancestor: the longest prefix of the path that names a live key.
      std::size_t live = 0;
      std::int32_t parent = browse::kTop;
      for (std::size_t n = parts.size() - 1; n > 0; --n) {
        const browse::Lookup found = view.Find(Join(std::vector<std::string>(parts.begin(), parts.begin() +
                                                                             static_cast<std::ptrdiff_t>(n)), 0));
        if (found.key) {
          live = n;
          parent = *found.key;
          break;
        }
      }
      placement.parent = parent;
      placement.label = Join(parts, live);
      recoveredUnder_[static_cast<std::size_t>(parent + 1)].push_back(i);
    }
    placements_.push_back(std::move(placement));
  }

  recordsByOffset_.resize(hive_.records.size());
  for (std::size_t i = 0; i < recordsByOffset_.size(); ++i) recordsByOffset_[i] = i;
  std::sort(recordsByOffset_.begin(), recordsByOffset_.end(),
            [&](std::size_t a, std::size_t b) { return hive_.records[a].offset < hive_.records[b].offset; });
  keysByNode_.resize(hive_.keys.size());
  for (std::size_t i = 0; i < keysByNode_.size(); ++i) keysByNode_[i] = static_cast<std::int32_t>(i);
  std::sort(keysByNode_.begin(), keysByNode_.end(), [&](std::int32_t a, std::int32_t b) {
    return hive_.keys[static_cast<std::size_t>(a)].node < hive_.keys[static_cast<std::size_t>(b)].node;
  });
  freeRecords_ = browse::FreeRecords(hive_);
}

std::optional<std::int32_t> BrowserDocument::KeyAtNode(std::int64_t nodeOffset) const {
  auto node = std::lower_bound(keysByNode_.begin(), keysByNode_.end(), nodeOffset, [&](std::int32_t k, std::int64_t at) {
    return hive_.keys[static_cast<std::size_t>(k)].node.InFile().value < at;
  });
  if (node == keysByNode_.end() || hive_.keys[static_cast<std::size_t>(*node)].node.InFile().value != nodeOffset)
    return std::nullopt;
  return *node;
}

std::optional<std::size_t> BrowserDocument::RecoveredAt(std::int64_t recordOffset) const {
  const std::vector<recover::RecoveredKey>& keys = recovery_.keys;
  auto found = std::lower_bound(keys.begin(), keys.end(), recordOffset,
                                [](const recover::RecoveredKey& k, std::int64_t at) { return k.offset.value < at; });
  if (found == keys.end() || found->offset.value != recordOffset) return std::nullopt;
  return static_cast<std::size_t>(found - keys.begin());
}

const std::vector<std::size_t>& BrowserDocument::RecoveredUnder(std::int32_t parent) const {
  static const std::vector<std::size_t> none;
  if (parent == kUnknownParent) return recoveredUnknown_;
  const auto slot = static_cast<std::size_t>(parent + 1);
  return slot < recoveredUnder_.size() ? recoveredUnder_[slot] : none;
}

std::optional<std::size_t> BrowserDocument::RecordOf(std::int32_t key) const {
  if (key < 0 || static_cast<std::size_t>(key) >= hive_.keys.size()) return std::nullopt;
  const std::int32_t record = hive_.keys[static_cast<std::size_t>(key)].record;
  if (record < 0) return std::nullopt;
  return static_cast<std::size_t>(record);
}

std::int64_t BrowserDocument::RecordLength(std::size_t record) const {
  const salvage::SalvagedRecord& r = hive_.records[record];
  std::int64_t length = r.extent;
  if (r.header.NextOfs > 0) length = std::min<std::int64_t>(length, r.header.NextOfs);
  length = std::max<std::int64_t>(length, std::int64_t{hive::DataRecordHeader::kSize});
  const auto size = static_cast<std::int64_t>(bytes_.size());
  return std::clamp<std::int64_t>(size - r.offset.value, 0, length);
}

std::optional<StructureAtOffset> BrowserDocument::StructureAt(std::int64_t offset) const {
  const auto size = static_cast<std::int64_t>(bytes_.size());
  if (offset < 0 || offset >= size) return std::nullopt;
  const auto clamp = [&](StructureAtOffset s) {
    s.length = std::min(s.length, size - s.start);
    return s;
  };
  if (offset < std::int64_t{hive::CregHeader::kSize}) return clamp({"file header", 0, 32, {}, {}, {}, {}});
  const std::int64_t rgkn = hive::kKeyNodeBlockFileOffset.value;
  if (offset < rgkn + std::int64_t{hive::RgknHeader::kSize}) return clamp({"key-node block header", rgkn, 32, {}, {}, {}, {}});

  // A key node in use.
  auto node = std::upper_bound(keysByNode_.begin(), keysByNode_.end(), offset, [&](std::int64_t at, std::int32_t k) {
    return at < hive_.keys[static_cast<std::size_t>(k)].node.InFile().value;
  });
  if (node != keysByNode_.begin()) {
    const std::int32_t key = *std::prev(node);
    const std::int64_t start = hive_.keys[static_cast<std::size_t>(key)].node.InFile().value;
    if (offset < start + std::int64_t{hive::KeyNode::kSize})
      return clamp({"key node", start, std::int64_t{hive::KeyNode::kSize}, key, {}, {}, {}});
  }

  // A data record in use, and the value inside it.
  auto rec = std::upper_bound(recordsByOffset_.begin(), recordsByOffset_.end(), offset,
                              [&](std::int64_t at, std::size_t r) { return at < hive_.records[r].offset.value; });
  if (rec != recordsByOffset_.begin()) {
    const std::size_t r = *std::prev(rec);
    const salvage::SalvagedRecord& record = hive_.records[r];
    const std::int64_t start = record.offset.value;
    if (offset < start + RecordLength(r)) {
      std::optional<std::int32_t> key;
      if (record.key >= 0) key = record.key;
      for (std::uint32_t v = record.firstValue; v < record.firstValue + record.valueCount && v < hive_.values.size(); ++v) {
        const salvage::SalvagedValue& value = hive_.values[v];
        const std::int64_t length = 12 + static_cast<std::int64_t>(value.name.size() + value.data.size());
        if (offset >= value.offset.value && offset < value.offset.value + length)
          return clamp({"value", value.offset.value, length, key, v, {}, {}});
      }
      return clamp({"data record", start, RecordLength(r), key, {}, {}, {}});
    }
  }

  for (const salvage::SalvagedBlock& block : hive_.blocks)
    if (offset >= block.offset.value && offset < block.offset.value + std::int64_t{hive::RgdbHeader::kSize})
      return clamp({"data block header", block.offset.value, 32, {}, {}, {}, {}});

  // A free record of a block's chain (often a free area of several merged), and the deleted
  // key recovery read inside it.
  if (const std::optional<browse::FreeRecord> free = browse::FreeRecordAt(freeRecords_, offset)) {
    StructureAtOffset s{"free record, block " + std::to_string(free->block) + ", size " + std::to_string(free->size),
                        free->offset, free->size, {}, {}, free, {}};
    const std::vector<recover::RecoveredKey>& keys = recovery_.keys;
    auto first = std::lower_bound(keys.begin(), keys.end(), free->offset,
                                  [](const recover::RecoveredKey& k, std::int64_t at) { return k.offset.value < at; });
    for (auto k = first; k != keys.end() && k->offset.value < free->offset + free->size; ++k) {
      if (!s.recovered) s.recovered = static_cast<std::size_t>(k - keys.begin());
      if (k->offset.value <= offset && offset < RecoveredEnd(*k)) {
        s.recovered = static_cast<std::size_t>(k - keys.begin());
        break;
      }
    }
    return clamp(s);
  }
  return clamp({"bytes", offset & ~std::int64_t{15}, 256, {}, {}, {}, {}});
}

}  // namespace quarvex::ui
