#include "recover/slack_values.h"

#include <algorithm>
#include <utility>

namespace quarvex::recover::detail {

using namespace quarvex::hive;

namespace {

bool IsText(std::uint16_t type) { return type == 1 || type == 2 || type == 7; }

// A value entry at q whose name and data end by end; nameless entries only where chained.
bool EntryAt(ImageReader& in, std::int64_t q, std::int64_t end, bool chained, RecoveredValue& v) {
  if (q + kEntry > end) return false;
  const std::uint16_t type = in.Read<ValueField::Atr>(q);
  if (type > kHighestKnownType) return false;
  const std::int64_t nameLength = in.Read<ValueField::NL>(q), dataLength = in.Read<ValueField::VL>(q);
  if (q + kEntry + nameLength + dataLength > end) return false;
  if ((type == kDwordType || type == kBigEndianDwordType) && dataLength != 4) return false;
  if (nameLength == 0 && dataLength == 0) return false;  // zero bytes read as nothing
  if (nameLength == 0 ? !chained : !in.Spend(static_cast<std::uint64_t>(nameLength))) return false;
  if (nameLength > 0 && !in.PrintableName(in.Slice(q + kEntry, nameLength))) return false;
  v = RecoveredValue{};
  v.offset = FileOffset(q);
  v.type = type;
  v.nameLength = static_cast<std::uint16_t>(nameLength);
  v.dataLength = static_cast<std::uint16_t>(dataLength);
  v.name = in.Slice(q + kEntry, nameLength);
  v.data = in.Slice(q + kEntry + nameLength, dataLength);
  return true;
}

}  // namespace

std::vector<LiveKeyRemains> ValuesInSlack(Scene& scene) {
  ImageReader& in = scene.in;
  const salvage::SalvagedHive& hive = scene.hive;
  // Records found in dead gap: their values are theirs, not the live key's.
  std::vector<std::pair<std::int64_t, std::int64_t>> taken;
  for (const Candidate& c : scene.candidates)
    if (c.source == Source::DeadGap) taken.emplace_back(c.at, std::max(c.chainEnd, c.at + kHeader));
  std::sort(taken.begin(), taken.end());

  std::vector<LiveKeyRemains> out;
  for (std::size_t k = 0; k < hive.keys.size() && !in.CapReached(); ++k) {
    const salvage::SalvagedKey& key = hive.keys[k];
    if (key.lost || key.record == salvage::kNoIndex) continue;
    const salvage::SalvagedRecord& r = hive.records[static_cast<std::size_t>(key.record)];
    if (r.key != static_cast<std::int32_t>(k) || r.block >= hive.blocks.size()) continue;
    const std::int64_t used = r.header.RecSize;
    if (used < kHeader || used >= r.extent) continue;
    const std::int64_t start = r.offset.value + used;
    const std::int64_t end = std::min({r.offset.value + r.extent, hive.blocks[r.block].end, in.Size()});
    LiveKeyRemains remains;
    remains.key = static_cast<std::int32_t>(k);
    bool chained = true;  // the live values end at start
    auto takenAt = std::upper_bound(taken.begin(), taken.end(), std::pair{start, INT64_MAX});
    if (takenAt != taken.begin() && (takenAt - 1)->second > start) --takenAt;
    for (std::int64_t q = start; q + kEntry <= end && !in.CapReached();) {
      while (takenAt != taken.end() && takenAt->second <= q) ++takenAt;
      if (takenAt != taken.end() && takenAt->first <= q) {
        q = takenAt->second;
        chained = false;
        continue;
      }
      const std::int64_t limit = takenAt != taken.end() ? std::min(end, takenAt->first) : end;
      RecoveredValue v;
      if (!in.Spend(1)) break;
      if (EntryAt(in, q, limit, chained, v)) {
        EarlierValue e;
        e.where = EarlierValue::Slack;
        e.record = r.offset;
        const bool textEnds = !IsText(v.type) || v.data.empty() || v.data.back() == 0;
        e.confidence = chained && textEnds && v.nameLength > 0 ? Confidence::Medium : Confidence::Low;
        e.value = v;
        remains.values.push_back(e);
        q += kEntry + v.nameLength + v.dataLength;
        chained = true;
      } else {
        ++q;
        chained = false;
      }
    }
    if (!remains.values.empty()) {
      remains.path = hive.KeyPathBytes(k);
      out.push_back(std::move(remains));
    }
  }
  return out;
}

}  // namespace quarvex::recover::detail
