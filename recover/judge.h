// Judging a candidate: its path (the old nodes' parent links up to a live key, the names of
// old nodes on the way from the records tied to them), its live counterpart, the evidence in
// words and its confidence.
//
// high: the record is whole (values chain exactly to its end, known types, a printable name)
//   and it was placed by its record numbers, by elimination or by free-list order with no
//   doubt, every node on its path too, up to a live key: its path is known, not guessed (or a
//   lost key node whose checksum is its name's).
// medium: a printable name with values that chain, or tied to a node by weaker evidence, or
//   an older copy of a live key (told by content alone).
// low: the rest (names that do not read, values cut short).
#pragma once

#include "recover/live_copies.h"
#include "recover/scene.h"

namespace quarvex::recover::detail {

RecoveredKey Judge(const Scene& scene, const LiveKeyIndex& live, std::size_t candidate);

}  // namespace quarvex::recover::detail
