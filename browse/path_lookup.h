// A key path as a user types it: components apart by backslashes, as the registry writes them,
// or by slashes, as file paths are typed. A slash is also an ordinary character of key names,
// so a slash parts two names only where no key at that level has the name with the slash in
// it: the literal name is looked up first, the longest one that is there wins, and only then
// is the text split at its slashes ("Software/Microsoft" is Software's subkey Microsoft unless
// the top level holds a key named "Software/Microsoft"). Backslashes always part names.
// Everything else is HiveView::Find's: case, a leading root name, the first of equal siblings.
#pragma once

#include <string_view>

#include "browse/hive_view.h"

namespace quarvex::browse {

Lookup FindKeyPath(const HiveView& view, std::string_view pathUtf8);

}  // namespace quarvex::browse
