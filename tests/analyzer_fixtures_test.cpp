// The analyser tests' shared fixtures (built here, where the test glob compiles them), and
// checks that the fixtures are what they claim to be.
#include <gtest/gtest.h>

#include <numeric>

#include "text/printf.h"
#include "tests/analyzer_fixtures.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {

std::vector<std::int32_t> SpreadSizes(int count, std::int32_t total, std::int32_t smallest, std::int32_t largest) {
  std::vector<std::int32_t> sizes{smallest, largest};
  const int rest = count - 2;
  const std::int32_t remaining = total - smallest - largest;
  for (int i = 0; i < rest; ++i) sizes.push_back(remaining / rest + (i < remaining % rest ? 1 : 0));
  return sizes;
}

int AddKeyOfRecordSize(HiveBuilder& b, int parent, const std::string& prefix, int number, std::int32_t recSize) {
  constexpr std::int32_t kHeader = 20, kValueEntry = 12;
  std::string name = prefix + Printf("Key%04d", number);
  const auto room = static_cast<std::size_t>(recSize - kHeader);
  if (room < name.size() + kValueEntry) {
    name.resize(room, 'X');
    return b.AddKey(parent, name);
  }
  const std::size_t data = room - name.size() - kValueEntry;
  return b.AddKey(parent, name, {Binary("", std::string(data, '\x5A'))});
}

WorkedExample BuildWorkedExample() {
  WorkedExample ex;
  HiveBuilder b;
  // Ten keys without a record: the root and nine groups under it.
  const int root = b.AddKey(HiveBuilder::kRootParent, "ROOT");
  b.SetNoRecord(root);
  std::vector<int> groups;
  for (int g = 0; g < 9; ++g) {
    groups.push_back(b.AddKey(root, Printf("Group%d", g)));
    b.SetNoRecord(groups.back());
  }
  // 990 keys with records, 110 per group, in walk order: 825 in block 0, 165 in block 1.
  std::vector<std::int32_t> sizes = SpreadSizes(825, 60000, 24, 1024);
  const std::vector<std::int32_t> second = SpreadSizes(165, 12000, 24, 1024);
  sizes.insert(sizes.end(), second.begin(), second.end());
  const std::vector<int> badAt{100, 500, 900}, ghostAt{300, 950};
  for (int i = 0; i < 990; ++i) {
    const bool bad = std::find(badAt.begin(), badAt.end(), i) != badAt.end();
    const bool ghost = std::find(ghostAt.begin(), ghostAt.end(), i) != ghostAt.end();
    // 0x82 0xA0 is one double-byte character of code page 932: its two sums differ.
    const int key = AddKeyOfRecordSize(b, groups[static_cast<std::size_t>(i / 110)], bad ? "\x82\xA0" : "", i,
                                       sizes[static_cast<std::size_t>(i)]);
    b.PlaceInBlock(key, i < 825 ? 0 : 1);
    if (bad) ex.badKeys.push_back(key);
    if (ghost) {
      b.SetChecksum(key, 0xDEAD);
      ex.ghostKeys.push_back(key);
    }
    // Dead gap inside records: 8 x 313 = 2,504 bytes in block 0, 2 x 176 = 352 in block 1.
    if (i % 100 == 50) b.SetRecordSlack(key, 313);
    if (i == 850 || i == 950) b.SetRecordSlack(key, 176);
  }
  for (std::int32_t size : SpreadSizes(20, 3000, 16, 1200)) b.AddFreeRecord(0, size);
  for (std::int32_t size : SpreadSizes(20, 4000, 200, 200)) b.AddFreeRecord(1, size);
  for (std::int32_t size : {600, 400, 204}) b.AddFreeKeyNode(size);
  b.SetRgknSlack(3564);
  ex.hive = b.Build();
  return ex;
}

SmallHive SmallTwoBlockHive() {
  SmallHive s;
  HiveBuilder& b = s.builder;
  s.root = b.AddKey(HiveBuilder::kRootParent, "ROOT");
  s.a = b.AddKey(s.root, "A", {Text("v", "x")});
  s.c = b.AddKey(s.a, "C");
  b.SetNoRecord(s.c);
  s.bKey = b.AddKey(s.root, "B", {Dword("n", 7)});
  b.PlaceInBlock(s.bKey, 1);
  b.AddFreeRecord(0, 40);
  b.AddFreeRecord(0, 24);
  b.AddFreeRecord(1, 64);
  b.AddFreeKeyNode(100);
  return s;
}

std::unique_ptr<JobRun> RunRootWithBlocks(std::uint16_t blockCount) {
  HiveBuilder b;
  b.AddKey(HiveBuilder::kRootParent, "ROOT");
  b.SetBlockCount(blockCount);
  return RunJob(b.Build());
}

AnalysisOptions WithOption(Option option, bool on, AnalysisOptions options) {
  options.Set(option, on);
  return options;
}

std::vector<std::string> AnalyzerSectionLines(const JobRun& run) {
  const std::vector<std::string> lines = run.Lines();
  const auto title = std::find(lines.begin(), lines.end(), "****** Analizer Report *****************");
  if (title == lines.end()) return {};
  const auto closing = std::find(title + 1, lines.end(), std::string(40, '*'));
  if (closing == lines.end()) return {};
  return std::vector<std::string>(title, std::min(closing + 2, lines.end()));
}

std::string AnalyzerSection(const JobRun& run) {
  std::string text;
  for (const std::string& line : AnalyzerSectionLines(run)) text += line + "\r\n";
  return text;
}

std::vector<double> Values(const ChartSeries& series) {
  std::vector<double> values;
  for (const ChartPoint& p : series.Points()) values.push_back(p.value);
  return values;
}

std::vector<std::string> Labels(const ChartSeries& series) {
  std::vector<std::string> labels;
  for (const ChartPoint& p : series.Points()) labels.push_back(p.label);
  return labels;
}

namespace {

TEST(AnalyzerFixtures, SpreadSizesAddUpAndStayInRange) {
  const auto sizes = SpreadSizes(825, 60000, 24, 1024);
  ASSERT_EQ(sizes.size(), 825u);
  EXPECT_EQ(std::accumulate(sizes.begin(), sizes.end(), 0), 60000);
  EXPECT_EQ(*std::min_element(sizes.begin(), sizes.end()), 24);
  EXPECT_EQ(*std::max_element(sizes.begin(), sizes.end()), 1024);
}

TEST(AnalyzerFixtures, WorkedExampleHasTheDocumentedLayout) {
  const WorkedExample ex = BuildWorkedExample();
  EXPECT_EQ(ex.hive.rgknSize, 32800);
  ASSERT_EQ(ex.hive.block.size(), 2u);
  EXPECT_EQ(ex.hive.GetU32(ex.hive.block[0] + 4), 65536u);
  EXPECT_EQ(ex.hive.GetU32(ex.hive.block[1] + 4), 16384u);
  EXPECT_EQ(ex.hive.bytes.size(), 32u + 32800 + 65536 + 16384);
  EXPECT_EQ(ex.hive.keyNode.size(), 1000u);
  EXPECT_EQ(ex.hive.freeRecords[0].size() + ex.hive.freeRecords[1].size(), 40u);
  // Record numbers above 255: the first block holds records 0 to 824 (key ids: 10 keys
  // without records come first).
  EXPECT_EQ(ex.hive.keyRecordNo[10 + 824], 824);
  EXPECT_EQ(ex.hive.keyRecordNo[10 + 825], 0);
}

}  // namespace
}  // namespace quarvex::testing
