// Which registry file a name is: Windows 9x keeps its registry in SYSTEM.DAT and USER.DAT (and
// Windows Me also CLASSES.DAT), one USER.DAT per profile under PROFILES, setup leaves
// SYSTEM.1ST, Windows 95 backs up to SYSTEM.DA0 and USER.DA0, and Windows 98 and Me pack their
// backups into WINDOWS\SYSBCKUP\RB000.CAB ... RB004.CAB.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quarvex::image {

// Carved: found by its signatures in bytes no directory entry names (IMAGE::@0x01A2B000).
enum class HiveKind { Live, SetupCopy, Win95Backup, CabinetBackup, CabinetMember, Carved };

std::string_view HiveKindText(HiveKind kind);

// The kind a file name (the last path part, either case) tells, or nullopt for no registry
// file. A deleted FAT entry has lost its first letter, so `deleted` matches on the rest.
std::optional<HiveKind> HiveKindOfName(std::string_view name, bool deleted = false);

// Whether a cabinet member's name is a hive (SYSTEM.DAT, USER.DAT, CLASSES.DAT).
bool IsHiveMemberName(std::string_view name);

}  // namespace quarvex::image
