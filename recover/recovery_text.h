// Recovered keys as lines for a person: the terminal's `quarvex-cli recover` and the analyser
// window show the same text. Values are shown the way `ls -v` and `get` show them.
#pragma once

#include <string>
#include <vector>

#include "recover/recover.h"
#include "text/codepage.h"

namespace quarvex::recover {

// One block of lines per key: where it was found and its path, its confidence and why, then
// its values. UTF-8.
std::vector<std::string> RecoveredKeyLines(const RecoveredKey& key, text::CodePage codePage);
// "12 keys and 31 values recovered: 9 high, 2 medium, 1 low confidence"
std::string RecoverySummaryLine(const std::vector<const RecoveredKey*>& keys);
// The same, then what was left out and what was found besides: "...; 304 identical copies of
// live keys not listed; 3 earlier values of live keys".
std::string RecoverySummaryLine(const std::vector<const RecoveredKey*>& keys, std::size_t copiesNotListed,
                                std::size_t earlierValues);
// A live key's earlier values: "live key Software\X: earlier values", then one "  was: value"
// line each with where it lies and its confidence.
std::vector<std::string> LiveKeyRemainsLines(const LiveKeyRemains& remains, text::CodePage codePage);

}  // namespace quarvex::recover
