// The code page a hive was written in, found in this order:
//   (a) the hive itself: a system.dat's System\CurrentControlSet\Control\Nls\Codepage "ACP",
//       a user.dat's .DEFAULT\Control Panel\International "Locale" (text/lcid_codepage.h);
//   (b) the "ACP" of a system.dat beside the analysed file, or in the Windows directory named;
//   (c) the stored name checksums (detect/checksum_vote.h);
//   (d) 1252, the page of most Windows 9x installations.
// A code page the user names skips all of it. Each choice carries its reason in words, for
// standard error, the JSON and the check's notes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hive/format.h"
#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::detect {

enum class CodePageSource { Option, Hive, Companion, Checksums, Default };
// "option", "hive", "system.dat", "checksums", "default".
std::string_view SourceName(CodePageSource source);

struct CodePageChoice {
  text::CodePage codePage = text::CodePage::Cp1252;
  CodePageSource source = CodePageSource::Default;
  std::string reason;  // UTF-8, one sentence without a full stop
};

// What the hive's own values say: (a) above; nothing when it holds neither value (or only a
// value naming a page not among ours, which the reason of the final choice does not hide).
std::optional<CodePageChoice> CodePageFromHiveValues(const salvage::SalvagedHive& hive, std::string* note = nullptr);

// A system.dat read for (b): its path (for the reason) and its bytes.
struct Companion {
  std::string path;
  std::vector<std::uint8_t> bytes;
};

// (a) to (d) over the hive's image and the companions, in the order given.
CodePageChoice DetectCodePage(hive::Bytes image, const std::vector<Companion>& companions);
// The same when the hive is already salvaged (any code page: only names and values are read).
CodePageChoice DetectCodePage(const salvage::SalvagedHive& hive, const std::vector<Companion>& companions);

// The files worth reading for (b): a system.dat (any letter case) in the analysed file's
// directory, then in windowsDirectory; never the analysed file itself; only existing files.
std::vector<std::string> CompanionSystemFiles(const std::string& hivePath,
                                              const std::optional<std::string>& windowsDirectory);

}  // namespace quarvex::detect
