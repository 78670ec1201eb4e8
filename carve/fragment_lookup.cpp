#include "carve/fragment_lookup.h"

#include "carve/carve_text.h"
#include "hive/format.h"
#include "hive/keyname.h"
#include "image/carve_scope.h"

namespace quarvex::carve {

namespace {

// Searches the scope for a fragment at offset; true when the search could run.
bool Search(const std::string& container, bool everything, std::uint64_t offset, std::optional<text::CodePage> codePage,
            std::optional<AddressedFragment>& found, bool& whole, std::string& error) {
  std::optional<image::CarveScope> scope = image::OpenCarveScope(container, everything, error);
  if (!scope) return false;
  const CarveResult result = Carve(*scope->source, scope->scan);
  for (const HiveChain& hive : result.hives) whole = whole || hive.start == offset;
  for (const Fragment& fragment : result.fragments) {
    if (fragment.offset != offset) continue;
    found = AddressedFragment{fragment, ReadFragment(*scope->source, fragment, codePage), scope->searched};
    return true;
  }
  return true;
}

}  // namespace

std::optional<AddressedFragment> ReadFragmentAt(const std::string& container, std::uint64_t offset,
                                                std::optional<text::CodePage> codePage, std::string& error) {
  std::optional<AddressedFragment> found;
  bool whole = false;
  std::string why;
  // The unallocated clusters first, as `hives --carve` searches; an image with no file system
  // (or a fragment in allocated clusters) only by every byte, as --carve-all does.
  const bool searched = Search(container, false, offset, codePage, found, whole, why);
  if (!found && !whole && !Search(container, true, offset, codePage, found, whole, why) && !searched) {
    error = why;
    return std::nullopt;
  }
  if (found) return found;
  error =
      container + ": " +
      (whole ? "a whole registry file is carved at " + OffsetText(offset) + ", not a fragment: it is read as any hive"
             : "no carved fragment starts at " + OffsetText(offset) +
                   " (`quarvex-cli hives --carve` and --carve-all list the fragments and their offsets)");
  return std::nullopt;
}

std::vector<std::string> FragmentMark(const Fragment& fragment, const FragmentContents& contents) {
  std::vector<std::string> lines;
  lines.push_back("Carved fragment at " + OffsetText(fragment.offset) + " (" + std::to_string(FragmentBytes(fragment)) +
                  " bytes found): " + FragmentHas(fragment));
  for (const std::string& m : fragment.missing) lines.push_back("Missing: " + m);
  if (fragment.chain && !fragment.chain->broken.empty()) lines.push_back("Chain broken: " + fragment.chain->broken);
  if (!contents.unreadable.empty()) lines.push_back("Unreadable: " + contents.unreadable);
  bool keyNodes = false;
  for (const FragmentKey& k : contents.keys) keyNodes = keyNodes || k.pathKnown;
  if (!contents.keys.empty() && !keyNodes)
    lines.push_back(
        "No key node names its records: their paths are unknown, each key is shown at the top by its own name");
  if (contents.recordsSkipped)
    lines.push_back(std::to_string(contents.recordsSkipped) +
                    (contents.recordsSkipped == 1 ? " record partly overwritten: not listed by the carver"
                                                  : " records partly overwritten: not listed by the carver"));
  return lines;
}

std::vector<std::uint8_t> BrowsableImage(const FragmentContents& contents) {
  const std::vector<std::uint8_t>& image = contents.image;
  if (image.size() < 64 || !contents.unreadable.empty()) return image;
  const hive::RgknHeader header = hive::RgknHeader::Decode(hive::Bytes(image).subspan(32, 32));
  // Only the empty key-node block the reader puts where none survived.
  if (header.iBlkSize != static_cast<std::int32_t>(hive::RgknHeader::kSize) || header.iRec1stOfs != -1) return image;
  std::vector<const FragmentKey*> hung;
  for (const FragmentKey& k : contents.keys)
    if (contents.hive.records[k.record].key == salvage::kNoIndex) hung.push_back(&k);
  if (hung.empty()) return image;

  const std::size_t nodes = hung.size() + 1;  // the unnamed root first
  const std::size_t rgknSize = hive::RgknHeader::kSize + nodes * hive::KeyNode::kSize;
  std::vector<std::uint8_t> out(image.begin(), image.begin() + 32);
  out.resize(32 + rgknSize, 0);
  {
    using F = hive::RgknHeaderField;
    const std::span<std::uint8_t> rgkn = std::span(out).subspan(32, hive::RgknHeader::kSize);
    hive::StoreSignature(rgkn, F::signature, hive::kRgknSignature);
    hive::StoreField<F::iBlkSize>(rgkn, static_cast<std::int32_t>(rgknSize));
    hive::StoreField<F::iRec1stOfs>(rgkn, static_cast<std::int32_t>(hive::RgknHeader::kSize));  // the root
    hive::StoreField<F::iERecOfs>(rgkn, hive::kNoOffset);                                       // no free key node
  }
  const text::LeadByteSet leadBytes = text::LeadByteSet::For(contents.codePage);
  const auto node = [&](std::size_t index) {
    return std::span(out).subspan(32 + hive::RgknHeader::kSize + index * hive::KeyNode::kSize, hive::KeyNode::kSize);
  };
  const auto relative = [&](std::size_t index) {
    return static_cast<std::int32_t>(hive::RgknHeader::kSize + index * hive::KeyNode::kSize);
  };
  using F = hive::KeyNodeField;
  // The root: no parent, no record (as Windows 98 and Me write it), the first record's node below.
  hive::StoreField<F::UprOfs>(node(0), hive::kNoOffset);
  hive::StoreField<F::LwrOfs>(node(0), relative(1));
  hive::StoreField<F::NextOfs>(node(0), hive::kNoOffset);
  hive::StoreField<F::RecNo>(node(0), hive::kNoNumber);
  hive::StoreField<F::BlkNo>(node(0), hive::kNoNumber);
  for (std::size_t i = 1; i < nodes; ++i) {
    const salvage::SalvagedRecord& r = contents.hive.records[hung[i - 1]->record];
    hive::StoreField<F::Chksum>(node(i), hive::KeyNameChecksum(r.name, leadBytes));
    hive::StoreField<F::UprOfs>(node(i), relative(0));
    hive::StoreField<F::LwrOfs>(node(i), hive::kNoOffset);
    hive::StoreField<F::NextOfs>(node(i), i + 1 < nodes ? relative(i + 1) : hive::kNoOffset);
    hive::StoreField<F::RecNo>(node(i), r.header.RecNo);
    hive::StoreField<F::BlkNo>(node(i), static_cast<std::uint16_t>(r.block));
  }
  // The data blocks follow as they were; the file header says where they now begin.
  const std::size_t firstData = 32 + hive::RgknHeader::kSize;
  out.insert(out.end(), image.begin() + static_cast<std::ptrdiff_t>(firstData), image.end());
  hive::StoreField<hive::CregHeaderField::iRGDB1st>(std::span(out).first(hive::CregHeader::kSize),
                                                    static_cast<std::int32_t>(32 + rgknSize));
  return out;
}

}  // namespace quarvex::carve
