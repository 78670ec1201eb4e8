#include "image/hive_listing_text.h"

#include <cstdio>
#include <ctime>

namespace quarvex::image {

namespace {

// FAT keeps local wall-clock time; The Sleuth Kit turned it into a time_t through the local
// zone, so the local zone gives it back as it was written.
std::string DateTime(std::time_t when, bool withTime) {
  if (when == 0) return "-";
  std::tm local{};
#if defined(_WIN32)
  if (localtime_s(&local, &when) != 0) return "?";
#else
  if (!localtime_r(&when, &local)) return "?";
#endif
  char text[32];
  std::strftime(text, sizeof text, withTime ? "%Y-%m-%d %H:%M:%S" : "%Y-%m-%d", &local);
  return text;
}

std::string MemberDate(const CabinetMember& m) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", m.year, m.month, m.day, m.hour, m.minute, m.second);
  return text;
}

}  // namespace

HiveRowText RowText(const ListedHive& hive) {
  HiveRowText row;
  const std::string kind(HiveKindText(hive.file.kind));
  row.kind = hive.file.deleted ? "deleted " + kind : kind;
  row.size = std::to_string(hive.file.size);
  const bool member = hive.member.has_value();
  row.created = member ? "-" : DateTime(hive.file.created, true);
  row.written = member ? MemberDate(*hive.member) : DateTime(hive.file.written, true);
  row.accessed = member ? "-" : DateTime(hive.file.accessed, false);
  row.address = hive.address;
  return row;
}

std::string ListingSummary(const std::string& container, const HiveListing& listing) {
  return container + ": " + listing.format + ", " + std::to_string(listing.size) + " bytes, partition table " +
         listing.partitionTable;
}

std::string FileSystemText(const FileSystemInfo& fs) {
  return "file system " + std::to_string(fs.number) + ": " + fs.type + " at byte " + std::to_string(fs.offset) + ", " +
         std::to_string(fs.size) + " bytes";
}

}  // namespace quarvex::image
