// The browser's search (off the window's thread), its Problems dock and the recovered keys.
#include <QBrush>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <ctime>

#include "browser_fixture.h"
#include "testkit/recovery_fixtures.h"
#include "browse/find.h"
#include "tools/hive_generator.h"
#include "ui/browser/browser_hex_view.h"
#include "ui/browser/browser_search.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

using browse::PatternSyntax;

void SetUpSearch(BrowserFixture& f, const QString& pattern, PatternSyntax syntax) {
  QComboBox* kinds = f.window->SyntaxBox();
  kinds->setCurrentIndex(kinds->findData(static_cast<int>(syntax)));
  f.window->SearchField()->setText(pattern);
}

bool RunSearch(BrowserFixture& f, const QString& pattern, PatternSyntax syntax = PatternSyntax::Text) {
  QSignalSpy finished(f.window->Search(), &BrowserSearch::finished);
  SetUpSearch(f, pattern, syntax);
  f.window->StartSearch();
  if (!f.window->Search()->Running()) return false;
  return QTest::qWaitFor([&] { return !finished.isEmpty(); }, 60000);
}

QStringList Hits(BrowserFixture& f) {
  QStringList hits;
  const QAbstractItemModel* model = f.window->HitTable()->model();
  for (int row = 0; row < model->rowCount(); ++row)
    hits << model->index(row, 0).data(BrowserSearchHits::kLineRole).toString();
  return hits;
}

void Click(QAbstractItemView* view, const QModelIndex& index) {
  view->scrollTo(index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

std::string Utf16(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += std::string{c, '\0'};
  return out;
}

QString HexOf(const std::string& bytes) {
  return QString::fromLatin1(QByteArray::fromStdString(bytes).toHex().toUpper());
}

// Software\App, added to the fixture's hive, keeps things inside its values' data: an "MZ"
// header, a UTF-16 string at an odd offset, a code page string, and a DWORD whose bytes are
// the same four as the header's.
const std::string kCorporation = Utf16("Microsoft Corporation");
std::vector<testkit::Value> AppValues() {
  return {testkit::Binary("Exe", std::string("MZ\x90\x00\x03\x00\x00\x00", 8)),
          testkit::Binary("Flags", std::string("\x01\x02\x03", 3) + kCorporation + std::string(2, '\0')),
          testkit::Binary("Dir", std::string("\x07\x00", 2) + "C:\\WINDOWS" + std::string(1, '\0')),
          testkit::Dword("Count", 0x00905A4D)};
}

// Where a value's data lies in the file, from the record the builder wrote: the record's
// header (20 bytes) and the key's name, then each value's entry (12 bytes), name and data.
std::int64_t DataOffset(const BuiltHive& h, int key, const std::string& keyName,
                        const std::vector<testkit::Value>& values, std::size_t value) {
  std::int64_t at = h.keyRecord[static_cast<std::size_t>(key)] + 20 + static_cast<std::int64_t>(keyName.size());
  for (std::size_t i = 0; i < value; ++i)
    at += 12 + static_cast<std::int64_t>(values[i].name.size() + values[i].data.size());
  return at + 12 + static_cast<std::int64_t>(values[value].name.size());
}

struct SearchCase {
  const char* pattern;
  PatternSyntax syntax;
  QStringList hits;
};

void ExpectHits(BrowserFixture& f, const SearchCase& c) {
  ASSERT_TRUE(RunSearch(f, QString::fromUtf8(c.pattern), c.syntax)) << c.pattern;
  EXPECT_EQ(Hits(f), c.hits) << c.pattern << ": " << Hits(f).join('|').toStdString();
  EXPECT_EQ(f.window->SearchProgress()->value(), 100) << c.pattern;
}

TEST(BrowserSearch, FindsKeysValueNamesAndData) {
  const SearchCase cases[] = {
      {"vendor", PatternSyntax::Text, {QStringLiteral("Software\\Vendor")}},
      {"QUARVEX", PatternSyntax::Text, {QStringLiteral("Software\\Vendor  Name = \"Quarvex\"")}},
      {"ソフト", PatternSyntax::Text, {QStringLiteral("Software\\Vendor\\日本  Title = \"ソフト\"")}},
      {"^(count|blob)$",
       PatternSyntax::Regex,
       {QStringLiteral("Software  Count = 0x0000002A (42)"), QStringLiteral("Software  Blob = 01 02 03 (3 bytes)")}},
      {"nothing like this", PatternSyntax::Text, {}},
  };
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  for (const SearchCase& c : cases) ExpectHits(f, c);
}

BuiltHive AppFixture() {
  HiveBuilder b = FixtureBuilder();
  b.AddKey(kSoftware, "App", AppValues());
  return b.Build();
}

TEST(BrowserSearch, FindsBytesAndStringsInsideValueData) {
  const SearchCase cases[] = {
      // A byte pattern matches the raw data of every type, and no names.
      {"4D 5A ?? 00",
       PatternSyntax::Bytes,
       {QStringLiteral("Software\\App  Exe  REG_BINARY at +0x00: 4D 5A 90 00"),
        QStringLiteral("Software\\App  Count  REG_DWORD at +0x00: 4D 5A 90 00")}},
      {"4d5a??00",
       PatternSyntax::Bytes,
       {QStringLiteral("Software\\App  Exe  REG_BINARY at +0x00: 4D 5A 90 00"),
        QStringLiteral("Software\\App  Count  REG_DWORD at +0x00: 4D 5A 90 00")}},
      {"00 43 00 6F", PatternSyntax::Bytes, {QStringLiteral("Software\\App  Flags  REG_BINARY at +0x16: 00 43 00 6F")}},
      {"51 75 61 72", PatternSyntax::Bytes, {QStringLiteral("Software\\Vendor  Name  REG_SZ at +0x00: 51 75 61 72")}},
      {"41 70 70", PatternSyntax::Bytes, {}},  // "App", a key's name
      {"45 78 65", PatternSyntax::Bytes, {}},  // "Exe", a value's name
      // Strings inside binary data say where they lie; a text matched whole keeps its line.
      {"microsoft",
       PatternSyntax::Text,
       {QStringLiteral("Software\\App  Flags  REG_BINARY at +0x03, UTF-16: \"Microsoft Corporation\"")}},
      {"Corp[a-z]+ion$",
       PatternSyntax::Regex,
       {QStringLiteral("Software\\App  Flags  REG_BINARY at +0x03, UTF-16: \"Microsoft Corporation\"")}},
      {"windows",
       PatternSyntax::Text,
       {QStringLiteral("Software\\App  Dir  REG_BINARY at +0x02, cp932: \"C:\\\\WINDOWS\"")}},
      {"quarvex", PatternSyntax::Text, {QStringLiteral("Software\\Vendor  Name = \"Quarvex\"")}},
  };
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(AppFixture())));
  for (const SearchCase& c : cases) ExpectHits(f, c);
}

TEST(BrowserSearch, ClickingAHitInsideDataMarksExactlyTheBytesFound) {
  // Software\Big's record is longer than the hex view shows of one (two values of 40,000
  // bytes); a UTF-16 string lies near the end of the second.
  const std::string needle = Utf16("Needle in the haystack");
  std::string second(40000, '\x11');
  second.replace(39000, needle.size(), needle);
  const std::vector<testkit::Value> big{testkit::Binary("First", std::string(40000, '\x11')),
                                        testkit::Binary("Second", second)};
  HiveBuilder b = FixtureBuilder();
  const int app = b.AddKey(kSoftware, "App", AppValues());
  const int bigKey = b.AddKey(kSoftware, "Big", big);
  const BuiltHive h = b.Build();
  const auto appData = [&](std::size_t value) { return DataOffset(h, app, "App", AppValues(), value); };
  const struct {
    const char* pattern;
    PatternSyntax syntax;
    const char* key;
    const char* value;
    std::int64_t from;  // file offset of the first byte found
    std::string bytes;  // the bytes found
  } cases[] = {
      {"Corporation", PatternSyntax::Text, "Software\\App", "Flags", appData(1) + 3, kCorporation},
      {"00 43 00 6F", PatternSyntax::Bytes, "Software\\App", "Flags", appData(1) + 0x16, std::string("\0C\0o", 4)},
      {"90 ?? 03", PatternSyntax::Bytes, "Software\\App", "Exe", appData(0) + 2, std::string("\x90\x00\x03", 3)},
      {"haystack", PatternSyntax::Text, "Software\\Big", "Second", DataOffset(h, bigKey, "Big", big, 1) + 39000,
       needle},
  };
  ASSERT_GT(cases[3].from - h.keyRecord[static_cast<std::size_t>(bigKey)], BrowserHexView::kMaxSectionBytes);
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(h)));
  for (const auto& c : cases) {
    ASSERT_TRUE(RunSearch(f, QString::fromUtf8(c.pattern), c.syntax)) << c.pattern;
    ASSERT_EQ(Hits(f).size(), 1) << c.pattern << ": " << Hits(f).join('|').toStdString();
    f.window->Tree()->setCurrentIndex({});
    Click(f.window->HitTable(), f.window->HitTable()->model()->index(0, 0));
    EXPECT_EQ(f.window->SelectedKey(), f.Key(c.key)) << c.pattern;
    EXPECT_EQ(f.window->ValueTable()->currentIndex().siblingAtColumn(0).data().toString(), QString::fromUtf8(c.value));
    const auto highlight = f.window->HexView()->Highlight();
    EXPECT_EQ(highlight, std::optional(std::pair{c.from, static_cast<std::int64_t>(c.bytes.size())})) << c.pattern;
    // What the view marks is those bytes, each once.
    EXPECT_EQ(f.window->HexView()->HighlightedHex().remove(QLatin1Char(' ')), HexOf(c.bytes)) << c.pattern;
  }
}

TEST(BrowserSearch, ABadPatternIsSaidWithItsFaultAndNothingRuns) {
  const struct {
    const char* pattern;
    PatternSyntax syntax;
    QStringList fault;  // what the status bar must name
  } cases[] = {
      {"(unclosed", PatternSyntax::Regex, {QStringLiteral("(unclosed"), QStringLiteral("missing )")}},
      {"a{2,1}", PatternSyntax::Regex, {QStringLiteral("a{2,1}"), QStringLiteral("invalid repetition size")}},
      {"4D 5G", PatternSyntax::Bytes, {QStringLiteral("'G'"), QStringLiteral("character 5")}},
      {"4D 5", PatternSyntax::Bytes, {QStringLiteral("odd number")}},
      {"?? ??", PatternSyntax::Bytes, {QStringLiteral("only wildcards")}},
      {"MZ", PatternSyntax::Bytes, {QStringLiteral("'M'"), QStringLiteral("character 1")}},
  };
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  for (const auto& c : cases) {
    ASSERT_TRUE(RunSearch(f, QStringLiteral("vendor")));  // hits that must go
    QSignalSpy finished(f.window->Search(), &BrowserSearch::finished);
    EXPECT_FALSE(RunSearch(f, QString::fromUtf8(c.pattern), c.syntax)) << c.pattern;
    EXPECT_TRUE(finished.isEmpty() && Hits(f).isEmpty()) << c.pattern;
    const QString message = f.window->statusBar()->currentMessage();
    for (const QString& part : c.fault)
      EXPECT_TRUE(message.contains(part)) << c.pattern << ": " << message.toStdString();
  }
}

TEST(BrowserSearch, CaseMeansNothingToHexBytes) {
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(AppFixture())));
  f.window->CaseBox()->setChecked(true);
  ASSERT_TRUE(RunSearch(f, QStringLiteral("4d 5a 90 00"), PatternSyntax::Bytes));
  EXPECT_FALSE(f.window->CaseBox()->isEnabled());
  EXPECT_EQ(Hits(f).size(), 2);
  ASSERT_TRUE(RunSearch(f, QStringLiteral("QUARVEX"), PatternSyntax::Text));
  EXPECT_TRUE(f.window->CaseBox()->isEnabled());
  EXPECT_TRUE(Hits(f).isEmpty());
}

TEST(BrowserSearch, PatternsThatBacktrackWithoutEndFinishOverLongData) {
  // 65,000 times 'a', as a string inside binary data: a backtracking engine takes exponential
  // time or all of its stack over these patterns.
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  b.AddKey(root, "Store",
           {testkit::Binary("Run", std::string(65000, 'a') + "!"), testkit::Binary("Plain", std::string(65000, 'a'))});
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(b.Build())));
  const struct {
    const char* pattern;
    QStringList hits;  // how each hit's line starts
  } cases[] = {
      {"(a*)*!", {QStringLiteral("Store  Run  REG_BINARY at +0x00, ")}},
      {"(a|aa)*!", {QStringLiteral("Store  Run  REG_BINARY at +0x00, ")}},
      {"^(a+)+$", {QStringLiteral("Store  Plain  REG_BINARY at +0x00, ")}},
      {"(a*)*c", {}},
      {"(a|a?)+z", {}},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(RunSearch(f, QString::fromUtf8(c.pattern), PatternSyntax::Regex)) << c.pattern;
    const QStringList hits = Hits(f);
    ASSERT_EQ(hits.size(), c.hits.size()) << c.pattern << ": " << hits.join('|').left(300).toStdString();
    for (qsizetype i = 0; i < hits.size(); ++i)
      EXPECT_TRUE(hits[i].startsWith(c.hits[i])) << hits[i].left(120).toStdString();
  }
}

// The CPU time this thread has used.
qint64 ThreadBusyMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<qint64>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// How live the window stays while a search runs over a generated system.dat of 100,000 keys
// (13.3 MiB, with four values of 65,000 bytes): a timer ticks every 2 ms on the window's
// thread, and the longest gap between two ticks is printed with how long this thread ran in
// it (the machine is shared; the rest it waited for a core). Printed, not asserted: speed
// depends on the machine. Asserted is that every hit reaches the list.
TEST(BrowserSearch, ALargeSearchKeepsTheWindowLiveAndListsEveryHit) {
  tools::GeneratorOptions options;
  options.kind = tools::HiveKind::System;
  options.keys = 100000;
  options.seed = 12;
  options.largeBinaries = 4;
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(tools::GenerateHive(options), "system.dat")));
  const struct {
    const char* kind;
    const char* pattern;
    PatternSyntax syntax;
  } cases[] = {{"text", "e", PatternSyntax::Text},
               {"regex", ".*", PatternSyntax::Regex},
               {"hex", "00 00", PatternSyntax::Bytes},
               {"hex", "4D 5A ?? 00", PatternSyntax::Bytes}};
  for (const auto& c : cases) {
    browse::FindQuery query;
    query.pattern = c.pattern;
    query.syntax = c.syntax;
    std::string error;
    const std::optional<browse::Matcher> matcher = browse::MakeMatcher(query, error);
    ASSERT_TRUE(matcher) << error;
    const std::size_t expected =
        browse::FindAll(f.Doc().View(), query, *matcher, [](const browse::FindHit&) { return true; });

    SetUpSearch(f, QString::fromUtf8(c.pattern), c.syntax);
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 last = 0, longest = 0, lastBusy = 0, longestBusy = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(2);
    QObject::connect(&tick, &QTimer::timeout, [&] {
      const qint64 now = clock.elapsed(), busy = ThreadBusyMs();
      longest = std::max(longest, now - last);
      longestBusy = std::max(longestBusy, busy - lastBusy);
      last = now;
      lastBusy = busy;
    });
    std::optional<int> finishedHits;
    qint64 finishedAt = 0;
    const auto connection =
        QObject::connect(f.window->Search(), &BrowserSearch::finished, [&](bool cancelled, int hits) {
          EXPECT_FALSE(cancelled);
          finishedHits = hits;
          finishedAt = clock.elapsed();
          QTimer::singleShot(300, &loop, &QEventLoop::quit);  // the list lays out and paints the last hits
        });
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    clock.start();
    lastBusy = ThreadBusyMs();
    tick.start();
    f.window->StartSearch();
    loop.exec();
    QObject::disconnect(connection);
    ASSERT_TRUE(finishedHits) << c.pattern << ": the search did not finish";
    EXPECT_GT(expected, 0u) << c.pattern;
    EXPECT_EQ(static_cast<std::size_t>(*finishedHits), expected) << c.pattern;
    QTableView* list = f.window->HitTable();
    ASSERT_EQ(static_cast<std::size_t>(list->model()->rowCount()), expected) << c.pattern;
    // The list lays itself out to its last hit, which can then be shown.
    const QModelIndex lastHit = list->model()->index(list->model()->rowCount() - 1, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->visualRect(lastHit).isValid(); }, 20000)) << c.pattern;
    list->scrollTo(lastHit);
    EXPECT_TRUE(list->viewport()->rect().intersects(list->visualRect(lastHit))) << c.pattern;
    std::printf(
        "search latency: %s '%s' max %lld ms, the window's thread busy at most %lld ms of a gap (%zu hits in %lld "
        "ms)\n",
        c.kind, c.pattern, static_cast<long long>(longest), static_cast<long long>(longestBusy), expected,
        static_cast<long long>(finishedAt));
    std::fflush(stdout);
  }
}

TEST(BrowserSearch, ClickingAHitSelectsItsKeyAndValue) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  ASSERT_TRUE(RunSearch(f, QStringLiteral("Title")));
  ASSERT_EQ(Hits(f).size(), 1);
  Click(f.window->HitTable(), f.window->HitTable()->model()->index(0, 0));
  EXPECT_EQ(f.window->SelectedKey(), f.Key("Software\\Vendor\\日本"));
  EXPECT_EQ(f.window->ValueTable()->currentIndex().data().toString(), QStringLiteral("Title"));
}

TEST(BrowserSearch, ASearchCanBeCancelled) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  for (int i = 0; i < 3000; ++i) b.AddKey(root, "Key" + std::to_string(i), {testkit::Text("V", "value")});
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(b.Build())));
  QSignalSpy finished(f.window->Search(), &BrowserSearch::finished);
  f.window->SearchField()->setText(QStringLiteral("e"));
  f.window->StartSearch();
  f.window->Search()->Cancel();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 20000));
  // Whether it ended before or after the cancel, the list holds what was found, no more.
  EXPECT_LE(f.window->HitTable()->model()->rowCount(), 6000);
  EXPECT_FALSE(f.window->Search()->Running());
}

TEST(BrowserProblems, ClickingAFindingSelectsItsKey) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DamagedChecksum));
  QTableView* problems = f.window->ProblemTable();
  const std::int32_t desktop = f.Key("Control Panel\\Desktop");
  int row = -1;
  for (int r = 0; r < problems->model()->rowCount(); ++r)
    if (f.Doc().FindingKey(static_cast<std::size_t>(r)) == desktop) row = r;
  ASSERT_GE(row, 0) << "a finding about the key with the wrong checksum";
  EXPECT_FALSE(problems->model()->index(row, 0).data().toString().isEmpty());
  EXPECT_TRUE(problems->model()->index(row, 1).data().toString().startsWith(QStringLiteral("0x")));
  Click(problems, problems->model()->index(row, 4));
  EXPECT_EQ(f.window->SelectedKey(), desktop);
  // The key is marked in the tree, its finding in the tooltip.
  const QModelIndex index = f.window->Tree()->currentIndex();
  EXPECT_FALSE(index.data(Qt::DecorationRole).isNull());
  EXPECT_TRUE(index.data(Qt::ToolTipRole).toString().contains(QStringLiteral("0x")))
      << index.data(Qt::ToolTipRole).toString().toStdString();
}

TEST(BrowserProblems, AFindingOfATruncatedFileShowsItsBytes) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::TruncatedFile));
  QTableView* problems = f.window->ProblemTable();
  ASSERT_GT(problems->model()->rowCount(), 0);
  Click(problems, problems->model()->index(0, 4));
  EXPECT_FALSE(f.window->HexView()->Sections().empty());
}

// An older copy of a live key's record (Windows writes a grown record anew and frees the old
// one) is named as such in the tree, not as a deleted key.
TEST(BrowserRecovered, AnOlderCopyOfALiveKeyIsNamedAsOne) {
  const BuiltHive hive = testkit::LiveKeyWithOlderCopies();
  BrowserFixture f;
  ASSERT_TRUE(f.Open(f.Write(hive)));
  const recover::Recovery& recovery = f.Doc().Recovery();
  ASSERT_EQ(recovery.keys.size(), 2u);
  std::vector<std::string> labels;
  for (std::size_t i = 0; i < recovery.keys.size(); ++i) {
    ASSERT_TRUE(f.window->SelectRecovered(i));
    labels.push_back(f.window->Tree()->currentIndex().data().toString().toStdString());
    EXPECT_TRUE(f.window->Tree()
                    ->currentIndex()
                    .data(Qt::ToolTipRole)
                    .toString()
                    .startsWith(QStringLiteral("Older copy of a live key")));
  }
  std::sort(labels.begin(), labels.end());
  EXPECT_EQ(labels, (std::vector<std::string>{"Keep  (older copy, identical, medium)", "Keep  (older copy, medium)"}));
}

TEST(BrowserRecovered, ADeletedKeyShowsUnderItsParentInItsColourAndCanBeHidden) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DeletedKey));
  const recover::Recovery& recovery = f.Doc().Recovery();
  std::optional<std::size_t> old;
  for (std::size_t i = 0; i < recovery.keys.size(); ++i)
    if (std::string(recovery.keys[i].name.begin(), recovery.keys[i].name.end()) == "Old") old = i;
  ASSERT_TRUE(old) << recovery.keys.size() << " recovered";
  EXPECT_EQ(f.Doc().Placement(*old).parent, f.Key("Software"));
  ASSERT_TRUE(f.window->SelectRecovered(*old));
  const QModelIndex index = f.window->Tree()->currentIndex();
  EXPECT_TRUE(index.data().toString().startsWith(QStringLiteral("Old  (deleted, ")))
      << index.data().toString().toStdString();
  EXPECT_EQ(index.parent().data().toString(), QStringLiteral("Software"));
  EXPECT_TRUE(index.data(Qt::ForegroundRole).canConvert<QBrush>());
  EXPECT_FALSE(index.data(Qt::ToolTipRole).toString().isEmpty());
  // Its values and bytes.
  EXPECT_EQ(f.window->ValueTable()->model()->index(0, 0).data().toString(), QStringLiteral("Gone"));
  EXPECT_FALSE(f.window->HexView()->Sections().empty());
  // Hidden: Software keeps only its live subkey.
  const std::int32_t software = f.Key("Software");
  f.window->ShowRecoveredAction()->trigger();
  EXPECT_FALSE(f.window->TreeModel()->ShowRecovered());
  const QModelIndex softwareRow = f.window->TreeModel()->IndexForKey(software);
  f.window->Tree()->expand(softwareRow);
  QTest::qWait(20);  // the view lays out (and fetches) after a reset
  EXPECT_EQ(f.window->TreeModel()->rowCount(softwareRow), 1);
  EXPECT_FALSE(f.window->SelectRecovered(*old));
}

TEST(BrowserRecovered, AKeyWithoutAKnownParentGoesUnderUnknownParent) {
  // Deleting Vendor and its subkey 日本: 日本's parent is gone too.
  BrowserFixture f;
  BuiltHive h = FixtureBuilder().Build();
  testkit::DeleteKey(h, kVendor);
  ASSERT_TRUE(f.Open(f.Write(h)));
  const recover::Recovery& recovery = f.Doc().Recovery();
  ASSERT_FALSE(recovery.keys.empty());
  for (std::size_t i = 0; i < recovery.keys.size(); ++i) {
    ASSERT_TRUE(f.window->SelectRecovered(i)) << i;
    const QModelIndex parent = f.window->Tree()->currentIndex().parent();
    if (recovery.keys[i].parentKnown)
      EXPECT_NE(parent.data().toString(), QStringLiteral("(unknown parent)")) << i;
    else
      EXPECT_EQ(parent.data().toString(), QStringLiteral("(unknown parent)")) << i;
  }
}

}  // namespace
}  // namespace quarvex::ui::testing
