#include "ui/browser/browser_document.h"

#include <algorithm>
#include <filesystem>

#include "carve/fragment_lookup.h"
#include "detect/hive_root.h"
#include "export/regedit4_export.h"
#include "hive/format.h"
#include "hive/hive_image.h"
#include "image/carve_scope.h"
#include "image/hive_source.h"
#include "image/image_address.h"
#include "session/code_page.h"
#include "session/hive_bytes.h"
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
  // mistake would hold the loading thread, and closing the window waits for that thread. A
  // window's "-" is a file of that name.
  const session::HiveAddress address = session::HiveAddress::Parse(path, false);
  std::string reason;
  std::optional<std::vector<std::uint8_t>> bytes = session::ReadHiveBytes(address, reason);
  if (!bytes && address.IsCarved()) {
    // IMAGE::@0xOFFSET with no whole file there: a fragment the carver lists at that offset.
    std::string why;
    const std::optional<std::uint64_t> carved = image::ParseCarvedOffset(address.Container().parts[0], why);
    if (carved && reason.find("no whole registry file") != std::string::npos)
      return FromFragment(path, *carved, codePage, error);
  }
  if (!bytes) {
    error = path + ": " + (address.InContainer() ? "cannot read: " : "") + reason;
    return nullptr;
  }
  session::CodePageRequest request;
  request.named = codePage;
  request.namedHow = "named by the user";
  detect::CodePageChoice choice = session::ChooseCodePage(request, address, hive::Bytes(*bytes));
  return FromBytes(std::move(*bytes), path, std::move(choice), error);
}

std::unique_ptr<BrowserDocument> BrowserDocument::FromBytes(std::vector<std::uint8_t> bytes, const std::string& path,
                                                            text::CodePage codePage, std::string& error) {
  return FromBytes(std::move(bytes), path,
                   detect::CodePageChoice{codePage, detect::CodePageSource::Option, "named by the user"}, error);
}

std::unique_ptr<BrowserDocument> BrowserDocument::FromBytes(std::vector<std::uint8_t> bytes, const std::string& path,
                                                            detect::CodePageChoice choice, std::string& error) {
  std::unique_ptr<BrowserDocument> doc(new BrowserDocument);
  doc->path_ = path;
  session::OpenOptions options;
  options.chosen = std::move(choice);
  options.report = session::ReportCheck::Never;
  doc->opened_ = session::OpenBytes(session::HiveAddress::Parse(path, false), std::move(bytes), options);
  if (!doc->opened_->IsHive()) {
    error = path + ": not a registry file: no \"CREG\" signature at 0x00000000 and no \"RGKN\" at 0x00000020 (" +
            std::to_string(doc->opened_->bytes.size()) + " bytes)";
    return nullptr;
  }
  doc->recovery_ = doc->opened_->Recovery();
  // The root key as quarvex-cli --export takes it: from the hive's top keys, the file name
  // only breaking a tie.
  const std::optional<detect::HiveRoot> root = detect::RootKeyForContent(doc->Hive());
  doc->rootKey_ = root ? root->rootKey : exporter::RootKeyForFileName(image::InnermostFileName(path));
  doc->Index();
  const facts::HiveSource sources[] = {{doc->FileName(), &doc->View(), &doc->recovery_}};
  doc->facts_ = facts::CollectFacts(sources);
  return doc;
}

std::unique_ptr<BrowserDocument> BrowserDocument::FromFragment(const std::string& path, std::uint64_t offset,
                                                               std::optional<text::CodePage> codePage,
                                                               std::string& error) {
  const std::optional<image::ImageAddress> address = image::ParseImageAddress(path);
  std::string reason;
  std::optional<carve::AddressedFragment> read =
      address ? carve::ReadFragmentAt(address->container, offset, codePage, reason) : std::nullopt;
  if (read && !read->contents.unreadable.empty()) reason = read->contents.unreadable;
  if (!read || !read->contents.unreadable.empty()) {
    error = path + ": cannot read: " + reason;
    return nullptr;
  }
  const carve::FragmentContents& contents = read->contents;
  detect::CodePageChoice choice{contents.codePage,
                                codePage ? detect::CodePageSource::Option : detect::CodePageSource::Checksums,
                                codePage ? "named by the user" : "the fragment's key-node checksums, else 1252"};
  std::unique_ptr<BrowserDocument> doc = FromBytes(carve::BrowsableImage(contents), path, std::move(choice), error);
  if (!doc) return nullptr;
  doc->carvedMark_ = carve::FragmentMark(read->fragment, contents);
  doc->carvedMark_.push_back(
      "Only what survives is shown; offsets are those of a stand-in file laid out from the "
      "fragment's blocks (quarvex-cli hives --carve gives each key's offset in the image)");
  // Free space of a fragment may hold another file's bytes: remains judged low are left out,
  // as `hives --carve` leaves them out.
  std::erase_if(doc->recovery_.keys,
                [](const recover::RecoveredKey& k) { return k.confidence == recover::Confidence::Low; });
  doc->recovery_.summary.keys = doc->recovery_.keys.size();
  doc->recovery_.summary.low = 0;
  doc->Index();
  facts::HiveSource source{doc->FileName(), &doc->View(), &doc->recovery_};
  source.carved = true;
  source.notes = carve::FragmentMark(read->fragment, contents);
  const facts::HiveSource sources[] = {source};
  doc->facts_ = facts::CollectFacts(sources);
  return doc;
}

std::string BrowserDocument::FileName() const { return image::DisplayName(path_); }

void BrowserDocument::Index() {
  const browse::HiveView& view = View();
  findingKey_.assign(Hive().findings.size(), browse::kTop);
  for (std::size_t k = 0; k < Hive().keys.size(); ++k)
    for (const std::int32_t f : view.Findings(static_cast<std::int32_t>(k)))
      if (f >= 0 && static_cast<std::size_t>(f) < findingKey_.size())
        findingKey_[static_cast<std::size_t>(f)] = static_cast<std::int32_t>(k);

  recoveredUnder_.assign(Hive().keys.size() + 1, {});
  recoveredUnknown_.clear();
  placements_.clear();
  for (std::size_t i = 0; i < recovery_.keys.size(); ++i) {
    const recover::RecoveredKey& rk = recovery_.keys[i];
    RecoveredPlacement placement;
    std::string path = text::CodePageToUtf8(rk.path, CodePage());
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
        const browse::Lookup found =
            view.Find(Join(std::vector<std::string>(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(n)), 0));
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

  recordsByOffset_.resize(Hive().records.size());
  for (std::size_t i = 0; i < recordsByOffset_.size(); ++i) recordsByOffset_[i] = i;
  std::sort(recordsByOffset_.begin(), recordsByOffset_.end(),
            [&](std::size_t a, std::size_t b) { return Hive().records[a].offset < Hive().records[b].offset; });
  keysByNode_.resize(Hive().keys.size());
  for (std::size_t i = 0; i < keysByNode_.size(); ++i) keysByNode_[i] = static_cast<std::int32_t>(i);
  std::sort(keysByNode_.begin(), keysByNode_.end(), [&](std::int32_t a, std::int32_t b) {
    return Hive().keys[static_cast<std::size_t>(a)].node < Hive().keys[static_cast<std::size_t>(b)].node;
  });
  freeRecords_ = browse::FreeRecords(Hive());
}

std::optional<std::int32_t> BrowserDocument::KeyAtNode(std::int64_t nodeOffset) const {
  auto node =
      std::lower_bound(keysByNode_.begin(), keysByNode_.end(), nodeOffset, [&](std::int32_t k, std::int64_t at) {
        return Hive().keys[static_cast<std::size_t>(k)].node.InFile().value < at;
      });
  if (node == keysByNode_.end() || Hive().keys[static_cast<std::size_t>(*node)].node.InFile().value != nodeOffset)
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
  if (key < 0 || static_cast<std::size_t>(key) >= Hive().keys.size()) return std::nullopt;
  const std::int32_t record = Hive().keys[static_cast<std::size_t>(key)].record;
  if (record < 0) return std::nullopt;
  return static_cast<std::size_t>(record);
}

std::int64_t BrowserDocument::RecordLength(std::size_t record) const {
  const salvage::SalvagedRecord& r = Hive().records[record];
  std::int64_t length = r.extent;
  if (r.header.NextOfs > 0) length = std::min<std::int64_t>(length, r.header.NextOfs);
  length = std::max<std::int64_t>(length, std::int64_t{hive::DataRecordHeader::kSize});
  const auto size = static_cast<std::int64_t>(opened_->bytes.size());
  return std::clamp<std::int64_t>(size - r.offset.value, 0, length);
}

std::optional<StructureAtOffset> BrowserDocument::StructureAt(std::int64_t offset) const {
  const auto size = static_cast<std::int64_t>(opened_->bytes.size());
  if (offset < 0 || offset >= size) return std::nullopt;
  const auto clamp = [&](StructureAtOffset s) {
    s.length = std::min(s.length, size - s.start);
    return s;
  };
  if (offset < std::int64_t{hive::CregHeader::kSize}) return clamp({"file header", 0, 32, {}, {}, {}, {}});
  const std::int64_t rgkn = hive::kKeyNodeBlockFileOffset.value;
  if (offset < rgkn + std::int64_t{hive::RgknHeader::kSize})
    return clamp({"key-node block header", rgkn, 32, {}, {}, {}, {}});

  // A key node in use.
  auto node = std::upper_bound(keysByNode_.begin(), keysByNode_.end(), offset, [&](std::int64_t at, std::int32_t k) {
    return at < Hive().keys[static_cast<std::size_t>(k)].node.InFile().value;
  });
  if (node != keysByNode_.begin()) {
    const std::int32_t key = *std::prev(node);
    const std::int64_t start = Hive().keys[static_cast<std::size_t>(key)].node.InFile().value;
    if (offset < start + std::int64_t{hive::KeyNode::kSize})
      return clamp({"key node", start, std::int64_t{hive::KeyNode::kSize}, key, {}, {}, {}});
  }

  // A data record in use, and the value inside it.
  auto rec = std::upper_bound(recordsByOffset_.begin(), recordsByOffset_.end(), offset,
                              [&](std::int64_t at, std::size_t r) { return at < Hive().records[r].offset.value; });
  if (rec != recordsByOffset_.begin()) {
    const std::size_t r = *std::prev(rec);
    const salvage::SalvagedRecord& record = Hive().records[r];
    const std::int64_t start = record.offset.value;
    if (offset < start + RecordLength(r)) {
      std::optional<std::int32_t> key;
      if (record.key >= 0) key = record.key;
      for (std::uint32_t v = record.firstValue; v < record.firstValue + record.valueCount && v < Hive().values.size();
           ++v) {
        const salvage::SalvagedValue& value = Hive().values[v];
        const std::int64_t length = 12 + static_cast<std::int64_t>(value.name.size() + value.data.size());
        if (offset >= value.offset.value && offset < value.offset.value + length)
          return clamp({"value", value.offset.value, length, key, v, {}, {}});
      }
      return clamp({"data record", start, RecordLength(r), key, {}, {}, {}});
    }
  }

  for (const salvage::SalvagedBlock& block : Hive().blocks)
    if (offset >= block.offset.value && offset < block.offset.value + std::int64_t{hive::RgdbHeader::kSize})
      return clamp({"data block header", block.offset.value, 32, {}, {}, {}, {}});

  // A free record of a block's chain (often a free area of several merged), and the deleted
  // key recovery read inside it.
  if (const std::optional<browse::FreeRecord> free = browse::FreeRecordAt(freeRecords_, offset)) {
    StructureAtOffset s{"free record, block " + std::to_string(free->block) + ", size " + std::to_string(free->size),
                        free->offset,
                        free->size,
                        {},
                        {},
                        free,
                        {}};
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
