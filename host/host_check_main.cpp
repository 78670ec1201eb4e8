// quarvex-host-check: the host probe against the running Windows, for tools/windows-check.sh.
// Probes once, prints the facts and the About lines, and checks that every fact came back:
// the operating system, the program's own version resource, the browser version, the machine
// values (when the caller says what they are), the system files' versions and time stamps. It
// also reads the same files' version resources with our own PE/NE reader and checks that it
// finds what the system finds, and checks the code page services. Exit code 0 when all holds.
#include <cstdio>
#include <string>
#include <vector>

#include "hive/hive_image.h"
#include "host/host_probe.h"
#include "text/text_encoding.h"
#include "host/version_resource.h"
#include "host/this_host.h"

namespace quarvex::host {

using namespace quarvex::hive;
using namespace quarvex::text;

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++failures;
}

// The running system for everything but version resources, which our own reader reads from
// the file's bytes.
class OwnReaderHost : public HostPlatform {
 public:
  explicit OwnReaderHost(HostPlatform& system) : system_(system) {}
  std::optional<OsVersionInfo> GetVersion() override { return system_.GetVersion(); }
  std::optional<std::string> WindowsDirectory() override { return system_.WindowsDirectory(); }
  std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string& path) override {
    return system_.OpenLocalMachineKey(path);
  }
  std::uint32_t FileVersionInfoSize(const std::string& path) override {
    const auto block = Block(path);
    return block ? static_cast<std::uint32_t>(block->size()) : 0;
  }
  std::optional<std::vector<std::uint8_t>> FileVersionInfo(const std::string& path, std::uint32_t) override {
    return Block(path);
  }
  std::optional<std::string> QueryVersionValue(std::vector<std::uint8_t>& info, const std::string& subBlock) override {
    const auto value = QueryVersionBlock(info, subBlock);
    if (!value || value->data.empty()) return std::nullopt;
    return value->data;
  }
  std::optional<LocalDateTime> FileLastWriteLocal(const std::string& path) override {
    return system_.FileLastWriteLocal(path);
  }
  std::vector<LeadByteRange> LeadByteRanges(std::uint32_t codePage) override {
    return system_.LeadByteRanges(codePage);
  }
  bool DoubleByteEnabled() override { return system_.DoubleByteEnabled(); }
  std::string ProgramPath() override { return system_.ProgramPath(); }

 private:
  std::optional<std::vector<std::uint8_t>> Block(const std::string& path) {
    HiveImage file;
    std::int32_t code = 0;
    LoadHiveImage(path, file, code);
    if (code != 0) return std::nullopt;
    return FindVersionBlock(file.View());
  }
  HostPlatform& system_;
};

std::string Ranges(const std::vector<LeadByteRange>& ranges) {
  std::string text;
  for (const LeadByteRange& r : ranges) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%s%02X-%02X", text.empty() ? "" : " ", r.first, r.last);
    text += buffer;
  }
  return text.empty() ? "(none)" : text;
}

int Run(int argc, char** argv) {
  std::string machineType, computerName;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--machine-type") machineType = argv[i + 1];
    if (option == "--computer-name") computerName = argv[i + 1];
  }

  const auto host = MakeThisHost({});
  HostFacts f;
  std::vector<std::string> meStat;
  ProbeHostEnvironment(*host, TextLocale::Japanese(), f, meStat);
  std::printf("-- About memo\n");
  for (const std::string& line : meStat) std::printf("%s\n", line.c_str());
  std::printf("-- Checks\n");

  const std::string unknown(kUnknownVersion);
  const std::string noStamp(kNoTimeStamp);
  Check(f.OsText.rfind("Windows", 0) == 0, "operating system: " + f.OsText);
  Check(f.ProgramVersion == QUARVEX_VERSION, "own version resource: " + f.ProgramVersion);
  Check(!f.IeVersion.empty(), "browser version: " + f.IeVersion);
  if (!machineType.empty()) Check(f.MachineType == machineType, "machine type: " + f.MachineType);
  if (!computerName.empty()) Check(f.ComputerName == computerName, "computer name: " + f.ComputerName);
  const auto directory = host->WindowsDirectory();
  Check(directory.has_value(), "Windows directory: " + directory.value_or("(none)"));
  Check(f.Advapi32File == directory.value_or("?") + "\\system\\advapi32.dll", "advapi32 path: " + f.Advapi32File);

  OwnReaderHost ownReader(*host);
  struct File {
    const char* name;
    const std::string& path;
    const std::string& version;
    const std::string& stamp;
  };
  for (const File& file : {File{"advapi32", f.Advapi32File, f.Advapi32Version, f.Advapi32Stamp},
                           File{"krnl386", f.Krnl386File, f.Krnl386Version, f.Krnl386Stamp},
                           File{"regedit", f.RegeditFile, f.RegeditVersion, f.RegeditStamp}}) {
    Check(file.version != unknown && !file.version.empty(), std::string(file.name) + " version: " + file.version);
    Check(file.stamp != noStamp && !file.stamp.empty(), std::string(file.name) + " time stamp: " + file.stamp);
    const std::string own = GetFileVersionText(ownReader, file.path);
    Check(own == file.version, std::string(file.name) + " read by our own reader: " + own);
  }
  const std::string ownProgram = GetFileVersionText(ownReader, host->ProgramPath());
  Check(ownProgram == f.ProgramVersion, "own version resource read by our own reader: " + ownProgram);

  std::printf("-- Code pages\n");
  std::printf("double-byte support: %s; ANSI lead bytes: %s\n", host->DoubleByteEnabled() ? "on" : "off",
              Ranges(HostLeadByteRanges(*host)).c_str());
  Check(host->LeadByteRanges(932) == std::vector<LeadByteRange>{{0x81, 0x9F}, {0xE0, 0xFC}},
        "code page 932 lead bytes: " + Ranges(host->LeadByteRanges(932)));
  Check(host->LeadByteRanges(1252).empty(), "code page 1252 has no lead bytes");
  const std::string retro = "\xE3\x83\xAC\xE3\x83\x88\xE3\x83\xAD";  // レトロ
  Check(Utf8ToCodePage(retro, CodePage::Cp932) == "\x83\x8C\x83\x67\x83\x8D", "UTF-8 to code page 932");
  Check(CodePageToUtf8("\x83\x8C\x83\x67\x83\x8D", CodePage::Cp932) == retro, "code page 932 to UTF-8");

  std::printf("%s\n", failures == 0 ? "host check passed" : "host check FAILED");
  return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace quarvex::host

int main(int argc, char** argv) { return quarvex::host::Run(argc, argv); }
