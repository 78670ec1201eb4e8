// Recovery around live keys: older copies of a live key's record (identical, or with an older
// set of values), earlier values left in a live record's slack, and quarvex-cli recover's
// --all, --export-root and JSON members for them.
#include <gtest/gtest.h>

#include "cli/cli_run.h"
#include "recover/recover.h"
#include "recover/recovery_text.h"
#include "salvage/salvage.h"
#include "tests/support/test_namespaces.h"
#include "tests/support/test_support.h"

namespace quarvex::testing {
namespace {

using recover::Confidence;
using recover::RecoveredKey;

std::string Str(Bytes b) { return std::string(b.begin(), b.end()); }

std::vector<Value> AppValues() {
  return {Text("Path", "C:\\PROGRA~1\\APP"), Dword("Runs", 5), Binary("Blob", std::string("\x01\x02\x03\x00\x05", 5))};
}
std::vector<Value> OlderAppValues() { return {Text("Path", "C:\\OLD"), Dword("Runs", 5), Dword("Gone", 1)}; }

// root - Software - {App, Keep}; optionally free records sized for older copies of them.
struct Tree {
  HiveBuilder b;
  int root, software, app, keep;
  Tree() {
    root = b.AddKey(HiveBuilder::kRootParent, "");
    b.SetNoRecord(root);
    software = b.AddKey(root, "Software");
    app = b.AddKey(software, "App", AppValues());
    keep = b.AddKey(software, "Keep", {Text("Live", "yes")});
  }
};

// Writes a record into the free area of this size and frees it again: a record Windows wrote
// anew elsewhere, leaving the old one behind with no key node.
std::int64_t WriteOlderCopy(BuiltHive& h, const std::string& name, const std::vector<Value>& values,
                            std::uint16_t recNo, bool free = true) {
  for (const auto& [at, size] : FreeAreas(h, 0))
    if (size == RecordSize(name, values)) {
      ReuseSpace(h, at, name, values, recNo);
      if (free) FreeRecord(h, at);
      return at;
    }
  ADD_FAILURE() << "no free area for " << name;
  return -1;
}

struct Recovered {
  std::vector<std::uint8_t> bytes;
  salvage::SalvagedHive hive;
  recover::Recovery result;
  explicit Recovered(std::vector<std::uint8_t> b) : bytes(std::move(b)) {
    hive = salvage::Salvage(bytes);
    result = recover::Recover(hive);
  }
};

TEST(RecoverLive, OlderCopiesNameTheirLiveKey) {
  Tree t;
  t.b.AddFreeRecord(0, RecordSize("Keep", {Text("Live", "yes")}));
  t.b.AddFreeRecord(0, RecordSize("App", OlderAppValues()));
  BuiltHive h = t.b.Build();
  // Both written before either is freed (freeing one first would merge the other's area).
  const std::int64_t keepCopy = WriteOlderCopy(h, "Keep", {Text("Live", "yes")}, 40, false);
  const std::int64_t appCopy = WriteOlderCopy(h, "App", OlderAppValues(), 41, false);
  FreeRecord(h, keepCopy);
  FreeRecord(h, appCopy);
  const Recovered r(h.bytes);
  EXPECT_EQ(r.hive.summary.damage, 0u);
  ASSERT_EQ(r.result.keys.size(), 2u);
  EXPECT_EQ(r.result.summary.identicalCopies, 1u);
  EXPECT_EQ(r.result.summary.high, 0u) << "a copy is told by its content alone";
  for (const RecoveredKey& k : r.result.keys) {
    ASSERT_TRUE(k.liveCounterpart) << k.path;
    EXPECT_TRUE(k.olderCopy);
    EXPECT_EQ(k.link, recover::Link::LiveCopy);
    EXPECT_EQ(k.confidence, Confidence::Medium);
    if (k.offset.value == keepCopy) {
      EXPECT_EQ(k.path, "Software\\Keep");
      EXPECT_TRUE(k.liveCounterpart->identical);
      EXPECT_TRUE(k.liveCounterpart->changed.empty());
    } else {
      // App's older state: Path had other data, Gone was removed since, Blob added since.
      EXPECT_EQ(k.offset.value, appCopy);
      EXPECT_EQ(k.path, "Software\\App");
      EXPECT_FALSE(k.liveCounterpart->identical);
      std::vector<std::pair<std::string, recover::ValueChange::Kind>> changes;
      for (const recover::ValueChange& c : k.liveCounterpart->changed) changes.emplace_back(c.name, c.kind);
      const std::vector<std::pair<std::string, recover::ValueChange::Kind>> expected{
          {"Path", recover::ValueChange::Changed},
          {"Gone", recover::ValueChange::Removed},
          {"Blob", recover::ValueChange::Added}};
      EXPECT_EQ(changes, expected);
    }
  }
  // The older values are listed under the live key as well.
  ASSERT_EQ(r.result.liveKeys.size(), 1u);
  const recover::LiveKeyRemains& app = r.result.liveKeys[0];
  EXPECT_EQ(app.path, "Software\\App");
  ASSERT_EQ(app.values.size(), 2u);
  EXPECT_EQ(Str(app.values[0].value.name), "Path");
  EXPECT_EQ(Str(app.values[0].value.data), std::string("C:\\OLD", 7));
  EXPECT_EQ(app.values[0].where, recover::EarlierValue::OlderCopy);
  EXPECT_EQ(app.values[0].record.value, appCopy);
  EXPECT_EQ(Str(app.values[1].value.name), "Gone");
}

TEST(RecoverLive, ACopyDoesNotHideADeletionFromPairing) {
  // The block holds an older copy of Keep at the tail of its free list, then App is deleted:
  // the copy is not App's record, and App is placed all the same.
  Tree t;
  t.b.AddFreeRecord(0, RecordSize("Keep", {Text("Live", "yes")}));
  BuiltHive h = t.b.Build();
  WriteOlderCopy(h, "Keep", {Text("Live", "yes")}, 40);
  DeleteKey(h, t.app);
  const Recovered r(h.bytes);
  const RecoveredKey* app = nullptr;
  for (const RecoveredKey& k : r.result.keys)
    if (Str(k.name) == "App") app = &k;
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(app->path, "Software\\App");
  EXPECT_EQ(app->confidence, Confidence::High);
  EXPECT_FALSE(app->olderCopy);
  EXPECT_FALSE(app->liveCounterpart);
}

// Keep's record has 160 bytes of slack holding two values of an earlier state, then, at the
// very end, an entry whose data would run 40 bytes past the record.
BuiltHive SlackWithEarlierValues(std::int64_t& recordEnd) {
  Tree t;
  t.b.SetRecordSlack(t.keep, 160);
  BuiltHive h = t.b.Build();
  const std::int64_t rec = h.keyRecord[static_cast<std::size_t>(t.keep)];
  std::int64_t q = rec + static_cast<std::int32_t>(h.GetU32(rec + 8));
  recordEnd = rec + static_cast<std::int32_t>(h.GetU32(rec));
  auto entry = [&](std::int64_t at, std::uint16_t type, const std::string& name, const std::string& data,
                   std::uint16_t dataLength) {
    h.PutU16(at, type);
    h.PutU16(at + 8, static_cast<std::uint16_t>(name.size()));
    h.PutU16(at + 10, dataLength);
    std::copy(name.begin(), name.end(), h.bytes.begin() + at + 12);
    std::copy(data.begin(), data.end(), h.bytes.begin() + at + 12 + static_cast<std::int64_t>(name.size()));
    return at + 12 + static_cast<std::int64_t>(name.size()) + dataLength;
  };
  q = entry(q, 1, "GrpConv", std::string("grpconv.exe -o\0", 15), 15);
  q = entry(q, 4, "Count", std::string("\x07\x00\x00\x00", 4), 4);
  entry(recordEnd - 20, 1, "Tail", "abcd", 44);
  return h;
}

TEST(RecoverLive, SlackOfALiveRecordGivesItsEarlierValues) {
  std::int64_t recordEnd = 0;
  const BuiltHive h = SlackWithEarlierValues(recordEnd);
  const Recovered r(h.bytes);
  EXPECT_TRUE(r.result.keys.empty());
  ASSERT_EQ(r.result.liveKeys.size(), 1u);
  const recover::LiveKeyRemains& keep = r.result.liveKeys[0];
  EXPECT_EQ(keep.path, "Software\\Keep");
  ASSERT_EQ(keep.values.size(), 2u) << "the entry running past the record's end is not read";
  EXPECT_EQ(Str(keep.values[0].value.name), "GrpConv");
  EXPECT_EQ(Str(keep.values[0].value.data), std::string("grpconv.exe -o\0", 15));
  EXPECT_EQ(keep.values[0].confidence, Confidence::Medium);
  EXPECT_EQ(keep.values[0].where, recover::EarlierValue::Slack);
  EXPECT_EQ(Str(keep.values[1].value.name), "Count");
  EXPECT_EQ(keep.values[1].value.type, 4);
  for (const recover::EarlierValue& e : keep.values)
    EXPECT_LE(e.value.data.data() + e.value.data.size(), r.bytes.data() + recordEnd);
  EXPECT_EQ(r.result.summary.earlierValues, 2u);
  const std::vector<std::string> lines = recover::LiveKeyRemainsLines(keep, CodePage::Cp1252);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "live key Software\\Keep: earlier values");
  EXPECT_EQ(lines[1].rfind("  was: value \"GrpConv\" (REG_SZ): \"grpconv.exe -o\"  [at 0x", 0), 0u) << lines[1];
  EXPECT_NE(lines[1].find(", slack of the live record at 0x"), std::string::npos) << lines[1];
  EXPECT_NE(lines[1].find(", confidence medium]"), std::string::npos) << lines[1];
}

TEST(RecoverLive, ZeroSlackGivesNothing) {
  Tree t;
  t.b.SetRecordSlack(t.keep, 4000);
  const Recovered r(t.b.Build().bytes);
  EXPECT_TRUE(r.result.liveKeys.empty());
}

// ---- quarvex-cli recover ------------------------------------------------------------------

TEST(RecoverLiveCli, IdenticalCopiesOnlyWithAll) {
  Tree t;
  t.b.AddFreeRecord(0, RecordSize("Keep", {Text("Live", "yes")}));
  BuiltHive h = t.b.Build();
  WriteOlderCopy(h, "Keep", {Text("Live", "yes")}, 40);
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", h);
  const CliResult plain = Cli({"recover", file});
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out.find("key at 0x"), std::string::npos) << plain.out;
  EXPECT_NE(
      plain.out.find("0 keys and 0 values recovered: 0 high, 0 medium, 0 low confidence; 1 identical copy of live "
                     "keys not listed (--all lists them)"),
      std::string::npos)
      << plain.out;
  const CliResult all = Cli({"recover", "--all", file});
  EXPECT_NE(all.out.find("key at 0x"), std::string::npos) << all.out;
  EXPECT_NE(all.out.find("an older copy of the live key Software\\Keep: the same name and values"), std::string::npos);
  EXPECT_NE(all.out.find("  live counterpart: Software\\Keep, the same values"), std::string::npos) << all.out;
  EXPECT_NE(all.out.find("1 key and 1 value recovered: 0 high, 1 medium, 0 low confidence"), std::string::npos);

  const CliResult json = Cli({"recover", "--json", "-", "--all", file});
  EXPECT_NE(json.out.find("\"link\": \"live copy\", \"olderCopy\": true, \"liveCounterpart\": {\"path\": "
                          "\"Software\\\\Keep\", \"identical\": true, \"changed\": []}"),
            std::string::npos)
      << json.out;
  const std::string reg = dir.Path("copies.reg").string();
  ASSERT_EQ(Cli({"recover", "--all", "--export", reg, file}).status, 0);
  EXPECT_NE(ReadFileBytes(reg).find("confidence medium, an older copy of the live key\r\n[HKEY_USERS\\Software\\Keep]"),
            std::string::npos)
      << ReadFileBytes(reg);
  const CliResult hidden = Cli({"recover", "--json", "-", file});
  EXPECT_NE(hidden.out.find("\"keys\": [], \"liveKeys\": [], \"identicalCopiesNotListed\": 1"), std::string::npos)
      << hidden.out;
}

TEST(RecoverLiveCli, SlackValuesListedUnderTheLiveKey) {
  std::int64_t recordEnd = 0;
  const BuiltHive h = SlackWithEarlierValues(recordEnd);
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", h);
  const CliResult r = Cli({"recover", file});
  EXPECT_NE(r.out.find("live key Software\\Keep: earlier values\n  was: value \"GrpConv\" (REG_SZ)"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("; 2 earlier values of live keys"), std::string::npos) << r.out;
  const CliResult json = Cli({"recover", "--json", "-", file});
  EXPECT_NE(json.out.find("\"liveKeys\": [\n  {\"path\": \"Software\\\\Keep\", \"values\": [{\"offset\": "),
            std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"where\": \"slack\""), std::string::npos);
}

TEST(RecoverLiveCli, ExportRootFromContentOrNamed) {
  // A system.dat's top keys tell HKEY_LOCAL_MACHINE whatever the file is called.
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  int software = -1;
  for (const char* name : {"Config", "Enum", "hardware", "Network", "Security", "Software", "System"}) {
    const int k = b.AddKey(root, name);
    if (std::string(name) == "Software") software = k;
  }
  const int run = b.AddKey(software, "Run", {Text("Tool", "C:\\TOOL.EXE")});
  BuiltHive h = b.Build();
  DeleteKey(h, run);
  TempDir dir;
  const std::string file = dir.Write("copy-of-registry.bin", h);
  const std::string reg = dir.Path("out.reg").string();
  ASSERT_EQ(Cli({"recover", "--export", reg, file}).status, 0);
  EXPECT_NE(ReadFileBytes(reg).find("[HKEY_LOCAL_MACHINE\\Software\\Run]\r\n\"Tool\"=\"C:\\\\TOOL.EXE\"\r\n"),
            std::string::npos)
      << ReadFileBytes(reg);
  ASSERT_EQ(Cli({"recover", "--export", reg, "--export-root", "HKEY_CURRENT_USER", file}).status, 0);
  EXPECT_NE(ReadFileBytes(reg).find("[HKEY_CURRENT_USER\\Software\\Run]"), std::string::npos);
  EXPECT_EQ(Cli({"recover", "--export-root", "HKEY_USERS", file}).status, 2) << "goes with --export";
  EXPECT_EQ(Cli({"recover", "--export", reg, "--export-root", "A]B", file}).status, 2);
  EXPECT_EQ(Cli({"recover", "--export", reg, "--export-root", "", file}).status, 2);
}

}  // namespace
}  // namespace quarvex::testing
