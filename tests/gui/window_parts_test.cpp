// The window's small parts that need no window: its command line, the save name after a
// command-line file, the Windows directory, the About memo's lines and the call queue.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "host/windows_directory.h"
#include "ui/analyser/about_memo_lines.h"
#include "ui/common/file_dialogs.h"
#include "ui/common/ui_call_queue.h"
#include "ui/analyser/window_command_line.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui {
namespace {

using namespace quarvex::testing;

TEST(WindowCommandLine, TakesOutTheWindowsOwnOptions) {
  const WindowCommandLine cl = ParseWindowCommandLine({"/Pro", "--windows-dir", "/w", "--codepage", "950", "USER.DAT"});
  EXPECT_TRUE(cl.error.empty());
  EXPECT_EQ(cl.arguments, (std::vector<std::string>{"/Pro", "USER.DAT"}));
  EXPECT_EQ(cl.windowsDir, "/w");
  EXPECT_EQ(cl.codePage, CodePage::Cp950);
  EXPECT_FALSE(ParseWindowCommandLine({"--codepage", "1259"}).error.empty());
  EXPECT_FALSE(ParseWindowCommandLine({"--windows-dir"}).error.empty());
  EXPECT_EQ(ParseWindowCommandLine({"--codepage", "none"}).codePage, CodePage::SingleByte);
  // Without the option, and with "auto", each hive's own code page is taken.
  EXPECT_EQ(ParseWindowCommandLine({"USER.DAT"}).codePage, std::nullopt);
  EXPECT_EQ(ParseWindowCommandLine({"--codepage", "950", "--codepage", "auto"}).codePage, std::nullopt);
  EXPECT_EQ(ParseWindowCommandLine({"--codepage", "1250"}).codePage, CodePage::Cp1250);
}

TEST(WindowCommandLine, TheSaveNameIsTheFilesNameWithTxt) {
  struct Row {
    const char* file;
    const char* directory;
    const char* name;
  } rows[] = {
      {"/data/USER.DAT", "/data/", "USER.TXT"},
      {"/data/system.1st", "/data/", "system.TXT"},
      {"/data/hive", "/data/", "hive.TXT"},
      {"/data.d/hive", "/data.d/", "hive.TXT"},
      {"a.b.dat", "", "a.b.TXT"},
      // A hive inside an image: beside the image, after the hive.
      {"/data/win98.img::WINDOWS/USER.DAT", "/data/", "USER.TXT"},
      {"/data/win98.img::2:WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT", "/data/", "SYSTEM.TXT"},
      {"disk.vmdk::SYSTEM.1ST", "", "SYSTEM.TXT"},
  };
  for (const Row& row : rows) {
    const ReportName name = ReportNameFor(row.file);
    EXPECT_EQ(name.directory, row.directory) << row.file;
    EXPECT_EQ(name.fileName, row.name) << row.file;
  }
}

TEST(WindowCommandLine, TheLastExistingFileWins) {
  QTemporaryDir dir;
  const std::string a = QDir(dir.path()).filePath(QStringLiteral("a.dat")).toStdString();
  const std::string b = QDir(dir.path()).filePath(QStringLiteral("b.dat")).toStdString();
  std::ofstream(a) << "x";
  std::ofstream(b) << "x";
  const StartRequest request = ReadStartArguments({a, b, dir.path().toStdString(), "/nothing/here"});
  EXPECT_EQ(request.file, b);
  EXPECT_FALSE(request.advancedMode);
}

TEST(WindowsDirectoryQuery, AnswersOnlyForAnExistingDirectoryThatFitsTheBuffer) {
  QTemporaryDir dir;
  EXPECT_EQ(WindowsDirectory(dir.path().toStdString()).Query(), dir.path().toStdString());
  EXPECT_FALSE(WindowsDirectory().Query());
  EXPECT_FALSE(WindowsDirectory(dir.path().toStdString() + "/missing").Query());

  // 124 characters fit; 125 do not.
  std::string path = dir.path().toStdString() + "/";
  path += std::string(WindowsDirectory::kMaxChars - path.size(), 'w');
  ASSERT_EQ(path.size(), 124u);
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(path)));
  EXPECT_EQ(WindowsDirectory(path).Query(), path);
  const std::string longer = path.substr(0, path.size() - 1) + "ww";
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(longer)));
  EXPECT_FALSE(WindowsDirectory(longer).Query());
}

TEST(WindowsDirectoryQuery, TheCommandLineWinsOverTheEnvironment) {
  setenv(WindowsDirectory::kEnvironmentVariable, "/tmp", 1);
  EXPECT_EQ(WindowsDirectory::FromUser(std::nullopt).Query(), "/tmp");
  QTemporaryDir dir;
  EXPECT_EQ(WindowsDirectory::FromUser(dir.path().toStdString()).Query(), dir.path().toStdString());
  unsetenv(WindowsDirectory::kEnvironmentVariable);
  EXPECT_FALSE(WindowsDirectory::FromUser(std::nullopt).Query());
}

TEST(WindowsDirectoryQuery, FindsAFileWhateverItsLetterCase) {
  QTemporaryDir dir;
  const std::string d = dir.path().toStdString();
  std::ofstream(d + "/System.Dat") << "x";
  EXPECT_EQ(WindowsDirectory::FilePath(d, "system.dat"), d + "/System.Dat");
  EXPECT_EQ(WindowsDirectory::FilePath(d, "user.dat"), d + "/user.dat") << "none there: the name as asked";
  std::ofstream(d + "/system.dat") << "x";
  EXPECT_EQ(WindowsDirectory::FilePath(d, "system.dat"), d + "/system.dat") << "an exact match first";
}

TEST(AboutMemo, TenLinesWhenEveryFactIsKnown) {
  HostFacts facts;
  facts.ComputerName = "PC";
  facts.MachineType = "AT";
  facts.OsText = "Windows 98(ver 4.10.2222)";
  facts.IeVersion = "5.00.2614.3500";
  facts.Advapi32File = "C:\\WINDOWS\\system\\advapi32.dll";
  facts.Advapi32Version = "4.80";
  facts.Advapi32Stamp = "1999/04/23 22:22";
  facts.Krnl386File = "C:\\WINDOWS\\system\\krnl386.exe";
  facts.Krnl386Version = "4.10";
  facts.Krnl386Stamp = "1999/04/23 22:22";
  facts.RegeditFile = "C:\\WINDOWS\\regedit.exe";
  facts.RegeditVersion = "4.10";
  facts.RegeditStamp = "1999/04/23 22:22";
  EXPECT_EQ(AboutMemoLines(facts), (std::vector<std::string>{
                                       " Machine: PC(AT)",
                                       " Windows 98(ver 4.10.2222)",
                                       " Internet Explorer(ver 5.00.2614.3500)",
                                       " C:\\WINDOWS\\system\\advapi32.dll(ver 4.80)",
                                       "   Time Stamp: 1999/04/23 22:22",
                                       " C:\\WINDOWS\\system\\krnl386.exe(ver 4.10)",
                                       "   Time Stamp: 1999/04/23 22:22",
                                       " C:\\WINDOWS\\regedit.exe(ver 4.10)",
                                       "   Time Stamp: 1999/04/23 22:22",
                                       "",
                                   }));
}

// What is not known leaves out its line; no line is a bare "(ver )".
TEST(AboutMemo, LeavesOutWhatIsNotKnown) {
  const struct {
    const char* what;
    void (*set)(HostFacts&);
    std::vector<std::string> lines;
  } cases[] = {
      {"nothing known (Linux without a Windows directory)",
       [](HostFacts& f) { f.OsText = "Linux(ver 6.1.0)"; },
       {" Linux(ver 6.1.0)", ""}},
      {"no probe at all", [](HostFacts&) {}, {" (GetVer Failure)", ""}},
      {"the machine's name alone",
       [](HostFacts& f) { f.ComputerName = "PC"; },
       {" Machine: PC", " (GetVer Failure)", ""}},
      {"its type alone", [](HostFacts& f) { f.MachineType = "AT"; }, {" Machine: (AT)", " (GetVer Failure)", ""}},
      {"a file without a version or time stamp",
       [](HostFacts& f) { f.RegeditFile = "C:\\WINDOWS\\regedit.exe"; },
       {" (GetVer Failure)", " C:\\WINDOWS\\regedit.exe", ""}},
      {"a file with its version but no time stamp",
       [](HostFacts& f) {
         f.RegeditFile = "C:\\WINDOWS\\regedit.exe";
         f.RegeditVersion = "4.10";
       },
       {" (GetVer Failure)", " C:\\WINDOWS\\regedit.exe(ver 4.10)", ""}},
      {"a file with a time stamp but no version",
       [](HostFacts& f) {
         f.Krnl386File = "C:\\WINDOWS\\system\\krnl386.exe";
         f.Krnl386Stamp = "1999/04/23 22:22";
       },
       {" (GetVer Failure)", " C:\\WINDOWS\\system\\krnl386.exe", "   Time Stamp: 1999/04/23 22:22", ""}},
      {"Internet Explorer's version",
       [](HostFacts& f) { f.IeVersion = "5.5"; },
       {" (GetVer Failure)", " Internet Explorer(ver 5.5)", ""}},
  };
  for (const auto& c : cases) {
    HostFacts facts;
    c.set(facts);
    const std::vector<std::string> lines = AboutMemoLines(facts);
    EXPECT_EQ(lines, c.lines) << c.what;
    for (const std::string& line : lines) {
      EXPECT_EQ(line.find("(ver )"), std::string::npos) << c.what << ": " << line;
      EXPECT_NE(line.rfind(" (ver", 0), 0u) << c.what << ": " << line;
    }
  }
}

TEST(FileDialogs, DefaultSuffixOnlyForANameWithoutExtension) {
  EXPECT_EQ(WithDefaultSuffix(QStringLiteral("/a.b/report"), QStringLiteral("TXT")), QStringLiteral("/a.b/report.TXT"));
  EXPECT_EQ(WithDefaultSuffix(QStringLiteral("/a/report.log"), QStringLiteral("TXT")), QStringLiteral("/a/report.log"));
}

TEST(UiCallQueue, CallsFromAnotherThreadRunInOrderAndProgressCoalesces) {
  QObject owner;
  UiCallQueue queue(&owner);
  std::vector<std::string> ran;
  std::thread worker([&] {
    queue.Post([&] { ran.push_back("title"); });
    for (int i = 0; i < 1000; ++i) queue.Post([&ran, i] { ran.push_back("progress " + std::to_string(i)); }, 1);
    queue.Post([&] { ran.push_back("final"); }, 1);
    queue.Post([&] { ran.push_back("enable"); });
    queue.Post([&] { ran.push_back("progress again"); }, 1);
  });
  worker.join();
  EXPECT_TRUE(ran.empty()) << "nothing runs on the worker";
  ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == 4; }));
  EXPECT_EQ(ran, (std::vector<std::string>{"title", "final", "enable", "progress again"}));
  // On the owner's thread with nothing waiting, a call runs at once.
  queue.Post([&] { ran.push_back("now"); });
  EXPECT_EQ(ran.back(), "now");
}

}  // namespace
}  // namespace quarvex::ui
