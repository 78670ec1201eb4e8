// The analysis job: its steps in order, the report header and closing lines, the failure
// report and its codes, and that the analysed file is never written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "text/printf.h"
#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

AnalysisOptions Without(std::initializer_list<Option> off, std::initializer_list<Option> on = {}) {
  AnalysisOptions o = AnalysisOptions::Initial();
  for (Option x : off) o.Set(x, false);
  for (Option x : on) o.Set(x, true);
  return o;
}

BuiltHive SmallHive() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {Text("", "x")});
  b.AddKey(software, "Microsoft");
  b.AddFreeRecord(0, 64);
  b.AddFreeKeyNode(56);
  return b.Build();
}

std::vector<std::string> WithoutProgress(const std::vector<std::string>& events) {
  std::vector<std::string> kept;
  std::copy_if(events.begin(), events.end(), std::back_inserter(kept),
               [](const std::string& e) { return !e.starts_with("status1:DB_rec_pre:"); });
  return kept;
}

TEST(AnalysisJob, CompletedJobTellsItsStepsInOrder) {
  auto run = RunJob(SmallHive(), Without({Option::Analyse}));
  ASSERT_EQ(run->Code(), code::kOk);
  const std::vector<std::string> expected = {
      "started:" + run->fileName, "stage:Load",    "imageLoaded", "stage:HiveHeader",
      "stage:BlockChain",         "stage:PreScan", "done"};
  EXPECT_EQ(WithoutProgress(run->events.log), expected);
  EXPECT_EQ(run->events.status, "The report has been made.");
}

// Each stage that runs says so, in the job's order; progress texts come from each of them.
TEST(AnalysisJob, EveryStageThatRunsIsTold) {
  AnalysisOptions all = AnalysisOptions::Initial();
  all.SelectAll();
  all.Set(Option::StructureReport, true);
  auto run = RunJob(SmallHive(), all);
  ASSERT_EQ(run->Code(), code::kOk);
  std::vector<std::string> stages;
  for (const std::string& e : run->events.log)
    if (e.starts_with("stage:")) stages.push_back(e);
  EXPECT_EQ(stages, (std::vector<std::string>{"stage:Load", "stage:HiveHeader", "stage:BlockChain", "stage:PreScan",
                                              "stage:Analysis", "stage:StructureReport"}));
  const auto& log = run->events.log;
  for (const char* progress : {"status1:DB_rec_pre:", "status1:ANA:", "status1:KN_U:", "status1:DB_rec:"})
    EXPECT_NE(std::find_if(log.begin(), log.end(), [&](const std::string& e) { return e.starts_with(progress); }),
              log.end())
        << progress;
  EXPECT_EQ(log.back(), "done");
}

TEST(AnalysisJob, ReportHeaderAndClosingLines) {
  auto run = RunJob(SmallHive(), Without({Option::Analyse}));
  const std::vector<std::string> expected = {
      " Quarvex  <Registry Analizer>(ver )",
      "",
      " Execute on (GetVer Failure)",
      "   & Internet Explorer(ver )",
      "   Machine: ()",
      " Date: 2026/12/07 10:00:00",
      "",
      " Registry Access Environment",
      "  ADVAPI32.DLL = (ver )",
      "   Time Stamp: ",
      "  KRNL386.EXE = (ver )",
      "   Time Stamp: ",
      "",
      " Object Registry Hive",
      "  FileName: " + run->fileName,
      Printf("  FileSize: %12.12s(Bytes)",
             TextLocale::Japanese().Amount(static_cast<double>(SmallHive().bytes.size())).c_str()),
      "",
      "",
      " Done: 2026/12/07 10:00:00",
  };
  EXPECT_EQ(run->Lines(), expected);
}

TEST(AnalysisJob, HeaderCarriesTheHostFacts) {
  JobInput input;
  input.hostFacts.ProgramVersion = "1.2.3";
  input.hostFacts.OsText = "Windows 98 SE(ver 4.10.2222)";
  input.hostFacts.IeVersion = "5.50.4134.0100";
  input.hostFacts.ComputerName = "RETRO";
  input.hostFacts.MachineType = "IBM PC/AT";
  input.hostFacts.Advapi32File = "C:\\WINDOWS\\system\\advapi32.dll";
  input.hostFacts.Advapi32Version = "4.80.1675";
  input.hostFacts.Advapi32Stamp = "1999/04/23 22:22:00";
  auto run = RunJob(SmallHive(), Without({Option::Analyse}), input);
  const ReportLines& lines = run->result.report;
  EXPECT_EQ(lines[0], " Quarvex  <Registry Analizer>(ver 1.2.3)");
  EXPECT_EQ(lines[2], " Execute on Windows 98 SE(ver 4.10.2222)");
  EXPECT_EQ(lines[3], "   & Internet Explorer(ver 5.50.4134.0100)");
  EXPECT_EQ(lines[4], "   Machine: RETRO(IBM PC/AT)");
  EXPECT_EQ(lines[8], "  ADVAPI32.DLL = C:\\WINDOWS\\system\\advapi32.dll(ver 4.80.1675)");
  EXPECT_EQ(lines[9], "   Time Stamp: 1999/04/23 22:22:00");
}

struct FailureCase {
  const char* defect;
  std::string bytes;
  std::int32_t code;
};

// A stage failure: the header stays in the report, the failure text shows the code with the
// finding that names its place, and the job ends with Failed, never with Done.
TEST(AnalysisJob, StageFailuresEndTheJobWithTheirCode) {
  std::string noRgdb = SmallHive().AsString();
  noRgdb.replace(static_cast<std::size_t>(SmallHive().block[0]), 4, "RGDX");
  const FailureCase cases[] = {
      {"TenByteFile", std::string(10, '\0'), code::kHiveHeaderShort},
      {"EmptyFile", "", code::kHiveHeaderShort},
      {"LowerCaseSignature", HeaderOnlyFile("creg", 0x1000, 1), code::kHiveSignature},
      {"HeaderNamingBlockAt0x1000", HeaderOnlyFile("CREG", 0x1000, 1), code::kBlockHeaderShort},
      {"BlockWithoutRgdb", noRgdb, code::kBlockSignature},
  };
  for (const FailureCase& c : cases) {
    auto run = RunJob(c.bytes, Without({}, {Option::MinimiseWhileAnalysing}));
    EXPECT_EQ(run->Code(), c.code) << c.defect;
    EXPECT_EQ(run->events.status, FailureText(c.code)) << c.defect;
    EXPECT_EQ(run->result.report.Count(), 17u) << c.defect;
    const auto& e = run->events.log;
    EXPECT_EQ(std::count(e.begin(), e.end(), "done"), 0) << c.defect;
    ASSERT_TRUE(run->result.finding.has_value()) << c.defect;
    EXPECT_EQ(e.back(), "failed:" + std::to_string(c.code) + " " + run->result.finding->Text()) << c.defect;
  }
}

TEST(AnalysisJob, FailureTextIsBilingual) {
  EXPECT_EQ(FailureText(-9),
            "\xE6\x83\x85\xE5\xA0\xB1\xE7\x8D\xB2\xE5\xBE\x97\xE3\x81\xAB\xE5\xA4\xB1\xE6\x95\x97"
            "\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F/Fail(-9)");
}

// A missing file or a directory: -9 before the job starts; a result that already held a
// report keeps it (the window shows its last report until a new one is made).
TEST(AnalysisJob, MissingFileOrDirectoryStartsNoJob) {
  TempDir dir;
  auto run = RunJob(SmallHive(), Without({Option::Analyse}));
  const std::string previous = run->result.report.SavedText();
  for (const std::string& name : {dir.Path("missing.dat").string(), dir.Path("").string()}) {
    RecordingEvents events;
    JobInput input;
    input.fileName = name;
    job::RunJob(input, events, run->result);
    EXPECT_EQ(run->Code(), code::kFileMissing) << name;
    EXPECT_EQ(events.status, FailureText(code::kFileMissing)) << name;
    EXPECT_EQ(events.log, (std::vector<std::string>{"failed:-9"})) << name;
    EXPECT_EQ(run->result.report.SavedText(), previous);
  }
}

// A named pipe or a device must not hang the load: it fails with the load code and says why.
TEST(AnalysisJob, PipeOrDeviceFailsToLoad) {
  TempDir dir;
  const std::string fifo = dir.Path("pipe").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& name : {fifo, std::string("/dev/zero")}) {
    RecordingEvents events;
    JobInput input;
    input.fileName = name;
    const JobResult result = job::RunJob(input, events);
    EXPECT_EQ(result.code, code::kLoadFailed) << name;
    EXPECT_EQ(events.log, (std::vector<std::string>{"started:" + name, "loadFailed", "failed:20"})) << name;
    EXPECT_EQ(events.status, FailureText(code::kLoadFailed)) << name;
    EXPECT_FALSE(result.loadFailureReason.empty());
  }
}

// Bytes from memory run the same job as the file holding them, with the name given.
TEST(AnalysisJob, BytesFromMemoryRunTheSameJob) {
  auto fromFile = RunJob(SmallHive());
  JobInput input;
  input.fileName = fromFile->fileName;
  input.bytes = SmallHive().bytes;
  input.clock = FixedTestTime;
  const JobResult fromMemory = job::RunJob(input);
  EXPECT_EQ(fromMemory.code, code::kOk);
  EXPECT_EQ(fromMemory.report.SavedText(), fromFile->Report());
}

// Each job starts from an empty report and no analysis, also when it runs into the result of
// an earlier one.
TEST(AnalysisJob, SecondJobStartsFromEmptyReportAndSeries) {
  auto run = RunJob(SmallHive(), Without({}, {Option::PrescanRecordHeaders}));
  ASSERT_TRUE(run->result.analysis.has_value());
  JobInput input;
  input.fileName = run->fileName;
  input.options = Without({Option::Analyse}, {Option::PrescanRecordHeaders});
  input.clock = FixedTestTime;
  JobEvents quiet;
  job::RunJob(input, quiet, run->result);
  EXPECT_FALSE(run->result.analysis.has_value());
  EXPECT_EQ(run->result.report.Count(), 17u + 6 + 2);
}

// Whatever the options, the analysed file keeps its bytes and its modification time.
TEST(AnalysisJob, NeverWritesTheAnalysedFile) {
  TempDir dir;
  const std::string path = dir.Write("user.dat", SmallHive());
  const auto before = std::filesystem::last_write_time(path);
  const std::string bytes = ReadFileBytes(path);
  AnalysisOptions all = AnalysisOptions::Initial();
  all.SelectAll();
  JobInput input;
  input.fileName = path;
  input.options = all;
  EXPECT_EQ(job::RunJob(input).code, code::kOk);
  EXPECT_EQ(ReadFileBytes(path), bytes);
  EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

}  // namespace
}  // namespace quarvex::testing
