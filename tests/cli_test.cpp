// quarvex-cli, run in-process: its options, its output and its exit status.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <sstream>

#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "tests/support/test_support.h"
#include "tools/hive_generator.h"
#include "ui/common/option_controls.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

BuiltHive Sample() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  b.AddKey(root, "Software");
  return b.Build();
}

TEST(CliOptions, UsageErrors) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--bogus", "x.dat"},
      {"--set", "cbNope=on", "x.dat"},
      {"--set", "cbANA=maybe", "x.dat"},
      {"--codepage", "1259", "x.dat"},
      {"--encoding", "latin1", "x.dat"},
      {"a.dat", "b.dat"},
      {"-o"},
      {"--now", "yesterday", "x.dat"},
  };
  for (const auto& args : cases) {
    const CliResult r = Cli(args);
    EXPECT_EQ(r.status, cli::kExitUsage) << ::testing::PrintToString(args);
    EXPECT_NE(r.err.find("--help"), std::string::npos);
  }
}

TEST(CliOptions, BoxesByNameAndAliases) {
  auto parsed = cli::ParseCommandLine({"--set", "cbDB_U=on", "--no-keys", "--prescan", "--set", "cbANA=off", "f"});
  ASSERT_TRUE(parsed.options);
  const AnalysisOptions& o = parsed.options->options;
  EXPECT_TRUE(o[Option::RecordsInUse]);
  EXPECT_FALSE(o[Option::ListBadAndGhostKeys]);
  EXPECT_TRUE(o[Option::PrescanRecordHeaders]);
  EXPECT_FALSE(o[Option::Analyse]);
  EXPECT_TRUE(o[Option::AnalysisInReport]);

  parsed = cli::ParseCommandLine({"--all", "f"});
  ASSERT_TRUE(parsed.options);
  for (Option x : SelectAllOptions()) EXPECT_TRUE(parsed.options->options[x]) << ui::OptionControlName(x);
  EXPECT_FALSE(parsed.options->options[Option::MinimiseWhileAnalysing]);

  parsed = cli::ParseCommandLine({"--structure", "--codepage", "none", "--now", "2026-01-02T00:00:00", "f"});
  ASSERT_TRUE(parsed.options);
  EXPECT_TRUE(parsed.options->options[Option::StructureReport]);
  EXPECT_EQ(parsed.options->codePage, CodePage::SingleByte);
  EXPECT_EQ(parsed.options->fixedTime->day, 2);
}

TEST(Cli, HelpNamesEveryOptionBox) {
  const CliResult r = Cli({"--help"});
  EXPECT_EQ(r.status, cli::kExitOk);
  for (Option o : AllOptions()) EXPECT_NE(r.out.find(std::string(ui::OptionControlName(o))), std::string::npos);
}

// --encoding native asks standard output for the bytes the window saves: CR LF.
TEST(Cli, WritesTheReportToStandardOutputWithCrLf) {
  TempDir dir;
  const std::string hive = dir.Write("USER.DAT", Sample());
  const CliResult r = Cli({"--encoding", "native", "--now", "2026-12-07T10:00:00", hive});
  EXPECT_EQ(r.status, cli::kExitOk) << r.err;
  EXPECT_TRUE(r.out.starts_with(" Quarvex  <Registry Analizer>(ver " QUARVEX_VERSION ")\r\n\r\n"));
  EXPECT_TRUE(r.out.ends_with("\r\n\r\n Done: 2026/12/07 10:00:00\r\n"));
  EXPECT_NE(r.out.find("  FileName: " + hive + "\r\n"), std::string::npos);
}

// -o writes through a temporary file: after a failed run an existing report is untouched
// and no temporary file is left behind.
TEST(Cli, FailedRunLeavesTheOutputFileAlone) {
  TempDir dir;
  const std::string good = dir.Write("good.dat", Sample());
  const std::string bad = dir.Write("bad.dat", std::string("creg") + std::string(60, '\0'));
  const std::string report = dir.Path("REPORT.TXT").string();
  ASSERT_EQ(Cli({"-o", report, good}).status, cli::kExitOk);
  const std::string saved = ReadFileBytes(report);
  ASSERT_FALSE(saved.empty());

  const CliResult r = Cli({"-o", report, bad});
  EXPECT_EQ(r.status, cli::kExitJobFailed);
  EXPECT_NE(r.err.find("Fail(2)"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileBytes(report), saved);
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path(""))) files += entry.is_regular_file();
  EXPECT_EQ(files, 3u);
}

// A generated system.dat of that many keys, written into dir; its path.
std::string WriteGeneratedSystemDat(const TempDir& dir, int keys) {
  tools::GeneratorOptions options;
  options.kind = tools::HiveKind::System;
  options.keys = keys;
  options.seed = 7;
  return dir.Write("system.dat", tools::GenerateHive(options));
}

// A report saved to a file is written while the job builds it: a full structure report of
// megabytes, saved, is byte for byte the one written to standard output; a failed
// run with --partial saves what came before the failure, and without it saves nothing.
TEST(Cli, ReportSavedWhileBuiltIsTheWholeReport) {
  TempDir dir;
  const std::string hive = WriteGeneratedSystemDat(dir, 10000);
  const std::string report = dir.Path("all.txt").string();
  const CliResult saved = Cli({"--now", "2026-12-07T10:00:00", "--all", "-o", report, hive});
  ASSERT_EQ(saved.status, cli::kExitOk) << saved.err;
  const CliResult shown = Cli({"--now", "2026-12-07T10:00:00", "--all", "--encoding", "native", hive});
  ASSERT_EQ(shown.status, cli::kExitOk) << shown.err;
  EXPECT_GT(shown.out.size(), std::size_t{4} << 20) << "past the chunks of growing size";
  EXPECT_TRUE(ReadFileBytes(report) == shown.out);

  const std::string bad = dir.Write("bad.dat", std::string("creg") + std::string(60, '\0'));
  const std::string partial = dir.Path("partial.txt").string();
  EXPECT_EQ(Cli({"--now", "2026-12-07T10:00:00", "--partial", "-o", partial, bad}).status, cli::kExitJobFailed);
  EXPECT_EQ(ReadFileBytes(partial),
            Cli({"--now", "2026-12-07T10:00:00", "--encoding", "native", "--partial", bad}).out);
  const std::string none = dir.Path("none.txt").string();
  EXPECT_EQ(Cli({"-o", none, bad}).status, cli::kExitJobFailed);
  EXPECT_FALSE(std::filesystem::exists(none));
  EXPECT_TRUE(dir.HoldsNoTemporaryFile());
}

// A report that cannot be written whole (the file system refuses more bytes: here a limit on
// file sizes, as a full disk would) is a failure with its reason, whether it was written
// while built or saved at the end; an existing report stays as it was, and no temporary file
// is left. Run in a child process, which alone gets the limit.
TEST(Cli, AReportTheDiskRefusesFailsAndLeavesTheOldOne) {
  TempDir dir;
  const std::string hive = WriteGeneratedSystemDat(dir, 3000);
  const std::string report = dir.Write("all.txt", std::string("old report"));
  for (const char* encoding : {"native", "utf8"}) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{256 * 1024, 256 * 1024};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      const CliResult r = Cli({"--all", "--encoding", encoding, "-o", report, hive});
      const bool said = r.err.find("cannot write " + report) != std::string::npos;
      ::_exit(r.status == cli::kExitWriteFailed && said ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << encoding;
    EXPECT_EQ(ReadFileBytes(report), "old report") << encoding;
    EXPECT_TRUE(dir.HoldsNoTemporaryFile()) << encoding;
  }
}

TEST(Cli, PartialWritesTheLinesBeforeTheFailure) {
  TempDir dir;
  const std::string bad = dir.Write("bad.dat", std::string("creg") + std::string(60, '\0'));
  const CliResult r = Cli({"--encoding", "native", "--partial", bad});
  EXPECT_EQ(r.status, cli::kExitJobFailed);
  EXPECT_TRUE(
      r.out.ends_with(" Object Registry Hive\r\n  FileName: " + bad + "\r\n  FileSize:           64(Bytes)\r\n\r\n"));
}

TEST(Cli, FailureCodesForFilesThatCannotBeAnalysed) {
  TempDir dir;
  struct Case {
    const char* what;
    std::string path;
    const char* failure;
  };
  const Case cases[] = {
      {"missing", dir.Path("none.dat").string(), "Fail(-9)"},
      {"directory", dir.Path("").string(), "Fail(-9)"},
      {"empty", dir.Write("empty.dat", std::string()), "Fail(1)"},
      {"truncated", dir.Write("cut.dat", Sample().AsString().substr(0, 40)), "Fail(3)"},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli({c.path});
    if (std::string(c.what) == "truncated") {
      // Cut inside the key-node block header: the header reads fine, the block chain does not.
      EXPECT_NE(r.err.find("Fail("), std::string::npos) << c.what;
    } else {
      EXPECT_NE(r.err.find(c.failure), std::string::npos) << c.what << ": " << r.err;
    }
    EXPECT_EQ(r.status, cli::kExitJobFailed) << c.what;
  }
}

// The report is never written over the hive it analyses.
TEST(Cli, RefusesToWriteOverTheHive) {
  TempDir dir;
  const std::string hive = dir.Write("USER.DAT", Sample());
  const std::string bytes = ReadFileBytes(hive);
  const CliResult r = Cli({"-o", hive, hive});
  EXPECT_EQ(r.status, cli::kExitUsage);
  EXPECT_EQ(ReadFileBytes(hive), bytes);
}

// Native output keeps the code page's bytes (a UTF-8 file name becomes Shift-JIS; the
// hive's names are ASCII, so 932 is named rather than detected); utf-8 output transcodes
// every line back; standard output by default is the terminal's encoding (UTF-8 for the C
// locale the tests run in) with the platform's line ends.
TEST(Cli, EncodingOfTheReport) {
  TempDir dir;
  const std::string hive = dir.Write("\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.dat", Sample());  // テスト.dat
  const CliResult native = Cli({"--codepage", "932", "--encoding", "native", hive});
  EXPECT_NE(native.out.find("\x83\x65\x83\x58\x83\x67.dat\r\n"), std::string::npos);
  const CliResult utf8 = Cli({"--codepage", "932", "--encoding", "utf-8", hive});
  EXPECT_NE(utf8.out.find("\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.dat\r\n"), std::string::npos);
  const CliResult terminal = Cli({"--codepage", "932", hive});
  EXPECT_NE(terminal.out.find("\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.dat\n"), std::string::npos);
  EXPECT_EQ(terminal.out.find('\r'), std::string::npos);
  // Under 1252 the name's bytes are characters of their own; none is lost.
  const CliResult western = Cli({"--codepage", "1252", hive});
  EXPECT_NE(western.out.find("?\?\?.dat\n"), std::string::npos) << "the UTF-8 name has no 1252 form";
}

// The bundled Japanese sample on standard output is valid UTF-8 (each character decodes),
// and the code page is detected from its name checksums.
TEST(Cli, BundledSampleReadsAsUtf8OnStandardOutput) {
  const std::string sample = std::string(QUARVEX_SAMPLES_DIR) + "/USER-SAMPLE.DAT";
  const CliResult r = Cli({"--verbose", "--now", "2026-12-07T10:00:00", sample});
  EXPECT_EQ(r.status, cli::kExitOk) << r.err;
  EXPECT_NE(r.err.find("code page 932 (checksums)"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("\xEF\xBF\xBD"), std::string::npos);
  EXPECT_EQ(r.out.find("\\x"), std::string::npos);
  EXPECT_NE(r.out.find("Software\\\xE3\x82\xA2\xE3\x82\xAF\xE3\x82\xBB\xE3\x82\xB5\xE3\x83\xAA\\\n"),
            std::string::npos);  // "Software\\アクセサリ\\"
}

// The real US-English user.dat: its Locale 00000409 gives 1252, and no key is a Ghost.
TEST(Cli, RealUserDatReadsAs1252WithoutGhosts) {
  const std::string real = std::string(QUARVEX_TEST_DATA_DIR) + "/USER.DAT";
  const CliResult r = Cli({"--verbose", "--encoding", "native", "--now", "2026-12-07T10:00:00", real});
  EXPECT_EQ(r.status, cli::kExitOk) << r.err;
  EXPECT_NE(r.err.find("code page 1252 (hive): the hive's Locale \"00000409\" uses code page 1252"), std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("   GhostKey:        0\r\n"), std::string::npos);
}

TEST(Cli, ProgressEndsWithTheFinalText) {
  TempDir dir;
  const CliResult r = Cli({"--progress", dir.Write("h.dat", Sample())});
  EXPECT_TRUE(r.err.ends_with("The report has been made.\n")) << r.err;
}

}  // namespace
}  // namespace quarvex::testing

namespace quarvex::testing {
namespace {

// A named pipe given as the hive is refused at once, by every command that reads a hive: the
// file is read once, without blocking, and only a regular file is read.
TEST(Cli, NamedPipeIsRefusedNotWaitedOn) {
  TempDir dir;
  const std::string fifo = dir.Path("pipe").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {fifo}, {"--export", dir.Path("out.reg").string(), fifo}, {"check", fifo}, {"ls", fifo}}) {
    const CliResult r = Cli(args);
    EXPECT_NE(r.status, 0) << args[0];
    EXPECT_NE((r.err + r.out).find("not a regular file"), std::string::npos) << args[0] << ": " << r.err << r.out;
  }
}

}  // namespace
}  // namespace quarvex::testing
