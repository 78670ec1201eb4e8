// Small defects of the window on real use: the message line shows a clicked key path from its
// start, "Select All" greys out with its page, the About memo wraps its lines, the Options
// page's "General Header " label keeps clear of the RGKN Header frame, and Ctrl+O opens the
// file dialog.
#include <QDir>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include <cstdlib>

#include "ui/charts/analysis_chart.h"
#include "ui/analyser/options_page.h"
#include "ui/analyser/window_geometry.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

TEST(WindowSmallDefects, AClickedKeyPathShowsFromItsFirstCharacterWithTheWholePathAsTooltip) {
  auto form = MakeWindow();
  form->show();
  ASSERT_TRUE(ReportOnSample(*form));
  auto* message = Child<QLineEdit>(*form, "edMes");
  // The longest path of the sample's keys, so that it is the one most likely cut.
  int longest = 0;
  std::size_t longestSize = 0;
  for (std::size_t k = 0; k < form->Job().analysis->keys.size(); ++k) {
    emit form->Chart()->usingPointClicked(static_cast<int>(k));
    if (static_cast<std::size_t>(message->text().size()) > longestSize) {
      longestSize = static_cast<std::size_t>(message->text().size());
      longest = static_cast<int>(k);
    }
  }
  message->resize(120, message->height());  // narrower than the path
  emit form->Chart()->usingPointClicked(longest);
  ASSERT_FALSE(message->text().isEmpty());
  EXPECT_EQ(message->cursorPosition(), 0);
  EXPECT_EQ(message->toolTip(), message->text());
  form->cbxSelChartChange(4);
  EXPECT_TRUE(message->toolTip().isEmpty());
}

int NavyPixels(QWidget* widget) {
  const QImage image = widget->grab().toImage();
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == kNavy) ++count;
  return count;
}

TEST(WindowSmallDefects, SelectAllGreysOutWithItsPage) {
  auto form = MakeWindow();
  form->show();
  auto* button = Child<QToolButton>(*form, "sbSelAll");
  EXPECT_GT(NavyPixels(button), 0) << "navy while it can be used";
  form->findChild<QWidget*>(QStringLiteral("pgPage"))->setEnabled(false);  // as during a job
  EXPECT_FALSE(button->isEnabled());
  EXPECT_EQ(NavyPixels(button), 0) << "drawn disabled like the rest of the page";
  EXPECT_NE(button->palette().color(QPalette::Disabled, QPalette::ButtonText), kNavy);
}

TEST(WindowSmallDefects, TheAboutMemoWrapsItsLinesWithoutAHorizontalScrollBar) {
  QTemporaryDir dir;
  const QString deep =
      dir.path() + QStringLiteral("/a-windows-directory-with-a-name-far-longer-than-the-memo-is-wide/WINDOWS");
  ASSERT_TRUE(QDir().mkpath(deep));
  auto form = MakeWindow({}, deep.toStdString());
  form->show();
  form->findChild<QTabWidget*>(QStringLiteral("pgPage"))->setCurrentIndex(3);  // About
  QCoreApplication::processEvents();
  auto* memo = Child<QPlainTextEdit>(*form, "meStat");
  EXPECT_TRUE(memo->toPlainText().contains(deep) || memo->toPlainText().size() > 0);
  EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo->horizontalScrollBar()->maximum(), 0) << "nothing to scroll to sideways";
}

TEST(WindowSmallDefects, TheAboutMemoHasNoVersionLineWithoutAProgramName) {
  // Without a Windows directory nothing of the system files is known; with an empty one their
  // names are, but not their versions.
  QTemporaryDir dir;
  const QString windows = dir.path() + QStringLiteral("/WINDOWS");
  ASSERT_TRUE(QDir().mkpath(windows));
  const struct {
    const char* what;
    std::string windowsDir;
    int systemFiles;
  } cases[] = {{"no Windows directory", {}, 0}, {"an empty Windows directory", windows.toStdString(), 3}};
  for (const auto& c : cases) {
    if (c.windowsDir.empty()) unsetenv("QUARVEX_WINDIR");
    auto form = MakeWindow({}, c.windowsDir);
    const QStringList memo = Child<QPlainTextEdit>(*form, "meStat")->toPlainText().split(QLatin1Char('\n'));
    int named = 0;
    for (const QString& line : memo) {
      EXPECT_FALSE(line.contains(QStringLiteral("(ver )"))) << c.what << ": " << line.toStdString();
      EXPECT_FALSE(line.startsWith(QStringLiteral(" (ver"))) << c.what << ": " << line.toStdString();
      EXPECT_NE(line.trimmed(), QStringLiteral("Time Stamp:")) << c.what;
      if (line.startsWith(QLatin1Char(' ') + windows)) ++named;
    }
    EXPECT_EQ(named, c.systemFiles) << c.what << ":\n" << memo.join('\n').toStdString();
    EXPECT_FALSE(memo.first().isEmpty()) << c.what << ": the system's own line stays";
    EXPECT_EQ(memo.last(), QString()) << c.what;
  }
}

TEST(WindowSmallDefects, GeneralHeaderEndsBeforeTheRgknHeaderFrameAtBothScreens) {
  for (double factor : {96.0 / 120, 1.0}) {
    QWidget parent;
    OptionsPage page(Scale(factor), &parent);
    auto* label = page.findChild<QLabel*>(QStringLiteral("Label8"));
    auto* frame = page.findChild<QFrame*>(QStringLiteral("Bevel5"));
    ASSERT_NE(label, nullptr);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("General Header "));
    EXPECT_EQ(label->pos(), QPoint(Scale(factor).Px(72), Scale(factor).Px(176))) << factor;
    EXPECT_LT(label->geometry().right(), frame->geometry().left()) << factor;
  }
}

TEST(WindowSmallDefects, CtrlOOpensTheFileDialog) {
  auto form = MakeWindow();
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  EXPECT_TRUE(Child<QPushButton>(*form, "Button1")->text().contains("(&O)")) << "Alt+O stays";
  for (Qt::KeyboardModifier modifier : {Qt::ControlModifier}) {
    int dialogs = 0;
    form->SetFileDialogHook([&](QFileDialog& dialog) {
      EXPECT_EQ(dialog.objectName(), QStringLiteral("OpenDialog1"));
      ++dialogs;
      return QString();
    });
    QTest::keyClick(form.get(), Qt::Key_O, modifier);
    EXPECT_EQ(dialogs, 1) << "Ctrl+O";
  }
  // Not while a job runs: the button is disabled then.
  Child<QPushButton>(*form, "Button1")->setEnabled(false);
  int dialogs = 0;
  form->SetFileDialogHook([&](QFileDialog&) {
    ++dialogs;
    return QString();
  });
  QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(dialogs, 0);
  form->SetFileDialogHook({});
}

}  // namespace
}  // namespace quarvex::ui::testing
