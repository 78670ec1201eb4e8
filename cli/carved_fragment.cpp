#include "cli/carved_fragment.h"

#include <algorithm>

#include "carve/fragment_recovery.h"
#include "image/carve_scope.h"
#include "image/image_address.h"

namespace quarvex::cli {

namespace {

std::optional<std::uint64_t> CarvedOffsetOf(const std::string& file, std::string& container) {
  const std::optional<image::ImageAddress> address = image::ParseImageAddress(file);
  if (!address || address->parts.size() != 1) return std::nullopt;
  std::string why;
  const std::optional<std::uint64_t> offset = image::ParseCarvedOffset(address->parts[0], why);
  if (offset) container = address->container;
  return offset;
}

}  // namespace

bool AddressesFragment(const std::string& file) {
  std::string container, why;
  const std::optional<std::uint64_t> offset = CarvedOffsetOf(file, container);
  // A whole hive at the offset is read as any file; so is an address whose image is unreadable
  // (its reader then says why).
  return offset && !image::ReadCarvedFile(container, *offset, why) &&
         why.find("no whole registry file") != std::string::npos;
}

std::unique_ptr<LoadedFragment> LoadFragment(std::string_view command, const std::string& file,
                                             std::optional<text::CodePage> codePage, bool withRecovered,
                                             std::ostream& err) {
  std::string container, error;
  const std::optional<std::uint64_t> offset = CarvedOffsetOf(file, container);
  std::optional<carve::AddressedFragment> read;
  if (offset) read = carve::ReadFragmentAt(container, *offset, codePage, error);
  if (!read || !read->contents.unreadable.empty()) {
    err << "quarvex-cli " << command << ": " << file << ": cannot read: "
        << (read            ? read->contents.unreadable
            : error.empty() ? "not a carved fragment's address"
                            : error)
        << '\n';
    return nullptr;
  }
  auto loaded = std::make_unique<LoadedFragment>();
  loaded->file = file;
  loaded->read = std::move(*read);
  const carve::FragmentContents& contents = loaded->read.contents;
  loaded->view = std::make_unique<browse::HiveView>(contents.hive, contents.codePage);
  loaded->listed.assign(contents.hive.keys.size(), false);
  for (const carve::FragmentKey& k : contents.keys) {
    const std::int32_t key = contents.hive.records[k.record].key;
    if (k.pathKnown && key >= 0) loaded->listed[static_cast<std::size_t>(key)] = true;
  }
  if (withRecovered) {
    const carve::CarvedRecovery recovered = carve::RecoverInFragment(contents);
    std::vector<std::pair<const recover::RecoveredKey*, std::uint64_t>> kept;  // with the record's offset in the image
    for (const carve::CarvedRecoveredKey& k : recovered.keys) kept.emplace_back(k.key, k.offset);
    std::sort(kept.begin(), kept.end());
    // In the recovery's own order (by offset in the stand-in file), placed in the image: a
    // record's values lie in it, so they move with it.
    for (const recover::RecoveredKey& key : recovered.recovery.keys) {
      const auto found = std::lower_bound(kept.begin(), kept.end(), std::make_pair(&key, std::uint64_t{0}));
      if (found == kept.end() || found->first != &key) continue;
      recover::RecoveredKey placed = key;
      const std::int64_t delta = static_cast<std::int64_t>(found->second) - key.offset.value;
      placed.offset = key.offset.Plus(delta);
      for (recover::RecoveredValue& v : placed.values) v.offset = v.offset.Plus(delta);
      placed.node.reset();
      loaded->recovery.keys.push_back(std::move(placed));
    }
    recover::RecoverySummary& summary = loaded->recovery.summary;
    summary.keys = loaded->recovery.keys.size();
    for (const recover::RecoveredKey& key : loaded->recovery.keys) {
      summary.values += key.values.size();
      (key.confidence == recover::Confidence::High     ? summary.high
       : key.confidence == recover::Confidence::Medium ? summary.medium
                                                       : summary.low)++;
    }
    summary.workCapReached = recovered.recovery.summary.workCapReached;
  }
  return loaded;
}

facts::HiveSource FragmentFactSource(const LoadedFragment& fragment, bool withRecovered) {
  facts::HiveSource source{fragment.file, fragment.view.get(), withRecovered ? &fragment.recovery : nullptr};
  source.carved = true;
  source.listedKeys = &fragment.listed;
  source.notes = carve::FragmentMark(fragment.read.fragment, fragment.read.contents);
  return source;
}

}  // namespace quarvex::cli
