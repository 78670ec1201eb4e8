#include "timeline/timeline.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "browse/value_text.h"
#include "text/text_encoding.h"
#include "timeline/time_shapes.h"

namespace quarvex::timeline {

namespace {

// What a fact says beside its time: the program a UserAssist entry names, the entry an install
// date belongs to, the folder of a shell item list; nothing for a value that is only a time.
std::string DetailOf(const facts::Fact& f) {
  switch (f.definition->show) {
    case facts::Show::UserAssist:
      return f.text.substr(0, f.text.find("; last run "));
    case facts::Show::UninstallEntry:
      return f.keyPath.substr(f.keyPath.rfind('\\') + 1);
    case facts::Show::ShellItems:
      return f.text;
    default:
      break;
  }
  return {};
}

// The values the definitions read: the shape finder leaves them alone.
using Place = std::tuple<std::size_t, bool, std::string, std::string>;  // hive, recovered, key, value

void AddShapes(std::size_t hive, bool recovered, recover::Confidence confidence, const std::string& keyPath,
               const std::string& valueName, hive::Bytes data, std::uint16_t type, const std::set<Place>& covered,
               const facts::HiveZone* zone, std::vector<Event>& out) {
  if (covered.count({hive, recovered, keyPath, valueName})) return;
  for (const ShapeTime& s : FindTimeShapes(data, type)) {
    Event e;
    e.time = s.time;
    e.utc = facts::UtcOf(s.time, zone);
    e.hive = hive;
    e.keyPath = keyPath;
    e.valueName = valueName;
    e.meaning = "time of unknown meaning";
    e.shape = std::string(s.shape);
    e.recovered = recovered;
    e.recoveredConfidence = confidence;
    out.push_back(std::move(e));
  }
}

}  // namespace

Timeline BuildTimeline(std::span<const facts::HiveSource> sources, std::span<const FileTimes> files) {
  Timeline timeline;
  const facts::FactsResult facts = facts::CollectFacts(sources);
  timeline.kinds = facts.kinds;
  timeline.zone = facts.zone;
  timeline.zoneHive = facts.zoneHive;
  const facts::HiveZone* zone = timeline.zone ? &*timeline.zone : nullptr;

  std::set<Place> covered;
  for (const facts::Fact& f : facts.facts) {
    if (!f.hasValue) continue;
    if (!f.definition->when.empty()) covered.insert({f.hive, f.recovered, f.keyPath, f.valueName});
    if (f.definition->when.empty()) continue;
    for (const facts::DecodedTime& t : f.times) {
      Event e;
      e.time = t;
      e.utc = facts::UtcOf(t, zone);
      e.hive = f.hive;
      e.keyPath = f.keyPath;
      e.valueName = f.valueName;
      e.meaning = std::string(f.definition->when);
      e.detail = DetailOf(f);
      e.factId = std::string(f.definition->id);
      e.recovered = f.recovered;
      e.recoveredConfidence = f.confidence;
      timeline.events.push_back(std::move(e));
    }
  }

  for (const FileTimes& file : files) {
    const bool c = file.cabinet;
    for (const auto& [seconds, meaning, detail] :
         {std::tuple{file.created, c ? "backup cabinet created" : "hive file created", "FAT entry of " + file.entry},
          std::tuple{file.written, c ? "backup cabinet last written" : "hive file last written",
                     "FAT entry of " + file.entry},
          std::tuple{file.accessed, c ? "backup cabinet last accessed (a date)" : "hive file last accessed (a date)",
                     "FAT entry of " + file.entry},
          std::tuple{file.packed, "hive packed into a backup cabinet", "the date of member " + file.member}}) {
      if (seconds == 0 || file.hive >= sources.size()) continue;
      Event e;
      e.time = {seconds, false, facts::TimeEncoding::DosDateTime};
      e.utc = facts::UtcOf(e.time, zone);
      e.hive = file.hive;
      e.meaning = meaning;
      e.detail = detail;
      e.factId = "file";
      timeline.events.push_back(std::move(e));
    }
  }

  for (std::size_t i = 0; i < sources.size(); ++i) {
    const browse::HiveView& view = *sources[i].view;
    const text::CodePage cp = view.CodePage();
    view.Walk(browse::kTop, 0, [&](std::int32_t key, int) {
      const std::string path = view.Path(key);
      for (const salvage::SalvagedValue& v : view.Values(key))
        AddShapes(i, false, recover::Confidence::High, path, browse::ValueName(v, cp), v.data, v.type, covered, zone,
                  timeline.events);
      return true;
    });
    if (!sources[i].recovery) continue;
    for (const recover::RecoveredKey& k : sources[i].recovery->keys) {
      const std::string path = text::CodePageToUtf8(k.path, cp);
      for (const recover::RecoveredValue& v : k.values) {
        const std::string name =
            text::CodePageToUtf8(std::string_view(reinterpret_cast<const char*>(v.name.data()), v.name.size()), cp);
        AddShapes(i, true, k.confidence, path, name, v.data, v.type, covered, zone, timeline.events);
      }
    }
  }

  const auto order = [](const Event& e) {
    return std::make_tuple(!e.utc.has_value(), e.utc ? *e.utc : e.time.seconds, e.LowConfidence(), e.hive, e.keyPath,
                           e.valueName, e.meaning);
  };
  std::stable_sort(timeline.events.begin(), timeline.events.end(),
                   [&](const Event& a, const Event& b) { return order(a) < order(b); });
  // Recovery may find one freed key in two places (a record and an older copy of it) with the
  // same values: one event says it once.
  const auto same = [&](const Event& a, const Event& b) {
    return order(a) == order(b) && a.shape == b.shape && a.detail == b.detail && a.recovered == b.recovered &&
           a.time.seconds == b.time.seconds;
  };
  timeline.events.erase(std::unique(timeline.events.begin(), timeline.events.end(), same), timeline.events.end());
  return timeline;
}

}  // namespace quarvex::timeline
