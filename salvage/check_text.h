// The texts of `quarvex-cli check`: one grep-friendly line per finding, one summary line per
// file, and the same as JSON data.
//
//   FILE: 0x0000605C: damage: data record (block 0, record 12): RecSize 0x00000000, expected at least 20
//   FILE: healthy: 4,998 keys, 15,858 values, 21 blocks
//   FILE: 3 damage, 1 warning: 170 keys and 412 values unreadable; 2,316 bytes lost
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "hive/finding.h"
#include "salvage/salvage.h"

namespace quarvex::salvage {

// 1518 -> "1,518".
std::string GroupThousands(std::uint64_t value);

// "0x0000605C: damage: data record (block 0, record 12): RecSize 0x00000000, expected at least 20"
// (the line without the file name in front).
std::string FindingLine(const hive::Finding& finding);
// "healthy: 787 keys, 1,518 values, 4 blocks", "not a registry file", or the damage counts
// (salvage/counts.h).
std::string SummaryText(const SalvagedHive& hive);

// One file's result as a JSON object: status, the counts (salvage/counts.h), every finding.
// members: more of them (", \"name\": value ..."), put before the summary.
std::string CheckJson(std::string_view file, const SalvagedHive& hive, std::string_view members = {});
// A file that could not be read at all, as a JSON object.
std::string CheckJsonError(std::string_view file, std::string_view error);

}  // namespace quarvex::salvage
