#include "ui/about_memo_lines.h"

namespace quarvex::ui {

std::vector<std::string> AboutMemoLines(const quarvex::host::HostFacts& f) {
  return {
      " Machine: " + f.ComputerName + "(" + f.MachineType + ")",
      " " + f.OsText,
      " Internet Explorer(ver " + f.IeVersion + ")",
      " " + f.Advapi32File + "(ver " + f.Advapi32Version + ")",
      "   Time Stamp: " + f.Advapi32Stamp,
      " " + f.Krnl386File + "(ver " + f.Krnl386Version + ")",
      "   Time Stamp: " + f.Krnl386Stamp,
      " " + f.RegeditFile + "(ver " + f.RegeditVersion + ")",
      "   Time Stamp: " + f.RegeditStamp,
      "",
  };
}

}  // namespace quarvex::ui
