// The key walk of the analysis: every in-use key node in pre-order, with its data record.
#include <array>
#include <cstddef>

#include "analyzer/space_tally.h"
#include "hive/key_tree_walk.h"
#include "hive/keyname.h"
#include "text/hex_text.h"

namespace quarvex::analyzer {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;

namespace {

// A key whose record is due to be read: where its node is, where its record is, and the
// checksum the node stores for the name.
struct DueKey {
  KeyNodeOffset node;
  FileOffset record;
  std::uint32_t chksum = 0;
};

// The records of a big hive lie all over the file in the key tree's order, so reading each
// one as its key is reached waits on memory once per key. Keys are therefore read a few
// behind the walk: each record is asked for from memory when its key is reached and read
// kAhead keys later, when it has arrived, still strictly in key order. Nothing else changes:
// the walk alone decides where it fails, and a failed walk's totals are not used.
class RecordReadAhead {
 public:
  static constexpr std::size_t kAhead = 16;

  RecordReadAhead(Hive& hive, const text::LeadByteSet& leadBytes, SpaceTally& tally)
      : hive_(hive), image_(hive.hiveImage.View()), leadBytes_(leadBytes), tally_(tally) {}

  void Add(const DueKey& key) {
    const auto at = static_cast<std::size_t>(key.record.value);
    if (at < image_.size()) __builtin_prefetch(image_.data() + at);
    if (count_ == kAhead) {
      Read(due_[first_]);
      first_ = (first_ + 1) % kAhead;
      --count_;
    }
    due_[(first_ + count_) % kAhead] = key;
    ++count_;
  }

  void ReadRest() {
    for (; count_ > 0; --count_, first_ = (first_ + 1) % kAhead) Read(due_[first_]);
  }

 private:
  void Read(const DueKey& key) {
    DataRecordHeader header;
    // The pre-scan indexed only records whose 20 header bytes it read whole, so the header
    // read cannot come up short; were it to, the key would count as having no record.
    if (!hive_.ReadDataRecordHeader(key.record, header)) return;
    tally_.blocks[header.BlkNo].Using += header.RecSize;
    // The whole name, however long; a name cut short by the end of the image is judged by
    // the bytes that are there.
    const Bytes name = hive_.ReadBytes(key.record.Plus(DataRecordHeader::kSize), header.KeyL);
    tally_.keys.push_back({key.node, header.RecSize, JudgeKeyName(name, key.chksum, leadBytes_)});
  }

  Hive& hive_;
  Bytes image_;
  const text::LeadByteSet& leadBytes_;
  SpaceTally& tally_;
  std::array<DueKey, kAhead> due_{};
  std::size_t first_ = 0;
  std::size_t count_ = 0;
};

}  // namespace

bool WalkKeys(const stage::StageContext& context, const RgknHeader& rgkn, SpaceTally& tally) {
  Hive& hive = context.hive;
  const std::uint64_t slots = stage::KeyNodeSlots(hive, rgkn);
  std::uint64_t walked = 0;
  // The progress text "ANA:%.8X" of every key, written into one buffer.
  char progress[12] = {'A', 'N', 'A', ':'};
  RecordReadAhead records(hive, context.leadBytes, tally);
  const bool whole = WalkKeyTree(hive, KeyNodeOffset(rgkn.iRec1stOfs), [&](KeyNodeOffset offset, const KeyNode& node) {
    text::WriteHex(progress + 4, static_cast<std::uint32_t>(offset.value), 8);
    context.Progress(std::string_view(progress, sizeof progress), ++walked, slots);
    tally.keyNode.Using += static_cast<std::int64_t>(KeyNode::kSize);
    // A key without a record the index knows counts only its node; an empty index (11)
    // stops the walk.
    if (const std::optional<FileOffset> record = hive.FindKeyRecord(node)) records.Add({offset, *record, node.Chksum});
  });
  records.ReadRest();
  return whole;
}

}  // namespace quarvex::analyzer
