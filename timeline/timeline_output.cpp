#include "timeline/timeline_output.h"

#include "browse/value_text.h"
#include "facts/facts_output.h"
#include "salvage/check_text.h"
#include "text/json_text.h"

namespace quarvex::timeline {

namespace {

const facts::HiveZone* ZoneOf(const Timeline& t) { return t.zone ? &*t.zone : nullptr; }

std::string Place(std::span<const facts::HiveSource> sources, const Event& e, bool withFile) {
  std::string s = withFile ? sources[e.hive].file + ":" : "[" + std::to_string(e.hive + 1) + "] ";
  if (e.keyPath.empty() && e.factId == "file") return s + "(the file itself)";
  s += browse::EscapeControls(e.keyPath) + "\\" +
       (e.valueName.empty() ? std::string("(default)") : browse::EscapeControls(e.valueName));
  return s;
}

std::string Origin(const Event& e) {
  return e.recovered ? "recovered, confidence " + std::string(recover::ConfidenceName(e.recoveredConfidence)) : "live";
}

// "FILETIME" or "DOS date and time, local 2015-05-22 17:45:02".
std::string HowRead(const Event& e) {
  std::string s(facts::TimeEncodingName(e.time.encoding));
  if (!e.time.utc && e.utc) s += ", local " + facts::FormatTime(e.time.seconds);
  if (!e.shape.empty()) s = e.shape;
  if (e.recovered) s += "; " + Origin(e);
  return s;
}

std::string Line(std::span<const facts::HiveSource> sources, const Event& e) {
  std::string line = e.utc ? facts::FormatTime(*e.utc) + " UTC" : facts::FormatTime(e.time.seconds) + " local";
  line += "  " + e.meaning + "  " + Place(sources, e, false);
  if (!e.detail.empty()) line += "  " + e.detail;
  return line + "  (" + HowRead(e) + ")\n";
}

}  // namespace

std::string TimelineText(std::span<const facts::HiveSource> sources, const Timeline& t) {
  std::string out = "Timeline of " + std::to_string(sources.size()) + (sources.size() == 1 ? " hive\n" : " hives\n");
  for (std::size_t i = 0; i < sources.size(); ++i)
    out += "  [" + std::to_string(i + 1) + "] " + browse::EscapeControls(sources[i].file) + ": " +
           (t.kinds[i] == facts::HiveKind::Either ? std::string("kind not known")
                                                  : std::string(facts::HiveKindName(t.kinds[i])) + " hive") +
           "\n" + facts::DigestLine(sources[i]);
  out += t.zone ? "  Times in UTC; the machine's time zone, from [" + std::to_string(t.zoneHive + 1) +
                      "]: " + t.zone->Describe() + "\n"
                : std::string(
                      "  Times in UTC; no system.dat names the machine's time zone, so local times are listed apart\n");
  std::size_t defined = 0, shaped = 0, local = 0;
  std::string shapes, locals;
  out += "\n";
  for (const Event& e : t.events) {
    if (!e.utc) {
      locals += Line(sources, e);
      ++local;
    } else if (e.LowConfidence()) {
      shapes += Line(sources, e);
      ++shaped;
    } else {
      out += Line(sources, e);
      ++defined;
    }
  }
  if (defined == 0) out += "(no time that a definition reads)\n";
  if (local) out += "\nLocal times, not placed (no time zone known):\n" + locals;
  if (shaped) out += "\nFound by shape in values no definition reads (low confidence):\n" + shapes;
  out += "\n" + std::to_string(t.events.size()) + (t.events.size() == 1 ? " event" : " events") + ": " +
         std::to_string(defined) + " read by definition, " + std::to_string(local) + " local only, " +
         std::to_string(shaped) + " found by shape\n";
  return out;
}

std::string TimelineCsv(std::span<const facts::HiveSource> sources, const Timeline& t) {
  std::string s = "utc,local,meaning,confidence,file,key,value,detail,encoding,shape,origin,sha256,md5\r\n";
  const facts::HiveZone* zone = ZoneOf(t);
  for (const Event& e : t.events) {
    const std::string local = e.time.utc ? (zone ? facts::FormatTime(zone->ToLocal(e.time.seconds)) : std::string())
                                         : facts::FormatTime(e.time.seconds);
    s += facts::CsvField(e.utc ? facts::FormatTime(*e.utc) : "") + "," + facts::CsvField(local) + "," +
         facts::CsvField(e.meaning) + "," + (e.LowConfidence() ? "low" : "high") + "," +
         facts::CsvField(sources[e.hive].file) + "," + facts::CsvField(e.keyPath) + "," + facts::CsvField(e.valueName) +
         "," + facts::CsvField(e.detail) + "," + facts::CsvField(facts::TimeEncodingName(e.time.encoding)) + "," +
         facts::CsvField(e.shape) + "," + facts::CsvField(Origin(e)) + "," + sources[e.hive].sha256 + "," +
         sources[e.hive].md5 + "\r\n";
  }
  return s;
}

std::string TimelineJson(std::span<const facts::HiveSource> sources, const Timeline& t) {
  using text::JsonString;
  const facts::HiveZone* zone = ZoneOf(t);
  std::string s = "{\"hives\": [";
  for (std::size_t i = 0; i < sources.size(); ++i)
    s += std::string(i ? ", " : "") + "{\"file\": " + JsonString(sources[i].file) +
         ", \"kind\": " + JsonString(facts::HiveKindName(t.kinds[i])) + facts::DigestJson(sources[i]) + "}";
  s += "], \"timeZone\": ";
  if (zone) {
    s += "{\"hive\": " + std::to_string(t.zoneHive) + ", \"standardName\": " + JsonString(zone->standardName) +
         ", \"daylightName\": " + JsonString(zone->daylightName) + ", \"bias\": " + std::to_string(zone->bias) +
         ", \"text\": " + JsonString(zone->Describe()) + "}";
  } else {
    s += "null";
  }
  s += ", \"events\": [";
  bool first = true;
  for (const Event& e : t.events) {
    s += first ? "\n" : ",\n";
    first = false;
    const std::string local = e.time.utc ? (zone ? facts::FormatTime(zone->ToLocal(e.time.seconds)) : std::string())
                                         : facts::FormatTime(e.time.seconds);
    s += "  {\"utc\": " + (e.utc ? JsonString(facts::FormatTime(*e.utc)) : std::string("null")) +
         ", \"unix\": " + (e.utc ? std::to_string(*e.utc) : std::string("null")) +
         ", \"local\": " + (local.empty() ? std::string("null") : JsonString(local)) +
         ", \"meaning\": " + JsonString(e.meaning) +
         ", \"confidence\": " + (e.LowConfidence() ? "\"low\"" : "\"high\"") +
         ", \"fact\": " + (e.factId.empty() ? std::string("null") : JsonString(e.factId)) +
         ", \"hive\": " + std::to_string(e.hive) + ", \"file\": " + JsonString(sources[e.hive].file) +
         ", \"key\": " + JsonString(e.keyPath) + ", \"value\": " + JsonString(e.valueName) +
         ", \"detail\": " + JsonString(e.detail) +
         ", \"encoding\": " + JsonString(facts::TimeEncodingName(e.time.encoding)) +
         ", \"shape\": " + (e.shape.empty() ? std::string("null") : JsonString(e.shape)) +
         ", \"recovered\": " + (e.recovered ? "true" : "false") + ", \"recoveredConfidence\": " +
         (e.recovered ? JsonString(recover::ConfidenceName(e.recoveredConfidence)) : std::string("null")) + "}";
  }
  s += std::string(first ? "" : "\n") + "]}\n";
  return s;
}

std::string TimelineBodyfile(std::span<const facts::HiveSource> sources, const Timeline& t) {
  std::string s;
  for (const Event& e : t.events) {
    if (!e.utc) continue;
    std::string name = Place(sources, e, true) + " (" + e.meaning + (e.detail.empty() ? "" : ": " + e.detail) +
                       (e.LowConfidence() ? "; low confidence" : "") + ")";
    std::string escaped;
    for (const char c : name) escaped += c == '|' ? std::string("%7C") : std::string(1, c);
    s += "0|" + escaped + "|0|r/rrwxrwxrwx|0|0|0|0|" + std::to_string(*e.utc) + "|0|0\n";
  }
  return s;
}

}  // namespace quarvex::timeline
