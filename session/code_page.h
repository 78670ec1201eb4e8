// The code page a hive is read with, and why: the one the user named, or else what the hive
// itself says (its ACP or Locale), a system.dat beside it or in the Windows directory named, its
// name checksums, else 1252 (detect/codepage_detect.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "detect/codepage_detect.h"
#include "hive/byte_cursor.h"
#include "salvage/salvage.h"
#include "session/hive_address.h"
#include "text/codepage.h"

namespace quarvex::session {

struct CodePageRequest {
  std::optional<text::CodePage> named;             // --codepage; empty: told by the hive
  std::string namedHow = "named with --codepage";  // the reason given for a named page
  std::optional<std::string> windowsDirectory;     // where a system.dat of the hive's machine lies
};

// A --codepage value: "auto" leaves `named` empty; a code page's name sets it. False for
// anything else.
bool ParseCodePageArgument(std::string_view text, std::optional<text::CodePage>& named);

// For the bytes of the hive at address. Only a loose file on disk has a folder to look beside.
detect::CodePageChoice ChooseCodePage(const CodePageRequest& request, const HiveAddress& address, hive::Bytes bytes);
// The same for a hive already read with single-byte rules.
detect::CodePageChoice ChooseCodePage(const CodePageRequest& request, const HiveAddress& address,
                                      const salvage::SalvagedHive& model);

}  // namespace quarvex::session
