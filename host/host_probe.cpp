#include "host/host_probe.h"

#include "text/printf.h"
#include "host/windows_directory.h"

namespace quarvex::host {

using namespace quarvex::text;

namespace {

std::string OsName(const OsVersionInfo& v) {
  switch (v.platformId) {
    case 0:
      return "Windows 3.1 with Win32s";
    case 1:
      if (v.minor < 10) return "Windows 95";
      if (v.minor < 90) return (v.build & 0xFFFF) >= 1999 ? "Windows 98 SE" : "Windows 98";
      if (v.minor < 100) return "Windows Me";
      return "Unknown Win9x";
    case 2:
      return "Windows NT family";
    default:
      return v.otherSystemName.empty() ? "(unknown os)" : v.otherSystemName;
  }
}

std::string UpToFirstZero(std::string text) {
  const std::size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

// A registry value read as text: only when it exists with data, and is of a text type.
std::string ReadTextValue(RegistryKey& key, const std::string& name) {
  const auto info = key.QueryValueInfo(name);
  if (!info || info->size == 0) return {};
  if (info->type != kRegistryText && info->type != kRegistryExpandableText) return {};
  const auto value = key.ReadValue(name);
  if (!value || (value->type != kRegistryText && value->type != kRegistryExpandableText)) return {};
  return UpToFirstZero(value->data);
}

std::string FileStampText(HostPlatform& platform, const TextLocale& locale, const std::string& path) {
  auto stamp = platform.FileLastWriteLocal(path);
  if (!stamp) return std::string(kNoTimeStamp);
  stamp->second -= stamp->second % 2;  // the file date and time format counts two-second steps
  return locale.DateTime(*stamp);
}

}  // namespace

std::string OsText(const OsVersionInfo& v) {
  return Printf("%s(ver %u.%u.%u)", OsName(v).c_str(), v.major, v.minor, v.build & 0xFFFF);
}

std::string TranslationTableName(std::uint32_t entry) {
  const std::string digits = Printf("%.8X", entry);
  return digits.substr(4) + digits.substr(0, 4);
}

std::string GetFileVersionText(HostPlatform& platform, const std::string& path) {
  std::string result(kUnknownVersion);
  const std::uint32_t size = platform.FileVersionInfoSize(path);
  if (size == 0) return result;
  auto info = platform.FileVersionInfo(path, size);
  if (!info) return result;
  const auto translation = platform.QueryVersionValue(*info, "\\VarFileInfo\\Translation");
  // Fewer than the four bytes of one entry cannot name a table; nothing is read past them.
  if (!translation || translation->size() < 4) return result;
  const auto byte = [&](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>((*translation)[i])); };
  const std::uint32_t entry = byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
  const auto version =
      platform.QueryVersionValue(*info, "\\StringFileInfo\\" + TranslationTableName(entry) + "\\FileVersion");
  if (!version || version->empty()) return result;
  std::string text = UpToFirstZero(*version);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.pop_back();
  return text;
}

std::vector<LeadByteRange> HostLeadByteRanges(HostPlatform& platform) {
  if (!platform.DoubleByteEnabled()) return {};
  return platform.LeadByteRanges(0);
}

void ProbeHostEnvironment(HostPlatform& platform, const TextLocale& locale, HostFacts& f,
                          std::vector<std::string>& meStatLines) {
  // 1. The operating system.
  f.OsText = "(GetVer Failure)";
  if (const auto version = platform.GetVersion()) f.OsText = OsText(*version);

  // 2. The program's own version.
  f.ProgramVersion = GetFileVersionText(platform, platform.ProgramPath());

  // 3. The browser version.
  f.IeVersion.clear();
  if (auto key = platform.OpenLocalMachineKey("Software\\Microsoft\\Internet Explorer"))
    f.IeVersion = ReadTextValue(*key, "Version");

  // 4. The machine.
  f.MachineType.clear();
  f.ComputerName.clear();
  if (auto key = platform.OpenLocalMachineKey("Enum\\Root\\*PNP0C01\\0000")) {
    f.MachineType = ReadTextValue(*key, "SetupMachineType");
    f.ComputerName = ReadTextValue(*key, "ComputerName");
  }

  // 5. The system files, when the Windows directory can be obtained and fits the query's buffer.
  for (std::string* field : {&f.Advapi32File, &f.Advapi32Version, &f.Advapi32Stamp, &f.Krnl386File, &f.Krnl386Version,
                             &f.Krnl386Stamp, &f.RegeditFile, &f.RegeditVersion, &f.RegeditStamp})
    field->clear();
  auto directory = platform.WindowsDirectory();
  if (directory) *directory = UpToFirstZero(*directory);
  if (directory && directory->size() <= WindowsDirectory::kMaxChars) {
    const std::string& d = *directory;
    struct SystemFile {
      const char* name;
      std::string* file;
      std::string* version;
      std::string* stamp;
    };
    for (const SystemFile& s :
         {SystemFile{"\\system\\advapi32.dll", &f.Advapi32File, &f.Advapi32Version, &f.Advapi32Stamp},
          SystemFile{"\\system\\krnl386.exe", &f.Krnl386File, &f.Krnl386Version, &f.Krnl386Stamp},
          SystemFile{"\\regedit.exe", &f.RegeditFile, &f.RegeditVersion, &f.RegeditStamp}}) {
      *s.file = d + s.name;
      *s.version = GetFileVersionText(platform, *s.file);
      *s.stamp = FileStampText(platform, locale, *s.file);
    }
  }

  // 6. The About memo.
  meStatLines.push_back(" Machine: " + f.ComputerName + "(" + f.MachineType + ")");
  meStatLines.push_back(" " + f.OsText);
  meStatLines.push_back(" Internet Explorer(ver " + f.IeVersion + ")");
  meStatLines.push_back(" " + f.Advapi32File + "(ver " + f.Advapi32Version + ")");
  meStatLines.push_back("   Time Stamp: " + f.Advapi32Stamp);
  meStatLines.push_back(" " + f.Krnl386File + "(ver " + f.Krnl386Version + ")");
  meStatLines.push_back("   Time Stamp: " + f.Krnl386Stamp);
  meStatLines.push_back(" " + f.RegeditFile + "(ver " + f.RegeditVersion + ")");
  meStatLines.push_back("   Time Stamp: " + f.RegeditStamp);
  meStatLines.push_back("");
}

}  // namespace quarvex::host
