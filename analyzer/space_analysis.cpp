// The analyser stage: one pass over the key tree and the free lists, then the averages and
// the flagged keys' paths.
#include "analyzer/space_analysis.h"

#include <algorithm>
#include <string>
#include <vector>

#include "analyzer/space_tally.h"
#include "hive/keyname.h"
#include "text/text_encoding.h"

namespace quarvex::analyzer {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;

namespace {

std::int64_t DivideOrZero(std::int64_t numerator, std::size_t count) {
  return count == 0 ? 0 : numerator / static_cast<std::int64_t>(count);  // truncates toward zero
}

template <typename Facts, typename Size>
RecordSizeStatistics Statistics(const Facts& facts, Size size, std::int64_t average) {
  RecordSizeStatistics s;
  s.count = facts.size();
  s.average = average;
  if (facts.empty()) return s;
  const auto [min, max] =
      std::minmax_element(facts.begin(), facts.end(), [&](const auto& a, const auto& b) { return size(a) < size(b); });
  s.min = size(*min);
  s.max = size(*max);
  return s;
}

// The averages as the report has always stated them. The using average is not the mean
// record size: its numerator is the whole file's in-use bytes without the data block
// headers and one more 32 bytes, so it still holds the 28 bytes of every key node. Saved
// reports carry this figure, so it stays. The empty average is the mean free record size.
void ComputeStatistics(const SpaceTally& t, AnalysisResult& r) {
  const std::int64_t header = RgdbHeader::kSize;
  const std::int64_t usingAverage = DivideOrZero(t.whole.Using - header * t.blockCount - header, t.keys.size());
  const std::int64_t emptyAverage = DivideOrZero(t.whole.Empty - t.keyNode.Empty, t.freeRecords.size());
  r.usingRecords = Statistics(
      t.keys, [](const KeyRecordFact& k) { return std::int64_t{k.recordSize}; }, usingAverage);
  r.emptyRecords = Statistics(
      t.freeRecords, [](const FreeRecordFact& f) { return std::int64_t{f.size}; }, emptyAverage);
}

// Paths of the flagged keys, each resolved once. A path that cannot be resolved is empty; its
// code is cleared, as the key is only being named here.
void FlagKeys(const stage::StageContext& context, AnalysisResult& r) {
  KeyPathCache paths(context.hive);
  for (const KeyRecordFact& key : r.keys) {
    if (key.verdict == Verdict::Good) {
      ++r.goodCount;
      continue;
    }
    FlaggedKey flagged{key.node, paths.PathOf(key.node), {}};
    flagged.path = text::CodePageToUtf8(flagged.reportPath, context.codePage);
    if (key.verdict == Verdict::Bad) {
      ++r.badCount;
      r.badKeys.push_back(std::move(flagged));
    } else {
      ++r.ghostCount;
      r.ghostKeys.push_back(std::move(flagged));
    }
  }
}

}  // namespace

std::optional<AnalysisResult> AnalyzeSpace(const stage::StageContext& context) {
  Hive& hive = context.hive;
  RgknHeader rgkn;
  if (!hive.ReadKernelHeader(rgkn)) return std::nullopt;
  SpaceTally tally(hive.hiveHeader.wDBblks);
  if (!WalkKeys(context, rgkn, tally)) return std::nullopt;
  if (!PassKeyNodeBlock(context, rgkn, tally)) return std::nullopt;
  tally.whole = tally.keyNode;
  if (!PassDataBlocks(context, tally)) return std::nullopt;

  AnalysisResult r;
  ComputeStatistics(tally, r);
  // The file header and the key-node block header, after the averages, which leave them out.
  tally.whole.Using += std::int64_t{CregHeader::kSize} + std::int64_t{RgknHeader::kSize};
  r.keyNodeBlock = tally.keyNode;
  for (std::uint32_t b = 0; b < tally.blockCount; ++b)
    r.dataBlocks.push_back(tally.blocks.At(static_cast<std::uint16_t>(b)));
  r.wholeFile = tally.whole;
  r.keys = std::move(tally.keys);
  r.freeRecords = std::move(tally.freeRecords);
  FlagKeys(context, r);
  return r;
}

}  // namespace quarvex::analyzer
