#include "analyzer/analysis_json.h"

#include <cmath>
#include <string_view>

#include <nlohmann/json.hpp>

#include "text/printf.h"
#include "analyzer/chart_series.h"
#include "text/report_file.h"

namespace quarvex::analyzer {

using namespace quarvex::hive;
using namespace quarvex::text;

namespace {

using nlohmann::json;

json Usage(const SpaceUsage& u) { return {{"using", u.Using}, {"empty", u.Empty}, {"deadGap", u.DeadGap}}; }

json Keys(const std::vector<FlaggedKey>& keys) {
  json list = json::array();
  for (const FlaggedKey& k : keys) list.push_back({{"offset", k.node.value}, {"path", k.path}});
  return list;
}

json Sizes(const RecordSizeStatistics& s) {
  return {{"count", s.count}, {"max", s.max}, {"min", s.min}, {"average", s.average}};
}

json Summary(const AnalysisResult& s) {
  json blocks = json::array();
  for (const SpaceUsage& u : s.dataBlocks) blocks.push_back(Usage(u));
  return {{"keyNodeBlock", Usage(s.keyNodeBlock)},
          {"dataBlocks", blocks},
          {"wholeFile", Usage(s.wholeFile)},
          {"keys",
           {{"good", s.goodCount},
            {"bad", s.badCount},
            {"ghost", s.ghostCount},
            {"badKeys", Keys(s.badKeys)},
            {"ghostKeys", Keys(s.ghostKeys)}}},
          {"recordSizes", {{"using", Sizes(s.usingRecords)}, {"empty", Sizes(s.emptyRecords)}}}};
}

// Every value the analysis adds is a whole number; it is written as one.
json Number(double value) {
  if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 9.0e15)
    return static_cast<std::int64_t>(value);
  return value;
}

json Series(const ChartSeriesSet& set) {
  json list = json::array();
  for (std::size_t i = 0; i < kSeriesCount; ++i) {
    const ChartSeries& series = set.At(i);
    json points = json::array();
    for (const ChartPoint& p : series.Points())
      points.push_back({{"value", Number(p.value)},
                        {"label", p.label},
                        {"colour", {{"r", p.colour.r}, {"g", p.colour.g}, {"b", p.colour.b}}}});
    list.push_back({{"id", Printf("Series%zu", i + 1)}, {"title", series.Title()}, {"points", points}});
  }
  return list;
}

json Optional(const std::optional<std::uint32_t>& number) { return number ? json(*number) : json(nullptr); }

json FindingJson(const Finding& f) {
  return {{"severity", SeverityName(f.severity)},
          {"structure", StructureName(f.structure)},
          {"offset", f.offset.value},
          {"block", Optional(f.block)},
          {"record", Optional(f.record)},
          {"field", f.field},
          {"found", f.found},
          {"expected", f.expected},
          {"text", f.Text()}};
}

}  // namespace

std::string AnalysisJsonText(const std::optional<AnalysisResult>& result, const JsonFacts& facts,
                             const std::optional<JobFailure>& failure) {
  // The top level in the order a reader meets it; below it, members in the order of their
  // names, as the document has always had them.
  nlohmann::ordered_json document = nlohmann::ordered_json::object();
  document["file"] = {{"name", facts.fileName}, {"size", facts.fileSize ? json(*facts.fileSize) : json(nullptr)}};
  document["program"] = {{"name", facts.programName}, {"version", facts.programVersion}};
  document["codepage"] = {
      {"value", facts.codePage.value}, {"source", facts.codePage.source}, {"reason", facts.codePage.reason}};
  document["analysis"] = result ? Summary(*result) : json(nullptr);
  json findings = json::array();
  if (failure && failure->finding) findings.push_back(FindingJson(*failure->finding));
  document["findings"] = findings;
  if (failure)
    document["failure"] =
        json{{"code", failure->code}, {"finding", failure->finding ? FindingJson(*failure->finding) : json(nullptr)}};
  if (facts.series) document["series"] = Series(result ? ChartSeriesOf(*result) : ChartSeriesSet());
  // Texts are UTF-8 already; anything that is not is replaced rather than thrown over.
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool SaveAnalysisJson(const std::string& text, const std::string& path, std::string& error) {
  ReportLines lines;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    lines.Append(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  }
  return SaveReportLines(lines, path, error, std::nullopt, "\n");
}

}  // namespace quarvex::analyzer
