// The key walk of the analysis: every in-use key node in pre-order, with its data record.
#include <string>

#include "analyzer/key_verdict.h"
#include "analyzer/space_tally.h"
#include "hive/key_tree_walk.h"
#include "text/printf.h"
#include "job/analysis_job.h"

namespace quarvex::analyzer {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;


namespace {

// The file offset of the key's data record, or 0 when it has none: no numbers, or numbers
// the index does not know (code 12, which means exactly that and is cleared). Any other
// code is left for the walk to stop on.
std::int32_t RecordOfKey(Hive& hive, const KeyNode& node) {
  if (!node.HasDataRecord()) return 0;
  const std::int32_t record = hive.FindDataRecord(node.BlkNo, node.RecNo);
  if (hive.errorCode == code::kNoSuchRecord) hive.errorCode = code::kOk;
  return record;
}

void Judge(SpaceTally& tally, Verdict verdict, std::int32_t offset) {
  switch (verdict) {
    case Verdict::Good:
      ++tally.goodCount;
      break;
    case Verdict::Bad:
      ++tally.badCount;
      tally.badKeys.push_back(offset);
      break;
    case Verdict::Ghost:
      ++tally.ghostCount;
      tally.ghostKeys.push_back(offset);
      break;
  }
}

}  // namespace

bool WalkKeys(AnalysisJob& job, const RgknHeader& rgkn, SpaceTally& tally) {
  Hive& hive = job.hive;
  ChartSeries& recordSizes = job.chartSeries[SeriesId::Series6];
  return WalkKeyTree(hive, rgkn.iRec1stOfs, [&](std::int32_t offset, const KeyNode& node) {
    job.ShowProgress(Printf("ANA:%.8X", static_cast<std::uint32_t>(offset)));
    tally.keyNode.Using += static_cast<std::int64_t>(KeyNode::kSize);
    const std::int32_t record = RecordOfKey(hive, node);
    DataRecordHeader header;
    // The pre-scan indexed only records whose 20 header bytes it read whole, so the header
    // read cannot come up short; were it to, the key would count as having no record.
    if (hive.errorCode != code::kOk || record <= 0 || !hive.ReadDataRecordHeader(record, header)) return;
    tally.blocks[header.BlkNo].Using += header.RecSize;
    recordSizes.Add(header.RecSize, std::to_string(offset), kBlue);
    // The whole name, however long; a name cut short by the end of the image is judged by
    // the bytes that are there.
    const Bytes name = hive.ReadBytes(std::int64_t{record} + DataRecordHeader::kSize, header.KeyL);
    Judge(tally, JudgeKeyName(name, node.Chksum, job.LeadBytes()), offset);
  });
}

}  // namespace quarvex::analyzer
