// The copies of each registry file an image (or a cabinet) holds, oldest first: the same hive
// through time. Windows 9x keeps its registry in SYSTEM.DAT and USER.DAT (Me also CLASSES.DAT),
// and copies of them: SYSTEM.1ST (setup), SYSTEM.DA0 and USER.DA0 (Windows 95), RB000.CAB ...
// RB004.CAB (98 and Me, one a day), and the files of each profile under PROFILES\NAME.
//
// A copy's date is its cabinet member's DOS date and time where it is one (when the hive was
// packed), else its FAT entry's last-written date; both are local wall-clock time as the disk
// holds them. A member's cabinet file has its own written date, said beside the member's.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "image/hive_source.h"

namespace quarvex::image {

struct HiveCopy {
  std::string address;     // what quarvex-cli reads it by: CONTAINER::PATH[::MEMBER]
  std::string where;       // the path in the file system, with "::MEMBER" for a cabinet's
  std::time_t when = 0;    // local wall-clock time (0: no date recorded)
  std::string whenSource;  // "cabinet member", "written", or "" with no date
  std::string note;        // "deleted", "the cabinet was written 2001-06-14 08:00:00" ...
  bool live = false;       // the file Windows used (not a backup, setup copy or deleted file)
};

struct HiveHistory {
  std::string hive;               // "SYSTEM", "USER", "CLASSES", "USER of profile NAME"
  std::vector<HiveCopy> copies;   // oldest first; copies with no date first, live last on a tie
};

// The histories of a listing's hives (made with withDeleted), in the order SYSTEM, USER,
// CLASSES, profiles; container is the name the addresses start with.
std::vector<HiveHistory> HistoriesOf(const std::string& container, const HiveListing& listing);

// A cabinet member's DOS date and time as seconds since 1970 of that wall-clock time; 0 for a
// date that is none (before 1980, month or day out of range).
std::time_t CabinetMemberTime(const CabinetMember& member);

// "2001-06-14 08:00:00" of a local wall-clock time held as seconds since 1970.
std::string WallClockText(std::time_t when);

}  // namespace quarvex::image
