// Recovery of deleted keys: fixtures made by deleting keys the way Windows 9x does, then
// reusing their space, then filling dead gap with noise; quarvex-cli recover; the real hive.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "cli/cli_run.h"
#include "recover/recover.h"
#include "salvage/salvage.h"
#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

using recover::Confidence;
using recover::Link;
using recover::RecoveredKey;
using recover::Recovery;

// The image outlives the recovery that views it.
struct Recovered {
  std::vector<std::uint8_t> bytes;
  salvage::SalvagedHive hive;
  Recovery result;
  explicit Recovered(std::vector<std::uint8_t> b) : bytes(std::move(b)) {
    hive = salvage::Salvage(bytes);
    result = recover::Recover(hive);
  }
  const RecoveredKey* Named(const std::string& name) const {
    for (const RecoveredKey& k : result.keys)
      if (std::string(k.name.begin(), k.name.end()) == name) return &k;
    return nullptr;
  }
  std::size_t High() const { return result.summary.high; }
};

std::string Str(Bytes b) { return std::string(b.begin(), b.end()); }

// Every value listed must be one of the key's real values (whole), or a prefix of one
// (partial): recovery may lose bytes, never make them up.
void ExpectValuesTrue(const RecoveredKey& k, const std::vector<Value>& real, bool allWhole) {
  ASSERT_LE(k.values.size(), real.size());
  for (std::size_t i = 0; i < k.values.size(); ++i) {
    const recover::RecoveredValue& v = k.values[i];
    EXPECT_EQ(v.type, real[i].type) << i;
    if (v.partial) {
      EXPECT_FALSE(allWhole) << i;
      EXPECT_EQ(Str(v.data), real[i].data.substr(0, v.data.size())) << i;
    } else {
      EXPECT_EQ(Str(v.name), real[i].name) << i;
      EXPECT_EQ(Str(v.data), real[i].data) << i;
    }
  }
  if (allWhole) {
    EXPECT_EQ(k.values.size(), real.size());
  }
}

std::vector<Value> AppValues() {
  return {Text("Path", "C:\\PROGRA~1\\APP"), Dword("Runs", 5), Binary("Blob", std::string("\x01\x02\x03\x00\x05", 5))};
}

// root - Software - {App (3 values), Keep}
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

TEST(Recover, HealthyHiveRecoversNothing) {
  Tree t;
  const Recovered r(t.b.Build().bytes);
  EXPECT_TRUE(r.result.keys.empty());
}

TEST(Recover, DeletedLeafKeyWithPathAndValues) {
  for (bool last : {false, true}) {
    Tree t;
    BuiltHive h = t.b.Build();
    const int victim = last ? t.keep : t.app;
    DeleteKey(h, victim);
    const Recovered r(h.bytes);
    EXPECT_EQ(r.hive.summary.damage, 0u) << "the deletion leaves a consistent hive";
    ASSERT_EQ(r.result.keys.size(), 1u);
    const RecoveredKey& k = r.result.keys[0];
    EXPECT_EQ(k.offset.value, h.keyRecord[static_cast<std::size_t>(victim)]);
    EXPECT_EQ(k.path, last ? "Software\\Keep" : "Software\\App");
    // The free view took the record's numbers: the only freed node and the only record left to
    // explain pair up by elimination, and nothing shows space used again since: placed.
    EXPECT_EQ(k.confidence, Confidence::High);
    EXPECT_EQ(k.link, Link::Elimination);
    EXPECT_FALSE(k.pathGuessed);
    EXPECT_TRUE(k.parentKnown);
    EXPECT_FALSE(k.partial);
    ASSERT_TRUE(k.node);
    EXPECT_EQ(k.node->value, h.keyNode[static_cast<std::size_t>(victim)]);
    ExpectValuesTrue(k, last ? std::vector<Value>{Text("Live", "yes")} : AppValues(), true);
  }
}

// A deleted Run under one CurrentVersion, with or without a live Run under another
// CurrentVersion: the namesake is named as support, and the placement and its confidence are
// the same either way (a fitting name never places a key on its own).
TEST(Recover, ANameThatFitsItsParentSupportsButNeverPlaces) {
  for (const bool namesake : {false, true}) {
    HiveBuilder b;
    const int root = b.AddKey(HiveBuilder::kRootParent, "");
    b.SetNoRecord(root);
    const int user = b.AddKey(root, "Software");
    const int mine = b.AddKey(b.AddKey(user, "Vendor"), "CurrentVersion");
    const int run = b.AddKey(mine, "Run", {Text("Tray", "C:\\TRAY.EXE")});
    b.AddKey(mine, "Keep", {Text("Live", "yes")});
    const int other = b.AddKey(b.AddKey(root, "Default"), "CurrentVersion");
    if (namesake)
      b.AddKey(other, "Run", {Text("Scan", "C:\\SCAN.EXE")});
    else
      b.AddKey(other, "Walk", {Text("Scan", "C:\\SCAN.EXE")});
    BuiltHive h = b.Build();
    DeleteKey(h, run);
    const Recovered r(h.bytes);
    const RecoveredKey* k = r.Named("Run");
    ASSERT_NE(k, nullptr) << namesake;
    EXPECT_EQ(k->path, "Software\\Vendor\\CurrentVersion\\Run");
    EXPECT_EQ(k->confidence, Confidence::High) << namesake;
    EXPECT_EQ(k->link, Link::Elimination);
    const bool supported = std::any_of(k->reasons.begin(), k->reasons.end(), [](const std::string& reason) {
      return reason ==
             "its name fits its parent (support only): the live key Default\\CurrentVersion\\Run has this "
             "name under a key named as its parent";
    });
    EXPECT_EQ(supported, namesake);
  }
}

TEST(Recover, DeletedSubtree) {
  Tree t;
  const int old = t.b.AddKey(t.software, "Old", {Dword("Level", 1)});
  const int a = t.b.AddKey(old, "A", {Text("Name", "alpha")});
  const int b = t.b.AddKey(old, "B", {Text("Name", "beta"), Dword("N", 2)});
  BuiltHive h = t.b.Build();
  DeleteKey(h, old);
  const Recovered r(h.bytes);
  EXPECT_EQ(r.hive.summary.damage, 0u);
  ASSERT_EQ(r.result.keys.size(), 3u);
  const RecoveredKey* ko = r.Named("Old");
  const RecoveredKey* ka = r.Named("A");
  const RecoveredKey* kb = r.Named("B");
  ASSERT_TRUE(ko && ka && kb);
  EXPECT_EQ(ko->path, "Software\\Old");
  EXPECT_EQ(ka->path, "Software\\Old\\A");
  EXPECT_EQ(kb->path, "Software\\Old\\B");
  // B's record merged into the free area before it and kept its own numbers: an exact link.
  EXPECT_EQ(kb->link, Link::Exact);
  EXPECT_EQ(kb->recordNumber, h.keyRecordNo[static_cast<std::size_t>(b)]);
  // Old and A lost theirs to free views: the k-th freed node naming the block against the k-th
  // record on the block's free list (both lists take a deletion at their heads).
  EXPECT_EQ(ko->link, Link::Order);
  EXPECT_EQ(ka->link, Link::Order);
  EXPECT_FALSE(ko->pathGuessed);
  EXPECT_EQ(ko->confidence, Confidence::High);
  EXPECT_EQ(ka->confidence, Confidence::High);
  // B's path runs through Old's placed node.
  EXPECT_FALSE(kb->pathGuessed);
  EXPECT_EQ(kb->confidence, Confidence::High);
  ExpectValuesTrue(*ko, {Dword("Level", 1)}, true);
  ExpectValuesTrue(*ka, {Text("Name", "alpha")}, true);
  ExpectValuesTrue(*kb, {Text("Name", "beta"), Dword("N", 2)}, true);
  (void)a;
}

TEST(Recover, OldNodeBehindTheStartOfAFreeArea) {
  // A free key-node area of two nodes' room: its Size (at +4, after Attr) covers both, and the
  // node behind its start lies there whole, off the list. The whole area is read for old
  // nodes, not only the 28 bytes at its start.
  Tree t;
  const int old = t.b.AddKey(t.software, "Old", {Dword("Level", 1)});
  const int a = t.b.AddKey(old, "A", {Text("Name", "alpha")});
  BuiltHive h = t.b.Build();
  const std::int64_t oldAt = h.KeyNodeFileOffset(old);
  const std::int64_t aAt = h.KeyNodeFileOffset(a);
  ASSERT_EQ(aAt, oldAt + 28);
  const std::vector<std::uint8_t> whole = h.bytes;
  DeleteKey(h, old);  // A is freed first, then Old: the list runs Old, A
  ASSERT_EQ(h.GetU32(oldAt + 8), static_cast<std::uint32_t>(aAt - 32));
  h.PutU32(oldAt + 4, 56);
  h.PutU32(oldAt + 8, h.GetU32(aAt + 8));
  // A's node as it was, and its record's header inside the free area in front of it (merged
  // into it with its numbers, as when the record before it was freed first).
  std::copy_n(whole.begin() + aAt, 28, h.bytes.begin() + aAt);
  const std::int64_t aRecord = h.keyRecord[static_cast<std::size_t>(a)];
  std::copy_n(whole.begin() + aRecord, 12, h.bytes.begin() + aRecord);

  const Recovered r(h.bytes);
  const RecoveredKey* ka = r.Named("A");
  ASSERT_TRUE(ka);
  EXPECT_EQ(ka->path, "Software\\Old\\A");
  EXPECT_FALSE(ka->pathGuessed);
  ExpectValuesTrue(*ka, {Text("Name", "alpha")}, true);
}

TEST(Recover, SubtreeAcrossBlocks) {
  // One deleted key per block: each pairing is one to one (by elimination).
  Tree t;
  const int old = t.b.AddKey(t.software, "Old", {Dword("Level", 1)});
  const int child = t.b.AddKey(old, "Child", {Text("Name", "c")});
  t.b.PlaceInBlock(child, 1);
  BuiltHive h = t.b.Build();
  DeleteKey(h, old);
  const Recovered r(h.bytes);
  const RecoveredKey* ko = r.Named("Old");
  const RecoveredKey* kc = r.Named("Child");
  ASSERT_TRUE(ko && kc);
  EXPECT_EQ(kc->path, "Software\\Old\\Child");
  EXPECT_EQ(ko->link, Link::Elimination);
  EXPECT_EQ(kc->link, Link::Elimination);
  EXPECT_EQ(kc->confidence, Confidence::High);
}

TEST(Recover, KeyWithManyValues) {
  Tree t;
  std::vector<Value> values;
  for (int i = 0; i < 60; ++i) {
    const std::string n = "Value" + std::to_string(i);
    values.push_back(i % 3 == 0   ? Text(n, "text " + std::to_string(i))
                     : i % 3 == 1 ? Dword(n, static_cast<std::uint32_t>(i))
                                  : Binary(n, std::string(static_cast<std::size_t>(i), 'x')));
  }
  const int big = t.b.AddKey(t.software, "Big", values);
  BuiltHive h = t.b.Build();
  DeleteKey(h, big);
  const Recovered r(h.bytes);
  ASSERT_EQ(r.result.keys.size(), 1u);
  EXPECT_EQ(r.result.keys[0].confidence, Confidence::High);
  EXPECT_EQ(r.result.keys[0].path, "Software\\Big");
  ExpectValuesTrue(r.result.keys[0], values, true);
}

TEST(Recover, FreedRecordLaterPartlyReusedIsPartialNeverWrong) {
  Tree t;
  BuiltHive h = t.b.Build();
  DeleteKey(h, t.app);
  const std::int64_t at = h.keyRecord[static_cast<std::size_t>(t.app)];
  // The new record starts behind the first value: the name and "Path" survive.
  const std::vector<Value> real = AppValues();
  const std::int64_t firstValueEnd = at + 20 + 3 + 12 + 4 + static_cast<std::int64_t>(real[0].data.size());
  ReuseSpace(h, firstValueEnd, "N", {}, 30);
  const Recovered r(h.bytes);
  const RecoveredKey* k = r.Named("App");
  ASSERT_NE(k, nullptr);
  EXPECT_TRUE(k->partial);
  EXPECT_NE(k->confidence, Confidence::High);
  EXPECT_EQ(k->path, "Software\\App");
  ExpectValuesTrue(*k, real, false);
  ASSERT_GE(k->values.size(), 1u);
  EXPECT_FALSE(k->values[0].partial);
  EXPECT_EQ(r.High(), 0u);
}

TEST(Recover, FreedRecordReusedFromItsStart) {
  // The new record covers the old header; the free view behind it stands over old values.
  Tree t;
  BuiltHive h = t.b.Build();
  DeleteKey(h, t.app);
  ReuseSpace(h, h.keyRecord[static_cast<std::size_t>(t.app)], "Nu", {Dword("X", 1)}, 30);
  const Recovered r(h.bytes);
  EXPECT_EQ(r.High(), 0u);
  for (const RecoveredKey& k : r.result.keys) EXPECT_NE(Str(k.name), "App");
}

TEST(Recover, RecordDeletedTwiceOver) {
  // App is deleted; its space is reused by a newer record, which is deleted in turn.
  Tree t;
  BuiltHive h = t.b.Build();
  DeleteKey(h, t.app);
  const std::int64_t at = h.keyRecord[static_cast<std::size_t>(t.app)];
  ReuseSpace(h, at, "Newer", {Text("T", "n")}, 30);
  FreeRecord(h, at);
  const Recovered r(h.bytes);
  const RecoveredKey* newer = r.Named("Newer");
  ASSERT_NE(newer, nullptr);
  ExpectValuesTrue(*newer, {Text("T", "n")}, true);
  EXPECT_EQ(r.Named("App"), nullptr);
  // App's node names a released number and Newer is the only record of the block that lost
  // its numbers: the pairing by elimination is wrong here. The free area Newer's record took in
  // when it was freed starts with a free view over no record (the rest of the area Newer was
  // written into): space was allocated since, so the path stays in doubt and the key medium.
  EXPECT_EQ(newer->link, Link::Elimination);
  EXPECT_TRUE(newer->pathGuessed);
  EXPECT_EQ(newer->confidence, Confidence::Medium);
  EXPECT_EQ(r.High(), 0u);
  for (const RecoveredKey& k : r.result.keys)
    for (const recover::RecoveredValue& v : k.values) EXPECT_NE(Str(v.name), "Runs");
}

TEST(Recover, RecordMergedIntoAFreeAreaKeepsItsNumbers) {
  // App is deleted first (free view), then Keep, whose record lies right behind App's: the
  // free area grows over it and Keep's whole header survives, Rec# included: an exact link.
  Tree t;
  BuiltHive h = t.b.Build();
  DeleteKey(h, t.app);
  DeleteKey(h, t.keep);
  const Recovered r(h.bytes);
  const RecoveredKey* keep = r.Named("Keep");
  const RecoveredKey* app = r.Named("App");
  ASSERT_TRUE(keep && app);
  EXPECT_EQ(keep->source, recover::Source::InFreeArea);
  EXPECT_EQ(keep->link, Link::Exact);
  EXPECT_EQ(keep->path, "Software\\Keep");
  EXPECT_EQ(keep->confidence, Confidence::High);
  ExpectValuesTrue(*keep, {Text("Live", "yes")}, true);
  EXPECT_EQ(app->link, Link::Elimination);
  EXPECT_EQ(app->confidence, Confidence::High);
  ExpectValuesTrue(*app, AppValues(), true);
}

BuiltHive LostApp() {
  Tree t;
  BuiltHive h = t.b.Build();
  // Software's child chain skips App, whose node stays as it was (no free view).
  h.PutU32(h.KeyNodeFileOffset(t.software) + 16,
           static_cast<std::uint32_t>(h.keyNode[static_cast<std::size_t>(t.keep)]));
  return h;
}

TEST(Recover, LostNodeNeverFreedMatchesByChecksum) {
  const BuiltHive h = LostApp();
  const Recovered r(h.bytes);
  const RecoveredKey* k = r.Named("App");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->source, recover::Source::LostKey);
  EXPECT_EQ(k->path, "Software\\App");
  EXPECT_EQ(k->confidence, Confidence::High);
  ExpectValuesTrue(*k, AppValues(), true);
}

TEST(Recover, OrphanRecordWithoutNodeIsNotHigh) {
  Tree t;
  t.b.AddOrphanRecord(0, 40, "Orphan");
  const Recovered r(t.b.Build().bytes);
  const RecoveredKey* k = r.Named("Orphan");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->path, "(unknown parent)\\Orphan");
  EXPECT_EQ(k->confidence, Confidence::Medium);
  EXPECT_EQ(k->recordNumber, std::uint16_t{40});
}

TEST(Recover, RecordInDeadGapSlack) {
  // A deleted key's record whose bytes lie whole in the slack of a live record (dead gap).
  Tree t;
  t.b.SetRecordSlack(t.keep, 64);
  BuiltHive h = t.b.Build();
  const std::int64_t slack =
      h.keyRecord[static_cast<std::size_t>(t.keep)] + h.GetU32(h.keyRecord[static_cast<std::size_t>(t.keep)] + 8);
  const std::string rec =
      std::string("\x1A\x00\x00\x00\x21\x00\x00\x00\x1A\x00\x00\x00\x06\x00\x00\x00\x00\x00\x00\x00", 20) + "Ghosty";
  std::copy(rec.begin(), rec.end(), h.bytes.begin() + slack);
  const Recovered r(h.bytes);
  const RecoveredKey* k = r.Named("Ghosty");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->source, recover::Source::DeadGap);
  EXPECT_EQ(k->recordNumber, std::uint16_t{0x21});
  EXPECT_NE(k->confidence, Confidence::High);
}

// Random bytes over a deleted key's record (all but its free view) and in a live record's
// slack: over many fills, no key is recovered at high confidence.
TEST(Recover, NoiseInDeadGapNeverHigh) {
  constexpr int kFills = 2000;
  std::size_t high = 0, medium = 0, low = 0;
  for (int seed = 0; seed < kFills; ++seed) {
    Tree t;
    t.b.SetRecordSlack(t.keep, 256);
    BuiltHive h = t.b.Build();
    DeleteKey(h, t.app);
    std::mt19937 random(static_cast<unsigned>(seed));
    const std::int64_t app = h.keyRecord[static_cast<std::size_t>(t.app)];
    const std::int64_t appEnd = app + static_cast<std::int32_t>(h.GetU32(app));
    for (std::int64_t i = app + 12; i < appEnd; ++i)
      h.bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(random());
    const std::int64_t keep = h.keyRecord[static_cast<std::size_t>(t.keep)];
    for (std::int64_t i = keep + static_cast<std::int32_t>(h.GetU32(keep + 8));
         i < keep + static_cast<std::int32_t>(h.GetU32(keep)); ++i)
      h.bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(random());
    const Recovered r(h.bytes);
    high += r.result.summary.high;
    medium += r.result.summary.medium;
    low += r.result.summary.low;
  }
  EXPECT_EQ(high, 0u);
  std::cout << "noise over " << kFills << " fills: " << high << " high, " << medium << " medium, " << low << " low\n";
}

TEST(Recover, RandomImagesEndAndStayInside) {
  // Whatever the bytes, recovery ends and every name and value views the image.
  Tree t;
  const BuiltHive base = t.b.Build();
  for (int seed = 0; seed < 200; ++seed) {
    std::vector<std::uint8_t> bytes = base.bytes;
    std::mt19937 random(static_cast<unsigned>(seed));
    for (int i = 0; i < 40; ++i) bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
    const Recovered r(bytes);
    for (const RecoveredKey& k : r.result.keys)
      for (const recover::RecoveredValue& v : k.values)
        if (!v.data.empty()) {
          EXPECT_GE(v.data.data(), r.bytes.data());
          EXPECT_LE(v.data.data() + v.data.size(), r.bytes.data() + r.bytes.size());
        }
  }
}

// ---- quarvex-cli recover -----------------------------------------------------------------

TEST(RecoverCli, ListsKeysValuesAndSummary) {
  Tree t;
  BuiltHive h = t.b.Build();
  DeleteKey(h, t.app);
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", h);
  const CliResult r = Cli({"recover", file});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("key at 0x"), std::string::npos);
  EXPECT_NE(r.out.find("Software\\App"), std::string::npos);
  EXPECT_NE(r.out.find("confidence high"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("placed by elimination: freed key node 0x"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("[path guessed]"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("value \"Path\" (REG_SZ): \"C:\\\\PROGRA~1\\\\APP\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("value \"Runs\" (REG_DWORD): 0x00000005 (5)"), std::string::npos);
  EXPECT_NE(r.out.find("1 key and 3 values recovered: 1 high, 0 medium, 0 low confidence"), std::string::npos);

  const CliResult json = Cli({"recover", "--json", "-", file});
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.out.front(), '{');
  EXPECT_NE(json.out.find("\"path\": \"Software\\\\App\""), std::string::npos) << json.out;
  EXPECT_EQ(json.out.find("key at"), std::string::npos);
}

TEST(RecoverCli, ExportWritesRegedit4UnderPaths) {
  Tree t;
  BuiltHive h = t.b.Build();
  DeleteKey(h, t.app);
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", h);
  const std::string reg = dir.Path("out.reg").string();
  const CliResult r = Cli({"recover", "--export", reg, file});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string text = ReadFileBytes(reg);
  EXPECT_EQ(text.rfind("REGEDIT4\r\n", 0), 0u);
  EXPECT_NE(text.find("; recovered from 0x"), std::string::npos);
  EXPECT_NE(text.find("confidence high"), std::string::npos) << text;
  EXPECT_NE(
      text.find("[HKEY_USERS\\Software\\App]\r\n\"Path\"=\"C:\\\\PROGRA~1\\\\APP\"\r\n\"Runs\"=dword:00000005\r\n"),
      std::string::npos)
      << text;
}

TEST(RecoverCli, MinConfidenceFilters) {
  Tree t;
  t.b.AddOrphanRecord(0, 40, "Orphan");
  BuiltHive h = t.b.Build();
  h.PutU32(h.KeyNodeFileOffset(t.software) + 16,
           static_cast<std::uint32_t>(h.keyNode[static_cast<std::size_t>(t.keep)]));
  TempDir dir;
  const std::string file = dir.Write("x.dat", h);
  const CliResult all = Cli({"recover", file});
  EXPECT_NE(all.out.find("2 keys and 3 values recovered: 1 high, 1 medium, 0 low confidence"), std::string::npos)
      << all.out;
  const CliResult high = Cli({"recover", "--min-confidence", "high", file});
  EXPECT_NE(high.out.find("1 key and 3 values recovered: 1 high, 0 medium, 0 low confidence"), std::string::npos);
  EXPECT_EQ(high.out.find("Orphan"), std::string::npos);
}

TEST(RecoverCli, ExitStatuses) {
  TempDir dir;
  Tree t;
  const std::string healthy = dir.Write("h.dat", t.b.Build());
  const CliResult none = Cli({"recover", healthy});
  EXPECT_EQ(none.status, 0);
  EXPECT_NE(none.out.find("0 keys and 0 values recovered"), std::string::npos);
  EXPECT_EQ(Cli({"recover", dir.Write("junk.dat", std::string(100, 'x'))}).status, 1);
  EXPECT_EQ(Cli({"recover", dir.Path("missing.dat").string()}).status, 1);
  EXPECT_EQ(Cli({"recover"}).status, 2);
  EXPECT_EQ(Cli({"recover", "--min-confidence", "sure", healthy}).status, 2);
  EXPECT_EQ(Cli({"recover", "--bogus", healthy}).status, 2);
  EXPECT_EQ(Cli({"recover", "--export", healthy, healthy}).status, 2);
  // Several files are read one after the other (grep's way); --export takes one.
  EXPECT_EQ(Cli({"recover", healthy, healthy}).status, 0);
  EXPECT_EQ(Cli({"recover", "--export", dir.Path("x.reg").string(), healthy, healthy}).status, 2);
  EXPECT_EQ(Cli({"recover", "--export", dir.Path("no/such/dir/x.reg").string(), healthy}).status, 3);
}

// ---- the real hive -------------------------------------------------------------------------

TEST(RecoverReal, UserDat) {
  const auto bytes = RealUserDat();
  ASSERT_TRUE(bytes);
  const Recovered r(std::vector<std::uint8_t>(bytes->begin(), bytes->end()));
  EXPECT_EQ(r.result.summary.keys, 10u);
  EXPECT_EQ(r.result.summary.values, 100u);
  EXPECT_EQ(r.result.summary.high, 0u);
  EXPECT_EQ(r.result.summary.medium, 10u);
  EXPECT_FALSE(r.result.summary.workCapReached);
  const RecoveredKey* desktop = r.Named("Desktop");
  ASSERT_NE(desktop, nullptr);
  EXPECT_EQ(desktop->values.size(), 3u);
  EXPECT_EQ(desktop->path, "(unknown parent)\\Desktop");
}

}  // namespace
}  // namespace quarvex::testing
