// quarvex-cli --charts: the option, and what the CLI says when quarvex-charts is not beside
// it (as here: the tests' own directory holds none). The pictures themselves are checked by
// the ctest cli_charts_on_bundled_sample, where the desktop build is made.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/commands/charts.h"
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

const std::string kSample = std::string(QUARVEX_SAMPLES_DIR) + "/USER-SAMPLE.DAT";

TEST(ChartCli, TheOptionTakesADirectory) {
  const cli::ParseResult parsed = cli::ParseCommandLine({"--charts", "pictures", "user.dat"});
  ASSERT_TRUE(parsed.options);
  EXPECT_EQ(parsed.options->chartsDirectory, "pictures");
  EXPECT_EQ(parsed.options->inputFile, "user.dat");
  EXPECT_FALSE(cli::ParseCommandLine({"user.dat", "--charts"}).options);
  EXPECT_NE(cli::HelpText().find("--charts DIR"), std::string::npos);
}

TEST(ChartCli, TheChartsProgramIsLookedForBesideThisProgram) {
  const std::filesystem::path program = cli::ChartsProgramPath();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.stem(), "quarvex-charts");
  EXPECT_EQ(program.parent_path(), std::filesystem::read_symlink("/proc/self/exe").parent_path());
}

TEST(ChartCli, WithoutTheChartsProgramTheReportIsWrittenAndTheLackSaid) {
  ASSERT_FALSE(std::filesystem::exists(cli::ChartsProgramPath())) << "this test expects no quarvex-charts here";
  TempDir dir;
  std::ostringstream out, err;
  const int status = cli::RunCli({"--charts", dir.Path("charts").string(), kSample}, out, err);
  EXPECT_EQ(status, cli::kExitWriteFailed);
  EXPECT_NE(err.str().find("quarvex-charts is not installed"), std::string::npos) << err.str();
  EXPECT_NE(out.str().find(" Done: "), std::string::npos) << "the report comes first, as usual";
  EXPECT_FALSE(std::filesystem::exists(dir.Path("charts")));
}

TEST(ChartCli, AFailedJobPaintsNoCharts) {
  TempDir dir;
  std::ostringstream out, err;
  const std::string missing = dir.Path("no-such.dat").string();
  EXPECT_EQ(cli::RunCli({"--charts", dir.Path("charts").string(), missing}, out, err), cli::kExitJobFailed);
  EXPECT_EQ(err.str().find("quarvex-charts"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace quarvex::testing
