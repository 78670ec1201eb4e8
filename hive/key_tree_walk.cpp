#include "hive/key_tree_walk.h"

#include "hive/link_guard.h"

namespace quarvex::hive {

namespace {
enum class Arrival { Down, Across, Up };

// The link that led back is the one followed last: the finding names the node that holds it,
// which of its three links it is, and where it points.
Finding LoopFinding(KeyNodeOffset from, KeyNodeOffset target, Arrival arrival) {
  Finding f;
  f.structure = Structure::KeyNode;
  f.offset = from.InFile();
  f.field = arrival == Arrival::Down     ? FieldName(KeyNodeField::LwrOfs)
            : arrival == Arrival::Across ? FieldName(KeyNodeField::NextOfs)
                                         : FieldName(KeyNodeField::UprOfs);
  f.found = Hex32(static_cast<std::uint32_t>(target.value)) +
            (arrival == Arrival::Up ? " (a parent already climbed through)" : " (a key already visited)");
  f.expected = arrival == Arrival::Up ? "a parent chain that reaches the root" : "a key not yet visited";
  return f;
}
}  // namespace

bool WalkKeyTree(Hive& hive, KeyNodeOffset start, const KeyNodeVisitor& visit) {
  // A second visit of a node repeats everything after it, so it means a loop. A run of climbs
  // visits nothing, so a circle of parent links is caught by the cycle detector instead,
  // which starts afresh after every visit.
  VisitedOffsets visited(hive.hiveImage.Size());
  CycleDetector climbs;
  KeyNodeOffset current = start;
  KeyNodeOffset from = start;
  Arrival arrival = Arrival::Down;
  for (;;) {
    KeyNode node;
    if (!hive.ReadKeyNode(current, node)) return false;
    if (arrival != Arrival::Up) {
      if (!visited.Mark(current.InFile().value)) return hive.Fail(code::kLinkLoop, LoopFinding(from, current, arrival));
      climbs.Reset();
      visit(current, node);
      if (hive.errorCode != code::kOk) return false;
      if (node.LwrOfs > 0) {
        from = current;
        current = KeyNodeOffset(node.LwrOfs);
        arrival = Arrival::Down;
        continue;
      }
    }
    if (node.NextOfs > 0) {
      from = current;
      current = KeyNodeOffset(node.NextOfs);
      arrival = Arrival::Across;
    } else if (node.UprOfs > 0) {
      from = current;
      current = KeyNodeOffset(node.UprOfs);
      arrival = Arrival::Up;
      if (climbs.Step(current.value)) return hive.Fail(code::kLinkLoop, LoopFinding(from, current, arrival));
    } else {
      return true;
    }
  }
}

}  // namespace quarvex::hive
