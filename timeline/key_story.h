// One key through the copies of a hive (the live file, its backups, its setup copy), oldest
// first: whether each copy holds the key and how it differs from the copy before, and the key's
// values in each with what changed. What `quarvex-cli history --key` prints and the browser's
// History view shows. A Windows 9x key keeps no time of its own: the copies' dates are when.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "browse/hive_view.h"

namespace quarvex::timeline {

// How the key stands in one copy, against the last readable copy before it.
enum class KeyState {
  NotReadable,  // the copy could not be read as a hive
  Absent,       // not here, nor in the copy before (or this is the first)
  Present,      // here, as in the copy before (or this is the first copy that holds it)
  Added,        // here, not in the copy before
  Removed,      // not here, in the copy before
  Changed,      // here and before, with values added, removed or changed
};
// "not readable", "absent", "present", "added", "removed", "changed".
const char* KeyStateName(KeyState state);

enum class ValueMark { Same, Added, Changed };

struct ValueInCopy {
  std::string name;  // UTF-8, control characters escaped; "" the unnamed value
  std::uint16_t type = 0;
  std::string data;                  // as the listings show it (browse::DataText), cut to the limit
  ValueMark mark = ValueMark::Same;  // against the copy before; Same in the first copy holding the key
};

struct KeyInCopy {
  KeyState state = KeyState::Absent;
  std::vector<ValueInCopy> values;         // in the key's order
  std::vector<std::string> removedValues;  // names the copy before had and this one lacks
};

// copies: the hives oldest first, each viewed in its own code page (null: not readable);
// path: the key as HiveView::Find takes it. Values are compared by name (ASCII letters folded,
// as Windows 9x compares them), type and bytes; dataLimit cuts the data texts (0: whole).
std::vector<KeyInCopy> KeyStory(std::span<const browse::HiveView* const> copies, std::string_view path,
                                std::size_t dataLimit = 80);

}  // namespace quarvex::timeline
