// The same hive through its copies, as the browser's History view and the facts report take
// them: one key's story across copies (timeline/key_story.h), the copies of a loose file found in
// its folder and SYSBCKUP (image/hive_copies.h), and the facts of older copies told under the
// newest copy's (facts/older_copies.h, `quarvex-cli facts`).
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>

#include "browse/hive_view.h"
#include "image/hive_copies.h"
#include "salvage/salvage.h"
#include "testkit/path_tree.h"
#include "tests/support/test_support.h"
#include "timeline/key_story.h"
#include "tools/hive_generator.h"

namespace quarvex::testing {
namespace {

using nlohmann::json;
using timeline::KeyState;
using timeline::ValueMark;

struct Viewed {
  std::vector<std::uint8_t> bytes;
  salvage::SalvagedHive hive;
  std::unique_ptr<browse::HiveView> view;
  explicit Viewed(std::vector<std::uint8_t> b) : bytes(std::move(b)) {
    hive = salvage::Salvage(bytes);
    view = std::make_unique<browse::HiveView>(hive, CodePage::Cp1252);
  }
};

// A hive with Software\App holding these values (none: no App key), and Software\Other.
std::vector<std::uint8_t> WithApp(std::optional<std::vector<testkit::Value>> values) {
  testkit::PathTree t;
  t.Key("Software\\Other", {Dword("Runs", 1)});
  if (values) t.Key("Software\\App", *values);
  return t.builder.Build().bytes;
}

// One row per copy: its state, then "name=data(mark)" per value and "-name" per value removed.
std::string Told(const timeline::KeyInCopy& k) {
  std::string s = timeline::KeyStateName(k.state);
  for (const timeline::ValueInCopy& v : k.values)
    s += " " + v.name + "=" + v.data +
         (v.mark == ValueMark::Added     ? "(added)"
          : v.mark == ValueMark::Changed ? "(changed)"
                                         : "");
  for (const std::string& gone : k.removedValues) s += " -" + gone;
  return s;
}

// Each copy against the last readable one before it: absent, added, changed (a value's data; a
// value gone), present as before, a copy that is no hive skipped, removed, absent again; value
// names compared with ASCII letters folded.
TEST(KeyStory, EachCopyAgainstTheReadableOneBefore) {
  using V = std::vector<testkit::Value>;
  std::vector<std::unique_ptr<Viewed>> copies;
  for (const std::optional<V>& app : std::vector<std::optional<V>>{
           std::nullopt, V{Text("Path", "C:\\A"), Dword("Runs", 1)}, V{Text("Path", "C:\\B"), Dword("RUNS", 1)},
           V{Text("Path", "C:\\B")}, V{Text("Path", "C:\\B")}, V{}, std::nullopt, std::nullopt})
    copies.push_back(std::make_unique<Viewed>(WithApp(app)));
  std::vector<const browse::HiveView*> views;
  for (const auto& c : copies) views.push_back(c->view.get());
  views[5] = nullptr;  // not readable
  const std::vector<timeline::KeyInCopy> story = timeline::KeyStory(views, "software\\APP");
  std::vector<std::string> told;
  for (const timeline::KeyInCopy& k : story) told.push_back(Told(k));
  EXPECT_EQ(told, (std::vector<std::string>{"absent", "added Path=\"C:\\\\A\" Runs=0x00000001 (1)",
                                            "changed Path=\"C:\\\\B\"(changed) RUNS=0x00000001 (1)",
                                            "changed Path=\"C:\\\\B\" -RUNS", "present Path=\"C:\\\\B\"",
                                            "not readable", "removed", "absent"}));
}

// 2001-06-DAY 08:00:00 UTC as a file's written time.
void SetWritten(const std::filesystem::path& path, int day) {
  const std::chrono::sys_seconds when{std::chrono::seconds((11473 + day) * 86400LL + 8 * 3600)};
  std::filesystem::last_write_time(path, std::chrono::file_clock::from_sys(when));
}

std::vector<std::string> Names(const image::HiveHistory& h) {
  std::vector<std::string> names;
  for (const image::HiveCopy& c : h.copies) names.push_back(std::filesystem::path(c.address).filename().string());
  return names;
}

// A loose system.dat's copies: SYSTEM.DA0 beside it and SYSTEM.1ST in SYSBCKUP (names in any
// case), oldest first by their written dates; not USER.DAT nor SYSTEM.BAK. Asked from the
// backup in SYSBCKUP, the same copies; a name of no hive has none.
TEST(HiveCopies, ALooseFilesFolderAndSysbckup) {
  const TempDir dir;
  const std::vector<std::uint8_t> bytes = WithApp(std::nullopt);
  const std::string hive(bytes.begin(), bytes.end());
  std::filesystem::create_directory(dir.Path("Sysbckup"));
  const std::pair<const char*, int> files[] = {
      {"SYSTEM.DAT", 14}, {"system.da0", 12}, {"Sysbckup/SYSTEM.1ST", 2}, {"USER.DAT", 13}, {"SYSTEM.BAK", 1}};
  for (const auto& [name, day] : files) {
    dir.Write(name, hive);
    SetWritten(dir.Path(name), day);
  }
  std::string error;
  const std::optional<image::HiveHistory> live = image::CopiesOf(dir.Path("SYSTEM.DAT").string(), error);
  ASSERT_TRUE(live) << error;
  EXPECT_EQ(live->hive, "SYSTEM");
  EXPECT_EQ(Names(*live), (std::vector<std::string>{"SYSTEM.1ST", "system.da0", "SYSTEM.DAT"}));
  EXPECT_EQ(image::CopyWhenText(live->copies[0]), "2001-06-02 08:00:00 (written, UTC)");
  EXPECT_TRUE(live->copies[2].live);
  EXPECT_FALSE(live->copies[1].live);
  const std::optional<image::HiveHistory> fromBackup = image::CopiesOf(dir.Path("Sysbckup/SYSTEM.1ST").string(), error);
  ASSERT_TRUE(fromBackup) << error;
  EXPECT_EQ(Names(*fromBackup), Names(*live));
  // A copy by another name has the folder's copies, itself among them.
  const std::optional<image::HiveHistory> renamed = image::CopiesOf(dir.Path("SYSTEM.BAK").string(), error);
  ASSERT_TRUE(renamed) << error;
  EXPECT_EQ(Names(*renamed), (std::vector<std::string>{"SYSTEM.BAK", "SYSTEM.1ST", "system.da0", "SYSTEM.DAT"}));
  EXPECT_FALSE(image::CopiesOf(dir.Path("EVIDENCE.DAT").string(), error));
  EXPECT_NE(error.find("the name EVIDENCE.DAT is no registry file's"), std::string::npos) << error;
}

// Which named files are copies of one hive: the same hive in one folder (with its SYSBCKUP),
// oldest first; a user.dat and a system.dat of another folder are in no set.
TEST(HiveCopies, SetsAmongTheFilesNamed) {
  const TempDir dir;
  const std::vector<std::uint8_t> bytes = WithApp(std::nullopt);
  const std::string hive(bytes.begin(), bytes.end());
  std::filesystem::create_directory(dir.Path("other"));
  for (const auto& [name, day] : std::vector<std::pair<std::string, int>>{
           {"SYSTEM.DAT", 14}, {"USER.DAT", 14}, {"SYSTEM.DA0", 12}, {"other/SYSTEM.DAT", 1}}) {
    dir.Write(name, hive);
    SetWritten(dir.Path(name), day);
  }
  const std::vector<std::string> named = {dir.Path("SYSTEM.DAT").string(), dir.Path("USER.DAT").string(),
                                          dir.Path("SYSTEM.DA0").string(), dir.Path("other/SYSTEM.DAT").string()};
  const std::vector<std::vector<image::NamedCopy>> sets = image::CopySets(named);
  ASSERT_EQ(sets.size(), 1u);
  ASSERT_EQ(sets[0].size(), 2u);
  EXPECT_EQ(sets[0][0].index, 2u);
  EXPECT_EQ(sets[0][1].index, 0u);
  EXPECT_EQ(sets[0][0].copy.address, named[2]);
}

// Two copies of one user.dat: Run's Tray changed, Gone only in the older copy, Scan alike.
struct UserCopies {
  TempDir dir;
  std::string live, backup;
  UserCopies() {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    for (const bool older : {true, false}) {
      testkit::PathTree t;
      t.Key("Control Panel\\Desktop", {Text("Wallpaper", "(None)")});
      std::vector<testkit::Value> values = {Text("Scan", "C:\\SCAN.EXE"),
                                            Text("Tray", older ? "C:\\OLD.EXE" : "C:\\NEW.EXE")};
      if (older) values.push_back(Text("Gone", "C:\\GONE.EXE"));
      t.Key(run, values);
      (older ? backup : live) = dir.Write(older ? "USER.DA0" : "USER.DAT", t.builder.Build());
    }
    SetWritten(backup, 10);
    SetWritten(live, 12);
  }
};

TEST(FactsOfCopies, OlderValuesUnderTheNewestCopysFact) {
  const UserCopies c;
  const CliResult r = Cli({"facts", "--no-recovered", c.live, c.backup});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string older = "older copy " + c.backup + " (2001-06-10 08:00:00, written, UTC)";
  EXPECT_NE(r.out.find("  [1] " + c.live + ": user hive, the newest of 2 copies (2001-06-12 08:00:00, written, UTC)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("  [2] " + c.backup + ": user hive, older copy of [1] (2001-06-10 08:00:00, written, UTC)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(
      r.out.find("      Scan = C:\\SCAN.EXE\n      Tray = C:\\NEW.EXE\n        " + older + ": Tray = C:\\OLD.EXE\n"),
      std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("  [2] Software\\Microsoft\\Windows\\CurrentVersion\\Run  (" + older +
                       ")\n      Gone = C:\\GONE.EXE\n"),
            std::string::npos)
      << r.out;
  // The older copy's alike facts are not repeated: the wallpaper and Scan once each.
  EXPECT_EQ(r.out.find("SCAN.EXE"), r.out.rfind("SCAN.EXE")) << r.out;
  EXPECT_EQ(r.out.find("Wallpaper ="), r.out.rfind("Wallpaper =")) << r.out;
}

TEST(FactsOfCopies, JsonAndCsvMarkTheOlderCopy) {
  const UserCopies c;
  const CliResult r = Cli({"facts", "--no-recovered", "--json", "-", c.backup, c.live});
  ASSERT_EQ(r.status, 0) << r.err;
  const json doc = json::parse(r.out);
  EXPECT_EQ(doc["hives"][0]["newestCopy"], 1);
  EXPECT_EQ(doc["hives"][0]["copyDate"], "2001-06-10 08:00:00, written, UTC");
  EXPECT_TRUE(doc["hives"][1]["newestCopy"].is_null());
  EXPECT_EQ(doc["hives"][1]["copyDate"], "2001-06-12 08:00:00, written, UTC");
  std::map<std::string, json> byValue;
  for (const json& f : doc["facts"])
    if (f["key"] == "Software\\Microsoft\\Windows\\CurrentVersion\\Run") byValue[f["value"]] = f;
  ASSERT_EQ(byValue.size(), 3u) << r.out;
  EXPECT_EQ(byValue["Tray"]["hive"], 1);
  EXPECT_FALSE(byValue["Tray"]["olderCopy"].get<bool>());
  ASSERT_EQ(byValue["Tray"]["older"].size(), 1u);
  EXPECT_EQ(byValue["Tray"]["older"][0]["hive"], 0);
  EXPECT_EQ(byValue["Tray"]["older"][0]["dataText"], "C:\\OLD.EXE");
  EXPECT_TRUE(byValue["Scan"]["older"].empty());
  EXPECT_TRUE(byValue["Gone"]["olderCopy"].get<bool>());
  EXPECT_EQ(byValue["Gone"]["hive"], 0);

  const CliResult csv = Cli({"facts", "--no-recovered", "--csv", "-", c.live, c.backup});
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(csv.out.substr(0, csv.out.find("\r\n")),
            "theme,fact,label,file,hive "
            "kind,key,value,position,type,text,note,origin,findings,data,via,sha256,md5,copy,copy date");
  const std::size_t tray = csv.out.find("\"Tray\"");
  ASSERT_NE(tray, std::string::npos);
  const std::size_t end = csv.out.find("\r\n", tray);
  EXPECT_NE(csv.out.substr(tray, end - tray).find(",newest,\"2001-06-12 08:00:00, written, UTC\""), std::string::npos);
  const std::string next = csv.out.substr(end + 2, csv.out.find("\r\n", end + 2) - end - 2);
  EXPECT_NE(next.find("\"Tray\""), std::string::npos) << next;
  EXPECT_NE(next.find("C:\\OLD.EXE"), std::string::npos) << next;
  EXPECT_NE(next.find(",older,\"2001-06-10 08:00:00, written, UTC\""), std::string::npos) << next;
}

// A hive of another name beside the copies stays a hive of its own.
TEST(FactsOfCopies, UnrelatedHivesAreNotCopies) {
  const UserCopies c;
  const std::string elsewhere = c.dir.Path("elsewhere.dat").string();
  std::filesystem::copy_file(c.live, elsewhere);
  const CliResult r = Cli({"facts", "--no-recovered", c.live, elsewhere});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("older copy"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("newest of"), std::string::npos) << r.out;
}

// At a real size (a generated 10,000-key user.dat over 1 MB, of 20 and more blocks): a backup holding the
// same bytes adds no row, so the facts of both copies are the newest copy's facts alone.
TEST(FactsOfCopies, AnUnchangedBackupAddsNothingAtRealSize) {
  const TempDir dir;
  tools::GeneratorOptions options;
  options.keys = 10000;
  const testkit::BuiltHive hive = tools::GenerateHive(options);
  ASSERT_GT(hive.bytes.size(), 1000000u);
  const std::string live = dir.Write("USER.DAT", hive), backup = dir.Write("USER.DA0", hive);
  SetWritten(backup, 10);
  SetWritten(live, 12);
  const CliResult alone = Cli({"facts", "--json", "-", live});
  const CliResult both = Cli({"facts", "--json", "-", live, backup});
  ASSERT_EQ(both.status, 0) << both.err;
  const json one = json::parse(alone.out), two = json::parse(both.out);
  ASSERT_GE(one["facts"].size(), 5u);
  EXPECT_EQ(two["facts"].size(), one["facts"].size());
  for (const json& f : two["facts"]) {
    EXPECT_EQ(f["hive"], 0) << f.dump();
    EXPECT_TRUE(f["older"].empty()) << f.dump();
  }
  EXPECT_EQ(two["hives"][1]["newestCopy"], 0);
}

// `history` with one loose hive named alone: its copies beside it, and --key marks each copy.
TEST(HistoryOfCopies, OneFileNamedAloneGivesItsFolder) {
  const UserCopies c;
  const CliResult r = Cli({"history", "--key", "Software\\Microsoft\\Windows\\CurrentVersion\\Run", c.live});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("History of USER: 2 copies\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2001-06-10 08:00:00 (written, UTC)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  [2] changed\n      Scan = \"C:\\\\SCAN.EXE\"\n      Tray = \"C:\\\\NEW.EXE\"  (changed)\n"
                       "      Gone  (removed)\n"),
            std::string::npos)
      << r.out;
}

}  // namespace
}  // namespace quarvex::testing
