// The host outside Windows. The operating system is this machine's own (its kernel's name and
// version); everything Windows would answer comes from the Windows installation that the user
// names: its directory, its HKEY_LOCAL_MACHINE (the directory's system.dat, read with our own
// registry file reader), its system files' version resources (read with our own PE and NE
// resource reader) and their modification times. Names below the Windows directory are
// matched whatever their letter case, as on the FAT disk they came from.
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "hive/error_codes.h"
#include "hive/hive_image.h"
#include "host/ascii_case.h"
#include "host/registry_lookup.h"
#include "text/text_encoding.h"
#include "host/version_resource.h"
#include "host/windows_directory.h"
#include "host/this_host.h"

namespace quarvex::host {

using namespace quarvex::hive;
using namespace quarvex::text;

namespace {

using InstallationDirectory = quarvex::host::WindowsDirectory;

// System files are small; anything larger is not one, and is not read whole.
constexpr std::uintmax_t kMaxExecutableSize = 64u << 20;

class FileRegistryKey : public RegistryKey {
 public:
  FileRegistryKey(std::vector<RegistryFileValue> values, CodePage codePage)
      : values_(std::move(values)), codePage_(codePage) {}

  std::optional<RegistryValueInfo> QueryValueInfo(const std::string& name) override {
    const RegistryFileValue* v = Find(name);
    if (!v) return std::nullopt;
    return RegistryValueInfo{v->type, static_cast<std::uint32_t>(v->data.size())};
  }

  std::optional<RegistryValue> ReadValue(const std::string& name) override {
    const RegistryFileValue* v = Find(name);
    if (!v) return std::nullopt;
    const bool text = v->type == kRegistryText || v->type == kRegistryExpandableText;
    return RegistryValue{v->type, text ? CodePageToUtf8(v->data, codePage_) : v->data};
  }

 private:
  const RegistryFileValue* Find(const std::string& name) const {
    for (const RegistryFileValue& v : values_)
      if (EqualsIgnoringAsciiCase(v.name, name)) return &v;
    return nullptr;
  }

  std::vector<RegistryFileValue> values_;
  CodePage codePage_;
};

class PosixHost : public HostPlatform {
 public:
  explicit PosixHost(const HostSettings& settings)
      : windowsDirectory_(InstallationDirectory::FromUser(settings.windowsDirectory)), codePage_(settings.codePage) {}

  std::optional<OsVersionInfo> GetVersion() override {
    utsname names{};
    if (::uname(&names) != 0) return std::nullopt;
    OsVersionInfo v;
    v.platformId = kOtherPlatform;
    v.otherSystemName = names.sysname;
    ParseRelease(names.release, v);
    return v;
  }

  std::optional<std::string> WindowsDirectory() override { return windowsDirectory_.Query(); }

  std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string& path) override {
    RegistryFile* machine = LocalMachine();
    if (!machine) return nullptr;
    auto values = machine->KeyValues(path);
    if (!values) return nullptr;
    return std::make_unique<FileRegistryKey>(std::move(*values), codePage_);
  }

  std::uint32_t FileVersionInfoSize(const std::string& path) override {
    const auto block = VersionBlock(path);
    return block ? static_cast<std::uint32_t>(block->size()) : 0;
  }

  std::optional<std::vector<std::uint8_t>> FileVersionInfo(const std::string& path, std::uint32_t size) override {
    auto block = VersionBlock(path);
    if (!block || block->size() > size) return std::nullopt;
    return block;
  }

  std::optional<std::string> QueryVersionValue(std::vector<std::uint8_t>& info, const std::string& subBlock) override {
    const auto value = QueryVersionBlock(info, subBlock);
    if (!value || value->data.empty()) return std::nullopt;
    return value->eightBit ? CodePageToUtf8(value->data, codePage_) : value->data;
  }

  std::optional<LocalDateTime> FileLastWriteLocal(const std::string& path) override {
    struct stat info {};
    if (::stat(LocalPath(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    std::tm local{};
    const std::time_t written = info.st_mtime;
    if (!::localtime_r(&written, &local)) return std::nullopt;
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107) return std::nullopt;  // outside what a file date can hold
    return LocalDateTime{year,          local.tm_mon + 1, local.tm_mday,
                         local.tm_hour, local.tm_min,     local.tm_sec - local.tm_sec % 2};
  }

  std::vector<LeadByteRange> LeadByteRanges(std::uint32_t codePage) override {
    const std::optional<CodePage> page =
        codePage == 0 ? std::optional<CodePage>(codePage_) : ParseCodePage(std::to_string(codePage));
    return page ? LeadByteRangesOf(*page) : std::vector<LeadByteRange>{};
  }

  bool DoubleByteEnabled() override { return IsDoubleByte(codePage_); }

  std::string ProgramPath() override {
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
  }

 private:
  // Where a path the probe built lies on this machine: below the Windows directory its names
  // are Windows names, separated by backslashes and matched ignoring letter case.
  std::string LocalPath(const std::string& path) {
    const auto directory = windowsDirectory_.Query();
    if (!directory || !path.starts_with(*directory)) return path;
    std::string local = *directory;
    std::string_view rest = std::string_view(path).substr(directory->size());
    while (!rest.empty()) {
      const std::size_t cut = rest.find_first_of("\\/");
      const std::string_view name = rest.substr(0, cut);
      if (!name.empty()) local = InstallationDirectory::FilePath(local, name);
      if (cut == std::string_view::npos) break;
      rest.remove_prefix(cut + 1);
    }
    return local;
  }

  // The version block of a file, read once per path: the program's own is the build's
  // version, as the Windows build carries it in its resources.
  std::optional<std::vector<std::uint8_t>> VersionBlock(const std::string& path) {
    if (path == ProgramPath()) return EncodeVersionBlock(0x0411, 0x03A4, QUARVEX_VERSION);
    if (cachedPath_ != path) {
      cachedPath_ = path;
      cachedBlock_.reset();
      const std::string local = LocalPath(path);
      std::error_code ec;
      const std::uintmax_t size = std::filesystem::file_size(local, ec);
      if (ec || size > kMaxExecutableSize) return std::nullopt;
      HiveImage file;
      std::int32_t code = code::kOk;
      LoadHiveImage(local, file, code);
      if (code == code::kOk) cachedBlock_ = FindVersionBlock(file.View());
    }
    return cachedBlock_;
  }

  RegistryFile* LocalMachine() {
    if (!machineLoaded_) {
      machineLoaded_ = true;
      if (const auto directory = windowsDirectory_.Query())
        machine_.emplace(InstallationDirectory::FilePath(*directory, "system.dat"));
    }
    return machine_ && machine_->Usable() ? &*machine_ : nullptr;
  }

  InstallationDirectory windowsDirectory_;
  CodePage codePage_;
  bool machineLoaded_ = false;
  std::optional<RegistryFile> machine_;
  std::string cachedPath_;
  std::optional<std::vector<std::uint8_t>> cachedBlock_;
};

}  // namespace

std::unique_ptr<HostPlatform> MakeThisHost(const HostSettings& settings) {
  return std::make_unique<PosixHost>(settings);
}

}  // namespace quarvex::host
