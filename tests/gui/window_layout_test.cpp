// The window as it opens: captions, states, fonts, and standard mode's cover over the
// structure-report options.
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include "stage/options.h"
#include "ui/common/option_controls.h"
#include "ui/analyser/options_page.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

TEST(WindowLayout, OpensWithTheCaptionsAndStatesOfANewWindow) {
  auto form = MakeWindow();
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Quarvex  <Registry Analizer>"));
  EXPECT_EQ(form->ApplicationTitle(), QStringLiteral("Quarvex"));
  EXPECT_EQ(form->minimumSize(), form->size()) << "opens at its least size (window_resize_test.cpp)";
  EXPECT_TRUE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);

  auto* pages = Child<QTabWidget>(*form, "pgPage");
  ASSERT_EQ(pages->count(), 4);
  EXPECT_EQ(pages->tabPosition(), QTabWidget::South);
  EXPECT_EQ(pages->currentIndex(), 0);
  const char* names[] = {"tsAnalisys", "tsReport", "tsOption", "tsAbout"};
  const char* captions[] = {"Analize  ", "Report  ", "Options  ", "About  "};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(pages->widget(i)->objectName(), QString::fromLatin1(names[i]));
    EXPECT_EQ(pages->tabText(i), QString::fromLatin1(captions[i]));
  }

  EXPECT_EQ(Child<QPushButton>(*form, "Button1")->text(), QStringLiteral("任意のﾚｼﾞｽﾄﾘﾌｧｲﾙを開く/Open(&O)..."));
  EXPECT_EQ(Child<QPushButton>(*form, "Button3")->text(), QStringLiteral(" user.datを開く/Open user.dat(&1)  "));
  EXPECT_EQ(Child<QPushButton>(*form, "Button4")->text(), QStringLiteral(" system.datを開く/Open system.dat(&2)  "));
  auto* save = Child<QPushButton>(*form, "Button2");
  EXPECT_EQ(save->text(), QStringLiteral("ﾚﾎﾟｰﾄを保存/Save As(&A)..."));
  EXPECT_FALSE(save->isEnabled());
  auto* reAnalyse = Child<QToolButton>(*form, "sbReAna");
  EXPECT_FALSE(reAnalyse->isEnabled());
  EXPECT_EQ(reAnalyse->toolTip(), QStringLiteral("同じﾌｧｲﾙを再度解析/Re-Analyze"));
  auto* showReport = Child<QToolButton>(*form, "sbShowRep");
  EXPECT_TRUE(showReport->isHidden());
  EXPECT_EQ(showReport->toolTip(), QStringLiteral("ﾚﾎﾟｰﾄの表示/See the Report  "));
  EXPECT_EQ(Child<QToolButton>(*form, "sbEnd")->toolTip(), QStringLiteral("終了/Quit"));
  EXPECT_EQ(Child<QLabel>(*form, "StaticText1")->text(), QStringLiteral("処理項目 (Do after Opened) "));
  EXPECT_EQ(Child<QLabel>(*form, "StaticText3")->text(), QStringLiteral("詳細情報 (In Details) "));
  EXPECT_EQ(Child<QLabel>(*form, "StaticText4")->text(), QStringLiteral("分析結果/Analisys Charts"));

  auto* message = Child<QLineEdit>(*form, "edMes");
  EXPECT_TRUE(message->isReadOnly());
  EXPECT_TRUE(message->text().isEmpty());
  EXPECT_EQ(form->StatusText(0), QStringLiteral(" "));
  EXPECT_TRUE(form->StatusText(1).isEmpty());

  auto* selector = Child<QComboBox>(*form, "cbxSelChart");
  EXPECT_EQ(selector->count(), 6);
  EXPECT_EQ(selector->currentIndex(), 0);
  EXPECT_FALSE(selector->isEditable());

  for (Option option : AllOptions()) {
    QCheckBox* box = form->OptionBox(option);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->objectName().toStdString(), OptionControlName(option));
    EXPECT_EQ(box->text().toStdString(), OptionCaption(option));
    EXPECT_EQ(box->isChecked(), quarvex::stage::OnByDefault(option)) << OptionControlName(option);
  }

  auto* gauge = Child<QProgressBar>(*form, "Gauge1");
  EXPECT_TRUE(gauge->isHidden());
  EXPECT_EQ(gauge->maximum(), 329);
  EXPECT_EQ(gauge->value(), 0);
  EXPECT_EQ(gauge->toolTip(), QStringLiteral("???"));
  EXPECT_EQ(Child<QLabel>(*form, "Label2")->text() + Child<QLabel>(*form, "Label3")->text(), QStringLiteral("Quarvex"));
}

TEST(WindowLayout, EveryControlCarriesItsName) {
  auto form = MakeWindow();
  for (const char* name : {"pgPage",
                           "tsAnalisys",
                           "tsReport",
                           "tsOption",
                           "tsAbout",
                           "chAna",
                           "cbxSelChart",
                           "StaticText4",
                           "reMemo",
                           "Button2",
                           "sbShowRep",
                           "sbShowCheck",
                           "StaticText3",
                           "Button1",
                           "sbReAna",
                           "Button3",
                           "Button4",
                           "sbEnd",
                           "edMes",
                           "StatusBar1",
                           "StatusBar1_panel0",
                           "StatusBar1_panel1",
                           "Bevel2",
                           "bvREP",
                           "Bevel3",
                           "Bevel4",
                           "Bevel5",
                           "Bevel6",
                           "Bevel7",
                           "Bevel8",
                           "Label8",
                           "Label9",
                           "Label10",
                           "Label11",
                           "Label12",
                           "Label13",
                           "Label14",
                           "Label15",
                           "Label16",
                           "Label17",
                           "sbSelAll",
                           "pnREP_HIDE",
                           "StaticText1",
                           "imRegIcon",
                           "Label1",
                           "Label2",
                           "Label3",
                           "Label4",
                           "Label5",
                           "Label6",
                           "Label7",
                           "Bevel1",
                           "Gauge1",
                           "meStat"})
    EXPECT_EQ(form->findChildren<QWidget*>(QString::fromLatin1(name)).size(), 1) << name;
  EXPECT_EQ(form->objectName(), QStringLiteral("Form1"));
}

TEST(WindowLayout, StandardModeCoversTheStructureReportOptions) {
  auto form = MakeWindow();
  EXPECT_FALSE(form->AdvancedMode());
  auto* cover = Child<QLabel>(*form, "pnREP_HIDE");
  EXPECT_FALSE(cover->isHidden());
  EXPECT_EQ(cover->text(), QStringLiteral("  Standard Mode  "));
  EXPECT_EQ(cover->geometry(), Child<QWidget>(*form, "bvREP")->geometry());
  EXPECT_FALSE(form->OptionBox(Option::StructureReport)->isEnabled());
  EXPECT_FALSE(form->OptionBox(Option::StructureReport)->isChecked());
  EXPECT_TRUE(Child<QToolButton>(*form, "sbEnd")->isHidden());
  EXPECT_EQ(form->IconClickCount(), 0);
  EXPECT_EQ(form->IconClickLimit(), TForm1::kNormalUnlockCount);
  EXPECT_EQ(Child<QLabel>(*form, "imRegIcon")->cursor().shape(), Qt::PointingHandCursor);
}

TEST(WindowLayout, CoveredOptionsCannotBeReachedByMouseOrAcceleratorKey) {
  auto form = MakeWindow();
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  Child<QTabWidget>(*form, "pgPage")->setCurrentIndex(2);
  QCheckBox* header = form->OptionBox(Option::HeaderInfo);
  ASSERT_TRUE(header->isChecked());
  auto* cover = Child<QLabel>(*form, "pnREP_HIDE");
  // A click where the box lies lands on the cover.
  const QPoint onBox = cover->mapFrom(header->parentWidget(), header->geometry().center());
  QTest::mouseClick(cover, Qt::LeftButton, {}, onBox);
  EXPECT_TRUE(header->isChecked());
  // Its accelerator, Alt+C, does not reach it either, while an uncovered box's, Alt+I, does
  // (a button clicks a moment after its key, so wait for that one).
  QTest::keyClick(form.get(), Qt::Key_C, Qt::AltModifier);
  QTest::keyClick(form.get(), Qt::Key_I, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return form->OptionBox(Option::MinimiseWhileAnalysing)->isChecked(); }));
  EXPECT_TRUE(header->isChecked());
  EXPECT_EQ(header->focusPolicy(), Qt::NoFocus);
}

TEST(WindowLayout, ProOnTheCommandLineOpensInAdvancedMode) {
  auto form = MakeWindow({"/Pro"});
  EXPECT_TRUE(form->AdvancedMode());
  EXPECT_TRUE(Child<QLabel>(*form, "pnREP_HIDE")->isHidden());
  EXPECT_TRUE(form->OptionBox(Option::StructureReport)->isEnabled());
  EXPECT_FALSE(Child<QToolButton>(*form, "sbEnd")->isHidden());
  EXPECT_EQ(form->IconClickCount(), -1);
  EXPECT_TRUE(MakeWindow({"/Professional"})->AdvancedMode()) << "the first four characters decide";
}

TEST(WindowLayout, ProInAnotherLetterCaseOrCutShortIsNotTheOption) {
  for (const char* argument : {"/pro", "/PRO", "/Pr", "Pro"}) {
    auto form = MakeWindow({argument});
    EXPECT_FALSE(form->AdvancedMode()) << argument;
    EXPECT_FALSE(Child<QLabel>(*form, "pnREP_HIDE")->isHidden()) << argument;
  }
}

TEST(WindowLayout, ReportViewAndMemoShowJapaneseInTheLayoutFaces) {
  auto form = MakeWindow();
  auto* report = Child<QPlainTextEdit>(*form, "reMemo");
  const QFontInfo reportFace(report->font());
  EXPECT_EQ(reportFace.family(), QStringLiteral("IPAGothic"));
  const QFontMetrics metrics(report->font());
  EXPECT_TRUE(metrics.inFontUcs4(U'獲'));
  EXPECT_TRUE(metrics.inFontUcs4(U'ﾚ'));
  // The report's columns line up only when every character takes whole columns of one width.
  EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("iiii")), metrics.horizontalAdvance(QStringLiteral("MMMM")));
  EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("ｱｲｳｴ")), metrics.horizontalAdvance(QStringLiteral("abcd")))
      << "half-width kana take one column";
  EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("情報")), metrics.horizontalAdvance(QStringLiteral("abcd")))
      << "full-width characters take two columns";
  EXPECT_EQ(QFontInfo(form->font()).family(), QStringLiteral("IPAPGothic"));
  EXPECT_TRUE(report->isReadOnly());
  EXPECT_EQ(report->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

  // The About memo holds what the host probe found, line by line.
  std::vector<std::string> expected;
  HostFacts facts;
  ThisHostProbe(std::nullopt, CodePage::Cp932, TextLocale::FromEnvironment())(facts, expected);
  QStringList lines;
  for (const std::string& line : expected) lines << QString::fromStdString(line);
  EXPECT_EQ(Child<QPlainTextEdit>(*form, "meStat")->toPlainText(), lines.join(QLatin1Char('\n')));
  EXPECT_EQ(form->HostFacts().OsText, facts.OsText);
}

TEST(WindowLayout, WithoutAHostProbeTheMemoShowsTheFirstFacts) {
  TForm1::Settings settings = MakeSettings();
  settings.probeHost = {};
  TForm1 form(std::move(settings));
  // Nothing is known of the machine or its system files: their lines are left out.
  const QStringList memo = Child<QPlainTextEdit>(form, "meStat")->toPlainText().split(QLatin1Char('\n'));
  EXPECT_EQ(memo, (QStringList{QStringLiteral(" (GetVer Failure)"), QString()}));
  EXPECT_EQ(form.HostFacts().ProgramVersion, QUARVEX_VERSION);
}

}  // namespace
}  // namespace quarvex::ui::testing
