// Differences between two hives, key by key and value by value, matched by path.
//
// Keys are matched by name under matched parents (names folded as Windows 9x folds them, in
// the hive's code page); among siblings of one name the first meets the first, the second the
// second. Values are matched the same way by name within matched keys. A value changed when
// its type or its data bytes differ. The order is the tree's: a key's value differences, then
// its subkeys' in A's order, then the subkeys only B has. A key only one side has is one
// difference, followed by one for each of its values and then its subkeys, all of them.
#pragma once

#include <cstdint>
#include <vector>

#include "browse/hive_view.h"

namespace quarvex::browse {

enum class Change { KeyAdded, KeyRemoved, ValueAdded, ValueRemoved, ValueChanged };

struct Difference {
  Change change = Change::KeyAdded;
  std::int32_t keyA = kTop;  // the key in A (kTop when added)
  std::int32_t keyB = kTop;  // the key in B (kTop when removed)
  const salvage::SalvagedValue* valueA = nullptr;
  const salvage::SalvagedValue* valueB = nullptr;
};

struct DiffOptions {
  bool keys = true;    // key added / removed
  bool values = true;  // value added / removed / changed
};

// Both views in one code page.
std::vector<Difference> Diff(const HiveView& a, const HiveView& b, const DiffOptions& options = {});

}  // namespace quarvex::browse
