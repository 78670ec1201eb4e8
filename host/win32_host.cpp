// The host on Windows: every fact comes from the system's own services. Texts are exchanged
// with the system in its ANSI code page and with the rest of the program in UTF-8.
#include <windows.h>

#include <winver.h>

#include "text/text_encoding.h"
#include "host/this_host.h"

namespace quarvex::host {

using namespace quarvex::text;

namespace {

std::string AnsiToUtf8(std::string_view text) { return ConvertWindowsCodePage(text, CP_ACP, CP_UTF8); }
std::string Utf8ToAnsi(std::string_view text) { return ConvertWindowsCodePage(text, CP_UTF8, CP_ACP); }

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

class Win32RegistryKey : public RegistryKey {
 public:
  explicit Win32RegistryKey(HKEY key) : key_(key) {}
  ~Win32RegistryKey() override { ::RegCloseKey(key_); }
  Win32RegistryKey(const Win32RegistryKey&) = delete;
  Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;

  std::optional<RegistryValueInfo> QueryValueInfo(const std::string& name) override {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key_, Utf8ToAnsi(name).c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      return std::nullopt;
    return RegistryValueInfo{type, size};
  }

  std::optional<RegistryValue> ReadValue(const std::string& name) override {
    const std::string ansiName = Utf8ToAnsi(name);
    // The value may grow between the size query and the read: ask again a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
      DWORD type = 0, size = 0;
      if (::RegQueryValueExA(key_, ansiName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
      std::string data(size, '\0');
      DWORD got = size;
      const LONG result =
          ::RegQueryValueExA(key_, ansiName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
      if (result == ERROR_MORE_DATA) continue;
      if (result != ERROR_SUCCESS) return std::nullopt;
      data.resize(got < size ? got : size);
      return RegistryValue{type, IsText(type) ? AnsiToUtf8(data) : data};
    }
    return std::nullopt;
  }

 private:
  HKEY key_;
};

class Win32Host : public HostPlatform {
 public:
  std::optional<OsVersionInfo> GetVersion() override {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExA(&info)) return std::nullopt;
#pragma GCC diagnostic pop
    return OsVersionInfo{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, ""};
  }

  std::optional<std::string> WindowsDirectory() override {
    char buffer[MAX_PATH + 1] = {};
    const UINT length = ::GetWindowsDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return std::nullopt;
    return AnsiToUtf8(std::string_view(buffer, length));
  }

  std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string& path) override {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, Utf8ToAnsi(path).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
      return nullptr;
    return std::make_unique<Win32RegistryKey>(key);
  }

  std::uint32_t FileVersionInfoSize(const std::string& path) override {
    DWORD ignored = 0;
    return ::GetFileVersionInfoSizeA(Utf8ToAnsi(path).c_str(), &ignored);
  }

  std::optional<std::vector<std::uint8_t>> FileVersionInfo(const std::string& path, std::uint32_t size) override {
    std::vector<std::uint8_t> info(size);
    if (!::GetFileVersionInfoA(Utf8ToAnsi(path).c_str(), 0, size, info.data())) return std::nullopt;
    return info;
  }

  std::optional<std::string> QueryVersionValue(std::vector<std::uint8_t>& info, const std::string& subBlock) override {
    void* value = nullptr;
    UINT length = 0;
    if (info.empty() || !::VerQueryValueA(info.data(), subBlock.c_str(), &value, &length) || length == 0 || !value)
      return std::nullopt;
    // Texts come back as characters of the ANSI code page, other values as bytes; either way
    // they lie inside the information the system filled in.
    const std::string bytes(static_cast<const char*>(value), length);
    const bool text = subBlock.rfind("\\StringFileInfo\\", 0) == 0;
    return text ? AnsiToUtf8(bytes) : bytes;
  }

  std::optional<LocalDateTime> FileLastWriteLocal(const std::string& path) override {
    const std::string ansi = Utf8ToAnsi(path);
    if (ansi.find_first_of("*?") != std::string::npos) return std::nullopt;
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA(ansi.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return std::nullopt;
    ::FindClose(search);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    FILETIME local{};
    WORD date = 0, time = 0;
    if (!::FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) || !::FileTimeToDosDateTime(&local, &date, &time))
      return std::nullopt;
    return LocalDateTime{1980 + (date >> 9), (date >> 5) & 0x0F, date & 0x1F,
                         time >> 11,         (time >> 5) & 0x3F, (time & 0x1F) * 2};
  }

  std::vector<LeadByteRange> LeadByteRanges(std::uint32_t codePage) override {
    CPINFO info{};
    std::vector<LeadByteRange> ranges;
    if (!::GetCPInfo(codePage == 0 ? CP_ACP : codePage, &info)) return ranges;
    for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] != 0 || info.LeadByte[i + 1] != 0); i += 2)
      ranges.push_back({info.LeadByte[i], info.LeadByte[i + 1]});
    return ranges;
  }

  bool DoubleByteEnabled() override { return ::GetSystemMetrics(SM_DBCSENABLED) != 0; }

  std::string ProgramPath() override {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return {};
    return AnsiToUtf8(std::string_view(buffer, length));
  }
};

}  // namespace

std::unique_ptr<HostPlatform> MakeThisHost(const HostSettings&) { return std::make_unique<Win32Host>(); }

}  // namespace quarvex::host
