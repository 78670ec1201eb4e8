#include "hive/key_tree_walk.h"

#include "hive/link_guard.h"

namespace quarvex::hive {


namespace {
enum class Arrival { Down, Across, Up };
}

bool WalkKeyTree(Hive& hive, std::int32_t start, const KeyNodeVisitor& visit) {
  // A second visit of a node repeats everything after it, so it means a loop. A run of climbs
  // visits nothing, so a circle of parent links is caught by the cycle detector instead,
  // which starts afresh after every visit.
  VisitedOffsets visited(hive.hiveImage.Size());
  CycleDetector climbs;
  std::int32_t current = start;
  Arrival arrival = Arrival::Down;
  for (;;) {
    KeyNode node;
    if (!hive.ReadKeyNode(current, node)) return false;
    if (arrival != Arrival::Up) {
      if (!visited.Mark(KeyNodeFileOffset(current))) {
        hive.errorCode = code::kLinkLoop;
        return false;
      }
      climbs.Reset();
      visit(current, node);
      if (hive.errorCode != code::kOk) return false;
      if (node.LwrOfs > 0) {
        current = node.LwrOfs;
        arrival = Arrival::Down;
        continue;
      }
    }
    if (node.NextOfs > 0) {
      current = node.NextOfs;
      arrival = Arrival::Across;
    } else if (node.UprOfs > 0) {
      current = node.UprOfs;
      arrival = Arrival::Up;
      if (climbs.Step(current)) {
        hive.errorCode = code::kLinkLoop;
        return false;
      }
    } else {
      return true;
    }
  }
}

}  // namespace quarvex::hive
