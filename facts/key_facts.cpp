#include "facts/key_facts.h"

#include <algorithm>
#include <charconv>

#include "browse/value_text.h"
#include "facts/decode.h"
#include "facts/links.h"

namespace quarvex::facts {

const RawValue* FindValue(const MatchedKey& key, std::string_view foldedName) {
  for (const RawValue& v : key.values)
    if (browse::FoldAscii(v.name) == foldedName) return &v;
  return nullptr;
}

namespace {

std::string ShownText(const salvage::SalvagedValue& v, text::CodePage cp) {
  return browse::EscapeControls(browse::DataSearchText(v, cp));
}

bool IsTextType(std::uint16_t type) { return type == 1 || type == 2; }

std::optional<std::int32_t> MinutesOf(const MatchedKey& key, std::string_view folded) {
  const RawValue* v = FindValue(key, folded);
  if (!v || v->value.data.size() != 4) return std::nullopt;
  const hive::Bytes d = v->value.data;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(d[0]) | static_cast<std::uint32_t>(d[1]) << 8 |
                                   static_cast<std::uint32_t>(d[2]) << 16 | static_cast<std::uint32_t>(d[3]) << 24);
}

// ActiveTimeBias beside Bias + StandardBias and Bias + DaylightBias of the same key.
Decoded ActiveBiasText(hive::Bytes data, const MatchedKey& key) {
  Decoded d = Bias(data, true);
  if (!d.problem.empty()) return d;
  const std::optional<std::int32_t> active = MinutesOf(key, "ACTIVETIMEBIAS"), bias = MinutesOf(key, "BIAS");
  if (!active || !bias) return d;
  const std::int64_t standard = static_cast<std::int64_t>(*bias) + MinutesOf(key, "STANDARDBIAS").value_or(0);
  const std::optional<std::int32_t> daylightBias = MinutesOf(key, "DAYLIGHTBIAS");
  const std::int64_t daylight = static_cast<std::int64_t>(*bias) + daylightBias.value_or(0);
  if (*active == standard) {
    d.text += ": standard time was in force";
  } else if (daylightBias && *daylightBias != 0 && *active == daylight) {
    d.text += ": daylight saving time was in force";
  } else {
    d.text += ": neither Bias + StandardBias nor Bias + DaylightBias";
  }
  return d;
}

// A decoded time kept on the fact and shown in UTC and the machine's time.
void AddTime(Fact& f, const TimeReading& r, const HiveZone* zone, Decoded& decoded) {
  decoded = r.shown;
  if (!r.time) return;
  f.times.push_back(*r.time);
  decoded.text = TimeShown(*r.time, zone);
  if (r.time->encoding == TimeEncoding::SystemTime) {
    // Keep the day of the week the value names: "(Friday, local time)".
    const std::size_t paren = r.shown.text.find(" (");
    decoded.text += " [" + r.shown.text.substr(paren + 2, r.shown.text.find(',', paren) - paren - 2) + "]";
  }
}
Fact MakeFact(const CompiledDefinition& c, const MatchedKey& key, const RawValue* v, text::CodePage cp,
              std::optional<Show> show = std::nullopt) {
  Fact f;
  f.definition = c.definition;
  f.hive = key.hive;
  f.keyPath = key.path;
  f.key = key.key;
  f.recoveredKey = key.recoveredKey;
  f.recovered = key.recovered;
  f.confidence = key.confidence;
  f.findings = key.findings;
  if (!v) return f;
  f.hasValue = true;
  f.valueName = v->name;
  f.type = v->value.type;
  f.data.assign(v->value.data.begin(), v->value.data.end());
  f.valueOffset = v->value.offset.value;
  Decoded decoded;
  std::string remark;  // a note that is no failure to decode
  switch (show.value_or(c.definition->show)) {
    case Show::Text:
      decoded.text = ShownText(v->value, cp);
      break;
    case Show::RunCommand:
      decoded = RunCommand(v->value.data, cp);
      break;
    case Show::RecentDoc:
      decoded = RecentDoc(v->value.data, cp);
      break;
    case Show::Bias:
      decoded = Bias(v->value.data, true);
      break;
    case Show::BiasDelta:
      decoded = Bias(v->value.data, false);
      break;
    case Show::TransitionDate:
      decoded = TransitionDate(v->value.data);
      break;
    case Show::IpAddress:
      if (IsTextType(v->value.type)) {
        decoded = IpAddress(browse::DataSearchText(v->value, cp));
      } else {
        decoded.text = ShownText(v->value, cp);
      }
      break;
    case Show::TimeZoneRules:
      if (IsTextType(v->value.type)) {
        decoded.text = ShownText(v->value, cp);
      } else {
        decoded = TimeZoneTzi(v->value.data);
      }
      break;
    case Show::ActiveBias:
      decoded = ActiveBiasText(v->value.data, key);
      break;
    case Show::FileTime:
      AddTime(f, FileTime(v->value.data), key.zone, decoded);
      break;
    case Show::DosDateTime:
      AddTime(f, DosDateTime(v->value.data), key.zone, decoded);
      break;
    case Show::SystemTime:
      AddTime(f, SystemTime(v->value.data), key.zone, decoded);
      break;
    case Show::UninstallEntry:
      if (browse::FoldAscii(v->name) == "INSTALLDATE" && IsTextType(v->value.type)) {
        AddTime(f, TextDate(browse::DataSearchText(v->value, cp)), key.zone, decoded);
      } else {
        decoded.text = ShownText(v->value, cp);
      }
      break;
    case Show::UserAssist: {
      const UserAssistEntry entry = UserAssist(v->name, v->value.data);
      decoded.text = browse::EscapeControls(entry.name);
      decoded.problem = entry.problem;
      // The 8-byte entries (UEME_CTLSESSION) hold a session number and a counter, no run.
      if (entry.count && v->value.data.size() == 16) decoded.text += "; count " + std::to_string(*entry.count);
      if (entry.count && v->value.data.size() == 8)
        decoded.text += "; session " + std::to_string(*entry.session) + ", counter " + std::to_string(*entry.count);
      if (entry.lastRun.time) {
        f.times.push_back(*entry.lastRun.time);
        decoded.text += "; last run " + TimeShown(*entry.lastRun.time, key.zone);
      } else if (v->value.data.size() == 16) {
        decoded.text += "; no time of the last run (FILETIME 0)";
      }
      break;
    }
    case Show::ShellItems: {
      const ShellItemPath path = ShellItems(v->value.data, cp);
      decoded = path.shown;
      f.times = path.times;
      if (!path.times.empty()) remark = "item date " + TimeShown(path.times.back(), key.zone);
      break;
    }
  }
  f.text = decoded.text.empty() && !decoded.problem.empty() ? browse::HexBytes(v->value.data, 64) : decoded.text;
  if (!decoded.problem.empty()) f.note = (f.times.empty() ? "not decoded: " : "") + decoded.problem;
  if (!remark.empty()) f.note += (f.note.empty() ? "" : "; ") + remark;
  if (v->value.cut)
    f.note += std::string(f.note.empty() ? "" : "; ") +
              (key.recovered ? "partial: overwritten in part" : "cut: runs past its record");
  return f;
}

// The facts of the keys a matched key links to, after its own (Link in fact_definition.h): the
// link's note goes to the matched key's first fact.
void EmitLinked(const CompiledDefinition& c, const MatchedKey& key, const browse::HiveView& view, std::size_t first,
                std::vector<Fact>& out) {
  LinkSource source{key.key, key.path, [&key](std::string_view name) -> const salvage::SalvagedValue* {
                      const RawValue* v = FindValue(key, browse::FoldAscii(name));
                      return v ? &v->value : nullptr;
                    }};
  const LinkResult linked = FollowLink(c.definition->link, view, source);
  if (!linked.note.empty() && out.size() > first)
    out[first].note += (out[first].note.empty() ? "" : "; ") + linked.note;
  const text::CodePage cp = view.CodePage();
  for (const LinkedKey& target : linked.keys) {
    MatchedKey m;
    m.hive = key.hive;
    m.zone = key.zone;
    m.key = target.key;
    m.path = view.Path(target.key);
    m.name = view.Name(target.key);
    m.findings = KeyFindings(view, target.key);
    for (const salvage::SalvagedValue& v : view.Values(target.key)) m.values.push_back({v, browse::ValueName(v, cp)});
    for (const auto& [name, show] : target.values) {
      if (const RawValue* v = FindValue(m, browse::FoldAscii(name))) {
        Fact f = MakeFact(c, m, v, cp, show);
        f.via = target.via;
        out.push_back(std::move(f));
      }
    }
  }
}

}  // namespace

// The facts one matched key gives under one definition.
void Emit(const CompiledDefinition& c, const MatchedKey& key, const browse::HiveView& view, std::vector<Fact>& out) {
  const text::CodePage cp = view.CodePage();
  if (!c.whereName.empty()) {
    const RawValue* v = FindValue(key, c.whereName);
    if (!v || browse::FoldAscii(browse::DataSearchText(v->value, cp)) != c.whereValue) return;
  }
  const std::size_t before = out.size();
  switch (c.definition->pick) {
    case Pick::KeyName: {
      Fact f = MakeFact(c, key, nullptr, cp);
      f.text = browse::EscapeControls(key.name);
      out.push_back(std::move(f));
      return;
    }
    case Pick::KeyAndNamed: {
      Fact f = MakeFact(c, key, nullptr, cp);
      f.text = browse::EscapeControls(key.name);
      if (key.valuesUnreadable) f.note = "the key's values could not be read";
      out.push_back(std::move(f));
      for (const std::string& name : c.names)
        if (const RawValue* v = FindValue(key, name)) out.push_back(MakeFact(c, key, v, cp));
      break;
    }
    case Pick::Named:
      for (const std::string& name : c.names)
        if (const RawValue* v = FindValue(key, name)) out.push_back(MakeFact(c, key, v, cp));
      break;
    case Pick::All:
      for (const RawValue& v : key.values) out.push_back(MakeFact(c, key, &v, cp));
      break;
    case Pick::Numbered: {
      const std::string& prefix = c.names.front();
      std::vector<std::pair<std::uint32_t, const RawValue*>> numbered;
      for (const RawValue& v : key.values) {
        const std::string folded = browse::FoldAscii(v.name);
        if (folded.size() <= prefix.size() || folded.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string_view digits = std::string_view(folded).substr(prefix.size());
        std::uint32_t n = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
        if (ec != std::errc() || end != digits.data() + digits.size()) continue;
        numbered.emplace_back(n, &v);
      }
      std::stable_sort(numbered.begin(), numbered.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
      for (const auto& [n, v] : numbered) {
        Fact f = MakeFact(c, key, v, cp);
        f.position = n;
        out.push_back(std::move(f));
      }
      break;
    }
    case Pick::Mru: {
      const RawValue* list = FindValue(key, "MRULIST");
      const RawValue* listEx = list ? nullptr : FindValue(key, "MRULISTEX");
      const std::vector<std::string> order = list     ? MruListOrder(list->value.data)
                                             : listEx ? MruListExOrder(listEx->value.data)
                                                      : std::vector<std::string>{};
      const std::string listName = list ? "MRUList" : "MRUListEx";
      std::vector<const RawValue*> used;
      for (std::size_t i = 0; i < order.size(); ++i) {
        const RawValue* v = nullptr;
        for (const RawValue& candidate : key.values)
          if (!v && candidate.name == order[i]) v = &candidate;
        Fact f = MakeFact(c, key, v, cp);
        f.position = static_cast<std::uint32_t>(i + 1);
        if (v) {
          used.push_back(v);
        } else {
          f.valueName = order[i];
          f.note = listName + " names this entry; the key has no such value";
        }
        out.push_back(std::move(f));
      }
      for (const RawValue& v : key.values) {
        if (&v == list || &v == listEx || std::find(used.begin(), used.end(), &v) != used.end()) continue;
        Fact f = MakeFact(c, key, &v, cp);
        const std::string why = list || listEx ? "not in " + listName : "no MRUList: in stored order";
        f.note = f.note.empty() ? why : why + "; " + f.note;
        out.push_back(std::move(f));
      }
      break;
    }
  }
  if (out.size() == before && key.valuesUnreadable) {
    Fact f = MakeFact(c, key, nullptr, cp);
    f.note = "the key's values could not be read";
    out.push_back(std::move(f));
  }
  if (c.definition->link != Link::None) EmitLinked(c, key, view, before, out);
}

std::vector<std::string> KeyFindings(const browse::HiveView& view, std::int32_t key) {
  std::vector<std::string> findings;
  const browse::KeyState state = view.State(key);
  if (!state.Marked()) return findings;
  if (state.lost) findings.push_back("lost key: no link reaches it");
  if (state.unreadable) findings.push_back("its data record is missing: no values");
  if (state.valuesMissing) findings.push_back("the record announces more values than could be read");
  if (state.valuesCut) findings.push_back("a value runs past the record");
  for (const std::int32_t i : view.Findings(key))
    findings.push_back(view.Hive().findings[static_cast<std::size_t>(i)].Text());
  return findings;
}

}  // namespace quarvex::facts
