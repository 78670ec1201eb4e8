// The key nodes that once were: the nodes on the key-node block's free list (their first 12
// bytes are the free view; the parent link and the record numbers survive) and node-shaped
// bytes inside the free areas there (whole, checksum included). Each listed node gets its
// place on the list: a deletion puts its node at the head, so the place is the order of the
// deletions, the newest first, and a deleted subtree's nodes follow each other.
#pragma once

#include "recover/scene.h"

namespace quarvex::recover::detail {

void FindOldNodes(Scene& scene);

}  // namespace quarvex::recover::detail
