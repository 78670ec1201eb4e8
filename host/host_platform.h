// Everything the program takes from the operating system it runs on, behind one interface,
// so that the host probe is written once: platform/win32_host.cpp asks Windows itself,
// platform/posix_host.cpp reads a Windows installation that the user names, and the tests
// use a fake. Texts that cross this interface are UTF-8; paths are as the probe builds them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/codepage.h"
#include "text/text_locale.h"

namespace quarvex::host {

// What the system's version query tells: platform identifier (0 Win32s, 1 Windows 95/98/Me,
// 2 NT), major and minor version and build number (all of its 32 bits, as the system gives
// it). A platform that is none of these (kOtherPlatform) names itself in otherSystemName.
inline constexpr std::uint32_t kOtherPlatform = 0xFFFFFFFF;
struct OsVersionInfo {
  std::uint32_t platformId = 0;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::string otherSystemName;
};

// Registry value types that hold text: plain, and with environment references (not expanded).
inline constexpr std::uint32_t kRegistryText = 1;
inline constexpr std::uint32_t kRegistryExpandableText = 2;

struct RegistryValueInfo {
  std::uint32_t type = 0;
  std::uint32_t size = 0;  // bytes of data as stored
};

struct RegistryValue {
  std::uint32_t type = 0;
  std::string data;  // text types: the text as stored, in UTF-8; others: the bytes
};

// An open key under HKEY_LOCAL_MACHINE; closed when destroyed.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // The value's type and data size, or nothing when there is no such value.
  virtual std::optional<RegistryValueInfo> QueryValueInfo(const std::string& name) = 0;
  virtual std::optional<RegistryValue> ReadValue(const std::string& name) = 0;
};

// An inclusive range of lead bytes of a double-byte code page.
struct LeadByteRange {
  std::uint8_t first = 0;
  std::uint8_t last = 0;
  bool operator==(const LeadByteRange&) const = default;
};

// The lead bytes of a code page as ranges, as Windows lists them for a double-byte page; none for
// a single-byte page. For the hosts that know the pages from this program's own tables.
std::vector<LeadByteRange> LeadByteRangesOf(text::CodePage page);

// A release text as the system gives it ("6.1.0-18-amd64", "10.15.7"): major, minor and build
// from its first three numbers up to a dot; what is not a number, or is missing, gives 0.
void ParseRelease(std::string_view release, OsVersionInfo& out);

class HostPlatform {
 public:
  virtual ~HostPlatform() = default;

  // The version query; nothing when it fails.
  virtual std::optional<OsVersionInfo> GetVersion() = 0;
  // The Windows directory's text, whole; nothing when it cannot be obtained.
  virtual std::optional<std::string> WindowsDirectory() = 0;
  // Opens an existing key ("Software\Microsoft\Internet Explorer"), never creating one.
  virtual std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string& path) = 0;

  // A file's version information: its size (0 when the file or its resource is missing),
  // the information itself, and the look-up of one of its values ("\VarFileInfo\Translation"):
  // the value's bytes or characters, nothing when the length would be 0.
  virtual std::uint32_t FileVersionInfoSize(const std::string& path) = 0;
  virtual std::optional<std::vector<std::uint8_t>> FileVersionInfo(const std::string& path, std::uint32_t size) = 0;
  // The system may use spare room of the information while it answers, hence not const.
  virtual std::optional<std::string> QueryVersionValue(std::vector<std::uint8_t>& info,
                                                       const std::string& subBlock) = 0;

  // A file's last write, in local time at the two-second resolution of DOS file times, as
  // the directory search finds it; nothing when the file is missing or the time cannot be
  // expressed so.
  virtual std::optional<text::LocalDateTime> FileLastWriteLocal(const std::string& path) = 0;

  // The lead-byte ranges of a code page (0: the host's ANSI code page); empty for a
  // single-byte one.
  virtual std::vector<LeadByteRange> LeadByteRanges(std::uint32_t codePage) = 0;
  // Whether the host has double-byte character support switched on.
  virtual bool DoubleByteEnabled() = 0;

  // The full path of the program's own executable file.
  virtual std::string ProgramPath() = 0;
};

}  // namespace quarvex::host
