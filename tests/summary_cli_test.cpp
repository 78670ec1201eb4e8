// `quarvex-cli summary`: a folder of generated, real and damaged hives, one line each, in name
// order whatever the threads; the worst file's exit status; JSON lines with the same fields.
#include <atomic>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/commands/summary.h"
#include "cli/ordered_parallel.h"
#include "cli/commands/summary_row.h"
#include "testkit/hive_builder.h"
#include "tests/support/test_support.h"
#include "tools/hive_generator.h"

namespace quarvex::testing {
namespace {

using cli::SummaryStatus;
using nlohmann::json;

BuiltHive SmallHealthy() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {Text("", "x")});
  b.AddKey(software, "Vendor", {Dword("A", 1), Dword("B", 2)});
  return b.Build();
}

// The record size of "Vendor" set to 0: the salvage reader reports damage, the report is made.
BuiltHive RecordSizeZero() {
  BuiltHive h = SmallHealthy();
  h.PutU32(h.keyRecord[2] + 8, 0);
  return h;
}

std::string Generated(tools::HiveKind kind, int keys) {
  tools::GeneratorOptions options;
  options.kind = kind;
  options.keys = keys;
  return GenerateHive(options).AsString();
}

// A generated system.dat cut inside its data blocks: damage, and the report fails with Fail(7).
std::string CutInDataBlocks() {
  std::string bytes = Generated(tools::HiveKind::System, 1500);
  bytes.resize(bytes.size() * 2 / 3);
  return bytes;
}

struct Fixture {
  const char* name;  // the file's name in the folder (files are listed in name order)
  std::string bytes;
  SummaryStatus status;
  bool verdicts;  // the report's verdict columns are filled (its analysis ran to its end)
  bool space;     // the shares of the bytes are filled (it is a hive, whole or cut)
};

std::vector<Fixture> Fixtures() {
  return {
      {"a-generated-user.dat", Generated(tools::HiveKind::User, 400), SummaryStatus::Healthy, true, true},
      {"b-generated-system.dat", Generated(tools::HiveKind::System, 1200), SummaryStatus::Healthy, true, true},
      {"c-real-windows-me-user.dat", RealUserDat().value_or(""), SummaryStatus::Healthy, true, true},
      {"d-record-size-zero.dat", RecordSizeZero().AsString(), SummaryStatus::Damaged, true, true},
      {"e-cut-in-data-blocks.dat", CutInDataBlocks(), SummaryStatus::Damaged, false, true},
      {"f-not-a-hive.txt", "these are not the bytes of a registry file\n", SummaryStatus::NotAHive, false, false},
  };
}

std::vector<std::string> Split(const std::string& text, char by) {
  std::vector<std::string> parts;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find(by, begin)) != std::string::npos; begin = end + 1)
    parts.push_back(text.substr(begin, end - begin));
  parts.push_back(text.substr(begin));
  return parts;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines = Split(text, '\n');
  EXPECT_EQ(lines.back(), "") << "the output ends with a line end";
  lines.pop_back();
  return lines;
}

CliResult Summary(std::vector<std::string> args) {
  args.insert(args.begin(), "summary");
  return Cli(args);
}

class SummaryFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!RealUserDat()) GTEST_SKIP() << "tests/data/USER.DAT is missing";
    for (const Fixture& f : fixtures_) dir_.Write(f.name, f.bytes);
  }
  std::string Dir() const { return dir_.Path("").string(); }
  std::string File(const std::string& name) const { return dir_.Path(name).string(); }

  std::vector<Fixture> fixtures_ = Fixtures();
  TempDir dir_;
};

TEST_F(SummaryFolder, OneLinePerFileInNameOrderUnderTheHeader) {
  const CliResult run = Summary({"-j", "3", Dir()});
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), fixtures_.size() + 1);
  EXPECT_EQ(lines[0],
            "file\tsize\tcodePage\tkeys\tvalues\tgood\tbad\tghost\tusingPct\temptyPct\tdeadGapPct\tdamage\twarnings\t"
            "notes\tstatus\treason\tsha256\tmd5");
  for (std::size_t i = 0; i < fixtures_.size(); ++i) {
    const Fixture& f = fixtures_[i];
    SCOPED_TRACE(f.name);
    const std::vector<std::string> fields = Split(lines[i + 1], '\t');
    ASSERT_EQ(fields.size(), 18u);
    EXPECT_EQ(fields[0], File(f.name));
    EXPECT_EQ(fields[1], std::to_string(f.bytes.size()));
    EXPECT_EQ(fields[14], cli::SummaryStatusName(f.status));
    for (std::size_t column : {5u, 6u, 7u}) EXPECT_EQ(fields[column] != "-", f.verdicts) << column;
    // The shares are counted as check counts (salvage/counts.h), so a cut file has them too.
    for (std::size_t column : {8u, 9u, 10u}) EXPECT_EQ(fields[column] != "-", f.space) << column;
    EXPECT_EQ(fields[14] == "healthy", fields[15].empty()) << "a reason says why a file is not healthy";
    EXPECT_EQ(std::stoul(fields[11]) > 0, f.status != SummaryStatus::Healthy) << "damage count";
  }
  EXPECT_EQ(run.status, 1) << "a file that is not a hive is the worst";
}

TEST_F(SummaryFolder, TheRealUserDatAsOtherReadersCountIt) {
  const CliResult run = Summary({File("c-real-windows-me-user.dat")});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> fields = Split(Lines(run.out).at(1), '\t');
  ASSERT_EQ(fields.size(), 18u);
  // 788 key nodes, the unnamed root and 787 keys, and 1,518 values (tests/data/README.md);
  // plain ASCII names, so no bad and no ghost key; its Locale value says code page 1252. The
  // shares are the report's whole row: 87.5, 12.0, 0.5.
  EXPECT_EQ(std::vector<std::string>(fields.begin() + 1, fields.begin() + 11),
            (std::vector<std::string>{"159776", "1252", "787", "1518", "787", "0", "0", "87.5", "12.0", "0.5"}));
  EXPECT_EQ(fields[11], "0");
  // The digests of the bytes read, as sha256sum and md5sum give them.
  EXPECT_EQ(fields[16], "9c018d8103685f10f5adf8839ce049a4d6e23d277af65ed45cfd723090f3ea16");
  EXPECT_EQ(fields[17], "1757db1e3f0f3eb301a7f25507d4a47c");
}

TEST_F(SummaryFolder, SharesOfTheBytesAddUpToTheWholeFile) {
  const CliResult run = Summary({"--json", File("a-generated-user.dat"), File("b-generated-system.dat")});
  for (const std::string& line : Lines(run.out)) {
    const json row = json::parse(line);
    const double sum = row["usingPct"].get<double>() + row["emptyPct"].get<double>() + row["deadGapPct"].get<double>();
    EXPECT_NEAR(sum, 100.0, 0.15) << line;
    EXPECT_GT(row["ghost"].get<int>(), 0) << "the generator plants a ghost key";
    EXPECT_EQ(row["keys"].get<int>(), row["good"].get<int>() + row["bad"].get<int>() + row["ghost"].get<int>())
        << "every key (the nameless root is none) has a record and so a verdict";
  }
}

TEST_F(SummaryFolder, TheSameLinesOnOneThreadAndOnMany) {
  const CliResult one = Summary({"-j", "1", Dir()});
  for (const char* threads : {"2", "4", "16"}) {
    const CliResult many = Summary({"-j", threads, Dir()});
    EXPECT_EQ(many.out, one.out) << threads;
    EXPECT_EQ(many.status, one.status) << threads;
  }
}

TEST_F(SummaryFolder, JsonLinesHoldTheSameFieldsAsTheTable) {
  const CliResult table = Summary({Dir()});
  const CliResult lines = Summary({"--json", Dir()});
  EXPECT_EQ(lines.status, table.status);
  const std::vector<std::string> rows = Lines(table.out);
  const std::vector<std::string> objects = Lines(lines.out);
  ASSERT_EQ(objects.size() + 1, rows.size()) << "no header line in JSON";
  const std::vector<std::string> header = Split(rows[0], '\t');
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const json object = json::parse(objects[i]);
    const std::vector<std::string> fields = Split(rows[i + 1], '\t');
    ASSERT_EQ(object.size(), header.size());
    for (std::size_t c = 0; c < header.size(); ++c) {
      const json& v = object.at(header[c]);
      const std::string asText = v.is_null() ? "-" : v.is_string() ? v.get<std::string>() : v.dump();
      EXPECT_EQ(asText, fields[c]) << header[c] << " of " << objects[i];
    }
  }
}

TEST_F(SummaryFolder, ADamagedFileNamesWhyAndTheReportsFailure) {
  const CliResult run = Summary({"--json", File("e-cut-in-data-blocks.dat")});
  EXPECT_EQ(run.status, 4);
  const json row = json::parse(Lines(run.out).at(0));
  EXPECT_EQ(row["status"], "damaged");
  const std::string reason = row["reason"];
  EXPECT_NE(reason.find("unreadable"), std::string::npos) << reason;
  EXPECT_NE(reason.find("report Fail(7)"), std::string::npos) << reason;
  EXPECT_TRUE(row["good"].is_null());
  EXPECT_GT(row["keys"].get<int>(), 1000) << "the key-node block survives the cut";
}

// The exit status is the worst file's: 1 (not readable as a hive) over 4 (damage) over 0.
TEST_F(SummaryFolder, ExitStatusIsTheWorstOfTheFiles) {
  const struct {
    std::vector<std::string> files;
    int status;
  } cases[] = {
      {{"a-generated-user.dat", "c-real-windows-me-user.dat"}, 0},
      {{"a-generated-user.dat", "d-record-size-zero.dat"}, 4},
      {{"d-record-size-zero.dat", "a-generated-user.dat"}, 4},
      {{"d-record-size-zero.dat", "f-not-a-hive.txt", "e-cut-in-data-blocks.dat"}, 1},
      {{"no-such-file.dat", "a-generated-user.dat"}, 1},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args;
    for (const std::string& name : c.files) args.push_back(File(name));
    const CliResult run = Summary(args);
    EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.files);
    EXPECT_EQ(Lines(run.out).size(), c.files.size() + 1) << "every file has its line";
  }
}

TEST_F(SummaryFolder, FilesThatCannotBeReadHaveTheirLineAndReason) {
  std::filesystem::create_directories(dir_.Path("sub/inner"));
  const CliResult run = Summary({"--json", File("no-such-file.dat"), File("sub")});
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 1u) << "a directory stands for its files, not its subdirectories";
  const json row = json::parse(lines[0]);
  EXPECT_EQ(row["status"], "unreadable");
  EXPECT_EQ(row["reason"], "no such file");
  EXPECT_TRUE(row["size"].is_null());
}

TEST(SummaryText, NamesWithTabsAndLineEndsStayOneLineOfEighteenFields) {
  TempDir dir;
  const std::string file = dir.Write("odd\tname\nwith\\.dat", SmallHealthy());
  const CliResult run = Summary({file});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 2u);
  const std::vector<std::string> fields = Split(lines[1], '\t');
  ASSERT_EQ(fields.size(), 18u);
  EXPECT_EQ(fields[0], dir.Path("odd\\tname\\nwith\\\\.dat").string());
}

TEST(SummaryUsage, BadArgumentsAreUsageErrors) {
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{}, "no file given"},
      {{"-j", "0", "x.dat"}, "-j takes a number of threads from 1 to 256, not '0'"},
      {{"-j", "257", "x.dat"}, "not '257'"},
      {{"-j", "two", "x.dat"}, "not 'two'"},
      {{"-j", "3x", "x.dat"}, "not '3x'"},
      {{"--codepage", "999", "x.dat"}, "unknown code page '999'"},
      {{"--bogus", "x.dat"}, "unknown option '--bogus'"},
      {{"x.dat", "-j"}, "-j needs a value"},
  };
  for (const auto& c : cases) {
    const CliResult run = Summary(c.args);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(c.args);
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(SummaryStatusOrder, WorseOfTwoExitStatuses) {
  const struct {
    int a, b, worse;
  } cases[] = {{0, 0, 0}, {0, 4, 4}, {4, 0, 4}, {4, 1, 1}, {1, 4, 1}, {0, 1, 1}, {1, 1, 1}};
  for (const auto& c : cases) EXPECT_EQ(cli::WorseExitStatus(c.a, c.b), c.worse) << c.a << " " << c.b;
  EXPECT_EQ(cli::SummaryExitStatus(SummaryStatus::Healthy), 0);
  EXPECT_EQ(cli::SummaryExitStatus(SummaryStatus::Damaged), 4);
  for (SummaryStatus s : {SummaryStatus::ReportFailed, SummaryStatus::NotAHive, SummaryStatus::Unreadable})
    EXPECT_EQ(cli::SummaryExitStatus(s), 1);
}

// Results reach the caller in order even when the first item finishes last.
TEST(OrderedParallel, DeliversInOrderWhateverOrderTheWorkEnds) {
  for (unsigned threads : {1u, 2u, 3u, 8u}) {
    constexpr std::size_t kItems = 40;
    std::atomic<std::size_t> finished{0};
    std::vector<std::size_t> delivered;
    cli::RunInOrder(
        kItems, threads,
        [&](std::size_t i) {
          // With more than one thread, item 0 waits for every other item to be done first.
          if (i == 0 && threads > 1)
            while (finished.load() < kItems - 1) std::this_thread::yield();
          ++finished;
          return i * 10;
        },
        [&](std::size_t i, std::size_t result) {
          EXPECT_EQ(result, i * 10);
          delivered.push_back(i);
        });
    ASSERT_EQ(delivered.size(), kItems) << threads;
    for (std::size_t i = 0; i < kItems; ++i) EXPECT_EQ(delivered[i], i) << threads;
  }
}

}  // namespace
}  // namespace quarvex::testing
