// The host probe: the facts about the analysing machine that every report's header and the
// About page show, gathered once at start through the HostPlatform interface.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/host_facts.h"
#include "host/host_platform.h"
#include "text/text_locale.h"

namespace quarvex::host {

inline constexpr std::string_view kUnknownVersion = "(unknown version)";
// The time stamp of a system file that is not there (or whose time cannot be told).
inline constexpr std::string_view kNoTimeStamp = "(unknown time stamp)";

// Fills every field of facts (the operating system, the program's own version, the browser
// version and the machine from the host registry, the versions and time stamps of advapi32,
// krnl386 and regedit in the Windows directory) and appends the ten lines of the About memo.
// Date-time texts are in `locale`'s conventions.
void ProbeHostEnvironment(HostPlatform& platform, const text::TextLocale& locale, HostFacts& facts,
                          std::vector<std::string>& meStatLines);

// The FileVersion of a file's version resource, looked up under its first translation, with
// trailing blanks and control characters removed; "(unknown version)" when there is none.
std::string GetFileVersionText(HostPlatform& platform, const std::string& path);

// "Windows 98 SE(ver 4.10.2222)": the name from the platform and the version, then the
// version with the build number's low 16 bits.
std::string OsText(const OsVersionInfo& version);

// The string table's name for a translation entry (language in the low 16 bits, code page in
// the high 16 bits): 0x03A40411 gives "041103A4".
std::string TranslationTableName(std::uint32_t entry);

// The lead bytes of the host's ANSI code page when double-byte support is on, else none.
std::vector<LeadByteRange> HostLeadByteRanges(HostPlatform& platform);

}  // namespace quarvex::host
