#include "facts/facts_output.h"

#include <cstdio>

#include "browse/value_data.h"
#include "browse/value_text.h"
#include "salvage/check_text.h"

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
  if (f.recovered) return "recovered, confidence " + std::string(recover::ConfidenceName(f.confidence));
  return f.findings.empty() ? "" : "damaged";
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

}  // namespace

std::string FactsText(std::span<const HiveSource> sources, const FactsResult& result) {
  std::string out = "Facts of " + std::to_string(sources.size()) + (sources.size() == 1 ? " hive\n" : " hives\n");
  for (std::size_t i = 0; i < sources.size(); ++i)
    out += "  [" + std::to_string(i + 1) + "] " + browse::EscapeControls(sources[i].file) + ": " +
           (result.kinds[i] == HiveKind::Either ? std::string("kind not known, every place tried")
                                                : std::string(HiveKindName(result.kinds[i])) + " hive") +
           "\n" + DigestLine(sources[i]);
  if (result.zone)
    out += "  Times in the time zone of [" + std::to_string(result.zoneHive + 1) + "]: " + result.zone->Describe() + "\n";
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
        out += "  [" + std::to_string(f.hive + 1) + "] " + browse::EscapeControls(f.keyPath) +
               (origin.empty() ? "" : "  (" + origin + ")") + "\n";
        if (!f.via.empty()) out += "      <- " + f.via + "\n";
        for (const std::string& finding : f.findings) out += "      ! " + finding + "\n";
      }
      out += ValueLine(f) + "\n";
    }
    if (!any) out += "  (nothing found)\n";
  }
  out += "\n" + std::to_string(result.facts.size()) + (result.facts.size() == 1 ? " fact\n" : " facts\n");
  return out;
}

std::string FactsJson(std::span<const HiveSource> sources, const FactsResult& result) {
  using salvage::JsonString;
  std::string s = "{\"hives\": [";
  for (std::size_t i = 0; i < sources.size(); ++i)
    s += std::string(i ? ", " : "") + "{\"file\": " + JsonString(sources[i].file) +
         ", \"kind\": " + JsonString(HiveKindName(result.kinds[i])) + DigestJson(sources[i]) + "}";
  s += "], \"facts\": [";
  bool first = true;
  for (const Fact& f : result.facts) {
    s += first ? "\n" : ",\n";
    first = false;
    s += "  {\"fact\": " + JsonString(f.definition->id) + ", \"theme\": " + JsonString(ThemeName(f.definition->theme)) +
         ", \"label\": " + JsonString(f.definition->label) + ", \"hive\": " + std::to_string(f.hive) +
         ", \"file\": " + JsonString(sources[f.hive].file) + ", \"key\": " + JsonString(f.keyPath);
    if (f.hasValue) {
      s += ", \"value\": " + JsonString(f.valueName) + ", \"type\": " + std::to_string(f.type) +
           ", \"typeName\": " + JsonString(browse::TypeName(f.type)) + ", \"data\": \"" + HexAll(f.data) + "\"";
      // The decoded text of a text value beside its bytes ("text" is the fact as shown).
      if (const browse::HiveView* view = sources[f.hive].view)
        s += browse::DecodedDataJson(f.type, f.data, view->CodePage(), "dataText", "dataStrings");
    } else {
      s += ", \"value\": " + (f.valueName.empty() ? std::string("null") : JsonString(f.valueName)) +
           ", \"type\": null, \"typeName\": null, \"data\": null";
    }
    s += ", \"text\": " + JsonString(f.text) +
         ", \"position\": " + (f.position ? std::to_string(*f.position) : std::string("null")) +
         ", \"note\": " + (f.note.empty() ? std::string("null") : JsonString(f.note)) +
         ", \"recovered\": " + (f.recovered ? "true" : "false") + ", \"confidence\": " +
         (f.recovered ? JsonString(recover::ConfidenceName(f.confidence)) : std::string("null")) +
         ", \"via\": " + (f.via.empty() ? std::string("null") : JsonString(f.via)) + ", \"findings\": [";
    for (std::size_t i = 0; i < f.findings.size(); ++i) s += (i ? ", " : "") + JsonString(f.findings[i]);
    s += "]}";
  }
  s += std::string(first ? "" : "\n") + "]}\n";
  return s;
}

std::string CsvField(std::string_view text) {
  std::string field(text);
  if (!field.empty() && (field[0] == '=' || field[0] == '+' || field[0] == '-' || field[0] == '@')) field.insert(0, "'");
  std::string quoted = "\"";
  for (const char c : field) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string FactsCsv(std::span<const HiveSource> sources, const FactsResult& result) {
  std::string s = "theme,fact,label,file,hive kind,key,value,position,type,text,note,origin,findings,data,via,sha256,md5\r\n";
  for (const Fact& f : result.facts) {
    std::string findings;
    for (const std::string& finding : f.findings) findings += (findings.empty() ? "" : "; ") + finding;
    const std::string origin = Origin(f);
    s += CsvField(ThemeName(f.definition->theme)) + "," + CsvField(f.definition->id) + "," +
         CsvField(f.definition->label) + "," + CsvField(sources[f.hive].file) + "," +
         CsvField(HiveKindName(result.kinds[f.hive])) + "," + CsvField(f.keyPath) + "," +
         CsvField(f.hasValue ? (f.valueName.empty() ? "(default)" : f.valueName) : "") + "," +
         (f.position ? std::to_string(*f.position) : "") + "," + (f.hasValue ? CsvField(browse::TypeName(f.type)) : "") +
         "," + CsvField(f.text) + "," + CsvField(f.note) + "," + CsvField(origin.empty() ? "live" : origin) + "," +
         CsvField(findings) + "," + CsvField(f.hasValue ? HexAll(f.data) : "") + "," + CsvField(f.via) + "," +
         sources[f.hive].sha256 + "," + sources[f.hive].md5 + "\r\n";
  }
  return s;
}

}  // namespace quarvex::facts
