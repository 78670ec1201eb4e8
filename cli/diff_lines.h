// One difference between two hives as `diff` and `history` print it: a line ("+ PATH",
// "- PATH: NAME: DATA", "~ PATH: NAME: OLD → NEW") or a JSON object ({"change", "path", "old",
// "new"}). A and B are viewed in one code page.
#pragma once

#include <string>

#include "browse/diff.h"
#include "browse/hive_view.h"
#include "text/codepage.h"

namespace quarvex::cli {

// The key's path, in A for what A has (removed, changed), in B for what only B has.
std::string DifferencePath(const browse::Difference& d, const browse::HiveView& a, const browse::HiveView& b);
std::string DifferenceLine(const browse::Difference& d, const browse::HiveView& a, const browse::HiveView& b,
                           text::CodePage codePage);
std::string DifferenceJson(const browse::Difference& d, const browse::HiveView& a, const browse::HiveView& b);

}  // namespace quarvex::cli
