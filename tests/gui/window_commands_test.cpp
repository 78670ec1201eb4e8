// The window's own commands: Select All, the icon unlock, the command line, and the two
// buttons that open the Windows directory's files.
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <cmath>

#include "ui/analyser/about_page.h"
#include "ui/common/option_controls.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

QString FailText(int code) { return QStringLiteral("情報獲得に失敗しました/Fail(%1)").arg(code); }

QProgressBar* Gauge(const TForm1& form) { return form.findChild<QProgressBar*>(QStringLiteral("Gauge1")); }

TEST(WindowCommands, SelectAllChecksTheReportOptionsAndLeavesTheRestAlone) {
  auto form = MakeWindow({"/Pro"});
  form->OptionBox(Option::Analyse)->setChecked(false);
  form->OptionBox(Option::ListBadAndGhostKeys)->setChecked(false);
  form->findChild<QToolButton*>(QStringLiteral("sbSelAll"))->click();
  for (Option option : SelectAllOptions())
    EXPECT_TRUE(form->OptionBox(option)->isChecked()) << OptionControlName(option);
  EXPECT_FALSE(form->OptionBox(Option::Analyse)->isChecked());
  EXPECT_FALSE(form->OptionBox(Option::ListBadAndGhostKeys)->isChecked());
  EXPECT_TRUE(form->OptionBox(Option::AnalysisInReport)->isChecked());
  EXPECT_FALSE(form->OptionBox(Option::MinimiseWhileAnalysing)->isChecked());
}

// Clicks the icon until just before the limit, then once more.
void ExpectUnlockAtClick(TForm1& form, int limit) {
  ASSERT_EQ(form.IconClickLimit(), limit);
  form.imRegIconClick();
  EXPECT_FALSE(Gauge(form)->isHidden()) << "the first click shows the gauge";
  EXPECT_EQ(Gauge(form)->value(), 0);
  form.imRegIconClick();
  EXPECT_EQ(Gauge(form)->value(), static_cast<int>(std::log(2.0) / std::log(static_cast<double>(limit)) * 329));
  while (form.IconClickCount() < limit - 1) form.imRegIconClick();
  EXPECT_FALSE(form.AdvancedMode());
  EXPECT_LT(Gauge(form)->value(), 329);
  form.imRegIconClick();
  EXPECT_TRUE(form.AdvancedMode()) << "unlocks at click " << limit;
  EXPECT_TRUE(Gauge(form)->isHidden());
  EXPECT_TRUE(form.findChild<QLabel*>(QStringLiteral("pnREP_HIDE"))->isHidden());
  EXPECT_TRUE(form.OptionBox(Option::StructureReport)->isEnabled());
  EXPECT_FALSE(form.findChild<QToolButton*>(QStringLiteral("sbEnd"))->isHidden());
  EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("imRegIcon"))->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(form.IconClickCount(), -1);
  form.imRegIconClick();
  EXPECT_EQ(form.IconClickCount(), -1) << "clicks are ignored in advanced mode";
}

TEST(WindowCommands, TheIconUnlocksAdvancedModeAtExactlyTheNormalCount) {
  auto form = MakeWindow();
  ExpectUnlockAtClick(*form, TForm1::kNormalUnlockCount);
  EXPECT_GE(TForm1::kNormalUnlockCount, 100);
  EXPECT_LE(TForm1::kNormalUnlockCount, 999);
}

TEST(WindowCommands, AfterACommandLineFileTheSmallerCountUnlocks) {
  QTemporaryDir dir;
  const std::string hive = InDir(dir, "system.1st");
  WriteBytes(hive, ReadBytes(SamplePath()));
  auto form = MakeWindow({hive});
  EXPECT_TRUE(form->JobRunning()) << "the job starts at once";
  EXPECT_FALSE(form->OptionBox(Option::ListBadAndGhostKeys)->isChecked());
  EXPECT_EQ(form->OpenFileName().toStdString(), hive);
  EXPECT_EQ(form->SaveFileName(), QStringLiteral("system.TXT"));
  EXPECT_EQ(form->SaveInitialDirectory(), dir.path() + QLatin1Char('/'));
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_EQ(form->StatusText(1), QStringLiteral("The report has been made."));
  ExpectUnlockAtClick(*form, TForm1::kCommandLineUnlockCount);
  EXPECT_GE(TForm1::kCommandLineUnlockCount, 10);
  EXPECT_LT(TForm1::kCommandLineUnlockCount, TForm1::kNormalUnlockCount);
}

TEST(WindowCommands, ProAndAFileOpenInAdvancedModeWithTheJobStarted) {
  QTemporaryDir dir;
  const std::string hive = InDir(dir, "USER.DAT");
  WriteBytes(hive, ReadBytes(SamplePath()));
  auto form = MakeWindow({"/Pro", hive, InDir(dir, "nothing.dat"), dir.path().toStdString()});
  EXPECT_TRUE(form->AdvancedMode());
  EXPECT_EQ(form->OpenFileName().toStdString(), hive) << "a missing file and a directory do not count";
  EXPECT_EQ(form->SaveFileName(), QStringLiteral("USER.TXT"));
  EXPECT_EQ(form->IconClickLimit(), TForm1::kCommandLineUnlockCount);
  ASSERT_TRUE(WaitForJob(*form));
}

TEST(WindowCommands, AMissingCommandLineFileStartsNothing) {
  QTemporaryDir dir;
  auto form = MakeWindow({InDir(dir, "gone.dat")});
  EXPECT_FALSE(form->JobRunning());
  EXPECT_TRUE(form->StatusText(1).isEmpty());
  EXPECT_TRUE(form->OptionBox(Option::ListBadAndGhostKeys)->isChecked());
  EXPECT_EQ(form->IconClickLimit(), TForm1::kNormalUnlockCount);
}

TEST(WindowCommands, ADoubleClickOnTheIconCountsTwice) {
  auto form = MakeWindow();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  auto* icon = form->findChild<QLabel*>(QStringLiteral("imRegIcon"));
  QTest::mouseClick(icon, Qt::LeftButton);
  EXPECT_EQ(form->IconClickCount(), 1);
  // What a double click delivers: press, release, the double click, release.
  QTest::mouseClick(icon, Qt::LeftButton);
  QTest::mouseDClick(icon, Qt::LeftButton);
  QTest::mouseRelease(icon, Qt::LeftButton);
  EXPECT_EQ(form->IconClickCount(), 3);
}

TEST(WindowCommands, TheWindowsDirectorysFilesOpenWhateverTheirLetterCase) {
  QTemporaryDir windows;
  WriteBytes(InDir(windows, "USER.DAT"), ReadBytes(SamplePath()));
  auto form = MakeWindow({}, windows.path().toStdString());
  EXPECT_EQ(form->OpenInitialDirectory(), windows.path()) << "standard mode opens the dialog there";
  form->Button3Click();
  EXPECT_EQ(form->OpenFileName(), windows.path() + QStringLiteral("/USER.DAT"));
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_EQ(form->StatusText(1), QStringLiteral("The report has been made."));

  form->Button4Click();  // no system.dat there
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_EQ(form->OpenFileName(), windows.path() + QStringLiteral("/system.dat"));
  EXPECT_EQ(form->StatusText(1), FailText(-9));
  EXPECT_FALSE(form->findChild<QToolButton*>(QStringLiteral("sbReAna"))->isEnabled());
}

TEST(WindowCommands, WithoutAWindowsDirectoryTheButtonsFailWithTheirOwnCodes) {
  auto form = MakeWindow({}, "");
  EXPECT_TRUE(form->OpenInitialDirectory().isEmpty());
  form->Button3Click();
  EXPECT_EQ(form->StatusText(1), FailText(-11));
  EXPECT_FALSE(form->JobRunning());
  form->Button4Click();
  EXPECT_EQ(form->StatusText(1), FailText(-10));
  EXPECT_TRUE(form->OpenFileName().isEmpty());
  EXPECT_TRUE(form->findChild<QWidget*>(QStringLiteral("Button1"))->isEnabled());
  EXPECT_FALSE(form->findChild<QToolButton*>(QStringLiteral("sbReAna"))->isEnabled());

  QTemporaryDir dir;
  auto missing = MakeWindow({}, InDir(dir, "no-such-dir"));
  missing->Button3Click();
  EXPECT_EQ(missing->StatusText(1), FailText(-11));
}

TEST(WindowCommands, TheOpenDialogOffersRegistryFilesInAnyLetterCase) {
  auto form = MakeWindow();
  form->SetOpenFileName(QString::fromStdString(SamplePath()));
  bool asked = false;
  form->SetFileDialogHook([&](QFileDialog& dialog) {
    asked = true;
    EXPECT_EQ(dialog.objectName(), QStringLiteral("OpenDialog1"));
    EXPECT_EQ(dialog.fileMode(), QFileDialog::AnyFile) << "a typed name need not exist";
    const QStringList filters = dialog.nameFilters();
    EXPECT_EQ(filters.size(), 4);
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("ﾚｼﾞｽﾄﾘﾌｧｲﾙ(*.da?) ")));
    EXPECT_TRUE(filters[1].startsWith(QStringLiteral("All registry files (")));
    EXPECT_TRUE(filters[2].startsWith(QStringLiteral("すべてのﾌｧｲﾙ(*.*) ")));
    // After them, the disk images and cabinets whose hives are offered in a list.
    EXPECT_TRUE(filters[3].startsWith(QStringLiteral("ﾃﾞｨｽｸｲﾒｰｼﾞ/Disk images, backups ")));
    EXPECT_EQ(dialog.directory().absolutePath(), QString::fromLatin1(QUARVEX_SAMPLES_DIR));
    return QString();  // cancelled
  });
  form->Button1Click();
  EXPECT_TRUE(asked);
  EXPECT_FALSE(form->JobRunning()) << "a cancelled dialog does nothing";
  EXPECT_TRUE(form->StatusText(1).isEmpty());
}

TEST(WindowCommands, QuitWorksOnlyInAdvancedMode) {
  auto standard = MakeWindow();
  standard->show();
  standard->sbEndClick();
  EXPECT_TRUE(standard->isVisible());
  auto advanced = MakeWindow({"/Pro"});
  advanced->show();
  advanced->sbEndClick();
  EXPECT_FALSE(advanced->isVisible());
}

}  // namespace
}  // namespace quarvex::ui::testing
