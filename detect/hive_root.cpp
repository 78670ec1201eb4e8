#include "detect/hive_root.h"

#include <array>
#include <string_view>

#include "browse/hive_view.h"

namespace quarvex::detect {

namespace {

constexpr std::array<std::string_view, 7> kMachineTops{"CONFIG",   "ENUM",     "HARDWARE", "NETWORK",
                                                       "SECURITY", "SOFTWARE", "SYSTEM"};

}  // namespace

std::optional<HiveRoot> RootKeyForContent(const salvage::SalvagedHive& hive) {
  const browse::HiveView view(hive, text::CodePage::SingleByte);
  int machine = 0, users = 0;
  bool topSoftware = false, topPanel = false;
  for (std::int32_t top : view.Children(browse::kTop)) {
    const std::string name = browse::FoldAscii(view.Name(top));
    for (std::string_view m : kMachineTops) machine += name == m;
    topSoftware = topSoftware || name == "SOFTWARE";
    topPanel = topPanel || name == "CONTROL PANEL";
    bool software = false, panel = false;
    for (std::int32_t child : view.Children(top)) {
      const std::string c = browse::FoldAscii(view.Name(child));
      software = software || c == "SOFTWARE";
      panel = panel || c == "CONTROL PANEL";
    }
    users += (software && panel) || name == ".DEFAULT";
  }
  // A profile's user.dat holds one user's keys at its top: Software and Control Panel
  // beside Network and the like, which alone would look like a system.dat's.
  const bool profile = topSoftware && topPanel;
  const bool isMachine = machine >= 2 && !profile, isUsers = users >= 1;
  if (profile && !isUsers)
    return HiveRoot{"HKEY_CURRENT_USER", "its top keys are one user's (Software and Control Panel)"};
  if (isMachine && !isUsers) return HiveRoot{"HKEY_LOCAL_MACHINE", "its top keys are those of a system.dat"};
  if (isUsers && !isMachine) return HiveRoot{"HKEY_USERS", "its top keys are users with Software and Control Panel"};
  return std::nullopt;
}

}  // namespace quarvex::detect
