#include "ui/analyser/about_memo_lines.h"

namespace quarvex::ui {

namespace {

// " name(ver 1.0)", or " name" when its version is not known.
std::string Versioned(const std::string& name, const std::string& version) {
  return " " + name + (version.empty() ? std::string() : "(ver " + version + ")");
}

// A system file's name with its version, and its time stamp below; nothing for a file not
// named.
void AddFile(std::vector<std::string>& lines, const std::string& file, const std::string& version,
             const std::string& stamp) {
  if (file.empty()) return;
  lines.push_back(Versioned(file, version));
  if (!stamp.empty()) lines.push_back("   Time Stamp: " + stamp);
}

}  // namespace

std::vector<std::string> AboutMemoLines(const quarvex::host::HostFacts& f) {
  std::vector<std::string> lines;
  if (!f.ComputerName.empty() || !f.MachineType.empty())
    lines.push_back(" Machine: " + f.ComputerName + (f.MachineType.empty() ? "" : "(" + f.MachineType + ")"));
  if (!f.OsText.empty()) lines.push_back(" " + f.OsText);
  if (!f.IeVersion.empty()) lines.push_back(Versioned("Internet Explorer", f.IeVersion));
  AddFile(lines, f.Advapi32File, f.Advapi32Version, f.Advapi32Stamp);
  AddFile(lines, f.Krnl386File, f.Krnl386Version, f.Krnl386Stamp);
  AddFile(lines, f.RegeditFile, f.RegeditVersion, f.RegeditStamp);
  lines.push_back("");
  return lines;
}

}  // namespace quarvex::ui
