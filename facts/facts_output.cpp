#include "facts/facts_output.h"

#include <algorithm>
#include <cstdio>

#include "browse/value_data.h"
#include "browse/value_text.h"
#include "facts/older_copies.h"
#include "salvage/check_text.h"
#include "text/json_text.h"

namespace quarvex::facts {

namespace {

std::string HexAll(const std::vector<std::uint8_t>& data) {
  std::string s;
  char buffer[4];
  for (const std::uint8_t b : data) {
    std::snprintf(buffer, sizeof buffer, "%02x", b);
    s += buffer;
  }
  return s;
}

std::string Origin(const Fact& f) {
  // A carved fragment's deleted key is named as `hives --carve` names it.
  if (f.carved && f.recovered)
    return "carved, deleted, confidence " + std::string(recover::ConfidenceName(f.confidence));
  if (f.recovered) return "recovered, confidence " + std::string(recover::ConfidenceName(f.confidence));
  if (f.carved) return f.findings.empty() ? "carved" : "carved, damaged";
  return f.findings.empty() ? "" : "damaged";
}

std::string SourceNotes(const HiveSource& source) {
  std::string text;
  for (const std::string& note : source.notes) text += "      " + note + "\n";
  return text;
}

std::string ValueLine(const Fact& f) {
  std::string line = "      ";
  if (f.position) line += std::to_string(*f.position) + ". ";
  if (NamesKeyOnly(f)) {
    line += f.text;
  } else if (!f.hasValue && f.valueName.empty()) {
    line += "(no value)";
  } else {
    line += (f.valueName.empty() ? std::string("(default)") : browse::EscapeControls(f.valueName)) + " = " + f.text;
  }
  if (!f.note.empty()) line += "  [" + f.note + "]";
  return line;
}

// How a copy of a hive stands among the others given: ", the newest of 3 copies",
// ", older copy of [1] (2001-06-10 09:00:00, cabinet member)"; nothing for a hive given alone.
std::string CopyHeader(std::span<const HiveSource> sources, std::size_t i) {
  if (const std::optional<std::size_t> newest = sources[i].newestCopy)
    return ", older copy of [" + std::to_string(*newest + 1) + "] (" +
           (sources[i].copyWhen.empty() ? std::string("no date") : sources[i].copyWhen) + ")";
  const auto copies =
      std::count_if(sources.begin(), sources.end(), [&](const HiveSource& s) { return s.newestCopy == i; });
  return copies ? ", the newest of " + std::to_string(copies + 1) + " copies (" + sources[i].copyWhen + ")" : "";
}

// The facts' own text: "value = text", the key's name, or "(no value)".
std::string ShownValue(const Fact& f) {
  if (NamesKeyOnly(f)) return f.text;
  if (!f.hasValue && f.valueName.empty()) return "(no value)";
  return (f.valueName.empty() ? std::string("(default)") : browse::EscapeControls(f.valueName)) + " = " + f.text;
}

// ", \"carved\": true, \"notes\": [...]" for a carved fragment; nothing for a file.
std::string CarvedJson(const HiveSource& source) {
  if (!source.carved) return {};
  std::string s = ", \"carved\": true, \"notes\": [";
  for (std::size_t i = 0; i < source.notes.size(); ++i) s += (i ? ", " : "") + text::JsonString(source.notes[i]);
  return s + "]";
}

}  // namespace

std::string FactsText(std::span<const HiveSource> sources, const FactsResult& result) {
  std::string out = "Facts of " + std::to_string(sources.size()) + (sources.size() == 1 ? " hive\n" : " hives\n");
  for (std::size_t i = 0; i < sources.size(); ++i)
    out += "  [" + std::to_string(i + 1) + "] " + browse::EscapeControls(sources[i].file) + ": " +
           (result.kinds[i] == HiveKind::Either ? std::string("kind not known, every place tried")
                                                : std::string(HiveKindName(result.kinds[i])) + " hive") +
           (sources[i].carved ? ", a carved fragment: only what survives" : "") + CopyHeader(sources, i) + "\n" +
           DigestLine(sources[i]) + SourceNotes(sources[i]);
  if (result.zone)
    out +=
        "  Times in the time zone of [" + std::to_string(result.zoneHive + 1) + "]: " + result.zone->Describe() + "\n";
  for (const Theme theme : {Theme::System, Theme::Programs, Theme::Hardware, Theme::Network, Theme::Traces}) {
    out += "\n== " + std::string(ThemeTitle(theme)) + " ==\n";
    const FactDefinition* definition = nullptr;
    const Fact* keyOf = nullptr;
    bool any = false;
    for (const Fact& f : result.facts) {
      if (f.definition->theme != theme) continue;
      any = true;
      if (f.definition != definition) {
        definition = f.definition;
        keyOf = nullptr;
        out += "\n" + std::string(definition->label) + "\n";
      }
      if (!keyOf || keyOf->hive != f.hive || keyOf->keyPath != f.keyPath || keyOf->recovered != f.recovered ||
          keyOf->key != f.key || keyOf->via != f.via) {
        keyOf = &f;
        const std::string origin = Origin(f);
        out +=
            "  [" + std::to_string(f.hive + 1) + "] " + browse::EscapeControls(f.keyPath) +
            (origin.empty() ? "" : "  (" + origin + ")") +
            (sources[f.hive].newestCopy ? "  (" + browse::EscapeControls(OlderCopyText(sources[f.hive])) + ")" : "") +
            "\n";
        if (!f.via.empty()) out += "      <- " + f.via + "\n";
        for (const std::string& finding : f.findings) out += "      ! " + finding + "\n";
      }
      out += ValueLine(f) + "\n";
      for (const Fact& o : f.older)
        out += "        " + browse::EscapeControls(OlderCopyText(sources[o.hive])) + ": " + ShownValue(o) + "\n";
    }
    if (!any) out += "  (nothing found)\n";
  }
  out += "\n" + std::to_string(result.facts.size()) + (result.facts.size() == 1 ? " fact\n" : " facts\n");
  return out;
}

std::string FactsJson(std::span<const HiveSource> sources, const FactsResult& result) {
  using text::JsonString;
  std::string s = "{\"hives\": [";
  for (std::size_t i = 0; i < sources.size(); ++i)
    s += std::string(i ? ", " : "") + "{\"file\": " + JsonString(sources[i].file) +
         ", \"kind\": " + JsonString(HiveKindName(result.kinds[i])) + DigestJson(sources[i]) + CarvedJson(sources[i]) +
         ", \"newestCopy\": " + (sources[i].newestCopy ? std::to_string(*sources[i].newestCopy) : std::string("null")) +
         ", \"copyDate\": " + (sources[i].copyWhen.empty() ? std::string("null") : JsonString(sources[i].copyWhen)) +
         "}";
  s += "], \"facts\": [";
  // A fact's object; an older copy's fact under it (older) is one too, with its own hive.
  const auto factJson = [&](const auto& self, const Fact& f) -> std::string {
    std::string o = "{\"fact\": " + JsonString(f.definition->id) +
                    ", \"theme\": " + JsonString(ThemeName(f.definition->theme)) +
                    ", \"label\": " + JsonString(f.definition->label) + ", \"hive\": " + std::to_string(f.hive) +
                    ", \"file\": " + JsonString(sources[f.hive].file) + ", \"key\": " + JsonString(f.keyPath);
    if (f.hasValue) {
      o += ", \"value\": " + JsonString(f.valueName) + ", \"type\": " + std::to_string(f.type) +
           ", \"typeName\": " + JsonString(browse::TypeName(f.type)) + ", \"data\": \"" + HexAll(f.data) + "\"";
      // The decoded text of a text value beside its bytes ("text" is the fact as shown).
      if (const browse::HiveView* view = sources[f.hive].view)
        o += browse::DecodedDataJson(f.type, f.data, view->CodePage(), "dataText", "dataStrings");
    } else {
      o += ", \"value\": " + (f.valueName.empty() ? std::string("null") : JsonString(f.valueName)) +
           ", \"type\": null, \"typeName\": null, \"data\": null";
    }
    o +=
        ", \"text\": " + JsonString(f.text) +
        ", \"position\": " + (f.position ? std::to_string(*f.position) : std::string("null")) +
        ", \"note\": " + (f.note.empty() ? std::string("null") : JsonString(f.note)) +
        ", \"recovered\": " + (f.recovered ? "true" : "false") + ", \"carved\": " + (f.carved ? "true" : "false") +
        ", \"confidence\": " + (f.recovered ? JsonString(recover::ConfidenceName(f.confidence)) : std::string("null")) +
        ", \"via\": " + (f.via.empty() ? std::string("null") : JsonString(f.via)) + ", \"findings\": [";
    for (std::size_t i = 0; i < f.findings.size(); ++i) o += (i ? ", " : "") + JsonString(f.findings[i]);
    o += "], \"olderCopy\": " + std::string(sources[f.hive].newestCopy ? "true" : "false") + ", \"older\": [";
    for (std::size_t i = 0; i < f.older.size(); ++i) o += (i ? ", " : "") + self(self, f.older[i]);
    return o + "]}";
  };
  bool first = true;
  for (const Fact& f : result.facts) {
    s += first ? "\n" : ",\n";
    first = false;
    s += "  " + factJson(factJson, f);
  }
  s += std::string(first ? "" : "\n") + "]}\n";
  return s;
}

std::string CsvField(std::string_view text) {
  std::string field(text);
  if (!field.empty() && (field[0] == '=' || field[0] == '+' || field[0] == '-' || field[0] == '@'))
    field.insert(0, "'");
  std::string quoted = "\"";
  for (const char c : field) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string FactsCsv(std::span<const HiveSource> sources, const FactsResult& result) {
  // The last two columns place a row among copies of one hive: "newest" or "older" and the
  // copy's date; an older copy's differing value follows its fact's row as a row of its own.
  std::string s =
      "theme,fact,label,file,hive kind,key,value,position,type,text,note,origin,findings,data,via,sha256,md5,copy,copy "
      "date\r\n";
  const auto row = [&](const Fact& f) {
    std::string findings;
    for (const std::string& finding : f.findings) findings += (findings.empty() ? "" : "; ") + finding;
    const std::string origin = Origin(f);
    const HiveSource& source = sources[f.hive];
    const bool inSet = source.newestCopy || !source.copyWhen.empty();
    s += CsvField(ThemeName(f.definition->theme)) + "," + CsvField(f.definition->id) + "," +
         CsvField(f.definition->label) + "," + CsvField(source.file) + "," +
         CsvField(HiveKindName(result.kinds[f.hive])) + "," + CsvField(f.keyPath) + "," +
         CsvField(f.hasValue ? (f.valueName.empty() ? "(default)" : f.valueName) : "") + "," +
         (f.position ? std::to_string(*f.position) : "") + "," +
         (f.hasValue ? CsvField(browse::TypeName(f.type)) : "") + "," + CsvField(f.text) + "," + CsvField(f.note) +
         "," + CsvField(origin.empty() ? "live" : origin) + "," + CsvField(findings) + "," +
         CsvField(f.hasValue ? HexAll(f.data) : "") + "," + CsvField(f.via) + "," + source.sha256 + "," + source.md5 +
         "," + (inSet ? (source.newestCopy ? "older" : "newest") : "") + "," +
         (inSet ? CsvField(source.copyWhen) : "") + "\r\n";
  };
  for (const Fact& f : result.facts) {
    row(f);
    for (const Fact& o : f.older) row(o);
  }
  return s;
}

}  // namespace quarvex::facts
