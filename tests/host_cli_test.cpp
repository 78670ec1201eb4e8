// quarvex-cli probes the host once and prints its facts in the report header: with
// --windows-dir naming a fixture installation, and with none.
#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <sstream>

#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "text/printf.h"
#include "testkit/host_fixtures.h"
#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

std::vector<std::string> HeaderLines(const std::string& report) {
  std::vector<std::string> lines;
  std::istringstream in(report);
  for (std::string line; lines.size() < 17 && std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string OsLine() {
  utsname names{};
  EXPECT_EQ(::uname(&names), 0);
  return names.sysname;
}

BuiltHive SmallHive() {
  HiveBuilder b;
  b.SetNoRecord(b.AddKey(HiveBuilder::kRootParent, ""));
  return b.Build();
}

TEST(HostCli, HeaderShowsTheNamedWindowsInstallation) {
  TempDir dir;
  const std::string windows = dir.Path("WINDOWS").string();
  WriteWindowsDirectory(windows);
  const std::string hive = dir.Write("USER.DAT", SmallHive());
  std::ostringstream out, err;
  ASSERT_EQ(cli::RunCli({"--now", "2026-12-07T10:00:00", "--windows-dir", windows, hive}, out, err), 0) << err.str();
  const std::vector<std::string> header = HeaderLines(out.str());
  ASSERT_EQ(header.size(), 17u);
  EXPECT_EQ(header[0], Printf(" Quarvex  <Registry Analizer>(ver %s)", QUARVEX_VERSION));
  EXPECT_TRUE(header[2].starts_with(" Execute on " + OsLine() + "(ver ")) << header[2];
  EXPECT_EQ(header[3], "   & Internet Explorer(ver 5.50.4134.0100)");
  EXPECT_EQ(header[4], "   Machine: RETRO(IBM PC/AT)");
  EXPECT_EQ(header[8], "  ADVAPI32.DLL = " + windows + "\\system\\advapi32.dll(ver 4.80.1675)");
  EXPECT_EQ(header[9], "   Time Stamp: 1999/04/23 22:22:00");
  EXPECT_EQ(header[10], "  KRNL386.EXE = " + windows + "\\system\\krnl386.exe(ver 4.10.2222)");
  EXPECT_EQ(header[11], "   Time Stamp: 1999/04/23");
}

TEST(HostCli, WithoutAWindowsDirectoryTheFileFieldsStayEmpty) {
  TempDir dir;
  const std::string hive = dir.Write("USER.DAT", SmallHive());
  ::unsetenv("QUARVEX_WINDIR");
  std::ostringstream out, err;
  ASSERT_EQ(cli::RunCli({hive}, out, err), 0) << err.str();
  const std::vector<std::string> header = HeaderLines(out.str());
  EXPECT_EQ(header[3], "   & Internet Explorer(ver )");
  EXPECT_EQ(header[4], "   Machine: ()");
  EXPECT_EQ(header[8], "  ADVAPI32.DLL = (ver )");
  EXPECT_EQ(header[9], "   Time Stamp: ");
}

TEST(HostCli, WindowsDirNeedsADirectory) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"x.dat", "--windows-dir"}, std::vector<std::string>{"--windows-dir", "", "x.dat"}}) {
    const auto parsed = cli::ParseCommandLine(args);
    EXPECT_FALSE(parsed.options);
    EXPECT_EQ(parsed.error, "--windows-dir needs a directory");
  }
  const auto parsed = cli::ParseCommandLine({"--windows-dir", "/mnt/win98/WINDOWS", "x.dat"});
  ASSERT_TRUE(parsed.options);
  EXPECT_EQ(parsed.options->windowsDirectory, "/mnt/win98/WINDOWS");
}

}  // namespace
}  // namespace quarvex::testing
