// `quarvex-cli check`: exit status per kind of input, the line formats, the JSON file.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/commands/check.h"
#include "testkit/hive_builder.h"

namespace quarvex::cli {
namespace {

using testkit::BuiltHive;
using testkit::HiveBuilder;

class CheckDir {
 public:
  CheckDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("quarvex-check-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~CheckDir() { std::filesystem::remove_all(path_); }
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const std::string file = (path_ / name).string();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file;
  }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

BuiltHive Healthy() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {testkit::Text("", "x")});
  b.AddKey(software, "Vendor", {testkit::Dword("A", 1), testkit::Dword("B", 2)});
  return b.Build();
}

// The record size of "Vendor" set to 0: one damage finding.
BuiltHive RecordSizeZero() {
  BuiltHive h = Healthy();
  h.PutU32(h.keyRecord[2] + 8, 0);
  return h;
}

struct CheckRun {
  int status;
  std::string out, err;
};

CheckRun Check(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunCheck(args, out, err);
  return {status, out.str(), err.str()};
}

std::string Hex(std::int64_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(v));
  return text;
}

// The check's first line: the code page it read the file in, and why. The fixtures hold ASCII
// names only and no code page value, so nothing tells one.
std::string CodePageNote(const std::string& file) {
  return file +
         ": 0x00000000: note: file: code page 1252 (default: neither the hive nor a system.dat names a code "
         "page and no name's checksum tells one, so 1252)\n";
}

TEST(CheckCli, HealthyHiveExitsZeroWithItsSummary) {
  CheckDir dir;
  const std::string file = dir.Write("USER.DAT", Healthy().bytes);
  const CheckRun run = Check({file});
  EXPECT_EQ(run.status, kExitOk);
  // Two keys: the unnamed root is the hive itself, not one of its keys (salvage/counts.h).
  EXPECT_EQ(run.out, CodePageNote(file) + file + ": healthy: 2 keys, 3 values, 1 block\n");
  EXPECT_EQ(run.err, "");
}

TEST(CheckCli, DamagedHiveExitsFourWithOneLinePerFinding) {
  CheckDir dir;
  const BuiltHive h = RecordSizeZero();
  const std::string file = dir.Write("USER.DAT", h.bytes);
  const CheckRun run = Check({file});
  EXPECT_EQ(run.status, kCheckDamage);
  EXPECT_EQ(run.out, CodePageNote(file) + file + ": " + Hex(h.keyRecord[2]) +
                         ": damage: data record (block 0, record 1): RecSize 0x00000000, expected 0x0000003C "
                         "(header, key name and values) (key Software\\Vendor)\n" +
                         file + ": 1 damage, 1 note: 0 keys and 0 values unreadable; 0 bytes lost\n");
}

// The real user.dat with one key node's record numbers set to 0xFFFF: the key's name and value
// are read back by the node's checksum, and check still exits 4 (a reader that follows the link
// loses the key), saying how it read the key.
TEST(CheckCli, KeyNodeWithoutRecordNumbersExitsFour) {
  CheckDir dir;
  std::ifstream in(std::string(QUARVEX_TEST_DATA_DIR) + "/USER.DAT", std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(bytes.size(), 159776u);
  for (std::size_t i = 24; i < 28; ++i) bytes[32 + 0x4E54 + i] = 0xFF;
  const std::string file = dir.Write("USER.DAT", bytes);
  const CheckRun run = Check({file});
  EXPECT_EQ(run.status, kCheckDamage) << run.out;
  EXPECT_NE(run.out.find(": 0x00004E74: damage: key node: BlkNo 0xFFFF"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(": 0x00004E74: note: key node: record 0x00CC of block 2 at 0x0001B923 (\"basefolder\")"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.out.find(": healthy:"), std::string::npos) << run.out;
}

TEST(CheckCli, ExitStatusOfSeveralFiles) {
  CheckDir dir;
  const std::string healthy = dir.Write("a.dat", Healthy().bytes);
  const std::string damaged = dir.Write("b.dat", RecordSizeZero().bytes);
  const std::string text = dir.Write("c.txt", {'R', 'E', 'G', 'E', 'D', 'I', 'T', '4'});
  const std::string missing = dir.Path("none.dat");
  struct Row {
    std::vector<std::string> args;
    int status;
  };
  const std::vector<Row> rows{
      {{healthy, healthy}, kExitOk},
      {{healthy, damaged}, kCheckDamage},
      {{damaged, text}, kExitJobFailed},  // not a hive at all wins over damage
      {{missing, healthy}, kExitJobFailed},
      {{dir.Path("")}, kExitJobFailed},  // a directory
      {{}, kExitUsage},
      {{"--frobnicate", healthy}, kExitUsage},
      {{"--json"}, kExitUsage},
      {{"--codepage", "1259", healthy}, kExitUsage},
      {{"--json", healthy, healthy}, kExitUsage},  // would overwrite the file checked
      {{"--help"}, kExitOk},
  };
  for (const Row& row : rows) {
    std::string joined;
    for (const auto& a : row.args) joined += a + " ";
    EXPECT_EQ(Check(row.args).status, row.status) << joined;
  }
  EXPECT_EQ(Check({text}).out, text + ": 0x00000000: damage: file header: signature \"REGE\", expected \"CREG\"\n" +
                                   text + ": not a registry file\n");
  EXPECT_EQ(Check({missing}).out, missing + ": cannot read: no such file\n");
}

TEST(CheckCli, JsonToStandardOutputReplacesTheLines) {
  CheckDir dir;
  const BuiltHive h = RecordSizeZero();
  const std::string file = dir.Write("b.dat", h.bytes);
  const CheckRun run = Check({"--json", "-", file});
  EXPECT_EQ(run.status, kCheckDamage);
  EXPECT_EQ(run.out.rfind("{\"program\": {\"name\": \"quarvex-cli\", \"version\": \"" QUARVEX_VERSION
                          "\"}, \"files\": [\n{\"file\": \"" +
                              file + "\", \"status\": \"damaged\", \"keys\": 2,",
                          0),
            0u)
      << run.out;
  EXPECT_NE(run.out.find("{\"severity\": \"damage\", \"structure\": \"data record\", \"offset\": " +
                         std::to_string(h.keyRecord[2]) + ", \"block\": 0, \"record\": 1, \"field\": \"RecSize\""),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.out.substr(run.out.size() - 20), "], \"exitStatus\": 4}\n");
}

TEST(CheckCli, JsonFileIsWrittenBesideTheLines) {
  CheckDir dir;
  const std::string file = dir.Write("a.dat", Healthy().bytes);
  const std::string json = dir.Path("check.json");
  const CheckRun run = Check({file, "--json", json});
  EXPECT_EQ(run.status, kExitOk);
  // Two keys: the unnamed root is the hive itself, not one of its keys (salvage/counts.h).
  EXPECT_EQ(run.out, CodePageNote(file) + file + ": healthy: 2 keys, 3 values, 1 block\n");
  std::ifstream in(json, std::ios::binary);
  const std::string saved((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(saved.find("\"status\": \"healthy\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("\"summary\": \"healthy: 2 keys, 3 values, 1 block\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("\"exitStatus\": 0}"), std::string::npos) << saved;
}

TEST(CheckCli, UnwritableJsonFileExitsThree) {
  CheckDir dir;
  const std::string file = dir.Write("a.dat", Healthy().bytes);
  EXPECT_EQ(Check({"--json", dir.Path("no/such/dir/check.json"), file}).status, kExitWriteFailed);
}

}  // namespace
}  // namespace quarvex::cli
