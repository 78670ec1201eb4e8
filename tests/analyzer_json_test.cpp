// The analysis as JSON: the document's content, and quarvex-cli --json.
#include <gtest/gtest.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "analyzer/analysis_json.h"
#include "app/cli_run.h"
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

TEST(AnalyzerJson, CarriesTheSummaryAndEverySeries) {
  const BuiltHive hive = FlaggedHive();
  auto run = RunJob(hive);
  ASSERT_EQ(run->Code(), 0);
  const json doc = json::parse(AnalysisJsonText(run->result.analysis));
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
  auto run = RunJob(FlaggedHive(), WithOption(Option::cbANA, false));
  const json doc = json::parse(AnalysisJsonText(run->result.analysis));
  EXPECT_TRUE(doc.at("analysis").is_null());
  EXPECT_EQ(doc.at("series")[0].at("points").size(), 0u);
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
  const json doc = json::parse(ReadFileBytes(target));
  EXPECT_EQ(doc.at("analysis").at("keys").at("bad"), 1);
  // Only the document is left in the folder: no temporary file.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")), {}), 2);
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
