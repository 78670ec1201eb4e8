// The key walk of the analysis: every in-use key node in pre-order, with its data record.
#include "analyzer/space_tally.h"
#include "hive/key_tree_walk.h"
#include "hive/keyname.h"
#include "text/hex_text.h"

namespace quarvex::analyzer {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;


bool WalkKeys(const stage::StageContext& context, const RgknHeader& rgkn, SpaceTally& tally) {
  Hive& hive = context.hive;
  const std::uint64_t slots = stage::KeyNodeSlots(hive, rgkn);
  std::uint64_t walked = 0;
  // The progress text "ANA:%.8X" of every key, written into one buffer.
  char progress[12] = {'A', 'N', 'A', ':'};
  return WalkKeyTree(hive, KeyNodeOffset(rgkn.iRec1stOfs), [&](KeyNodeOffset offset, const KeyNode& node) {
    text::WriteHex(progress + 4, static_cast<std::uint32_t>(offset.value), 8);
    context.Progress(std::string_view(progress, sizeof progress), ++walked, slots);
    tally.keyNode.Using += static_cast<std::int64_t>(KeyNode::kSize);
    // A key without a record the index knows counts only its node; an empty index (11)
    // stops the walk.
    const std::optional<FileOffset> record = hive.FindKeyRecord(node);
    DataRecordHeader header;
    // The pre-scan indexed only records whose 20 header bytes it read whole, so the header
    // read cannot come up short; were it to, the key would count as having no record.
    if (!record || !hive.ReadDataRecordHeader(*record, header)) return;
    tally.blocks[header.BlkNo].Using += header.RecSize;
    // The whole name, however long; a name cut short by the end of the image is judged by
    // the bytes that are there.
    const Bytes name = hive.ReadBytes(record->Plus(DataRecordHeader::kSize), header.KeyL);
    tally.keys.push_back({offset, header.RecSize, JudgeKeyName(name, node.Chksum, context.leadBytes)});
  });
}

}  // namespace quarvex::analyzer
