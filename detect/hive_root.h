// The root key a hive stands for, told by its top-level keys: a system.dat's top holds
// Config, Enum, hardware, Network, Security, Software and System (HKEY_LOCAL_MACHINE); a
// user.dat's holds .DEFAULT or user names, each with Software and Control Panel (HKEY_USERS);
// a profile's user.dat holds one user's Software and Control Panel at its top
// (HKEY_CURRENT_USER, where importing the export puts them back).
// When the keys fit both or neither, nothing is told here: the caller lets the file name
// decide (exporter::RootKeyForFileName), which leaves HKEY_UNKNOWN for a hive nothing tells.
#pragma once

#include <optional>
#include <string>

#include "salvage/salvage.h"

namespace quarvex::detect {

struct HiveRoot {
  std::string rootKey;  // "HKEY_LOCAL_MACHINE", "HKEY_USERS" ...
  std::string reason;
};

std::optional<HiveRoot> RootKeyForContent(const salvage::SalvagedHive& hive);

}  // namespace quarvex::detect
