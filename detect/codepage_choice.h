// The system.dat files read beside a hive for its code page (session/code_page.h chooses it),
// and what the choice means for a check: a note naming the page and its reason, and a warning
// when the names' stored checksums follow another lead-byte rule than the chosen page's (the
// page is wrong, so names decode wrongly and every double-byte name looks like a ghost).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "detect/codepage_detect.h"
#include "hive/finding.h"
#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::detect {

// The system.dat files worth reading for a hive (CompanionSystemFiles), read: only for a hive
// that is a regular file on disk. A hive inside an image or read from standard input has no
// folder to look beside, and a Windows directory named for the host is not its machine's.
std::vector<Companion> ReadCompanions(const std::string& hivePath, const std::optional<std::string>& windowsDirectory);

// "code page 1252 (hive): the hive's ... says ACP \"1252\"": one line for a status bar or a log.
std::string ChoiceText(const CodePageChoice& choice);

// The note on the choice, then the warning on disagreeing checksums if there is one.
std::vector<hive::Finding> CodePageFindings(const salvage::SalvagedHive& hive, const CodePageChoice& choice);

}  // namespace quarvex::detect
