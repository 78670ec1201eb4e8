// Saving lines: through a temporary file renamed into place for a regular file, followed for a
// symbolic link, written directly for a device or a named pipe, which must never be replaced
// by a plain file.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "tests/support/test_support.h"
#include "text/report_file.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

ReportLines TwoLines() {
  ReportLines lines;
  lines.Append("one");
  lines.Append("two");
  return lines;
}

TEST(SaveReportLines, RegularFileIsReplacedWhole) {
  TempDir dir;
  const std::string path = dir.Write("out.txt", std::string("old text"));
  std::string error;
  ASSERT_TRUE(SaveReportLines(TwoLines(), path, error)) << error;
  EXPECT_EQ(ReadFileBytes(path), "one\r\ntwo\r\n");
  EXPECT_TRUE(dir.HoldsNoTemporaryFile());
}

TEST(SaveReportLines, SymbolicLinkStaysALinkAndItsTargetGetsTheText) {
  TempDir dir;
  const std::string target = dir.Write("target.txt", std::string("old"));
  const std::filesystem::path link = dir.Path("link.txt");
  std::filesystem::create_symlink(target, link);
  std::string error;
  ASSERT_TRUE(SaveReportLines(TwoLines(), link.string(), error)) << error;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(target), "one\r\ntwo\r\n");
}

TEST(SaveReportLines, DeviceIsWrittenToNeverReplaced) {
  std::string error;
  ASSERT_TRUE(SaveReportLines(TwoLines(), "/dev/null", error)) << error;
  struct stat info {};
  ASSERT_EQ(::stat("/dev/null", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode)) << "/dev/null is still the device";
}

TEST(SaveReportLines, NamedPipeIsWrittenThrough) {
  TempDir dir;
  const std::string fifo = dir.Path("pipe").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] {
    const int fd = ::open(fifo.c_str(), O_RDONLY);
    char buffer[64];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) received.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
  });
  std::string error;
  const bool saved = SaveReportLines(TwoLines(), fifo, error);
  reader.join();
  EXPECT_TRUE(saved) << error;
  EXPECT_EQ(received, "one\r\ntwo\r\n");
  struct stat info {};
  ASSERT_EQ(::stat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST(SaveReportLines, DirectoryIsRefusedByName) {
  TempDir dir;
  std::string error;
  EXPECT_FALSE(SaveReportLines(TwoLines(), dir.Path("").string(), error));
  EXPECT_NE(error.find("directory"), std::string::npos) << error;
}

// The command line writes the report onto /dev/null as onto any device.
TEST(SaveReportLines, CliReportToDevNullKeepsTheDevice) {
  const CliResult r = Cli({"-o", "/dev/null", std::string(QUARVEX_SAMPLES_DIR) + "/USER-SAMPLE.DAT"});
  EXPECT_EQ(r.status, 0) << r.err;
  struct stat info {};
  ASSERT_EQ(::stat("/dev/null", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
}

// A report written while it is built: the target keeps its old text until Commit puts the new
// one in place (keeping the old file's permissions); a stream dropped unfinished leaves the
// target as it was; neither leaves a temporary file behind.
TEST(ReportFileStream, TheTargetChangesOnlyOnCommit) {
  TempDir dir;
  const std::string path = dir.Write("out.txt", std::string("old text"));
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  {
    auto dropped = ReportFileStream::Begin(path);
    ASSERT_TRUE(dropped);
    dropped->Write("half a rep");
  }
  EXPECT_EQ(ReadFileBytes(path), "old text");
  EXPECT_TRUE(dir.HoldsNoTemporaryFile());

  auto stream = ReportFileStream::Begin(path);
  ASSERT_TRUE(stream);
  stream->Write("one\r\n");
  stream->Write("two\r\n");
  EXPECT_EQ(ReadFileBytes(path), "old text");
  std::string error;
  ASSERT_TRUE(stream->Commit(error)) << error;
  EXPECT_EQ(ReadFileBytes(path), "one\r\ntwo\r\n");
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_TRUE(dir.HoldsNoTemporaryFile());
  stream.reset();
  EXPECT_EQ(ReadFileBytes(path), "one\r\ntwo\r\n") << "a committed stream dropped removes nothing";
}

// Only a regular file (or a new name in a folder that is there) is streamed into; anything
// else is left to the save at the end, which names the trouble.
TEST(ReportFileStream, NothingForTargetsThatAreNoRegularFile) {
  TempDir dir;
  const std::string fifo = dir.Path("pipe").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(ReportFileStream::Begin("/dev/null"));
  EXPECT_FALSE(ReportFileStream::Begin(fifo));
  EXPECT_FALSE(ReportFileStream::Begin(dir.Path("").string()));
  EXPECT_FALSE(ReportFileStream::Begin(dir.Path("no folder/out.txt").string()));
  EXPECT_TRUE(ReportFileStream::Begin(dir.Path("new.txt").string()));
  EXPECT_TRUE(dir.HoldsNoTemporaryFile());
}

}  // namespace
}  // namespace quarvex::testing
