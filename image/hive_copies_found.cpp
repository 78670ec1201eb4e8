// Finding the copies of one hive from one of them: in the image that holds it, or in the folder
// a loose file lies in (image/hive_copies.h).
#include "image/hive_copies.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <map>

#include "image/container_kind.h"
#include "image/image_address.h"
#include "image/file_time.h"

namespace quarvex::image {

namespace {

namespace fs = std::filesystem;

// An address as compared: '\' and '/' alike, letters in either case (FAT names are).
std::string Folded(std::string_view address) {
  std::string out = UpperName(address);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::time_t WrittenUtc(const fs::path& file) {
  std::error_code error;
  const auto written = fs::last_write_time(file, error);
  if (error) return 0;
  return FileTimeUtc(written);
}

bool IsRollbackCabinet(const std::string& upperName) {
  return upperName.size() >= 6 && upperName.starts_with("RB") && upperName.ends_with(".CAB");
}

// The copies of hive in one folder: its own files, and its cabinets' members of that name.
void CopiesIn(const fs::path& folder, const std::string& hive, HiveHistory& history, std::vector<std::string>& notes) {
  std::error_code error;
  fs::directory_iterator it(folder, error);
  std::vector<fs::path> files;
  for (std::size_t seen = 0; !error && it != fs::directory_iterator() && seen < kMostFolderEntries; ++seen) {
    std::error_code typeError;
    if (it->is_regular_file(typeError)) files.push_back(it->path());
    it.increment(error);
  }
  std::sort(files.begin(), files.end());  // a directory's order is no order: the names give one
  for (const fs::path& file : files) {
    const std::string name = UpperName(file.filename().string());
    if (HiveOfFileName(name) == hive) {
      const std::string extension = name.substr(std::min(name.size(), name.find('.')));
      if (extension != ".DAT" && extension != ".DA0" && extension != ".1ST") continue;
      HiveCopy copy;
      copy.address = copy.where = file.string();
      copy.when = WrittenUtc(file);
      if (copy.when != 0) copy.whenSource = "written, UTC";
      copy.live = extension == ".DAT" && UpperName(folder.filename().string()) != "SYSBCKUP";
      history.copies.push_back(std::move(copy));
    } else if (IsRollbackCabinet(name)) {
      if (!ImagesSupported()) {
        notes.push_back(file.string() + ": this build reads no cabinets");
        continue;
      }
      std::string reason;
      const std::optional<HiveListing> listing = ListHives(file.string(), false, reason);
      if (!listing) {
        notes.push_back(file.string() + ": " + reason);
        continue;
      }
      for (const ListedHive& listed : listing->hives) {
        if (!listed.member || HiveOfFileName(BaseName(listed.member->name)) != hive) continue;
        HiveCopy copy;
        copy.address = file.string() + "::" + listed.member->name;
        copy.where = copy.address;
        copy.when = CabinetMemberTime(*listed.member);
        if (copy.when != 0) copy.whenSource = "cabinet member";
        if (const std::time_t written = WrittenUtc(file); written != 0)
          copy.note = "the cabinet was written " + WallClockText(written) + " UTC";
        history.copies.push_back(std::move(copy));
      }
    }
  }
}

// The folder whose copies a loose file (or a cabinet on disk) has: its own, or the parent of a
// SYSBCKUP folder.
fs::path HomeFolder(const std::string& file) {
  fs::path folder = fs::path(file).parent_path();
  if (folder.empty()) folder = ".";
  if (UpperName(folder.filename().string()) == "SYSBCKUP" && folder.has_parent_path()) folder = folder.parent_path();
  return folder;
}

// Where a copy lies, for telling copies of one hive from another's: the image, the profile
// folder, or the loose file's home folder.
std::string PlaceOf(const std::string& address) {
  if (const std::optional<ImageAddress> in = ParseImageAddress(address);
      in && ContainerKindOf(in->container) == ContainerKind::DiskImage)
    return "image " + in->container;
  std::error_code error;
  const fs::path home = HomeFolder(ContainerOf(address));
  const fs::path canonical = fs::weakly_canonical(home, error);
  return "folder " + (error ? home : canonical).string();
}

// Whether two addresses name one file: the same container (or loose file) on disk, and the same
// path after it, letters in either case.
bool SameFile(const std::string& a, const std::string& b) {
  if (Folded(a) == Folded(b)) return true;
  const std::optional<ImageAddress> inA = ParseImageAddress(a), inB = ParseImageAddress(b);
  if (inA.has_value() != inB.has_value()) return false;
  std::string restA, restB;
  if (inA) {
    for (const std::string& part : inA->parts) restA += "::" + Folded(part);
    for (const std::string& part : inB->parts) restB += "::" + Folded(part);
  }
  std::error_code error;
  return restA == restB && fs::equivalent(ContainerOf(a), ContainerOf(b), error) && !error;
}

}  // namespace

bool SameHiveFile(const std::string& a, const std::string& b) { return SameFile(a, b); }

HiveHistory CopiesBeside(const std::string& folder, const std::string& hive, std::vector<std::string>& notes) {
  HiveHistory history;
  history.hive = hive;
  fs::path home(folder);
  if (UpperName(home.filename().string()) == "SYSBCKUP" && home.has_parent_path()) home = home.parent_path();
  CopiesIn(home, hive, history, notes);
  std::error_code error;
  fs::directory_iterator it(home, error);
  for (std::size_t seen = 0; !error && it != fs::directory_iterator() && seen < kMostFolderEntries; ++seen) {
    std::error_code typeError;
    if (it->is_directory(typeError) && UpperName(it->path().filename().string()) == "SYSBCKUP") {
      CopiesIn(it->path(), hive, history, notes);
      break;
    }
    it.increment(error);
  }
  OldestFirst(history.copies);
  return history;
}

std::optional<HiveHistory> CopiesOf(const std::string& address, std::string& error) {
  const std::string name = InnermostFileName(address);
  const std::optional<ImageAddress> in = ParseImageAddress(address);
  const bool carved = in && address.find("::@") != std::string::npos;
  const bool inImage = in && ContainerKindOf(in->container) == ContainerKind::DiskImage;
  if (carved) {
    error = "a carved hive's name is lost with its directory entry, so its copies cannot be told";
    return std::nullopt;
  }
  if (HiveOfFileName(name, inImage).empty()) {
    error = "the name " + name + " is no registry file's (SYSTEM, USER or CLASSES), so its copies cannot be told";
    return std::nullopt;
  }
  if (inImage) {
    const std::optional<HiveListing> listing = ListHives(in->container, true, error);
    if (!listing) return std::nullopt;
    const std::vector<HiveHistory> histories = HistoriesOf(in->container, *listing);
    const std::string wanted = Folded(address);
    for (const HiveHistory& h : histories)
      for (const HiveCopy& c : h.copies)
        if (Folded(c.address) == wanted) return h;
    error = "no registry file " + address + " in the image";
    return std::nullopt;
  }
  std::vector<std::string> notes;
  HiveHistory history = CopiesBeside(HomeFolder(ContainerOf(address)).string(), HiveOfFileName(name), notes);
  // A copy by another name (SYSTEM.BAK, a cabinet not called RBnnn.CAB) is among its copies too.
  if (std::none_of(history.copies.begin(), history.copies.end(),
                   [&](const HiveCopy& c) { return SameFile(c.address, address); })) {
    HiveCopy self;
    self.address = self.where = address;
    self.when = WrittenUtc(ContainerOf(address));
    if (self.when != 0) self.whenSource = "written, UTC";
    history.copies.push_back(std::move(self));
    OldestFirst(history.copies);
  }
  return history;
}

std::vector<std::vector<NamedCopy>> CopySets(const std::vector<std::string>& addresses) {
  // By hive and place; each address is dated by the copies its place holds.
  std::map<std::pair<std::string, std::string>, std::vector<NamedCopy>> byPlace;
  std::map<std::string, std::vector<HiveHistory>> imageHistories;  // an image is listed once
  const auto copiesOf = [&](const std::string& address) -> std::optional<HiveHistory> {
    const std::optional<ImageAddress> in = ParseImageAddress(address);
    std::string error;
    if (!in || address.find("::@") != std::string::npos || ContainerKindOf(in->container) != ContainerKind::DiskImage)
      return CopiesOf(address, error);
    auto listed = imageHistories.find(in->container);
    if (listed == imageHistories.end()) {
      const std::optional<HiveListing> listing = ListHives(in->container, true, error);
      listed = imageHistories
                   .emplace(in->container, listing ? HistoriesOf(in->container, *listing) : std::vector<HiveHistory>{})
                   .first;
    }
    for (const HiveHistory& h : listed->second)
      for (const HiveCopy& c : h.copies)
        if (SameFile(c.address, address)) return h;
    return std::nullopt;
  };
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    const std::string hive = HiveOfFileName(InnermostFileName(addresses[i]), true);
    if (hive.empty() || addresses[i] == "-") continue;
    const std::optional<HiveHistory> history = copiesOf(addresses[i]);
    if (!history) continue;
    for (const HiveCopy& c : history->copies) {
      if (!SameFile(c.address, addresses[i])) continue;
      NamedCopy named{i, c};
      named.copy.address = addresses[i];
      byPlace[{history->hive, PlaceOf(addresses[i])}].push_back(std::move(named));
      break;
    }
  }
  std::vector<std::vector<NamedCopy>> sets;
  for (auto& [place, copies] : byPlace) {
    if (copies.size() < 2) continue;
    std::stable_sort(copies.begin(), copies.end(), [](const NamedCopy& a, const NamedCopy& b) {
      if (a.copy.when != b.copy.when) return a.copy.when < b.copy.when;
      return !a.copy.live && b.copy.live;
    });
    sets.push_back(std::move(copies));
  }
  return sets;
}

std::string CopyWhenText(const HiveCopy& copy) {
  return copy.when ? WallClockText(copy.when) + " (" + copy.whenSource + ")" : "no date";
}

}  // namespace quarvex::image
