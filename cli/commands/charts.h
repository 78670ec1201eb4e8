// quarvex-cli --charts DIR: the pictures of the six chart views. quarvex-cli links no Qt, so it
// runs quarvex-charts, the Qt program installed beside it, on the same hive file.
#pragma once

#include <ostream>
#include <string>

#include "text/codepage.h"

namespace quarvex::cli {

// quarvex-charts in this executable's directory; empty when that directory is unknown.
std::string ChartsProgramPath();

// Runs `quarvex-charts --quiet --codepage CP DIRECTORY FILE` and waits for it. kExitOk when
// the six pictures were written; otherwise says why on err and returns kExitJobFailed (its
// job failed) or kExitWriteFailed (not installed, could not run, could not write).
int WriteCharts(const std::string& directory, const std::string& hiveFile, quarvex::text::CodePage codePage,
                std::ostream& err);

}  // namespace quarvex::cli
