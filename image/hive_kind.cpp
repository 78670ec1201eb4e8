#include "image/hive_kind.h"

#include <array>
#include <cctype>

namespace quarvex::image {

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool IsCabinetBackupName(std::string_view upper) {
  return upper.size() == 9 && upper.substr(0, 2) == "RB" && std::isdigit(static_cast<unsigned char>(upper[2])) &&
         std::isdigit(static_cast<unsigned char>(upper[3])) && std::isdigit(static_cast<unsigned char>(upper[4])) &&
         upper.substr(5) == ".CAB";
}

struct NamedKind {
  std::string_view name;
  HiveKind kind;
};
constexpr std::array<NamedKind, 6> kNames{{{"SYSTEM.DAT", HiveKind::Live},
                                           {"USER.DAT", HiveKind::Live},
                                           {"CLASSES.DAT", HiveKind::Live},
                                           {"SYSTEM.1ST", HiveKind::SetupCopy},
                                           {"SYSTEM.DA0", HiveKind::Win95Backup},
                                           {"USER.DA0", HiveKind::Win95Backup}}};

}  // namespace

std::string_view HiveKindText(HiveKind kind) {
  switch (kind) {
    case HiveKind::Live:
      return "live";
    case HiveKind::SetupCopy:
      return "setup copy";
    case HiveKind::Win95Backup:
      return "Windows 95 backup";
    case HiveKind::CabinetBackup:
      return "cabinet backup";
    case HiveKind::CabinetMember:
      return "in cabinet backup";
    case HiveKind::Carved:
      return "carved";
  }
  return "?";
}

std::optional<HiveKind> HiveKindOfName(std::string_view name, bool deleted) {
  const std::string upper = Upper(name);
  for (const NamedKind& known : kNames) {
    if (upper == known.name) return known.kind;
    if (deleted && upper.size() == known.name.size() && !upper.empty() &&
        std::string_view(upper).substr(1) == known.name.substr(1))
      return known.kind;
  }
  if (IsCabinetBackupName(upper)) return HiveKind::CabinetBackup;
  if (deleted && upper.size() == 9) {
    std::string guess = upper;
    guess[0] = 'R';
    if (IsCabinetBackupName(guess)) return HiveKind::CabinetBackup;
  }
  return std::nullopt;
}

bool IsHiveMemberName(std::string_view name) {
  const std::string upper = Upper(name);
  return upper == "SYSTEM.DAT" || upper == "USER.DAT" || upper == "CLASSES.DAT";
}

}  // namespace quarvex::image
