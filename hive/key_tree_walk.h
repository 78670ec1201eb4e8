// The key tree walk shared by the analyser and the key-node listing.
//
// A depth-first pre-order walk with no stack: it descends through LwrOfs (first child),
// moves on through NextOfs (next sibling) and climbs back through UprOfs (parent), keeping
// only the current offset and the direction it arrived from. A link counts only when it is
// greater than 0. A node reached going down or across is visited; a node reached going up is
// only read again, to continue from its next sibling or its own parent.
#pragma once

#include <cstdint>
#include <functional>

#include "hive/hive_state.h"

namespace quarvex::hive {

// Called for every visited node in walk order, with its offset in the key-node block.
// The visitor may set hive.errorCode to stop the walk.
using KeyNodeVisitor = std::function<void(KeyNodeOffset offset, const KeyNode& node)>;

// Walks from `start`. Returns true when the walk ran to its end; false with hive.errorCode
// set when a node could not be read (5), the visitor set a code, or the walk came back to a
// node it had already visited or climbed in a circle (code::kLinkLoop, before visiting it again).
bool WalkKeyTree(Hive& hive, KeyNodeOffset start, const KeyNodeVisitor& visit);

}  // namespace quarvex::hive
