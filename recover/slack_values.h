// Earlier values of live keys in the slack of their records.
//
// A live record often takes far more room than its key uses (NextOfs beyond RecSize): Windows
// shrinks a key's record in place, and the bytes behind its new end keep what was there, old
// values whole among them. The slack of each live record is read for value entries (a known
// type, a length that fits inside the slack, a printable name; a DWORD four bytes long) and
// never past the record's end. An entry that stands where the live values end, or right after
// another one found, is medium; one alone in the middle of the slack is low.
#pragma once

#include <vector>

#include "recover/scene.h"

namespace quarvex::recover::detail {

// In key order; values that lie inside a candidate record found in the slack are left to it.
std::vector<LiveKeyRemains> ValuesInSlack(Scene& scene);

}  // namespace quarvex::recover::detail
