#include "session/container_digests.h"

#include <map>
#include <mutex>
#include <optional>

#include "image/hive_source.h"

namespace quarvex::session {

namespace {

struct Computed {
  std::mutex lock;
  std::map<std::string, SizedDigests> byFile;
};

Computed& Cache() {
  static Computed cache;
  return cache;
}

std::optional<SizedDigests> Remembered(const std::string& file) {
  Computed& cache = Cache();
  std::lock_guard hold(cache.lock);
  const auto found = cache.byFile.find(file);
  if (found == cache.byFile.end()) return std::nullopt;
  return found->second;
}

void Remember(const std::string& file, const SizedDigests& digests) {
  Computed& cache = Cache();
  std::lock_guard hold(cache.lock);
  cache.byFile.emplace(file, digests);
}

}  // namespace

std::vector<ContainerDigest> ContainerDigests(const HiveAddress& address, std::string& error) {
  std::vector<ContainerDigest> found;
  if (!address.InContainer()) return found;
  const image::ImageAddress& where = address.Container();
  std::optional<SizedDigests> outer = Remembered(where.container);
  if (!outer) {
    outer = DigestsOfFile(where.container, error);
    if (!outer) return found;
    Remember(where.container, *outer);
  }
  found.push_back({where.container, *outer});
  // Each part but the last names a file inside what came before: a cabinet in the image.
  std::string name = where.container;
  for (std::size_t n = 1; n < where.parts.size(); ++n) {
    name += std::string(image::kAddressSeparator) + where.parts[n - 1];
    std::optional<SizedDigests> inner = Remembered(name);
    if (!inner) {
      const image::ImageAddress part{where.container,
                                     {where.parts.begin(), where.parts.begin() + static_cast<std::ptrdiff_t>(n)}};
      std::optional<std::vector<std::uint8_t>> bytes = image::ReadAddressedFile(part, error);
      if (!bytes) return found;
      inner = SizedDigests{bytes->size(), DigestsOf(*bytes)};
      Remember(name, *inner);
    }
    found.push_back({name, *inner});
  }
  return found;
}

}  // namespace quarvex::session
