#include "cli/copy_sources.h"

#include "image/hive_copies.h"
#include "image/hive_source.h"

namespace quarvex::cli {

void MarkCopies(std::vector<facts::HiveSource>& sources) {
  std::vector<std::string> files;
  for (const facts::HiveSource& source : sources) files.push_back(source.file);
  for (const std::vector<image::NamedCopy>& set : image::CopySets(files)) {
    const std::size_t newest = set.back().index;
    for (std::size_t n = 0; n < set.size(); ++n) {
      facts::HiveSource& source = sources[set[n].index];
      const image::HiveCopy& copy = set[n].copy;
      source.copyWhen = copy.when ? image::WallClockText(copy.when) + ", " + copy.whenSource : "no date";
      if (set[n].index == newest) continue;
      source.newestCopy = newest;
      source.copyAge = set.size() - 1 - n;
    }
  }
}

bool CopiesInContainer(const std::string& container, std::vector<std::string>& addresses, std::string& error) {
  const std::optional<image::HiveListing> listing = image::ListHives(container, true, error);
  if (!listing) return false;
  for (const image::HiveHistory& history : image::HistoriesOf(container, *listing))
    for (auto copy = history.copies.rbegin(); copy != history.copies.rend(); ++copy) addresses.push_back(copy->address);
  return true;
}

}  // namespace quarvex::cli
