// A hive through its copies: the copies of an image ordered by their dates (image/hive_copies.h)
// and `quarvex-cli history`, the changes from each copy to the next, one key's story, JSON.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "image/hive_copies.h"
#include "testkit/path_tree.h"
#include "tests/support/test_support.h"

namespace quarvex::testing {
namespace {

using image::HiveHistory;
using image::HiveKind;
using image::ListedHive;
using nlohmann::json;

// 2001-06-DAY at the hour, local wall-clock time as a FAT entry holds it.
constexpr std::time_t Day(int day, int hour = 0) { return (11473 + day) * 86400 + hour * 3600; }

ListedHive File(const std::string& path, HiveKind kind, std::time_t written, bool deleted = false) {
  ListedHive h;
  h.file.path = path;
  h.file.kind = kind;
  h.file.written = written;
  h.file.deleted = deleted;
  h.address = path;
  return h;
}

ListedHive Member(const std::string& cabinet, std::time_t cabinetWritten, const std::string& name, int day) {
  ListedHive h = File(cabinet, HiveKind::CabinetMember, cabinetWritten);
  h.member = image::CabinetMember{name, 1000, 2001, 6, day, 9, 0, 0};
  h.address = cabinet + "::" + name;
  return h;
}

std::vector<std::string> Wheres(const HiveHistory& h) {
  std::vector<std::string> out;
  for (const image::HiveCopy& c : h.copies) out.push_back(c.where);
  return out;
}

// The copies of each hive, oldest first by the member's own date (not the cabinet's), the live
// file last among copies of its date, deleted files and profiles apart from the main user.dat.
TEST(HiveCopies, EachHiveOldestFirst) {
  image::HiveListing listing;
  listing.hives = {
      File("WINDOWS/SYSTEM.DAT", HiveKind::Live, Day(14, 10)),
      File("WINDOWS/USER.DAT", HiveKind::Live, Day(14, 10)),
      File("SYSTEM.1ST", HiveKind::SetupCopy, Day(14, 10)),
      File("WINDOWS/SYSBCKUP/RB002.CAB", HiveKind::CabinetBackup, Day(13, 8)),
      Member("WINDOWS/SYSBCKUP/RB002.CAB", Day(13, 8), "SYSTEM.DAT", 12),
      Member("WINDOWS/SYSBCKUP/RB002.CAB", Day(13, 8), "USER.DAT", 12),
      File("WINDOWS/SYSBCKUP/RB001.CAB", HiveKind::CabinetBackup, Day(10, 8)),
      Member("WINDOWS/SYSBCKUP/RB001.CAB", Day(10, 8), "SYSTEM.DAT", 9),
      File("TEMP/_YSTEM.DAT", HiveKind::Live, Day(11), true),
      File("WINDOWS/PROFILES/ANNA/USER.DAT", HiveKind::Live, Day(14, 9)),
      File("WINDOWS/NOTES.TXT", HiveKind::Live, Day(1)),
  };
  const std::vector<HiveHistory> histories = image::HistoriesOf("disk.img", listing);
  ASSERT_EQ(histories.size(), 3u);
  EXPECT_EQ(histories[0].hive, "SYSTEM");
  EXPECT_EQ(Wheres(histories[0]),
            (std::vector<std::string>{"WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT", "TEMP/_YSTEM.DAT",
                                      "WINDOWS/SYSBCKUP/RB002.CAB::SYSTEM.DAT", "SYSTEM.1ST", "WINDOWS/SYSTEM.DAT"}));
  const image::HiveCopy& member = histories[0].copies[0];
  EXPECT_EQ(member.address, "disk.img::WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT");
  EXPECT_EQ(member.whenSource, "cabinet member");
  EXPECT_EQ(image::WallClockText(member.when), "2001-06-09 09:00:00");
  EXPECT_EQ(member.note, "the cabinet was written 2001-06-10 08:00:00");
  EXPECT_EQ(histories[0].copies[1].note, "deleted");
  EXPECT_TRUE(histories[0].copies.back().live);
  EXPECT_EQ(histories[1].hive, "USER");
  EXPECT_EQ(Wheres(histories[1]),
            (std::vector<std::string>{"WINDOWS/SYSBCKUP/RB002.CAB::USER.DAT", "WINDOWS/USER.DAT"}));
  EXPECT_EQ(histories[2].hive, "USER of profile ANNA");
}

TEST(HiveCopies, WallClockText) {
  const std::pair<std::time_t, const char*> cases[] = {{0, "1970-01-01 00:00:00"},
                                                       {951782400, "2000-02-29 00:00:00"},
                                                       {Day(14, 10) + 61, "2001-06-14 10:01:01"},
                                                       {-1, "1969-12-31 23:59:59"}};
  for (const auto& [when, text] : cases) EXPECT_EQ(image::WallClockText(when), text) << when;
}

// Three copies of one user.dat: a value changed and a key removed, then a key added.
struct Copies {
  TempDir dir;
  std::vector<std::string> files;
  Copies() {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    for (int copy = 0; copy < 3; ++copy) {
      testkit::PathTree t;
      t.Key("Software\\App", {Text("Path", copy == 0 ? "C:\\OLD" : "C:\\NEW")});
      if (copy == 0)
        t.Key(run, {Text("Tray", "C:\\TRAY.EXE"), Text("Scan", "C:\\SCAN.EXE")});
      else
        t.Key(run, {Text("Scan", "C:\\SCAN.EXE")});
      if (copy == 0) t.Key("Software\\Gone", {Dword("Runs", 5)});
      if (copy == 2) t.Key("Software\\Fresh", {Dword("Runs", 1)});
      files.push_back(dir.Write("USER" + std::to_string(copy) + ".DAT", t.builder.Build()));
    }
  }
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t end = text.find('\n', begin);
    lines.push_back(text.substr(begin, end - begin));
    begin = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

TEST(HistoryCli, EachStepNamesItsChanges) {
  const Copies c;
  const CliResult r = Cli({"history", c.files[0], c.files[1], c.files[2]});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_GE(lines.size(), 12u) << r.out;
  EXPECT_EQ(lines[0], "History of as named: 3 copies");
  EXPECT_TRUE(lines[1].starts_with("  [1] " + c.files[0] + "  ")) << lines[1];
  EXPECT_TRUE(lines[2].starts_with("      ") && lines[2].find(" bytes, SHA-256 ") != std::string::npos) << lines[2];
  const std::vector<std::string> steps(lines.begin() + 7, lines.end());
  EXPECT_EQ(steps, (std::vector<std::string>{
                       "", "== [1] -> [2]: 4 changes", "~ Software\\App: Path: \"C:\\\\OLD\" → \"C:\\\\NEW\"",
                       "- Software\\Microsoft\\Windows\\CurrentVersion\\Run: Tray: \"C:\\\\TRAY.EXE\"",
                       "- Software\\Gone", "- Software\\Gone: Runs: 0x00000005 (5)", "", "== [2] -> [3]: 2 changes",
                       "+ Software\\Fresh", "+ Software\\Fresh: Runs: 0x00000001 (1)"}))
      << r.out;
}

// --key: only the changes at and below the key (its name folded), and its values in each copy.
TEST(HistoryCli, OneKeysStory) {
  const Copies c;
  const CliResult r = Cli(
      {"history", "--key", "software\\microsoft\\windows\\currentversion\\RUN", c.files[0], c.files[1], c.files[2]});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("== [1] -> [2]: 1 change\n- Software\\Microsoft\\Windows\\CurrentVersion\\Run: Tray:"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("== [2] -> [3]: 0 changes\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  [1] present\n      Tray = \"C:\\\\TRAY.EXE\"\n      Scan = \"C:\\\\SCAN.EXE\"\n"),
            std::string::npos)
      << r.out;
  const CliResult gone = Cli({"history", "--key", "Software\\Gone", c.files[0], c.files[2]});
  EXPECT_NE(gone.out.find("  [2] removed\n"), std::string::npos) << gone.out;
}

TEST(HistoryCli, JsonHoldsCopiesStepsAndTheKey) {
  const Copies c;
  const CliResult r = Cli({"history", "--json", "--key", "Software\\App", c.files[0], c.files[1], c.files[2]});
  ASSERT_EQ(r.status, 0) << r.err;
  const json doc = json::parse(r.out);
  ASSERT_EQ(doc["histories"].size(), 1u);
  const json& h = doc["histories"][0];
  EXPECT_EQ(h["copies"].size(), 3u);
  EXPECT_EQ(h["copies"][0]["sha256"].get<std::string>().size(), 64u);
  EXPECT_EQ(h["copies"][0]["md5"].get<std::string>().size(), 32u);
  ASSERT_EQ(h["steps"].size(), 2u);
  ASSERT_EQ(h["steps"][0]["changes"].size(), 1u);
  EXPECT_EQ(h["steps"][0]["changes"][0]["change"], "value changed");
  EXPECT_EQ(h["steps"][0]["changes"][0]["old"]["text"], "C:\\OLD");
  EXPECT_EQ(h["steps"][0]["changes"][0]["new"]["text"], "C:\\NEW");
  EXPECT_EQ(h["key"]["states"][2]["state"]["present"], true);
}

// A copy that is no hive is said and skipped: the step runs from the copy before it.
TEST(HistoryCli, AnUnreadableCopyIsSkipped) {
  const Copies c;
  const std::string junk = c.dir.Write("JUNK.DAT", std::string("not a registry file at all"));
  const CliResult r = Cli({"history", c.files[0], junk, c.files[2]});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("  [2] " + junk + "  "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(not readable)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("== [1] -> [3]: "), std::string::npos) << r.out;
  EXPECT_FALSE(r.err.empty());
}

TEST(HistoryCli, UsageErrors) {
  const std::vector<std::vector<std::string>> cases = {
      {"history"}, {"history", "--key"}, {"history", "--bogus", "A"}, {"history", "--codepage", "no-such", "A"}};
  for (const std::vector<std::string>& args : cases) EXPECT_EQ(Cli(args).status, 2) << args.size();
}

}  // namespace
}  // namespace quarvex::testing
