// How quarvex-cli behaves as a command-line program, one row per manner: "-" for standard
// output and input, two outputs in one place, "--opt=value" and "--", writing through links
// and into pipes, the words for a missing file and a directory, --help and --version.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>

#include "session/hive_bytes.h"
#include "cli/cli_progress.h"
#include "cli/cli_run.h"
#include "job/analysis_job.h"
#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

namespace fs = std::filesystem;

BuiltHive Small() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  b.AddKey(root, "Software", {testkit::Text("Name", "Quarvex")});
  return b.Build();
}

// Everything one row sees: the folder, the hive in it, and what the run gave.
struct Scene {
  TempDir dir;
  std::string hive;
  CliResult run;
  std::string Path(const std::string& name) const { return dir.Path(name).string(); }
  bool OnlyFiles(std::initializer_list<std::string> names) const {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(dir.Path(""))) {
      ++count;
      if (std::find(names.begin(), names.end(), entry.path().filename().string()) == names.end()) return false;
    }
    return count == names.size();
  }
};

struct Manner {
  const char* name;
  std::function<void(Scene&)> prepare;  // files, links, pipes the row needs
  std::function<std::vector<std::string>(Scene&)> args;
  std::optional<std::string> standardInput;  // the bytes "-" reads; empty: none
  int status;
  std::function<void(const Scene&)> check;  // what must hold afterwards
};

const std::vector<Manner>& Manners() {
  static const std::vector<Manner> manners = {
      {"--json - writes the document to standard output, and no report", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"--json", "-", s.hive};
       },
       std::nullopt, cli::kExitOk,
       [](const Scene& s) {
         EXPECT_TRUE(s.run.out.starts_with("{\n  \"file\": {")) << s.run.out.substr(0, 80);
         EXPECT_EQ(s.run.out.find("Registry Analizer"), std::string::npos);
       }},
      {"--json - with -o FILE: the report to the file, the JSON to standard output", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"--json", "-", "-o", s.Path("r.txt"), s.hive};
       },
       std::nullopt, cli::kExitOk,
       [](const Scene& s) {
         EXPECT_TRUE(s.run.out.starts_with("{"));
         EXPECT_NE(ReadFileBytes(s.Path("r.txt")).find("Registry Analizer"), std::string::npos);
       }},
      {"--export - writes REGEDIT4 to standard output", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"--export", "-", s.hive};
       },
       std::nullopt, cli::kExitOk,
       [](const Scene& s) { EXPECT_TRUE(s.run.out.starts_with("REGEDIT4")) << s.run.out.substr(0, 40); }},
      {"-o - is standard output", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"-o", "-", s.hive};
       },
       std::nullopt, cli::kExitOk,
       [](const Scene& s) {
         EXPECT_NE(s.run.out.find("Registry Analizer"), std::string::npos);
         EXPECT_TRUE(s.OnlyFiles({"h.dat"}));
       }},
      {"FILE - reads the hive from standard input", nullptr,
       [](Scene&) {
         return std::vector<std::string>{"--now", "2026-12-07T10:00:00", "-"};
       },
       Small().AsString(), cli::kExitOk,
       [](const Scene& s) {
         EXPECT_NE(s.run.out.find("  FileName: -\n"), std::string::npos) << s.run.out;
         EXPECT_NE(s.run.out.find("   Good    :        1\n"), std::string::npos) << s.run.out;
       }},
      {"FILE - for a subcommand (check)", nullptr,
       [](Scene&) {
         return std::vector<std::string>{"check", "-"};
       },
       Small().AsString(), cli::kExitOk,
       [](const Scene& s) { EXPECT_NE(s.run.out.find("-: "), std::string::npos) << s.run.out; }},
      {"FILE - with --export --salvage reads standard input once", nullptr,
       [](Scene&) {
         return std::vector<std::string>{"--export", "-", "--salvage", "-"};
       },
       Small().AsString(), cli::kExitOk,
       [](const Scene& s) { EXPECT_NE(s.run.out.find("\"Name\"=\"Quarvex\""), std::string::npos); }},
      {"hives - is refused by name: an image is read where it lies", nullptr,
       [](Scene&) {
         return std::vector<std::string>{"hives", "-"};
       },
       std::string("x"), cli::kExitUsage,
       [](const Scene& s) { EXPECT_NE(s.run.err.find("not from standard input"), std::string::npos) << s.run.err; }},
      {"FILE - for diff: standard input against the same hive on disk", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"diff", "-", s.hive};
       },
       Small().AsString(), cli::kExitOk, [](const Scene& s) { EXPECT_EQ(s.run.out, ""); }},
      {"FILE - that is no hive fails as a file does", nullptr, [](Scene&) { return std::vector<std::string>{"-"}; },
       std::string("not a hive"), cli::kExitJobFailed,
       [](const Scene& s) { EXPECT_NE(s.run.err.find("-: "), std::string::npos) << s.run.err; }},
      {"-o and --json naming one file is a usage error", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"-o", s.Path("x"), "--json", s.Path("x"), s.hive};
       },
       std::nullopt, cli::kExitUsage,
       [](const Scene& s) {
         EXPECT_NE(s.run.err.find("-o and --json both name"), std::string::npos) << s.run.err;
         EXPECT_TRUE(s.OnlyFiles({"h.dat"}));
       }},
      {"one file by two spellings is still one file", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"--export", s.Path("x.reg"), "--json", s.Path("sub/../x.reg"), s.hive};
       },
       std::nullopt, cli::kExitUsage, [](const Scene& s) { EXPECT_TRUE(s.OnlyFiles({"h.dat"})); }},
      {"two outputs onto standard output is a usage error", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"--json", "-", "--export", "-", s.hive};
       },
       std::nullopt, cli::kExitUsage,
       [](const Scene& s) { EXPECT_NE(s.run.err.find("both name standard output"), std::string::npos) << s.run.err; }},
      {"recover: --json and --export naming one file", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"recover", "--json", s.Path("o"), "--export", s.Path("o"), s.hive};
       },
       std::nullopt, cli::kExitUsage, [](const Scene& s) { EXPECT_TRUE(s.OnlyFiles({"h.dat"})); }},
      {"facts: --json and --csv naming one file", nullptr,
       [](Scene& s) { return std::vector<std::string>{"facts", "--json", s.Path("o"), "--csv", s.Path("o"), s.hive}; },
       std::nullopt, cli::kExitUsage, [](const Scene& s) { EXPECT_TRUE(s.OnlyFiles({"h.dat"})); }},
      {"-o=FILE is no option: only long options take '='", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"--json=" + s.Path("a.json"), "--codepage=932", "-o=" + s.Path("r.txt"),
                                         s.hive};
       },
       std::nullopt, cli::kExitUsage,
       [](const Scene& s) { EXPECT_NE(s.run.err.find("unknown option -o="), std::string::npos) << s.run.err; }},
      {"--json=FILE --codepage=932 --output=FILE", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"--json=" + s.Path("a.json"), "--codepage=932", "--output=" + s.Path("r.txt"),
                                         s.hive};
       },
       std::nullopt, cli::kExitOk,
       [](const Scene& s) {
         EXPECT_TRUE(s.OnlyFiles({"h.dat", "a.json", "r.txt"}));
         EXPECT_NE(ReadFileBytes(s.Path("a.json")).find("\"value\": \"932\""), std::string::npos);
       }},
      {"a flag given a value is a usage error", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"--all=yes", s.hive};
       },
       std::nullopt, cli::kExitUsage,
       [](const Scene& s) { EXPECT_NE(s.run.err.find("--all takes no value"), std::string::npos) << s.run.err; }},
      {"a subcommand's --json=- ", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"check", "--json=-", "--codepage=932", s.hive};
       },
       std::nullopt, cli::kExitOk, [](const Scene& s) { EXPECT_TRUE(s.run.out.starts_with("{")) << s.run.out; }},
      {"-- ends the options: a hive named like an option", [](Scene& s) { s.dir.Write("-o", Small()); },
       [](Scene& s) {
         return std::vector<std::string>{"--json", s.Path("a.json"), "--", s.Path("-o")};
       },
       std::nullopt, cli::kExitOk,
       [](const Scene& s) { EXPECT_NE(s.run.out.find("Registry Analizer"), std::string::npos); }},
      {"-- for a subcommand", [](Scene& s) { s.dir.Write("-v", Small()); },
       [](Scene& s) {
         return std::vector<std::string>{"ls", "--", s.Path("-v")};
       },
       std::nullopt, cli::kExitOk,
       [](const Scene& s) { EXPECT_NE(s.run.out.find("Software"), std::string::npos) << s.run.err; }},
      {"-o onto a link writes the link's target through a file beside the target",
       [](Scene& s) {
         fs::create_directory(s.dir.Path("real"));
         s.dir.Write("real/report.txt", std::string("old"));
         fs::create_symlink("real/report.txt", s.dir.Path("link.txt"));
       },
       [](Scene& s) {
         return std::vector<std::string>{"-o", s.Path("link.txt"), s.hive};
       },
       std::nullopt, cli::kExitOk,
       [](const Scene& s) {
         EXPECT_TRUE(fs::is_symlink(s.dir.Path("link.txt")));
         EXPECT_NE(ReadFileBytes(s.Path("real/report.txt")).find("Registry Analizer"), std::string::npos);
         EXPECT_TRUE(s.OnlyFiles({"h.dat", "real", "link.txt"}));
         EXPECT_EQ(std::distance(fs::directory_iterator(s.dir.Path("real")), {}), 1) << "no temporary file left";
       }},
      {"-o onto a link whose target is not there yet creates the target",
       [](Scene& s) { fs::create_symlink("made.txt", s.dir.Path("dangling.txt")); },
       [](Scene& s) {
         return std::vector<std::string>{"-o", s.Path("dangling.txt"), s.hive};
       },
       std::nullopt, cli::kExitOk,
       [](const Scene& s) {
         EXPECT_TRUE(fs::is_symlink(s.dir.Path("dangling.txt")));
         EXPECT_NE(ReadFileBytes(s.Path("made.txt")).find("Registry Analizer"), std::string::npos);
       }},
      {"-o onto a file keeps its permissions",
       [](Scene& s) {
         s.dir.Write("private.txt", std::string("old"));
         fs::permissions(s.dir.Path("private.txt"), fs::perms::owner_read | fs::perms::owner_write);
       },
       [](Scene& s) {
         return std::vector<std::string>{"-o", s.Path("private.txt"), s.hive};
       },
       std::nullopt, cli::kExitOk,
       [](const Scene& s) {
         EXPECT_EQ(fs::status(s.dir.Path("private.txt")).permissions(), fs::perms::owner_read | fs::perms::owner_write);
       }},
      {"--json onto /dev/fd/N (a pipe) writes into the pipe", nullptr,
       [](Scene& s) {
         // The pipe's write end is the row's; the JSON is read back from its other end.
         int fds[2];
         EXPECT_EQ(::pipe(fds), 0);
         s.dir.Write("fds", std::to_string(fds[0]) + " " + std::to_string(fds[1]));
         return std::vector<std::string>{"--json", "/dev/fd/" + std::to_string(fds[1]), "-o", "/dev/null", s.hive};
       },
       std::nullopt, cli::kExitOk,
       [](const Scene& s) {
         int readEnd = -1, writeEnd = -1;
         std::istringstream(ReadFileBytes(s.Path("fds"))) >> readEnd >> writeEnd;
         ::close(writeEnd);
         std::string received;
         char buffer[4096];
         for (ssize_t n; (n = ::read(readEnd, buffer, sizeof buffer)) > 0;)
           received.append(buffer, static_cast<std::size_t>(n));
         ::close(readEnd);
         EXPECT_TRUE(received.starts_with("{\n  \"file\"")) << received.substr(0, 60);
         EXPECT_TRUE(s.OnlyFiles({"h.dat", "fds"}));
       }},
      {"a missing file: Fail(-9), no such file", nullptr,
       [](Scene& s) {
         return std::vector<std::string>{"--codepage", "932", s.Path("none.dat")};
       },
       std::nullopt, cli::kExitJobFailed,
       [](const Scene& s) { EXPECT_NE(s.run.err.find("Fail(-9): no such file"), std::string::npos) << s.run.err; }},
      {"a directory: Fail(-9), is a directory", [](Scene& s) { fs::create_directory(s.dir.Path("folder")); },
       [](Scene& s) { return std::vector<std::string>{s.Path("folder")}; }, std::nullopt, cli::kExitJobFailed,
       [](const Scene& s) { EXPECT_NE(s.run.err.find("Fail(-9): is a directory"), std::string::npos) << s.run.err; }},
      {"--help by task, the option boxes by meaning with their window names", nullptr,
       [](Scene&) { return std::vector<std::string>{"--help"}; }, std::nullopt, cli::kExitOk,
       [](const Scene& s) {
         const std::string& h = s.run.out;
         const std::size_t report = h.find("\nThe report:"), dump = h.find("\nThe structure dump"),
                           exporting = h.find("\nThe export:"), subcommands = h.find("\nSubcommands");
         EXPECT_LT(report, dump);
         EXPECT_LT(dump, exporting);
         EXPECT_LT(exporting, subcommands);
         EXPECT_NE(subcommands, std::string::npos);
         const std::size_t box = h.find("    list the free data records ");
         ASSERT_NE(box, std::string::npos);
         EXPECT_EQ(h.substr(h.find(" on  ", box), 14), " on  [cbDB_E]\n");
         EXPECT_NE(h.find("  recover   deleted keys and values the file still holds"), std::string::npos);
       }},
      {"--version tells the build", nullptr, [](Scene&) { return std::vector<std::string>{"--version"}; }, std::nullopt,
       cli::kExitOk,
       [](const Scene& s) {
         EXPECT_TRUE(s.run.out.starts_with("quarvex-cli " QUARVEX_VERSION "\n"));
         EXPECT_NE(s.run.out.find("\ncompiler: "), std::string::npos);
         EXPECT_NE(s.run.out.find("\nbuild: "), std::string::npos);
       }},
  };
  return manners;
}

TEST(CliManners, EveryManner) {
  for (const Manner& m : Manners()) {
    SCOPED_TRACE(m.name);
    Scene scene;
    scene.hive = scene.dir.Write("h.dat", Small());
    if (m.prepare) m.prepare(scene);
    const std::vector<std::string> args = m.args(scene);
    std::istringstream input(m.standardInput.value_or(std::string()));
    session::UseStandardInput(input);
    scene.run = Cli(args);
    session::UseStandardInput(std::cin);
    EXPECT_EQ(scene.run.status, m.status) << scene.run.err;
    if (m.check) m.check(scene);
  }
}

// Progress: off a terminal nothing unless asked, then plain lines with the stage and how far;
// on a terminal one line rewritten in place and ended by the final text.
TEST(CliManners, ProgressStyles) {
  EXPECT_EQ(cli::ProgressStyleFor(false, false), cli::ProgressStyle::None);
  EXPECT_EQ(cli::ProgressStyleFor(true, false), cli::ProgressStyle::Lines);
  EXPECT_EQ(cli::ProgressStyleFor(false, true), cli::ProgressStyle::Terminal);

  const std::string hive = std::string(QUARVEX_SAMPLES_DIR) + "/USER-SAMPLE.DAT";
  EXPECT_EQ(Cli({"-o", "/dev/null", hive}).err, "") << "nothing unless asked";
  const CliResult lines = Cli({"--progress", "-o", "/dev/null", hive});
  EXPECT_TRUE(lines.err.ends_with("The report has been made.\n")) << lines.err;
  EXPECT_EQ(lines.err.find('\r'), std::string::npos);

  std::ostringstream terminal;
  cli::CliProgress progress(&terminal, cli::ProgressStyle::Terminal);
  progress.ProgressAt("DB_rec_pre:00010000", {job::Stage::PreScan, 1, 4});
  EXPECT_EQ(terminal.str(), "\rindexing records  25%  DB_rec_pre:00010000");
  progress.StageFinished(job::Stage::PreScan);
  progress.Done();
  const std::string first = "indexing records  25%  DB_rec_pre:00010000";
  const std::string last(job::kReportMadeText);
  EXPECT_EQ(terminal.str(), "\r" + first + "\r" + last + std::string(first.size() - last.size(), ' ') + "\n");
}

// The job's progress carries how far along it is, ending at the whole for each walk.
TEST(CliManners, JobProgressCarriesThePosition) {
  struct Recorder : job::JobEvents {
    std::vector<job::ProgressPosition> at;
    void ProgressAt(std::string_view, const job::ProgressPosition& p) override { at.push_back(p); }
  } recorder;
  job::JobInput input;
  input.fileName = std::string(QUARVEX_SAMPLES_DIR) + "/USER-SAMPLE.DAT";
  input.options.Set(Option::StructureReport, true);
  ASSERT_EQ(job::RunJob(input, recorder).code, 0);
  std::map<job::Stage, job::ProgressPosition> last;
  for (const job::ProgressPosition& p : recorder.at)
    if (p.total > 0) last[p.stage] = p;
  ASSERT_EQ(last.count(job::Stage::PreScan), 1u);
  EXPECT_EQ(last[job::Stage::PreScan].total, 2u) << "the sample's data blocks";
  EXPECT_EQ(last[job::Stage::PreScan].done, 1u);
  ASSERT_EQ(last.count(job::Stage::Analysis), 1u);
  EXPECT_GT(last[job::Stage::Analysis].done * 100 / last[job::Stage::Analysis].total, 90u) << "500 keys walked";
  ASSERT_EQ(last.count(job::Stage::StructureReport), 1u);
}

}  // namespace
}  // namespace quarvex::testing
