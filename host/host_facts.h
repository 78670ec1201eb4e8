// Facts about the analysing machine, collected once when the window is created and printed
// in every report's header (and on the About page).
#pragma once

#include <string>

namespace quarvex::host {

struct HostFacts {
  std::string OsText = "(GetVer Failure)";
  std::string ProgramVersion;
  std::string IeVersion;
  std::string MachineType;
  std::string ComputerName;
  std::string Advapi32File;
  std::string Advapi32Version;
  std::string Advapi32Stamp;
  std::string Krnl386File;
  std::string Krnl386Version;
  std::string Krnl386Stamp;
  std::string RegeditFile;
  std::string RegeditVersion;
  std::string RegeditStamp;
};

}  // namespace quarvex::host
