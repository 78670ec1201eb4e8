#include "facts/collect.h"

#include <algorithm>

#include "browse/value_text.h"
#include "facts/key_facts.h"
#include "facts/older_copies.h"
#include "text/json_text.h"
#include "text/text_encoding.h"

namespace quarvex::facts {

namespace {

std::string_view AsText(hive::Bytes bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

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
