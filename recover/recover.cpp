#include "recover/recover.h"

#include <algorithm>
#include <utility>

#include "recover/candidate_scan.h"
#include "recover/judge.h"
#include "recover/live_copies.h"
#include "recover/old_nodes.h"
#include "recover/pairing.h"
#include "recover/scene.h"
#include "recover/slack_values.h"

namespace quarvex::recover {

std::string_view ConfidenceName(Confidence c) {
  switch (c) {
    case Confidence::High:
      return "high";
    case Confidence::Medium:
      return "medium";
    case Confidence::Low:
      return "low";
  }
  return "low";
}

std::optional<Confidence> ParseConfidence(std::string_view text) {
  if (text == "high") return Confidence::High;
  if (text == "medium") return Confidence::Medium;
  if (text == "low") return Confidence::Low;
  return std::nullopt;
}

std::string_view SourceName(Source s) {
  switch (s) {
    case Source::FreeRecord:
      return "free record";
    case Source::InFreeArea:
      return "inside a free area";
    case Source::DeadGap:
      return "dead gap";
    case Source::OrphanRecord:
      return "orphan record";
    case Source::LostKey:
      return "lost key node";
  }
  return "free record";
}

std::string_view LinkName(Link l) {
  switch (l) {
    case Link::None:
      return "none";
    case Link::Exact:
      return "record numbers";
    case Link::Elimination:
      return "elimination";
    case Link::Order:
      return "free-list order";
    case Link::LiveCopy:
      return "live copy";
  }
  return "none";
}

std::string_view ValueChangeName(ValueChange::Kind k) {
  switch (k) {
    case ValueChange::Added:
      return "added";
    case ValueChange::Removed:
      return "removed";
    case ValueChange::Changed:
      return "changed";
  }
  return "changed";
}

std::string_view EarlierValueWhere(EarlierValue::Where w) {
  return w == EarlierValue::Slack ? "slack of the live record" : "older copy";
}

namespace {

// The values an older copy held that the live key no longer holds as they were.
void AddOlderCopyValues(const RecoveredKey& k, std::vector<LiveKeyRemains>& remains) {
  if (!k.liveCounterpart || k.liveCounterpart->identical) return;
  std::vector<EarlierValue> earlier;
  for (const RecoveredValue& v : k.values) {
    const std::string name(reinterpret_cast<const char*>(v.name.data()), v.name.size());
    const bool differs =
        std::any_of(k.liveCounterpart->changed.begin(), k.liveCounterpart->changed.end(),
                    [&](const ValueChange& c) { return c.kind != ValueChange::Added && c.name == name; });
    if (differs) earlier.push_back({EarlierValue::OlderCopy, v, k.offset, k.confidence});
  }
  if (earlier.empty()) return;
  auto it = std::find_if(remains.begin(), remains.end(),
                         [&](const LiveKeyRemains& r) { return r.key == k.liveCounterpart->key; });
  if (it == remains.end()) {
    remains.push_back({k.liveCounterpart->key, k.liveCounterpart->path, {}});
    it = remains.end() - 1;
  }
  it->values.insert(it->values.end(), earlier.begin(), earlier.end());
}

}  // namespace

Recovery Recover(const salvage::SalvagedHive& hive, const RecoverOptions& options) {
  Recovery out;
  if (!hive.isHive) return out;
  detail::Scene scene(hive, options);
  detail::ScanDataBlocks(scene);
  detail::TakeOrphansAndLostKeys(scene);
  detail::FindOldNodes(scene);
  const detail::LiveKeyIndex live(scene);
  detail::PairNodesAndRecords(scene, live);
  for (std::size_t c = 0; c < scene.candidates.size(); ++c) out.keys.push_back(detail::Judge(scene, live, c));
  std::stable_sort(out.keys.begin(), out.keys.end(),
                   [](const RecoveredKey& a, const RecoveredKey& b) { return a.offset.value < b.offset.value; });
  out.liveKeys = detail::ValuesInSlack(scene);
  for (const RecoveredKey& k : out.keys)
    if (k.olderCopy) AddOlderCopyValues(k, out.liveKeys);
  std::stable_sort(out.liveKeys.begin(), out.liveKeys.end(),
                   [](const LiveKeyRemains& a, const LiveKeyRemains& b) { return a.key < b.key; });

  RecoverySummary& s = out.summary;
  s.keys = out.keys.size();
  for (const RecoveredKey& k : out.keys) {
    s.values += k.values.size();
    (k.confidence == Confidence::High ? s.high : k.confidence == Confidence::Medium ? s.medium : s.low)++;
    if (k.IdenticalCopy()) ++s.identicalCopies;
  }
  for (const LiveKeyRemains& r : out.liveKeys) s.earlierValues += r.values.size();
  s.workCapReached = scene.in.CapReached();
  return out;
}

}  // namespace quarvex::recover
