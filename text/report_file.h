// Saving the report: every line followed by CR LF, in the lines' own bytes (or transcoded
// to UTF-8 when asked), no byte-order mark. The text goes to a temporary file beside the
// target, which is renamed over the target only once it is complete, so a failed save never
// leaves a half report that looks whole, and an existing file survives a failure intact. A
// symbolic link is followed (the link stays, its target gets the text); a device or named
// pipe (/dev/null, /dev/fd/1, a FIFO) is written to directly, never replaced by a file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text/codepage.h"
#include "text/report_lines.h"

namespace quarvex::text {

// transcodeFrom: when set, each line is converted from that code page to UTF-8. lineEnd:
// what follows each line of untranscoded bytes (CR LF unless a caller that already wrote
// the text in another form asks otherwise).
bool SaveReportLines(const ReportLines& lines, const std::string& path, std::string& error,
                     std::optional<CodePage> transcodeFrom = std::nullopt, std::string_view lineEnd = "\r\n");

// The saved form as one string (for standard output and for comparisons).
std::string SavedReportText(const ReportLines& lines, std::optional<CodePage> transcodeFrom = std::nullopt);

}  // namespace quarvex::text
