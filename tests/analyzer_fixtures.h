// Hives and helpers shared by the analyser's tests.
#pragma once

#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {

// count sizes adding up to total: the smallest and the largest first, the rest as even as
// can be (the first few of them one byte larger).
std::vector<std::int32_t> SpreadSizes(int count, std::int32_t total, std::int32_t smallest, std::int32_t largest);

// A key whose data record's RecSize is exactly recSize (24 or more): the name fills what a
// value cannot, a binary value the rest. prefix starts the name (a double-byte character,
// for a bad key).
int AddKeyOfRecordSize(HiveBuilder& b, int parent, const std::string& prefix, int number, std::int32_t recSize);

// The example hive of the analyser's documentation: an RGKN block of 32,800 bytes, data
// blocks of 65,536 and 16,384 bytes, 1,000 key nodes of which 990 have records (985 good,
// 3 bad, 2 ghost), in-use record sizes 24 to 1,024, 40 free records of 16 to 1,200 bytes
// (7,000 in all).
struct WorkedExample {
  BuiltHive hive;
  std::vector<int> badKeys;  // key ids, in walk order
  std::vector<int> ghostKeys;
};
WorkedExample BuildWorkedExample();

// Root "ROOT" with children A (block 0) and B (block 1), C under A without a record; block 0
// has free records of 40 and 24 bytes, block 1 one of 64; one free key node of 100 bytes.
struct SmallHive {
  HiveBuilder builder;
  int root = 0, a = 0, c = 0, bKey = 0;
};
SmallHive SmallTwoBlockHive();

// A job on a hive of one key, "ROOT" (with a record in block 0 when there is one), and
// blockCount data blocks.
std::unique_ptr<JobRun> RunRootWithBlocks(std::uint16_t blockCount);

AnalysisOptions WithOption(Option option, bool on, AnalysisOptions options = AnalysisOptions::Initial());

// The analyser section of a job's report, title to the empty line after the closing
// asterisks, in the saved form (CR LF after every line); empty when there is none.
std::string AnalyzerSection(const JobRun& run);
std::vector<std::string> AnalyzerSectionLines(const JobRun& run);

// Values and labels of one series.
std::vector<double> Values(const ChartSeries& series);
std::vector<std::string> Labels(const ChartSeries& series);

}  // namespace quarvex::testing
