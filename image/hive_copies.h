// The copies of each registry file an image (or a cabinet) holds, oldest first: the same hive
// through time. Windows 9x keeps its registry in SYSTEM.DAT and USER.DAT (Me also CLASSES.DAT),
// and copies of them: SYSTEM.1ST (setup), SYSTEM.DA0 and USER.DA0 (Windows 95), RB000.CAB ...
// RB004.CAB (98 and Me, one a day), and the files of each profile under PROFILES\NAME.
//
// A copy's date is its cabinet member's DOS date and time where it is one (when the hive was
// packed), else its FAT entry's last-written date; both are local wall-clock time as the disk
// holds them. A member's cabinet file has its own written date, said beside the member's.
#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/hive_source.h"

namespace quarvex::image {

struct HiveCopy {
  std::string address;     // what quarvex-cli reads it by: CONTAINER::PATH[::MEMBER]
  std::string where;       // the path in the file system, with "::MEMBER" for a cabinet's
  std::time_t when = 0;    // local wall-clock time (0: no date recorded)
  std::string whenSource;  // "cabinet member", "written", "written, UTC" (a loose file), or "" with no date
  std::string note;        // "deleted", "the cabinet was written 2001-06-14 08:00:00" ...
  bool live = false;       // the file Windows used (not a backup, setup copy or deleted file)
};

struct HiveHistory {
  std::string hive;              // "SYSTEM", "USER", "CLASSES", "USER of profile NAME"
  std::vector<HiveCopy> copies;  // oldest first; copies with no date first, live last on a tie
};

// The histories of a listing's hives (made with withDeleted), in the order SYSTEM, USER,
// CLASSES, profiles; container is the name the addresses start with.
std::vector<HiveHistory> HistoriesOf(const std::string& container, const HiveListing& listing);

// The copies of the hive at an address, as the browser's History view and `facts` take them: for
// a file inside a disk image (IMAGE::PATH), that image's history of the same hive; for a loose
// file, or a member of a cabinet on disk (CABINET::MEMBER), the copies in its folder
// (CopiesBeside). nullopt, with the reason in error, when the file's name is no registry
// file's or the image cannot be listed.
std::optional<HiveHistory> CopiesOf(const std::string& address, std::string& error);

// The copies of hive ("SYSTEM", "USER", "CLASSES") in a folder on disk: HIVE.DAT (the live
// file), HIVE.DA0 and HIVE.1ST, and the HIVE.DAT members of RB*.CAB, in the folder and in its
// SYSBCKUP subfolder (a folder called SYSBCKUP stands for its parent); names in any case.
// Dated by a cabinet member's own date (local time), else the file's last written time in UTC,
// as the file system keeps it; notes get the cabinets that could not be read. At most
// kMostFolderEntries entries of each folder are looked at.
inline constexpr std::size_t kMostFolderEntries = 100000;
HiveHistory CopiesBeside(const std::string& folder, const std::string& hive, std::vector<std::string>& notes);

// Which hive a file name is a copy of ("SYSTEM" for SYSTEM.DA0 or _YSTEM.DAT when deleted), or
// "" for none.
std::string HiveOfFileName(std::string_view name, bool deleted = false);

// Which of the addresses named are copies of one hive, as CopiesOf finds them: each set of two
// or more, oldest first, with each one's date; the others are in no set.
struct NamedCopy {
  std::size_t index = 0;  // into the addresses
  HiveCopy copy;
};
std::vector<std::vector<NamedCopy>> CopySets(const std::vector<std::string>& addresses);

// Sorts copies oldest first, keeping the given order among equals, the live file last of its date.
void OldestFirst(std::vector<HiveCopy>& copies);

// Whether two addresses name one file: the same container (or loose file) on disk and the same
// path after it, letters in either case and '\' and '/' alike.
bool SameHiveFile(const std::string& a, const std::string& b);

// A file name as FAT compares it: letters in upper case (ASCII only; other bytes unchanged).
std::string UpperName(std::string_view name);
// The last part of a path after '/' or '\\'.
std::string BaseName(std::string_view path);

// "2001-06-10 09:00:00 (cabinet member)", or "no date" for a copy without one.
std::string CopyWhenText(const HiveCopy& copy);

// A cabinet member's DOS date and time as seconds since 1970 of that wall-clock time; 0 for a
// date that is none (before 1980, month or day out of range).
std::time_t CabinetMemberTime(const CabinetMember& member);

// "2001-06-14 08:00:00" of a local wall-clock time held as seconds since 1970.
std::string WallClockText(std::time_t when);

}  // namespace quarvex::image
