// The analysis job: its steps in order, the report header and closing lines, the failure
// report and its codes, and that the analysed file is never written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "text/printf.h"
#include "tests/support/test_support.h"

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

TEST(AnalysisJob, CompletedJobChangesTheWindowInOrder) {
  auto run = RunJob(SmallHive(), Without({Option::cbANA}));
  ASSERT_EQ(run->Code(), code::kOk);
  const std::vector<std::string> expected = {
      "disable:Button1", "disable:Button3", "disable:Button4", "disable:sbReAna", "disable:sbEnd", "disable:pgPage",
      "title:Quarvex[Analizing...]", "edMes:", "hide:sbShowRep", "status0:" + run->fileName, "clearSeries",
      "show:sbShowRep", "disable:Button2", "status1:The report has been made.", "title:Quarvex",
      "enable:Button1", "enable:Button3", "enable:Button4", "enable:pgPage", "enable:sbReAna", "enable:sbEnd",
      "jobOver"};
  EXPECT_EQ(WithoutProgress(run->window.events), expected);
  EXPECT_FALSE(run->job->JobRunning());
}

TEST(AnalysisJob, ReportHeaderAndClosingLines) {
  auto run = RunJob(SmallHive(), Without({Option::cbANA}));
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
      Printf("  FileSize: %12.12s(Bytes)", TextLocale::Japanese().Amount(static_cast<double>(SmallHive().bytes.size())).c_str()),
      "",
      "",
      " Done: 2026/12/07 10:00:00",
  };
  EXPECT_EQ(run->Lines(), expected);
}

TEST(AnalysisJob, HeaderCarriesTheHostFacts) {
  RecordingWindow window(Without({Option::cbANA}));
  TempDir dir;
  window.fileName = dir.Write("h.dat", SmallHive());
  JobSettings settings;
  settings.clock = FixedTestTime;
  AnalysisJob job(window, settings);
  job.hostFacts.ProgramVersion = "1.2.3";
  job.hostFacts.OsText = "Windows 98 SE(ver 4.10.2222)";
  job.hostFacts.IeVersion = "5.50.4134.0100";
  job.hostFacts.ComputerName = "RETRO";
  job.hostFacts.MachineType = "IBM PC/AT";
  job.hostFacts.Advapi32File = "C:\\WINDOWS\\system\\advapi32.dll";
  job.hostFacts.Advapi32Version = "4.80.1675";
  job.hostFacts.Advapi32Stamp = "1999/04/23 22:22:00";
  ASSERT_TRUE(job.StartAnalysis());
  job.RunAnalysis();
  EXPECT_EQ(job.reportLines[0], " Quarvex  <Registry Analizer>(ver 1.2.3)");
  EXPECT_EQ(job.reportLines[2], " Execute on Windows 98 SE(ver 4.10.2222)");
  EXPECT_EQ(job.reportLines[3], "   & Internet Explorer(ver 5.50.4134.0100)");
  EXPECT_EQ(job.reportLines[4], "   Machine: RETRO(IBM PC/AT)");
  EXPECT_EQ(job.reportLines[8], "  ADVAPI32.DLL = C:\\WINDOWS\\system\\advapi32.dll(ver 4.80.1675)");
  EXPECT_EQ(job.reportLines[9], "   Time Stamp: 1999/04/23 22:22:00");
}

struct FailureCase {
  const char* defect;
  std::string bytes;
  std::int32_t code;
};

// A stage failure: the header stays in the report, the failure text shows the code, the
// window is unlocked with re-analyse disabled, and nothing of a completed job happens.
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
    auto run = RunJob(c.bytes, Without({}, {Option::cbMINI}));
    EXPECT_EQ(run->Code(), c.code) << c.defect;
    EXPECT_EQ(run->window.status[1], FailureText(c.code)) << c.defect;
    EXPECT_EQ(run->job->reportLines.Count(), 17u) << c.defect;
    const auto& e = run->window.events;
    EXPECT_EQ(std::count(e.begin(), e.end(), "show:sbShowRep"), 0) << c.defect;
    const std::vector<std::string> tail(e.end() - 10, e.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"status1:" + FailureText(c.code), "restore", "title:Quarvex", "jobOver",
                                              "enable:Button1", "enable:Button3", "enable:Button4", "enable:pgPage",
                                              "enable:sbEnd", "disable:sbReAna"}))
        << c.defect;
  }
}

TEST(AnalysisJob, FailureTextIsBilingual) {
  EXPECT_EQ(FailureText(-9), "\xE6\x83\x85\xE5\xA0\xB1\xE7\x8D\xB2\xE5\xBE\x97\xE3\x81\xAB\xE5\xA4\xB1\xE6\x95\x97"
                             "\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F/Fail(-9)");
}

// A missing file or a directory: -9 before any job starts; the previous report stays.
TEST(AnalysisJob, MissingFileOrDirectoryStartsNoJob) {
  TempDir dir;
  RecordingWindow window(Without({Option::cbANA}));
  AnalysisJob job(window);
  window.fileName = dir.Write("good.dat", SmallHive());
  ASSERT_TRUE(job.StartAnalysis());
  job.RunAnalysis();
  job.MarkIdle();
  const std::string previous = job.reportLines.SavedText();
  for (const std::string& name : {dir.Path("missing.dat").string(), dir.Path("").string()}) {
    window.events.clear();
    window.fileName = name;
    EXPECT_FALSE(job.StartAnalysis()) << name;
    EXPECT_EQ(job.ErrorCode(), code::kFileMissing) << name;
    EXPECT_EQ(window.status[1], FailureText(code::kFileMissing)) << name;
    EXPECT_EQ(std::count(window.events.begin(), window.events.end(), "title:Quarvex[Analizing...]"), 0);
    EXPECT_EQ(window.events.back(), "disable:sbReAna");
    EXPECT_EQ(job.reportLines.SavedText(), previous);
    EXPECT_FALSE(job.JobRunning());
  }
}

// A named pipe or a device must not hang the load: it fails with the load code, and the
// file name panel is blanked.
TEST(AnalysisJob, PipeOrDeviceFailsToLoad) {
  TempDir dir;
  const std::string fifo = dir.Path("pipe").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& name : {fifo, std::string("/dev/zero")}) {
    RecordingWindow window;
    window.fileName = name;
    AnalysisJob job(window);
    ASSERT_TRUE(job.StartAnalysis()) << name;
    job.RunAnalysis();
    EXPECT_EQ(job.ErrorCode(), code::kLoadFailed) << name;
    EXPECT_EQ(window.status[0], " ") << name;
    EXPECT_EQ(window.status[1], FailureText(code::kLoadFailed)) << name;
    EXPECT_FALSE(job.LoadFailureReason().empty());
  }
}

// Asking for a second job while one runs only shows -100; the running job is left alone.
TEST(AnalysisJob, SecondStartWhileRunningShowsMinus100) {
  TempDir dir;
  RecordingWindow window(Without({Option::cbANA}));
  window.fileName = dir.Write("h.dat", SmallHive());
  AnalysisJob job(window);
  ASSERT_TRUE(job.StartAnalysis());
  job.ErrorCode() = 0;
  window.events.clear();
  EXPECT_FALSE(job.StartAnalysis());
  EXPECT_EQ(window.events, (std::vector<std::string>{"status1:" + FailureText(code::kJobAlreadyRunning)}));
  EXPECT_EQ(job.ErrorCode(), code::kOk);
  EXPECT_TRUE(job.JobRunning());
  job.RunAnalysis();
  job.MarkIdle();
  EXPECT_EQ(window.status[1], "The report has been made.");
}

TEST(AnalysisJob, MinimisedWhileRunningAndRestoredAfter) {
  auto run = RunJob(SmallHive(), Without({Option::cbANA}, {Option::cbMINI}));
  const auto events = WithoutProgress(run->window.events);
  auto at = [&](const std::string& e) { return std::find(events.begin(), events.end(), e) - events.begin(); };
  EXPECT_EQ(at("minimize"), at("edMes:") + 1);
  EXPECT_EQ(at("restore"), at("disable:Button2") + 1);
  EXPECT_LT(at("restore"), at("status1:The report has been made."));
}

// Each job starts from empty report lines and chart series.
TEST(AnalysisJob, SecondJobStartsFromEmptyReportAndSeries) {
  TempDir dir;
  RecordingWindow window(Without({Option::cbANA}, {Option::cbPSdbrh}));
  window.fileName = dir.Write("h.dat", SmallHive());
  AnalysisJob job(window);
  for (int i = 0; i < 2; ++i) {
    job.chartSeries[SeriesId::Series6].Add(1, "stale", kBlue);
    ASSERT_TRUE(job.StartAnalysis());
    job.RunAnalysis();
    job.MarkIdle();
    EXPECT_EQ(job.chartSeries[SeriesId::Series6].Count(), 0u);
    EXPECT_EQ(job.reportLines.Count(), 17u + 6 + 2);
  }
}

TEST(AnalysisJob, ThreadEntryRefusesNothing) { EXPECT_EQ(AnalysisThreadEntry(nullptr), -1); }

// Whatever the options, the analysed file keeps its bytes and its modification time.
TEST(AnalysisJob, NeverWritesTheAnalysedFile) {
  TempDir dir;
  const std::string path = dir.Write("user.dat", SmallHive());
  const auto before = std::filesystem::last_write_time(path);
  const std::string bytes = ReadFileBytes(path);
  AnalysisOptions all = AnalysisOptions::Initial();
  all.SelectAll();
  RecordingWindow window(all);
  window.fileName = path;
  AnalysisJob job(window);
  ASSERT_TRUE(job.StartAnalysis());
  job.RunAnalysis();
  EXPECT_EQ(job.ErrorCode(), code::kOk);
  EXPECT_EQ(ReadFileBytes(path), bytes);
  EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

}  // namespace
}  // namespace quarvex::testing
