// The key-node listings: every node of the key tree in walk order, then the block's free list.
// Offsets are printed relative to the key-node block, as the nodes store them. Both lists
// are walked and counted whatever the options say; the options only suppress lines.
#include "hive/key_tree_walk.h"
#include "hive/link_guard.h"
#include "report/field_captions.h"
#include "report/sections.h"
#include "text/hex_text.h"

namespace quarvex::report {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;

void ListUsingKeyNodes(SectionOutput& out) {
  using F = KeyNodeField;
  // " __offset:____Attr __Chksum ____Unk1 __UprOfs __LwrOfs _NextOfs Blk# Rec#"
  const bool lines = out.OpenListing(
      "RGKN record <Using>", Option::KeyNodesInUse,
      Captions(" __offset:", " Blk# Rec#", F::Attr, F::Chksum, F::Unk1, F::UprOfs, F::LwrOfs, F::NextOfs));
  RgknHeader header;
  if (!out.hive().ReadKernelHeader(header)) return;

  int count = 0;
  const std::uint64_t slots = KeyNodeSlots(out.hive(), header);
  // The shared walk ends a tree that links back onto itself with code::kLinkLoop, before
  // any node is listed twice.
  // The progress text "KN_U:%.8X" of every node, written into one buffer.
  char progress[13] = {'K', 'N', '_', 'U', ':'};
  const bool walked =
      WalkKeyTree(out.hive(), KeyNodeOffset(header.iRec1stOfs), [&](KeyNodeOffset offset, const KeyNode& node) {
        WriteHex(progress + 5, Hex(offset), 8);
        out.ProgressText(std::string_view(progress, sizeof progress), static_cast<std::uint64_t>(count) + 1, slots);
        ++count;
        if (!lines) return;
        // " %.8X:%.8X %.8X %.8X %.8X %.8X %.8X %.4X %.4X", by hand. The block number comes first
        // although the node stores the record number first.
        std::string& line = out.Compose();
        AppendHex(line, " ", Hex(offset), 8);
        AppendHex(line, ":", node.Attr, 8);
        for (std::uint32_t field : {node.Chksum, node.Unk1, Hex(node.UprOfs), Hex(node.LwrOfs), Hex(node.NextOfs)}) {
          AppendHex(line, " ", field, 8);
        }
        AppendHex(line, " ", node.BlkNo, 4);
        AppendHex(line, " ", node.RecNo, 4);
        out.Text(line);
      });
  if (!walked) return;
  out.CloseListing(Option::KeyNodesInUseCount, count);
}

void ListEmptyKeyNodes(SectionOutput& out) {
  using F = FreeKeyNodeField;
  // " __offset:____Attr ____Size _NextOfs"
  const bool lines = out.OpenListing("RGKN record <Empty>", Option::FreeKeyNodes,
                                     Captions(" __offset:", "", F::Attr, F::Size, F::NextOfs));
  Hive& hive = out.hive();
  RgknHeader header;
  if (!hive.ReadKernelHeader(header)) return;

  // Only 0xFFFFFFFF ends the list: every other link, 0 included, is followed. Coming back to
  // a free node already listed means the list runs in a circle.
  VisitedOffsets listed(hive.hiveImage.Size());
  int count = 0;
  // Where the link now followed was read: the block header's iERecOfs, then each area's NextOfs.
  Finding link = FindingAt(Structure::RgknHeader, kKeyNodeBlockFileOffset, FieldName(RgknHeaderField::iERecOfs));
  for (KeyNodeOffset current(header.iERecOfs);;) {
    out.Progress("KN_E");
    if (current.IsNone()) break;
    if (!listed.Mark(current.InFile().value)) {
      link.found = Hex32(Hex(current)) + " (an area already listed)";
      link.expected = "0xFFFFFFFF or an area not yet listed";
      out.Fail(code::kLinkLoop, std::move(link));
      return;
    }
    FreeKeyNode node;
    if (!hive.ReadFreeKeyNode(current, node)) return;
    if (lines) out.Line(" %.8X:%.8X %.8X %.8X", Hex(current), node.Attr, Hex(node.Size), Hex(node.NextOfs));
    ++count;
    link = FindingAt(Structure::FreeKeyNode, current.InFile(), FieldName(FreeKeyNodeField::NextOfs));
    current = KeyNodeOffset(node.NextOfs);
  }
  out.CloseListing(Option::FreeKeyNodesCount, count);
}

}  // namespace quarvex::report
