// What the check finds, shown by the window: after a completed job the status line counts the
// damage the check found in the same file, and the Report page's Check button shows the
// check's lines as `quarvex-cli check` prints them. A sound file keeps the status text as it
// always was.
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolButton>
#include <functional>

#include "detect/codepage_choice.h"
#include "recover/recover.h"
#include "recover/recovery_text.h"
#include "salvage/check_text.h"
#include "salvage/salvage.h"
#include "testkit/hive_builder.h"
#include "testkit/recovery_fixtures.h"
#include "ui/analyser/window_geometry.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

using testkit::BuiltHive;
using testkit::HiveBuilder;

const QString kMade = QStringLiteral("The report has been made.");

// A small sound hive: an unnamed root without a record, two branches, values of three kinds.
enum Key { kRoot, kSoftware, kMicrosoft, kControlPanel, kDesktop, kColors };
BuiltHive SmallHive() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {testkit::Text("", "default")});
  b.AddKey(software, "Microsoft", {testkit::Dword("Version", 4), testkit::Text("Name", "Quarvex")});
  const int control = b.AddKey(root, "Control Panel", {testkit::Text("Wallpaper", "(None)")});
  b.AddKey(control, "Desktop", {testkit::Binary("Pattern", std::string("\x01\x02\x03", 3))});
  b.AddKey(control, "Colors", {testkit::Text("Window", "255 255 255")});
  b.AddFreeKeyNode(28);
  b.AddFreeRecord(0, 40);
  return b.Build();
}

constexpr int kUprOfs = 12, kRecNoField = 24;
constexpr int kRecRecNo = 4;

// Damage the report's readers read past (the job completes) but the check reports.
struct DamageCase {
  const char* name;
  std::function<void(BuiltHive&)> damage;
};

const std::vector<DamageCase> kDamage = {
    {"TwoKeysShareRecord",
     [](BuiltHive& h) { h.PutU16(h.KeyNodeFileOffset(kColors) + kRecNoField, h.keyRecordNo[kDesktop]); }},
    {"ParentLinkDisagrees",
     [](BuiltHive& h) {
       h.PutU32(h.KeyNodeFileOffset(kDesktop) + kUprOfs, static_cast<std::uint32_t>(h.keyNode[kRoot]));
     }},
    {"DuplicateRecordNumber",
     [](BuiltHive& h) { h.PutU16(h.keyRecord[kColors] + kRecRecNo, h.keyRecordNo[kDesktop]); }},
};

// What `quarvex-cli check` prints for the bytes, without the file name in front.
// What `quarvex-cli check` prints for the bytes, without the file name in front, then what
// `quarvex-cli recover` lists.
// The window made by MakeWindow reads every hive in the code page its settings name (932).
QString CheckLines(const std::vector<std::uint8_t>& bytes, std::size_t& damage) {
  salvage::SalvagedHive hive = salvage::Salvage(bytes);
  salvage::AddFindings(
      hive, detect::CodePageFindings(hive, {CodePage::Cp932, detect::CodePageSource::Option, "named by the user"}));
  damage = hive.summary.damage;
  QString text;
  for (const hive::Finding& f : hive.findings) text += QString::fromStdString(salvage::FindingLine(f)) + '\n';
  text += QString::fromStdString(salvage::SummaryText(hive)) + '\n';
  text += QStringLiteral("\nDeleted keys still in the file (as quarvex-cli recover lists them):\n");
  const recover::Recovery recovery = recover::Recover(hive);
  std::vector<const recover::RecoveredKey*> keys;
  std::size_t identicalCopies = 0;
  for (const recover::RecoveredKey& key : recovery.keys) {
    if (key.IdenticalCopy()) {
      ++identicalCopies;
      continue;
    }
    keys.push_back(&key);
    for (const std::string& line : recover::RecoveredKeyLines(key, CodePage::Cp932))
      text += QString::fromStdString(line) + '\n';
  }
  for (const recover::LiveKeyRemains& remains : recovery.liveKeys)
    for (const std::string& line : recover::LiveKeyRemainsLines(remains, CodePage::Cp932))
      text += QString::fromStdString(line) + '\n';
  return text +
         QString::fromStdString(recover::RecoverySummaryLine(keys, identicalCopies, recovery.summary.earlierValues));
}

QString ShownCheck(TForm1& form) {
  Child<QToolButton>(form, "sbShowCheck")->click();
  QDialog* dialog = form.CheckDialog();
  EXPECT_NE(dialog, nullptr);
  if (!dialog) return {};
  EXPECT_TRUE(dialog->isVisible());
  return Child<QPlainTextEdit>(*dialog, "meCheck")->toPlainText();
}

class WindowCheckDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(WindowCheckDamage, TheStatusLineCountsTheProblemsAndTheButtonShowsTheCheckLines) {
  QTemporaryDir dir;
  const std::string path = InDir(dir, "DAMAGED.DAT");
  BuiltHive hive = SmallHive();
  GetParam().damage(hive);
  hive.WriteFile(path);
  std::size_t damage = 0;
  const QString expectedLines = CheckLines(hive.bytes, damage);
  ASSERT_GT(damage, 0u) << "the fixture must be damage to the check";

  auto form = MakeWindow();
  OpenThroughDialog(*form, path);
  ASSERT_TRUE(WaitForJob(*form));
  ASSERT_EQ(form->Job().code, 0) << "the report's readers complete on this file";
  const QString problems =
      damage == 1 ? QStringLiteral("1 problem found") : QStringLiteral("%1 problems found").arg(damage);
  EXPECT_EQ(form->StatusText(1), kMade + " " + problems);
  ASSERT_TRUE(form->CheckResult().has_value());
  EXPECT_EQ(form->CheckResult()->damage, damage);
  EXPECT_FALSE(Child<QToolButton>(*form, "sbShowCheck")->isHidden());
  EXPECT_EQ(ShownCheck(*form), expectedLines);
  EXPECT_TRUE(form->CheckDialog()->windowTitle().endsWith(QStringLiteral("DAMAGED.DAT")));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, WindowCheckDamage, ::testing::ValuesIn(kDamage),
                         [](const ::testing::TestParamInfo<DamageCase>& param) {
                           return std::string(param.param.name);
                         });

TEST(WindowCheck, TheSampleKeepsTheStatusTextAndTheCheckSaysHealthy) {
  auto form = MakeWindow();
  EXPECT_TRUE(Child<QToolButton>(*form, "sbShowCheck")->isHidden()) << "no check before a job";
  form->sbShowCheckClick();
  EXPECT_EQ(form->CheckDialog(), nullptr);
  OpenThroughDialog(*form, SamplePath());
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_EQ(form->StatusText(1), kMade);
  ASSERT_TRUE(form->CheckResult().has_value());
  EXPECT_EQ(form->CheckResult()->damage, 0u);
  const std::string bytes = ReadBytes(SamplePath());
  std::size_t damage = 0;
  EXPECT_EQ(ShownCheck(*form), CheckLines(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), damage));
  EXPECT_TRUE(form->CheckResult()->summary.starts_with("healthy: "));
  // The report itself is untouched by the check.
  ASSERT_TRUE(ShowReport(*form));
  EXPECT_EQ(form->StatusText(1), QStringLiteral("Complete."));
}

// A deleted key's remains are listed beside the check, with its values, as recover lists them.
TEST(WindowCheck, DeletedKeysAreListedBesideTheCheck) {
  QTemporaryDir dir;
  const std::string path = InDir(dir, "USER.DAT");
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software");
  const int old = b.AddKey(software, "OldApp", {Text("Path", std::string("C:\\OLD\0", 7))});
  BuiltHive hive = b.Build();
  DeleteKey(hive, old);
  hive.WriteFile(path);
  auto form = MakeWindow();
  OpenThroughDialog(*form, path);
  ASSERT_TRUE(WaitForJob(*form));
  ASSERT_TRUE(form->CheckResult().has_value());
  std::size_t damage = 0;
  const QString shown = ShownCheck(*form);
  EXPECT_EQ(shown, CheckLines(hive.bytes, damage));
  EXPECT_TRUE(shown.contains(QStringLiteral("OldApp"))) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QStringLiteral("\"C:\\\\OLD\"")));
  EXPECT_TRUE(shown.contains(QStringLiteral("\n1 key and 1 value recovered: "))) << shown.toStdString();
}

// An older copy of a live key (its record rewritten elsewhere, the old one freed) is counted,
// not listed as a deleted key, as `quarvex-cli recover` does without --all; an older copy
// with other values gives the live key's earlier values.
TEST(WindowCheck, OlderCopiesOfLiveKeysAreCountedNotListedAsDeleted) {
  QTemporaryDir dir;
  const std::string path = InDir(dir, "USER.DAT");
  const BuiltHive hive = testkit::LiveKeyWithOlderCopies();
  hive.WriteFile(path);
  auto form = MakeWindow();
  OpenThroughDialog(*form, path);
  ASSERT_TRUE(WaitForJob(*form));
  std::size_t damage = 0;
  const QString shown = ShownCheck(*form);
  EXPECT_EQ(shown, CheckLines(hive.bytes, damage));
  EXPECT_TRUE(
      shown.contains(QStringLiteral("; 1 identical copy of live keys not listed; 1 earlier value of live keys")))
      << shown.toStdString();
  EXPECT_TRUE(shown.contains(QStringLiteral("live key Software\\Keep"))) << shown.toStdString();
}

TEST(WindowCheck, ANewJobTakesTheLastCheckAway) {
  QTemporaryDir dir;
  const std::string damaged = InDir(dir, "DAMAGED.DAT");
  BuiltHive hive = SmallHive();
  kDamage.front().damage(hive);
  hive.WriteFile(damaged);
  auto form = MakeWindow();
  OpenThroughDialog(*form, damaged);
  ASSERT_TRUE(WaitForJob(*form));
  ShownCheck(*form);
  QStringList shownWhileRunning;
  QObject::connect(form.get(), &TForm1::statusTextChanged, [&](int panel, const QString&) {
    if (panel == 0) shownWhileRunning << (form->CheckResult() ? "check" : "none");
  });
  OpenThroughDialog(*form, SamplePath());
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_EQ(shownWhileRunning.value(0), QStringLiteral("none")) << "the damaged file's check is gone at the start";
  EXPECT_FALSE(form->CheckDialog()->isVisible());
  EXPECT_EQ(form->StatusText(1), kMade);
  EXPECT_EQ(form->CheckResult()->damage, 0u);
}

// A failed job's bytes are checked as a completed job's are: the check says what the file is
// (here no registry file at all). A file that could not be read offers no check.
TEST(WindowCheck, AFailedJobOffersTheCheckOfTheBytesItRead) {
  QTemporaryDir dir;
  const std::string path = InDir(dir, "NOTAHIVE.DAT");
  WriteBytes(path, std::string(4096, 'x'));
  auto form = MakeWindow();
  OpenThroughDialog(*form, path);
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_NE(form->Job().code, 0);
  ASSERT_TRUE(form->CheckResult().has_value());
  EXPECT_EQ(form->CheckResult()->summary, "not a registry file");
  EXPECT_FALSE(Child<QToolButton>(*form, "sbShowCheck")->isHidden());

  OpenThroughDialog(*form, InDir(dir, "MISSING.DAT"));
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_FALSE(form->CheckResult().has_value());
  EXPECT_TRUE(Child<QToolButton>(*form, "sbShowCheck")->isHidden());
}

// The button stands in the Report page's free space beside the report's buttons and covers
// none of the page's controls.
TEST(WindowCheck, TheCheckButtonSitsBesideTheReportButtonsCoveringNothing) {
  auto form = MakeWindow();
  auto* button = Child<QToolButton>(*form, "sbShowCheck");
  auto* page = Child<QWidget>(*form, "tsReport");
  ASSERT_EQ(button->parentWidget(), page);
  EXPECT_EQ(button->text(), QStringLiteral("Check"));
  EXPECT_FALSE(button->toolTip().isEmpty());
  const Scale scale = Scale::ForWidget(*form);
  EXPECT_EQ(button->geometry(), scale.Rect(304, 408, 57, 25));
  for (const char* name : {"reMemo", "Button2", "sbShowRep", "StaticText3"})
    EXPECT_FALSE(button->geometry().intersects(Child<QWidget>(*page, name)->geometry())) << name;
  EXPECT_EQ(Child<QWidget>(*page, "Button2")->geometry(), scale.Rect(32, 408, 195, 25));
  EXPECT_EQ(Child<QWidget>(*page, "sbShowRep")->geometry(), scale.Rect(256, 408, 41, 25));
}

}  // namespace
}  // namespace quarvex::ui::testing

namespace quarvex::ui::testing {
namespace {

// With the window's default (auto), each file is read in the code page it shows, the status
// bar's hint says which and why, and the check's first note says the same.
TEST(WindowCodePage, AutoTakesEachHivesOwnAndSaysWhy) {
  struct Row {
    std::string file;
    CodePage expected;
    const char* source;
  } rows[] = {
      {std::string(QUARVEX_TEST_DATA_DIR) + "/USER.DAT", CodePage::Cp1252, "(hive)"},  // its Locale 00000409
      {SamplePath(), CodePage::Cp932, "(checksums)"},  // its Japanese names sum by 932's rule
  };
  for (const Row& row : rows) {
    TForm1::Settings settings = MakeSettings({}, {});
    settings.autoCodePage = true;
    auto form = std::make_unique<TForm1>(std::move(settings));
    OpenThroughDialog(*form, row.file);
    ASSERT_TRUE(WaitForJob(*form));
    EXPECT_EQ(form->JobCodePage(), row.expected) << row.file;
    EXPECT_TRUE(form->CodePageHint().contains(QString::fromLatin1(row.source))) << form->CodePageHint().toStdString();
    ASSERT_TRUE(form->CheckResult().has_value());
    ASSERT_FALSE(form->CheckResult()->lines.empty());
    EXPECT_TRUE(form->CheckResult()->lines.front().starts_with("0x00000000: note: file: code page " +
                                                               std::string(text::CodePageName(row.expected))))
        << form->CheckResult()->lines.front();
  }
}

}  // namespace
}  // namespace quarvex::ui::testing
