// Tying candidate records to the key nodes that once named them, on evidence, strongest first:
//
// 1. record numbers: a record (or record-shaped bytes inside a free area) that still carries
//    its Blk#/Rec#, named by exactly one freed node;
// 2. a live copy: no node at all, the record is an older copy of a live key (live_copies.h);
// 3. elimination: in a block, the only freed node whose record number no record in use holds
//    and the only record left unexplained that lost its numbers;
// 4. free-list order: a deletion puts the node at the head of the key-node free list and the
//    record at the head of its block's, so the k-th freed node naming a block and the k-th
//    unexplained record on that block's list were freed together. Read from the heads, and
//    only as far as nothing shows a merge or space used again since.
//
// A pairing that another reading could contradict (two nodes naming one record, a split free
// area ahead of the record on its list, a record number taken again since) is marked doubtful.
#pragma once

#include "recover/live_copies.h"
#include "recover/scene.h"

namespace quarvex::recover::detail {

void PairNodesAndRecords(Scene& scene, const LiveKeyIndex& live);

}  // namespace quarvex::recover::detail
