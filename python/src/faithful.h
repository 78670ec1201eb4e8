// The faithful analysis job over an opened hive, as quarvex-cli runs it for its report and its
// --json: the report's options are quarvex-cli's own words ("--all", "--set", "NAME=on",
// "--now", "2026-12-07T10:00:00" ...), parsed by the command line's own parser, so a script
// and the command line ask for a report in the same terms and get the same bytes.
#pragma once

#include <string>
#include <vector>

#include "python/src/hive_core.h"

namespace quarvex::python {

// The report's bytes as `quarvex-cli [WORDS] -o FILE HIVE` writes FILE: in the hive's code page
// with CR LF, or UTF-8 with --encoding utf-8. Throws std::invalid_argument for words the
// command line refuses or that name an output (-o, --json, --export, --charts ...), and
// HiveFailure when the job fails.
std::string ReportBytes(const HiveCore& core, const std::vector<std::string>& words);

// The document `quarvex-cli [WORDS] --json - HIVE` writes, as text.
std::string AnalysisJson(const HiveCore& core, const std::vector<std::string>& words);

}  // namespace quarvex::python
