#include "recover/old_nodes.h"

#include <algorithm>
#include <utility>

namespace quarvex::recover::detail {

using namespace quarvex::hive;

namespace {

bool LinkInBlock(const Scene& scene, std::int32_t link) {
  return link == kNoOffset || (link >= kFirstNodeRel && hive::kKeyNodeBlockStart + link + kNode <= scene.nodeAreaEnd);
}

bool PlausibleNode(const Scene& scene, const KeyNode& n, bool inner) {
  if (!LinkInBlock(scene, n.UprOfs) || !LinkInBlock(scene, n.LwrOfs) || !LinkInBlock(scene, n.NextOfs)) return false;
  if (n.RecNo == kNoNumber || n.BlkNo >= scene.hive.blocks.size()) return false;
  return !inner || n.UprOfs != kNoOffset;
}

}  // namespace

void FindOldNodes(Scene& scene) {
  const salvage::SalvagedHive& hive = scene.hive;
  ImageReader& in = scene.in;
  std::int64_t areaEnd = in.Size();
  if (!hive.blocks.empty())
    areaEnd = std::min(areaEnd, hive.blocks.front().offset.value);
  else if (hive.rgkn.iBlkSize >= 32)
    areaEnd = std::min(areaEnd, hive::kKeyNodeBlockStart + hive.rgkn.iBlkSize);
  scene.nodeAreaEnd = areaEnd;
  if (areaEnd <= hive::kKeyNodeBlockStart + kFirstNodeRel) return;
  const auto slots = static_cast<std::size_t>(areaEnd - hive::kKeyNodeBlockStart);
  std::vector<bool> listed(slots, false), scanned(slots, false);
  struct Listed {
    std::int64_t begin, end;
    std::int32_t place;
  };
  std::vector<Listed> areas;
  std::int32_t place = 0;
  for (std::int64_t rel = hive.rgkn.iERecOfs; rel != kNoOffset; ++place) {
    if (rel < kFirstNodeRel || hive::kKeyNodeBlockStart + rel + static_cast<std::int64_t>(FreeKeyNode::kSize) > areaEnd)
      break;
    if (listed[static_cast<std::size_t>(rel)]) break;
    listed[static_cast<std::size_t>(rel)] = true;
    const std::int64_t at = hive::kKeyNodeBlockStart + rel;
    const std::int64_t size =
        std::clamp<std::int64_t>(in.Read<FreeKeyNodeField::Size>(at), kNode, areaEnd - hive::kKeyNodeBlockStart - rel);
    areas.push_back({rel, rel + size, place});
    rel = in.Read<FreeKeyNodeField::NextOfs>(at);
  }
  for (const Listed& area : areas) {
    for (std::int64_t p = area.begin; p + kNode <= area.end && hive::kKeyNodeBlockStart + p + kNode <= areaEnd;) {
      if (scanned[static_cast<std::size_t>(p)]) {
        p += 4;
        continue;
      }
      scanned[static_cast<std::size_t>(p)] = true;
      const KeyNodeOffset at(static_cast<std::int32_t>(p));
      const KeyNode n = in.NodeAt(at);
      const bool atStart = p == area.begin;
      if (PlausibleNode(scene, n, !atStart) && scene.LiveKeyAt(at) == salvage::kNoIndex) {
        OldNode node;
        node.rel = static_cast<std::int32_t>(p);
        node.fields = n;
        node.checksumSurvives = !atStart;
        node.listPosition = atStart ? area.place : -1;
        scene.oldNodes.push_back(node);
        p += kNode;
      } else {
        p += 4;
      }
    }
  }
  std::sort(scene.oldNodes.begin(), scene.oldNodes.end(),
            [](const OldNode& x, const OldNode& y) { return x.rel < y.rel; });
}

}  // namespace quarvex::recover::detail
