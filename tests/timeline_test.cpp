// The timeline: the times the definitions read, placed in UTC through the system.dat's zone;
// times found by shape at low confidence and apart; local times without a zone apart; the text,
// CSV, JSON and body file outputs; quarvex-cli timeline; the real user.dat as a golden file.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/cli_run.h"
#include "session/file_digest.h"
#include "browse/hive_view.h"
#include "recover/recover.h"
#include "salvage/salvage.h"
#include "testkit/path_tree.h"
#include "tests/support/test_namespaces.h"
#include "tests/support/test_support.h"
#include "timeline/time_shapes.h"
#include "timeline/timeline_output.h"

namespace quarvex::testing {
namespace {

std::string Le32(std::uint32_t n) {
  return {static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF), static_cast<char>((n >> 16) & 0xFF),
          static_cast<char>((n >> 24) & 0xFF)};
}
std::string Le64(std::uint64_t n) {
  return Le32(static_cast<std::uint32_t>(n)) + Le32(static_cast<std::uint32_t>(n >> 32));
}

// A FILETIME of a Unix time.
std::uint64_t FileTimeOf(std::int64_t unix) { return static_cast<std::uint64_t>(unix + 11644473600LL) * 10000000ULL; }

std::string SystemTimeBytes(std::uint16_t year, std::uint16_t month, std::uint16_t weekday, std::uint16_t day,
                            std::uint16_t hour, std::uint16_t minute) {
  std::string s;
  for (const std::uint16_t v : {year, month, weekday, day, hour, minute, std::uint16_t{0}, std::uint16_t{0}}) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
  }
  return s;
}

using Tree = testkit::PathTree;

const std::string kCv = "Software\\Microsoft\\Windows\\CurrentVersion";
const std::string kZone = "System\\CurrentControlSet\\Control\\TimeZoneInformation";

// A system.dat in Central European time (daylight from the last Sunday of March at 02:00 to the
// last Sunday of October at 03:00), first installed 2000-07-01 10:00:00 local time.
BuiltHive System() {
  Tree t;
  t.Key("Enum\\Root");
  t.Key(kZone, {Text("StandardName", "W. Europe Standard Time"), Text("DaylightName", "W. Europe Daylight Time"),
                Binary("Bias", Le32(0xFFFFFFC4)), Binary("StandardBias", Le32(0)),
                Binary("DaylightBias", Le32(0xFFFFFFC4)), Binary("StandardStart", SystemTimeBytes(0, 10, 0, 5, 3, 0)),
                Binary("DaylightStart", SystemTimeBytes(0, 3, 0, 5, 2, 0))});
  // 2000-07-01 10:00:00 as a DOS date and time: date (20 << 9 | 7 << 5 | 1), time (10 << 11).
  t.Key(kCv,
        {Binary("FirstInstallDateTime", Le32(static_cast<std::uint32_t>((20 << 9 | 7 << 5 | 1) << 16 | 10 << 11)))});
  t.Key(kCv + "\\Uninstall\\Tool|Pro", {Text("DisplayName", "Tool Pro"), Text("InstallDate", "20010102")});
  // No definition reads these: a plausible FILETIME, one from 1985, and text of 8 bytes.
  t.Key("Software\\Vendor\\State", {Binary("Stamp", Le64(FileTimeOf(978307200))),  // 2001-01-01 00:00:00
                                    Binary("Old", Le64(FileTimeOf(473385600))),    // 1985-01-01
                                    Text("Label", "1234567")});
  return t.builder.Build();
}

BuiltHive User(bool withStreamMru) {
  Tree t;
  t.Key("AppEvents");
  t.Key(
      kCv + "\\Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count",
      {Binary("HRZR_EHACNGU:P:\\abgrcnq.rkr", Le32(2) + Le32(7) + Le64(FileTimeOf(994000000))),  // 2001-07-01 15:06:40
       Binary("HRZR_EHACVQY:arire", Le32(1) + Le32(2) + Le64(0))});
  if (withStreamMru) {
    // My Computer\C:\DOCS, the folder item dated 2000-07-02 12:00:00 local time.
    std::string list("\x14\x00\x1f\x50\xe0\x4f\xd0\x20\xea\x3a\x69\x10\xa2\xd8\x08\x00\x2b\x30\x30\x9d", 20);
    list += std::string("\x08\x00\x2f", 3) + "C:\\" + std::string(2, '\0');
    const std::uint16_t date = 20 << 9 | 7 << 5 | 2, time = 12 << 11;
    list += std::string("\x13\x00\x31\x00", 4) + Le32(0) + Le32(static_cast<std::uint32_t>(date | time << 16)) +
            std::string("\x10\x00", 2) + std::string("DOCS\0", 5) + std::string(2, '\0');
    t.Key(kCv + "\\Explorer\\StreamMRU", {Binary("0", list), Binary("MRUListEx", Le32(0) + Le32(0xFFFFFFFF))});
  }
  return t.builder.Build();
}

struct Loaded {
  std::vector<std::uint8_t> bytes;
  salvage::SalvagedHive hive;
  std::unique_ptr<browse::HiveView> view;
  recover::Recovery recovery;
  explicit Loaded(std::vector<std::uint8_t> b) : bytes(std::move(b)) {
    hive = salvage::Salvage(bytes);
    view = std::make_unique<browse::HiveView>(hive, CodePage::Cp1252);
    recovery = recover::Recover(hive);
  }
  facts::HiveSource Source(std::string file) const { return {std::move(file), view.get(), &recovery}; }
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(Timeline, BothHivesInTimeOrderWithTheShapesApart) {
  const BuiltHive system = System(), user = User(true);
  const Loaded a(system.bytes), b(user.bytes);
  const std::vector<facts::HiveSource> sources{a.Source("SYSTEM.DAT"), b.Source("USER.DAT")};
  const std::string text = timeline::TimelineText(sources, timeline::BuildTimeline(sources));
  const std::vector<std::string> expected{
      "Timeline of 2 hives",
      "  [1] SYSTEM.DAT: system hive",
      "  [2] USER.DAT: user hive",
      "  Times in UTC; the machine's time zone, from [1]: W. Europe Standard Time, UTC+01:00 (bias -60 minutes), "
      "daylight "
      "time (-60 minutes) from the last Sunday of March at 02:00 to the last Sunday of October at 03:00",
      "",
      // 10:00 local in summer is 08:00 UTC; the folder's date 12:00 local is 10:00 UTC.
      "2000-07-01 08:00:00 UTC  Windows first installed  [1] " + kCv +
          "\\FirstInstallDateTime  (DOS date and time, local 2000-07-01 10:00:00)",
      "2000-07-02 10:00:00 UTC  date of a folder or file in a shell item  [2] " + kCv +
          "\\Explorer\\StreamMRU\\0  My Computer\\C:\\DOCS  (DOS date and time, local 2000-07-02 12:00:00)",
      // A text date is a day in local time: midnight of 2001-01-02 in winter is 23:00 UTC the day before.
      "2001-01-01 23:00:00 UTC  program installed  [1] " + kCv +
          "\\Uninstall\\Tool|Pro\\InstallDate  Tool|Pro  (text date, local 2001-01-02 00:00:00)",
      "2001-07-01 15:06:40 UTC  program last run  [2] " + kCv +
          "\\Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count\\HRZR_EHACNGU:P:\\abgrcnq.rkr  "
          "UEME_RUNPATH:C:\\notepad.exe; count 7  (FILETIME)",
      "",
      "Found by shape in values no definition reads (low confidence):",
      "2001-01-01 00:00:00 UTC  time of unknown meaning  [1] Software\\Vendor\\State\\Stamp  (FILETIME filling an "
      "8-byte value)",
      "",
      "5 events: 4 read by definition, 0 local only, 1 found by shape",
  };
  EXPECT_EQ(Lines(text), expected) << text;
}

TEST(Timeline, LocalTimesWithoutAZoneAreListedApart) {
  const BuiltHive user = User(true);
  const Loaded b(user.bytes);
  const std::vector<facts::HiveSource> sources{b.Source("USER.DAT")};
  const timeline::Timeline t = timeline::BuildTimeline(sources);
  ASSERT_EQ(t.events.size(), 2u);
  EXPECT_TRUE(t.events[0].utc);  // the UTC time comes first, the local one after it
  EXPECT_FALSE(t.events[1].utc);
  const std::string text = timeline::TimelineText(sources, t);
  EXPECT_NE(text.find("no system.dat names the machine's time zone"), std::string::npos) << text;
  EXPECT_NE(text.find("\nLocal times, not placed (no time zone known):\n2000-07-02 12:00:00 local  date of a folder"),
            std::string::npos)
      << text;
  // The body file holds only the times it can place.
  EXPECT_EQ(Lines(timeline::TimelineBodyfile(sources, t)).size(), 1u);
}

// A hive's own entry, or the cabinet it was read from with the member's date: each date recorded
// is an event in the machine's time (placed through the zone of the system.dat beside it), and
// a date of 0 (not recorded) is none.
TEST(Timeline, EntryAndCabinetMemberDates) {
  const BuiltHive system = System();
  const Loaded a(system.bytes);
  const std::vector<facts::HiveSource> sources{a.Source("SYSTEM.DAT")};
  constexpr facts::Seconds kJune10 = 992131200, kJune12 = 992304000;  // 2001-06-10 and -12, 00:00
  struct Case {
    timeline::FileTimes times;
    std::vector<std::string> meanings;
  };
  timeline::FileTimes entry;
  entry.entry = "WINDOWS/SYSTEM.DAT in file system 1 of disk.img";
  entry.created = kJune10;
  entry.written = kJune12;
  timeline::FileTimes member;
  member.cabinet = true;
  member.entry = "WINDOWS/SYSBCKUP/RB001.CAB in file system 1 of disk.img";
  member.member = "SYSTEM.DAT of WINDOWS/SYSBCKUP/RB001.CAB";
  member.written = kJune12;
  member.packed = kJune10 + 9 * 3600;
  timeline::FileTimes loose;  // a loose cabinet: the member's date alone
  loose.cabinet = true;
  loose.member = "SYSTEM.DAT of RB001.CAB";
  loose.packed = kJune10;
  const Case cases[] = {{entry, {"hive file created", "hive file last written"}},
                        {member, {"hive packed into a backup cabinet", "backup cabinet last written"}},
                        {loose, {"hive packed into a backup cabinet"}}};
  for (const Case& c : cases) {
    const timeline::Timeline t = timeline::BuildTimeline(sources, std::vector<timeline::FileTimes>{c.times});
    std::vector<std::string> meanings;
    for (const timeline::Event& e : t.events)
      if (e.factId == "file") {
        meanings.push_back(e.meaning);
        EXPECT_TRUE(e.utc) << e.meaning << ": the system.dat names the zone";
        EXPECT_EQ(e.time.encoding, facts::TimeEncoding::DosDateTime);
      }
    EXPECT_EQ(meanings, c.meanings) << c.times.entry << c.times.member;
  }
}

TEST(Timeline, BodyFileLinesAsMactimeReadsThem) {
  const BuiltHive system = System();
  const Loaded a(system.bytes);
  const std::vector<facts::HiveSource> sources{a.Source("SYSTEM.DAT")};
  const std::vector<std::string> lines = Lines(timeline::TimelineBodyfile(sources, timeline::BuildTimeline(sources)));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "0|SYSTEM.DAT:" + kCv +
                          "\\FirstInstallDateTime (Windows first installed)|0|r/rrwxrwxrwx|0|0|0|0|962438400|0|0");
  EXPECT_EQ(lines[1],
            "0|SYSTEM.DAT:Software\\Vendor\\State\\Stamp (time of unknown meaning; low "
            "confidence)|0|r/rrwxrwxrwx|0|0|0|0|978307200|0|0");
  // A '|' in a key's name cannot break the format's fields.
  EXPECT_EQ(
      lines[2],
      "0|SYSTEM.DAT:" + kCv +
          "\\Uninstall\\Tool%7CPro\\InstallDate (program installed: Tool%7CPro)|0|r/rrwxrwxrwx|0|0|0|0|978390000|0|0");
  for (const std::string& line : lines) EXPECT_EQ(std::count(line.begin(), line.end(), '|'), 10) << line;
}

TEST(Timeline, ShapesAreFoundOnlyInPlausibleBinaryValues) {
  const auto b = [](const std::string& s) { return Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); };
  const std::string plausible = Le64(FileTimeOf(978307200)), early = Le64(FileTimeOf(473385600)),
                    late = Le64(FileTimeOf(2200000000LL)), assist = Le32(1) + Le32(6) + plausible,
                    system = SystemTimeBytes(2001, 6, 5, 15, 13, 45),
                    wrongDay = SystemTimeBytes(2001, 6, 1, 15, 13, 45);
  struct Case {
    std::string name;
    std::string data;
    std::uint16_t type;
    std::vector<std::string> shapes;
  };
  const std::vector<Case> cases{
      {"FILETIME of 2001", plausible, 3, {"FILETIME filling an 8-byte value"}},
      {"FILETIME of 1985", early, 3, {}},
      {"FILETIME of 2039", late, 3, {}},
      {"the same bytes as text", plausible, 1, {}},
      {"a UserAssist-like entry", assist, 3, {"FILETIME in the second half of a 16-byte value"}},
      {"SYSTEMTIME whose day agrees", system, 3, {"SYSTEMTIME filling a 16-byte value"}},
      {"SYSTEMTIME whose day does not", wrongDay, 3, {}},
      {"a DWORD", Le32(978307200), 4, {}},
      {"nothing", "", 3, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> shapes;
    for (const timeline::ShapeTime& s : timeline::FindTimeShapes(b(c.data), c.type)) shapes.emplace_back(s.shape);
    EXPECT_EQ(shapes, c.shapes) << c.name;
  }
}

// At a real size: 5,000 keys, 2,000 of them UserAssist entries (every fifth never run) spread
// over the keys of a grown user.dat, give one event per entry that holds a time, in order.
TEST(Timeline, ARealSizedUserDat) {
  Tree t;
  t.Key("AppEvents");
  std::vector<Value> entries;
  for (int i = 0; i < 2000; ++i) {
    const std::uint64_t filetime =
        i % 5 == 4 ? 0 : FileTimeOf(978307200 + static_cast<std::int64_t>((i * 7919) % 2000) * 60);
    entries.push_back(Binary("HRZR_EHACNGU:P:\\cebt" + std::to_string(i) + ".rkr", Le32(1) + Le32(6) + Le64(filetime)));
  }
  t.Key(kCv + "\\Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count", entries);
  for (int i = 0; i < 3000; ++i)
    t.Key("Software\\Vendor" + std::to_string(i % 40) + "\\Key" + std::to_string(i),
          {Text("Name", std::string(300, 'x'))});
  const BuiltHive built = t.builder.Build();
  ASSERT_GT(built.bytes.size(), 1000000u);
  const Loaded loaded(built.bytes);
  const std::vector<facts::HiveSource> sources{loaded.Source("USER.DAT")};
  const timeline::Timeline tl = timeline::BuildTimeline(sources);
  ASSERT_EQ(tl.events.size(), 1600u);
  for (std::size_t i = 1; i < tl.events.size(); ++i) EXPECT_LE(*tl.events[i - 1].utc, *tl.events[i].utc);
  EXPECT_EQ(tl.events.front().detail, "UEME_RUNPATH:C:\\prog0.exe; count 6");
}

TEST(TimelineCli, OutputsAndUsage) {
  TempDir dir;
  const std::string system = dir.Write("SYSTEM.DAT", System()), user = dir.Write("USER.DAT", User(false));
  const std::string csv = dir.Path("t.csv").string(), body = dir.Path("t.body").string();
  std::ostringstream out, err;
  ASSERT_EQ(cli::RunCli({"timeline", "--json", "-", "--csv", csv, "--bodyfile", body, system, user}, out, err), 0)
      << err.str();
  EXPECT_NE(
      out.str().find("\"meaning\": \"program last run\", \"confidence\": \"high\", \"fact\": \"traces.user-assist\""),
      std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("\"timeZone\": {\"hive\": 0, \"standardName\": \"W. Europe Standard Time\""),
            std::string::npos);
  const std::string c = ReadFileBytes(csv);
  EXPECT_EQ(c.substr(0, c.find("\r\n")),
            "utc,local,meaning,confidence,file,key,value,detail,encoding,shape,origin,sha256,md5");
  EXPECT_NE(c.find("\"2001-07-01 15:06:40\",\"2001-07-01 17:06:40\",\"program last run\",high,"), std::string::npos)
      << c;
  EXPECT_EQ(Lines(ReadFileBytes(body)).size(), 4u);

  std::ostringstream out2, err2;
  EXPECT_EQ(cli::RunCli({"timeline"}, out2, err2), cli::kExitUsage);
  EXPECT_EQ(cli::RunCli({"timeline", "--csv", "-", "--bodyfile", "-", user}, out2, err2), cli::kExitUsage);
  EXPECT_EQ(cli::RunCli({"timeline", "--bodyfile", user, user}, out2, err2), cli::kExitUsage);
  const std::string bad = dir.Write("NOT.DAT", std::string(64, 'x'));
  std::ostringstream out3, err3;
  EXPECT_EQ(cli::RunCli({"timeline", bad, user}, out3, err3), cli::kExitJobFailed);
  EXPECT_NE(err3.str().find("NOT.DAT: not a registry file"), std::string::npos) << err3.str();
  EXPECT_NE(out3.str().find("Timeline of 1 hive\n"), std::string::npos);
}

// OpenSSL's digests as sha256sum and md5sum print them (the known answers of FIPS 180 and RFC 1321).
TEST(FileDigests, KnownAnswers) {
  const std::string abc = "abc";
  const session::FileDigests empty = session::DigestsOf({});
  const session::FileDigests three =
      session::DigestsOf(Bytes(reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size()));
  EXPECT_EQ(empty.sha256, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(empty.md5, "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(three.sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(three.md5, "900150983cd24fb0d6963f7d28e17f72");
}

TEST(TimelineReal, UserDatMatchesGolden) {
  const auto real = RealUserDat();
  ASSERT_TRUE(real);
  const Loaded loaded(std::vector<std::uint8_t>(real->begin(), real->end()));
  const std::vector<facts::HiveSource> sources{loaded.Source("USER.DAT")};
  EXPECT_TRUE(
      MatchesGolden("timeline_user_dat.txt", timeline::TimelineText(sources, timeline::BuildTimeline(sources))));
}

}  // namespace
}  // namespace quarvex::testing
