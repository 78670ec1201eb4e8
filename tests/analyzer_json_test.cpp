// The analysis as JSON: the document's content, and quarvex-cli --json.
#include <gtest/gtest.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "analyzer/analysis_json.h"
#include "cli/cli_run.h"
#include "tests/analyzer_fixtures.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

using nlohmann::json;

BuiltHive FlaggedHive() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "ROOT");
  b.AddKey(root, "\x82\xA0");  // bad
  b.SetChecksum(b.AddKey(root, "Ghost"), 7);
  b.AddFreeRecord(0, 40);
  return b.Build();
}

JsonFacts WithSeries() {
  JsonFacts facts;
  facts.series = true;
  return facts;
}

TEST(AnalyzerJson, CarriesTheSummaryAndEverySeries) {
  const BuiltHive hive = FlaggedHive();
  auto run = RunJob(hive);
  ASSERT_EQ(run->Code(), 0);
  const json doc = json::parse(AnalysisJsonText(run->result.analysis, WithSeries()));
  const json& a = doc.at("analysis");
  EXPECT_EQ(a.at("keyNodeBlock"), json({{"using", 84}, {"empty", 0}, {"deadGap", 0}}));
  ASSERT_EQ(a.at("dataBlocks").size(), 1u);
  EXPECT_EQ(a.at("dataBlocks")[0].at("empty"), 40);
  const AnalysisResult& s = *run->result.analysis;
  EXPECT_EQ(a.at("wholeFile").at("using"), s.wholeFile.Using);
  EXPECT_EQ(a.at("keys").at("good"), 1);
  EXPECT_EQ(a.at("keys").at("bad"), 1);
  EXPECT_EQ(a.at("keys").at("ghost"), 1);
  // Paths in UTF-8: 0x82 0xA0 of code page 932 is U+3042.
  EXPECT_EQ(a.at("keys").at("badKeys"), json::array({{{"offset", hive.keyNode[1]}, {"path", "ROOT\\\u3042\\"}}}));
  EXPECT_EQ(a.at("keys").at("ghostKeys")[0].at("path"), "ROOT\\Ghost\\");
  EXPECT_EQ(a.at("recordSizes").at("empty"), json({{"count", 1}, {"max", 40}, {"min", 40}, {"average", 40}}));
  EXPECT_EQ(a.at("recordSizes").at("using").at("count"), 3);

  const json& series = doc.at("series");
  ASSERT_EQ(series.size(), 9u);
  EXPECT_EQ(series[0].at("id"), "Series1");
  EXPECT_EQ(series[0].at("title"), "TUR");
  EXPECT_EQ(series[8].at("title"), "EmptySize AVG.");
  EXPECT_EQ(series[4].at("points")[0],
            json({{"value", 1}, {"label", "Ghost"}, {"colour", {{"r", 255}, {"g", 0}, {"b", 0}}}}));
  EXPECT_EQ(series[5].at("points")[1].at("label"), std::to_string(hive.keyNode[1]));
  EXPECT_EQ(series[6].at("points").size(), 2u);
}

TEST(AnalyzerJson, WithoutAnalysisTheSummaryIsNull) {
  auto run = RunJob(FlaggedHive(), WithOption(Option::Analyse, false));
  const json doc = json::parse(AnalysisJsonText(run->result.analysis, WithSeries()));
  EXPECT_TRUE(doc.at("analysis").is_null());
  EXPECT_EQ(doc.at("series")[0].at("points").size(), 0u);
}

// The top level in the order a reader meets it; the series only when asked for; LF only.
TEST(AnalyzerJson, TopLevelNamesFileProgramAndCodePage) {
  auto run = RunJob(FlaggedHive());
  JsonFacts facts;
  facts.fileName = "user.dat";
  facts.fileSize = 1234;
  facts.codePage = {"932", "option", "named with --codepage"};
  const std::string text = AnalysisJsonText(run->result.analysis, facts);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  const nlohmann::ordered_json doc = nlohmann::ordered_json::parse(text);
  std::vector<std::string> members;
  for (const auto& [name, value] : doc.items()) members.push_back(name);
  EXPECT_EQ(members, (std::vector<std::string>{"file", "program", "codepage", "analysis", "findings"}));
  EXPECT_EQ(doc.at("file"), nlohmann::ordered_json::parse(R"({"name": "user.dat", "size": 1234})"));
  EXPECT_EQ(doc.at("program").at("name"), "quarvex-cli");
  EXPECT_EQ(doc.at("program").at("version"), QUARVEX_VERSION);
  EXPECT_EQ(doc.at("codepage").at("source"), "option");
  EXPECT_TRUE(doc.at("findings").empty());

  // A failure names its finding in both places; the size of a file never read is null.
  facts.fileSize.reset();
  Finding finding = FindingAt(Structure::RgdbHeader, FileOffset(0x1000), "signature", 2);
  const json failed = json::parse(AnalysisJsonText(std::nullopt, facts, JobFailure{8, finding}));
  EXPECT_TRUE(failed.at("file").at("size").is_null());
  EXPECT_EQ(failed.at("findings").size(), 1u);
  EXPECT_EQ(failed.at("findings")[0], failed.at("failure").at("finding"));
  EXPECT_EQ(failed.at("failure").at("code"), 8);
}

class AnalyzerJsonCli : public ::testing::Test {
 protected:
  int Cli(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = cli::RunCli(args, out, err);
    errors = err.str();
    return status;
  }
  TempDir dir;
  std::string errors;
};

TEST_F(AnalyzerJsonCli, WritesTheDocumentAfterASuccessfulJob) {
  const std::string hive = dir.Write("user.dat", FlaggedHive());
  const std::string target = dir.Path("analysis.json").string();
  ASSERT_EQ(Cli({"--json", target, "--now", "2026-12-07T10:00:00", hive}), cli::kExitOk) << errors;
  const std::string text = ReadFileBytes(target);
  EXPECT_EQ(text.find('\r'), std::string::npos) << "LF line ends";
  const json doc = json::parse(text);
  EXPECT_EQ(doc.at("analysis").at("keys").at("bad"), 1);
  EXPECT_EQ(doc.at("file").at("size"), ReadFileBytes(hive).size());
  EXPECT_FALSE(doc.contains("series"));
  // Only the document is left in the folder: no temporary file.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")), {}), 2);
}

// --json - writes the document to standard output, and the report only with -o; the series
// come with --json-series, the same as the analysis's chart data.
TEST_F(AnalyzerJsonCli, StandardOutputAndSeries) {
  const std::string hive = dir.Write("user.dat", FlaggedHive());
  std::ostringstream out, err;
  ASSERT_EQ(cli::RunCli({"--json", "-", "--json-series", "--codepage", "932", hive}, out, err), cli::kExitOk)
      << err.str();
  const json doc = json::parse(out.str());
  ASSERT_EQ(doc.at("series").size(), 9u);
  auto run = RunJob(FlaggedHive());
  EXPECT_EQ(doc.at("series"), json::parse(AnalysisJsonText(run->result.analysis, WithSeries())).at("series"));
  EXPECT_EQ(doc.at("codepage").at("value"), "932");
  EXPECT_EQ(Cli({"--json-series", hive}), cli::kExitUsage);
}

TEST_F(AnalyzerJsonCli, WritesNothingWhenTheJobFails) {
  BuiltHive broken = FlaggedHive();
  broken.PutU32(32 + 12, 0x7FFF0000);  // free key node outside the file: code 6
  const std::string hive = dir.Write("user.dat", broken);
  const std::string target = dir.Path("analysis.json").string();
  EXPECT_EQ(Cli({"--json", target, hive}), cli::kExitJobFailed);
  EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(AnalyzerJsonCli, NeverOverwritesTheHive) {
  const std::string hive = dir.Write("user.dat", FlaggedHive());
  const std::string before = ReadFileBytes(hive);
  EXPECT_EQ(Cli({"--json", hive, hive}), cli::kExitUsage);
  EXPECT_EQ(ReadFileBytes(hive), before);
  EXPECT_EQ(Cli({"--json"}), cli::kExitUsage);
}

TEST_F(AnalyzerJsonCli, UnwritableTargetIsAWriteFailure) {
  const std::string hive = dir.Write("user.dat", FlaggedHive());
  EXPECT_EQ(Cli({"--json", dir.Path("no/such/folder/a.json").string(), "-o", dir.Path("r.txt").string(), hive}),
            cli::kExitWriteFailed);
  EXPECT_NE(errors.find("a.json"), std::string::npos);
}

}  // namespace
}  // namespace quarvex::testing
