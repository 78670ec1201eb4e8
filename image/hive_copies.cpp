#include "image/hive_copies.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

namespace quarvex::image {

namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string BaseName(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// Which hive a file name is a copy of, by the name before its dot; a deleted FAT entry has lost
// its first letter, so then the rest decides. Empty for none.
std::string HiveOfName(std::string_view name, bool deleted) {
  const std::string stem = Upper(name.substr(0, name.find('.')));
  for (const char* hive : {"SYSTEM", "USER", "CLASSES"}) {
    const std::string_view h(hive);
    if (stem == h || (deleted && stem.size() == h.size() && stem.substr(1) == h.substr(1))) return std::string(h);
  }
  return {};
}

// The profile a path lies in (PROFILES/NAME/USER.DAT), or "".
std::string ProfileOf(std::string_view path) {
  const std::string upper = Upper(path);
  const std::size_t at = upper.find("PROFILES/");
  if (at == std::string::npos || (at > 0 && upper[at - 1] != '/')) return {};
  const std::size_t begin = at + 9, end = path.find('/', begin);
  return end == std::string_view::npos ? std::string() : std::string(path.substr(begin, end - begin));
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<std::int64_t>(era) * 146097 + doe - 719468;
}

int Order(const std::string& hive) {
  if (hive == "SYSTEM") return 0;
  if (hive == "USER") return 1;
  if (hive == "CLASSES") return 2;
  return 3;
}

}  // namespace

std::time_t CabinetMemberTime(const CabinetMember& m) {
  if (m.year < 1980 || m.month < 1 || m.month > 12 || m.day < 1 || m.day > 31 || m.hour > 23 || m.minute > 59 ||
      m.second > 59)
    return 0;
  return static_cast<std::time_t>(DaysFromCivil(m.year, m.month, m.day) * 86400 + m.hour * 3600 + m.minute * 60 +
                                  m.second);
}

std::string WallClockText(std::time_t when) {
  const std::int64_t days = (when >= 0 ? when : when - 86399) / 86400;
  const std::int64_t secs = when - days * 86400;
  // Civil date from days (the inverse of DaysFromCivil).
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp + (mp < 10 ? 3 : -9);
  const std::int64_t y = yoe + era * 400 + (m <= 2);
  char text[96];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", static_cast<long long>(y),
                static_cast<long long>(m), static_cast<long long>(d), static_cast<long long>(secs / 3600),
                static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
  return text;
}

std::vector<HiveHistory> HistoriesOf(const std::string& container, const HiveListing& listing) {
  std::map<std::pair<int, std::string>, HiveHistory> byHive;
  for (const ListedHive& listed : listing.hives) {
    if (listed.file.kind == HiveKind::CabinetBackup || listed.file.kind == HiveKind::Carved) continue;
    const std::string name = listed.member ? BaseName(listed.member->name) : BaseName(listed.file.path);
    std::string hive = HiveOfName(name, listed.file.deleted && !listed.member);
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
    // Oldest first, in the listing's order among equals, the live file last of its date.
    std::stable_sort(history.copies.begin(), history.copies.end(), [](const HiveCopy& a, const HiveCopy& b) {
      if (a.when != b.when) return a.when < b.when;
      return !a.live && b.live;
    });
    out.push_back(std::move(history));
  }
  return out;
}

}  // namespace quarvex::image
