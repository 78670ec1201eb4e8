// The key tree as its links lead, for the readers that go on past damage (the salvage reader and
// the code page detection's light reader): from the key-node block header's first link, each
// node's first child (LwrOfs), then its next sibling (NextOfs), depth first — the order Windows
// lists keys in. A link that leads outside the key-node block, or back to a node already read,
// is cut there and what it led to is not followed; every node is read once, so the walk ends
// within the block. (The faithful report walks the tree its own way: hive/key_tree_walk.h.)
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "hive/format.h"

namespace quarvex::hive {

// A link as it is stored: in the key-node block header (iRec1stOfs) or in a key node.
struct KeyLink {
  enum class Field { FirstKey, FirstChild, NextSibling };
  std::int32_t parent = -1;  // the chain's key, as the visitor numbered it; -1 for the top level
  std::int32_t target = 0;   // the node it leads to, relative to the key-node block
  std::int64_t owner = 0;    // the file offset of the header or node that holds it
  Field field = Field::FirstKey;
};

enum class LinkCut { OutsideBlock, Loop };

// Key nodes begin after the key-node block's 32-byte header.
inline constexpr std::int32_t kFirstKeyNode = static_cast<std::int32_t>(RgknHeader::kSize);

// Whether a key node (or free area) of `size` bytes at `relative` lies inside the key-node block,
// which ends at the file offset blockEnd.
inline bool InsideKeyNodeBlock(std::int64_t relative, std::int64_t size, std::int64_t blockEnd) {
  return relative >= kFirstKeyNode && kKeyNodeBlockStart + relative + size <= blockEnd;
}

// Walks from `first` (the header's iRec1stOfs). blockEnd: where the key-node block ends, within
// the image. visited: a flag per byte of the block, set for each node read (sized here).
// onNode(link, node) reads a node and returns the number its children name as their parent;
// onCut(link, why) hears of a link cut and returns whether to go on. False when onCut stopped it.
template <typename OnNode, typename OnCut>
bool WalkKeyLinks(Bytes image, std::int32_t first, std::int64_t blockEnd, std::vector<bool>& visited, OnNode&& onNode,
                  OnCut&& onCut) {
  visited.assign(static_cast<std::size_t>(std::max<std::int64_t>(0, blockEnd - kKeyNodeBlockStart)), false);
  std::vector<KeyLink> stack{{-1, first, kKeyNodeBlockStart, KeyLink::Field::FirstKey}};
  while (!stack.empty()) {
    KeyLink link = stack.back();
    stack.pop_back();
    if (link.target == kNoOffset) continue;
    if (!InsideKeyNodeBlock(link.target, static_cast<std::int64_t>(KeyNode::kSize), blockEnd)) {
      if (!onCut(link, LinkCut::OutsideBlock)) return false;
      continue;
    }
    if (visited[static_cast<std::size_t>(link.target)]) {
      if (!onCut(link, LinkCut::Loop)) return false;
      continue;
    }
    visited[static_cast<std::size_t>(link.target)] = true;
    const std::int64_t at = kKeyNodeBlockStart + link.target;
    const KeyNode node = KeyNode::Decode(image.subspan(static_cast<std::size_t>(at), KeyNode::kSize));
    const std::int32_t key = onNode(link, node);
    // The sibling waits under the children: the whole subtree comes first.
    stack.push_back({link.parent, node.NextOfs, at, KeyLink::Field::NextSibling});
    stack.push_back({key, node.LwrOfs, at, KeyLink::Field::FirstChild});
  }
  return true;
}

}  // namespace quarvex::hive
