#include "facts/collect.h"
#include "facts/older_copies.h"

#include <algorithm>
#include <charconv>

#include "browse/value_text.h"
#include "facts/decode.h"
#include "facts/links.h"
#include "salvage/check_text.h"
#include "text/text_encoding.h"
#include "text/json_text.h"

namespace quarvex::facts {

namespace {

std::string_view AsText(hive::Bytes bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A value as both the live tree and recovery hand it over.
struct RawValue {
  salvage::SalvagedValue value;  // offset, type, name bytes, data bytes, cut
  std::string name;              // UTF-8
};

// One key that matched a definition's pattern, with everything a fact takes from it.
struct MatchedKey {
  std::size_t hive = 0;
  std::string path;                 // UTF-8
  std::string name;                 // UTF-8, the last component
  std::optional<std::int32_t> key;  // live key
  std::optional<std::size_t> recoveredKey;
  bool recovered = false;
  recover::Confidence confidence = recover::Confidence::High;
  std::vector<std::string> findings;
  bool valuesUnreadable = false;  // the record or some announced values could not be read
  std::vector<RawValue> values;
  const HiveZone* zone = nullptr;  // the machine's time zone, when a system.dat names it
};

struct CompiledDefinition {
  const FactDefinition* definition;
  std::vector<std::string> pattern;   // folded components
  std::vector<std::string> names;     // folded value names (Named) or the folded prefix (Numbered)
  std::string whereName, whereValue;  // folded
};

std::vector<std::string> SplitNames(std::string_view list) {
  std::vector<std::string> names;
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = std::min(list.find('|', begin), list.size());
    names.push_back(browse::FoldAscii(list.substr(begin, end - begin)));
    if (end == list.size()) break;
    begin = end + 1;
  }
  return names;
}

CompiledDefinition Compile(const FactDefinition& d) {
  CompiledDefinition c{&d, {}, {}, {}, {}};
  for (const std::string& part : browse::SplitKeyPath(d.keyPattern)) c.pattern.push_back(browse::FoldAscii(part));
  if (d.pick == Pick::Named || d.pick == Pick::Numbered || d.pick == Pick::KeyAndNamed) c.names = SplitNames(d.values);
  if (const std::size_t eq = d.where.find('='); eq != std::string_view::npos) {
    c.whereName = browse::FoldAscii(d.where.substr(0, eq));
    c.whereValue = browse::FoldAscii(d.where.substr(eq + 1));
  }
  return c;
}

bool Applies(const FactDefinition& d, HiveKind kind) {
  return d.hive == HiveKind::Either || kind == HiveKind::Either || d.hive == kind;
}

bool MatchesFrom(const CompiledDefinition& c, const std::vector<std::string>& foldedPath, std::size_t from) {
  if (c.pattern.size() + from != foldedPath.size()) return false;
  for (std::size_t i = 0; i < c.pattern.size(); ++i)
    if (!MatchComponent(c.pattern[i], foldedPath[i + from])) return false;
  return true;
}

// A user's places lie at the top of a profile's user.dat, or under a top-level key that holds
// a user's tree: the Windows directory's user.dat keeps HKEY_USERS, whose .DEFAULT is the user
// of a machine without profiles. System places lie at the top only.
bool MatchesPath(const CompiledDefinition& c, const std::vector<std::string>& foldedPath,
                 const std::vector<std::string>& userRoots) {
  if (MatchesFrom(c, foldedPath, 0)) return true;
  if (c.definition->hive == HiveKind::System || foldedPath.empty()) return false;
  return std::find(userRoots.begin(), userRoots.end(), foldedPath.front()) != userRoots.end() &&
         MatchesFrom(c, foldedPath, 1);
}

bool IsUserMarker(const std::string& folded) {
  return folded == "APPEVENTS" || folded == "CONTROL PANEL" || folded == "REMOTEACCESS";
}

// The folded names of the top-level keys that hold a user's tree (see MatchesPath).
std::vector<std::string> UserRoots(const browse::HiveView& view) {
  std::vector<std::string> roots{".DEFAULT"};
  for (const std::int32_t top : view.Children(browse::kTop)) {
    bool user = false;
    for (const std::int32_t child : view.Children(top))
      user = user || IsUserMarker(browse::FoldAscii(view.Name(child)));
    if (user) roots.push_back(browse::FoldAscii(view.Name(top)));
  }
  return roots;
}

const RawValue* FindValue(const MatchedKey& key, std::string_view foldedName) {
  for (const RawValue& v : key.values)
    if (browse::FoldAscii(v.name) == foldedName) return &v;
  return nullptr;
}

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

std::vector<std::string> KeyFindings(const browse::HiveView& view, std::int32_t key);

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

void CollectLive(const HiveSource& source, std::size_t hiveIndex, const std::vector<CompiledDefinition>& defs,
                 const HiveZone* zone, std::vector<Fact>& out) {
  const browse::HiveView& view = *source.view;
  const text::CodePage cp = view.CodePage();
  const std::vector<std::string> userRoots = UserRoots(view);
  std::vector<std::string> folded;
  std::vector<std::string> names;
  view.Walk(browse::kTop, 0, [&](std::int32_t key, int depth) {
    const std::size_t d = static_cast<std::size_t>(depth);
    folded.resize(d - 1);
    names.resize(d - 1);
    names.push_back(view.Name(key));
    folded.push_back(browse::FoldAscii(names.back()));
    // A carved fragment's key whose record was not listed (missing, or partly overwritten)
    // gives no facts; its subkeys are still looked at.
    if (source.listedKeys && (key < 0 || static_cast<std::size_t>(key) >= source.listedKeys->size() ||
                              !(*source.listedKeys)[static_cast<std::size_t>(key)]))
      return true;
    for (const CompiledDefinition& c : defs) {
      if (!MatchesPath(c, folded, userRoots)) continue;
      MatchedKey m;
      m.hive = hiveIndex;
      m.zone = zone;
      m.key = key;
      for (std::size_t i = 0; i < names.size(); ++i) m.path += (i ? "\\" : "") + names[i];
      m.name = names.back();
      m.findings = KeyFindings(view, key);
      const browse::KeyState state = view.State(key);
      m.valuesUnreadable = state.unreadable || state.valuesMissing;
      for (const salvage::SalvagedValue& v : view.Values(key)) m.values.push_back({v, browse::ValueName(v, cp)});
      Emit(c, m, view, out);
    }
    return true;
  });
}

void CollectRecovered(const HiveSource& source, std::size_t hiveIndex, const std::vector<CompiledDefinition>& defs,
                      const HiveZone* zone, std::vector<Fact>& out) {
  const text::CodePage cp = source.view->CodePage();
  const std::vector<std::string> userRoots = UserRoots(*source.view);
  for (std::size_t index = 0; index < source.recovery->keys.size(); ++index) {
    const recover::RecoveredKey& k = source.recovery->keys[index];
    if (!k.parentKnown) continue;     // "(unknown parent)\Name" is no place of the table
    if (k.IdenticalCopy()) continue;  // the live key's own facts say the same
    const std::string path = text::CodePageToUtf8(k.path, cp);
    const std::vector<std::string> parts = browse::SplitKeyPath(path);
    if (parts.empty()) continue;
    std::vector<std::string> folded;
    for (const std::string& p : parts) folded.push_back(browse::FoldAscii(p));
    for (const CompiledDefinition& c : defs) {
      if (!MatchesPath(c, folded, userRoots)) continue;
      MatchedKey m;
      m.hive = hiveIndex;
      m.zone = zone;
      m.path = path;
      m.name = parts.back();
      m.recovered = true;
      m.recoveredKey = index;
      m.confidence = k.confidence;
      if (k.pathGuessed) m.findings.push_back("the path was guessed from the surviving links");
      if (k.olderCopy) m.findings.push_back("an older copy of the live key's record: its earlier values");
      m.valuesUnreadable = k.values.size() < k.valuesAnnounced;
      for (const recover::RecoveredValue& v : k.values) {
        salvage::SalvagedValue sv{v.offset, v.type, v.name, v.data, v.partial};
        m.values.push_back({sv, text::CodePageToUtf8(AsText(v.name), cp)});
      }
      Emit(c, m, *source.view, out);
    }
  }
}

}  // namespace

std::string DigestLine(const HiveSource& source) {
  if (source.sha256.empty()) return {};
  std::string lines =
      "      " + std::to_string(source.size) + " bytes, SHA-256 " + source.sha256 + ", MD5 " + source.md5 + "\n";
  for (const HiveSource::Container& c : source.containers)
    lines += "      read out of " + c.file + ": " + std::to_string(c.size) + " bytes, SHA-256 " + c.sha256 + ", MD5 " +
             c.md5 + "\n";
  return lines;
}

std::string DigestJson(const HiveSource& source) {
  if (source.sha256.empty()) return {};
  std::string json = ", \"size\": " + std::to_string(source.size) + ", \"sha256\": \"" + source.sha256 +
                     "\", \"md5\": \"" + source.md5 + "\"";
  if (source.containers.empty()) return json;
  json += ", \"containers\": [";
  for (std::size_t i = 0; i < source.containers.size(); ++i) {
    const HiveSource::Container& c = source.containers[i];
    json += std::string(i ? ", " : "") + "{\"file\": " + text::JsonString(c.file) +
            ", \"size\": " + std::to_string(c.size) + ", \"sha256\": \"" + c.sha256 + "\", \"md5\": \"" + c.md5 + "\"}";
  }
  return json + "]";
}

bool NamesKeyOnly(const Fact& fact) {
  return fact.definition->pick == Pick::KeyName ||
         (fact.definition->pick == Pick::KeyAndNamed && !fact.hasValue && fact.valueName.empty());
}

std::optional<Seconds> UtcOf(const DecodedTime& time, const HiveZone* zone) {
  if (time.utc) return time.seconds;
  if (!zone) return std::nullopt;
  return zone->ToUtc(time.seconds);
}

std::string TimeShown(const DecodedTime& time, const HiveZone* zone) {
  if (time.encoding == TimeEncoding::TextDate) return FormatTime(time.seconds).substr(0, 10);
  if (time.utc) {
    std::string text = FormatTime(time.seconds) + " UTC";
    if (zone) text += " (" + FormatTime(zone->ToLocal(time.seconds)) + " " + zone->NameAt(time.seconds) + ")";
    return text;
  }
  std::string text = FormatTime(time.seconds) + " local time";
  if (zone) text += " (" + FormatTime(zone->ToUtc(time.seconds)) + " UTC)";
  return text;
}

bool MatchComponent(std::string_view pattern, std::string_view name) {
  // The usual greedy matcher with one backtrack point: linear apart from retries after a '*'.
  std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || Upper(pattern[p]) == Upper(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

HiveKind DetectKind(const browse::HiveView& view) {
  bool system = false, user = UserRoots(view).size() > 1;
  for (const std::int32_t key : view.Children(browse::kTop)) {
    const std::string name = browse::FoldAscii(view.Name(key));
    system = system || name == "ENUM" || name == "CONFIG" || name == "SYSTEM" || name == "HARDWARE";
    user = user || IsUserMarker(name);
  }
  if (system == user) return HiveKind::Either;
  return system ? HiveKind::System : HiveKind::User;
}

FactsResult CollectFacts(std::span<const HiveSource> sources, std::span<const FactDefinition> definitions) {
  FactsResult result;
  for (std::size_t i = 0; i < sources.size(); ++i) result.kinds.push_back(DetectKind(*sources[i].view));
  for (std::size_t i = 0; i < sources.size() && !result.zone; ++i) {
    if (result.kinds[i] == HiveKind::User || sources[i].newestCopy) continue;  // the newest copy's zone
    result.zone = ZoneOf(*sources[i].view);
    result.zoneHive = i;
  }
  const HiveZone* zone = result.zone ? &*result.zone : nullptr;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const HiveKind kind = result.kinds[i];
    std::vector<CompiledDefinition> defs;
    for (const FactDefinition& d : definitions)
      if (Applies(d, kind)) defs.push_back(Compile(d));
    const std::size_t before = result.facts.size();
    CollectLive(sources[i], i, defs, zone, result.facts);
    if (sources[i].recovery) CollectRecovered(sources[i], i, defs, zone, result.facts);
    for (std::size_t f = before; f < result.facts.size(); ++f) result.facts[f].carved = sources[i].carved;
  }
  const auto rank = [&](const Fact& f) {
    return std::pair(static_cast<int>(f.definition->theme), f.definition - definitions.data());
  };
  std::stable_sort(result.facts.begin(), result.facts.end(),
                   [&](const Fact& a, const Fact& b) { return rank(a) < rank(b); });
  FoldOlderCopies(sources, result.facts);
  return result;
}

}  // namespace quarvex::facts
