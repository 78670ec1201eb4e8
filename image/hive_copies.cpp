#include "image/hive_copies.h"

#include "text/civil_time.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

namespace quarvex::image {

namespace {

// The profile a path lies in (PROFILES/NAME/USER.DAT), or "".
std::string ProfileOf(std::string_view path) {
  const std::string upper = UpperName(path);
  const std::size_t at = upper.find("PROFILES/");
  if (at == std::string::npos || (at > 0 && upper[at - 1] != '/')) return {};
  const std::size_t begin = at + 9, end = path.find('/', begin);
  return end == std::string_view::npos ? std::string() : std::string(path.substr(begin, end - begin));
}

int Order(const std::string& hive) {
  if (hive == "SYSTEM") return 0;
  if (hive == "USER") return 1;
  if (hive == "CLASSES") return 2;
  return 3;
}

}  // namespace

std::string UpperName(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string BaseName(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// Which hive a file name is a copy of, by the name before its dot; a deleted FAT entry has lost
// its first letter, so then the rest decides.
std::string HiveOfFileName(std::string_view name, bool deleted) {
  const std::string stem = UpperName(name.substr(0, name.find('.')));
  for (const char* hive : {"SYSTEM", "USER", "CLASSES"}) {
    const std::string_view h(hive);
    if (stem == h || (deleted && stem.size() == h.size() && stem.substr(1) == h.substr(1))) return std::string(h);
  }
  return {};
}

// Oldest first, in the listing's order among equals, the live file last of its date.
void OldestFirst(std::vector<HiveCopy>& copies) {
  std::stable_sort(copies.begin(), copies.end(), [](const HiveCopy& a, const HiveCopy& b) {
    if (a.when != b.when) return a.when < b.when;
    return !a.live && b.live;
  });
}

std::time_t CabinetMemberTime(const CabinetMember& m) {
  if (m.year < 1980 || m.month < 1 || m.month > 12 || m.day < 1 || m.day > 31 || m.hour > 23 || m.minute > 59 ||
      m.second > 59)
    return 0;
  return static_cast<std::time_t>(
      text::DaysFromCivil(m.year, static_cast<unsigned>(m.month), static_cast<unsigned>(m.day)) * 86400 +
      m.hour * 3600 + m.minute * 60 + m.second);
}

std::string WallClockText(std::time_t when) { return text::CivilTimeText(when); }

std::vector<HiveHistory> HistoriesOf(const std::string& container, const HiveListing& listing) {
  std::map<std::pair<int, std::string>, HiveHistory> byHive;
  for (const ListedHive& listed : listing.hives) {
    if (listed.file.kind == HiveKind::CabinetBackup || listed.file.kind == HiveKind::Carved) continue;
    const std::string name = listed.member ? BaseName(listed.member->name) : BaseName(listed.file.path);
    std::string hive = HiveOfFileName(name, listed.file.deleted && !listed.member);
    if (hive.empty()) continue;
    if (const std::string profile = listed.member ? "" : ProfileOf(listed.file.path); !profile.empty())
      hive += " of profile " + profile;
    HiveCopy copy;
    copy.address = container + "::" + listed.address;
    copy.where = listed.file.path + (listed.member ? "::" + listed.member->name : "");
    copy.live = listed.file.kind == HiveKind::Live && !listed.file.deleted && !listed.member;
    if (listed.member) {
      copy.when = CabinetMemberTime(*listed.member);
      if (copy.when != 0) copy.whenSource = "cabinet member";
      if (listed.file.written != 0) copy.note = "the cabinet was written " + WallClockText(listed.file.written);
    } else if (listed.file.written != 0) {
      copy.when = listed.file.written;
      copy.whenSource = "written";
    }
    if (listed.file.deleted) copy.note = copy.note.empty() ? "deleted" : "deleted; " + copy.note;
    HiveHistory& history = byHive[{Order(hive), hive}];
    history.hive = hive;
    history.copies.push_back(std::move(copy));
  }
  std::vector<HiveHistory> out;
  for (auto& [key, history] : byHive) {
    OldestFirst(history.copies);
    out.push_back(std::move(history));
  }
  return out;
}

}  // namespace quarvex::image
