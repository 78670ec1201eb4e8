// What the faithful report makes of a file, found as cheaply as the report can be made: the job
// with its analysis, where every failure of a default report arises, but without the report's
// text, the host's facts or a clock. `check` and `summary` ask it whether the report of a file
// can be made, and say why not when the salvage reader reads the same file on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analyzer/analysis_result.h"
#include "hive/error_codes.h"
#include "hive/finding.h"
#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::job {

struct ReportReading {
  std::int32_t code = hive::code::kOk;               // the code the report ends with: Fail(code)
  std::optional<hive::Finding> finding;              // where its reader stopped, when it said
  std::string loadFailureReason;                     // why the bytes could not be taken in
  std::optional<analyzer::AnalysisResult> analysis;  // when the analysis ran to its end
  bool Failed() const { return code != hive::code::kOk; }
};

// Runs the report's readers and analysis over the file's bytes, in the code page the hive was
// written in. fileName is only the name the job is told; nothing is read from disk.
ReportReading ReadAsTheReport(std::vector<std::uint8_t> bytes, const std::string& fileName, text::CodePage codePage);

// Why the report fails, in words: what its reader does, and what the salvage reader of the same
// file (`check`, ls, the salvage export) does there instead: "its free-list reader takes a free
// list headed by 0 as offset 0; here it is read as an empty list". Empty when the report is made.
std::string ReportFailureReason(const ReportReading& reading, const salvage::SalvagedHive& hive);

// The note `check` lists for a report that fails, at the place its reader stopped:
// "the report fails with Fail(21) (its free-list reader ...; here ...)". nullopt when the
// report is made.
std::optional<hive::Finding> ReportFailureNote(const ReportReading& reading, const salvage::SalvagedHive& hive);

}  // namespace quarvex::job
