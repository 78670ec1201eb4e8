// Back and Forward through the keys the browser has shown (Alt+Left, Alt+Right), and the
// "go to key" box with its completions.
#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QStatusBar>
#include <algorithm>

#include "browser_fixture.h"
#include "ui/browser/browser_key_history.h"
#include "ui/browser/browser_key_path_box.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

TEST(KeyHistory, GoesBackAndForwardAndDropsWhatLiesAheadOfANewVisit) {
  // Each step: 'v' visits the key, 'b' goes back, 'f' forward; then the key it gave (or -1
  // for none) and whether it can go back and forward after it.
  const struct {
    char op;
    std::int32_t key;
    std::int32_t gave;
    bool canBack, canForward;
  } steps
      [] =
          {
              {'b', 0, -1, false, false}, {'v', 1, -1, false, false},
              {'v', 1, -1, false, false},  // the same key twice: one step
              {'v', 2, -1, true, false},  {'v', 3, -1, true, false},
              {'b', 0, 2, true, true},    {'b', 0, 1, false, true},
              {'b', 0, -1, false, true},  {'f', 0, 2, true, true},
              {'v', 4, -1, true, false},  {'f', 0, -1, true, false},
              {'b', 0, 2, true, true},    {'b', 0, 1, false, true},
          };
  KeyHistory history;
  int i = 0;
  for (const auto& s : steps) {
    std::optional<std::int32_t> gave;
    if (s.op == 'v') history.Visit(s.key);
    if (s.op == 'b') gave = history.Back();
    if (s.op == 'f') gave = history.Forward();
    EXPECT_EQ(gave.value_or(-1), s.gave) << "step " << i;
    EXPECT_EQ(history.CanGoBack(), s.canBack) << "step " << i;
    EXPECT_EQ(history.CanGoForward(), s.canForward) << "step " << i;
    ++i;
  }
}

TEST(KeyHistory, KeepsTheLatestKeys) {
  KeyHistory history;
  for (std::int32_t key = 0; key < static_cast<std::int32_t>(KeyHistory::kMaxKeys) + 10; ++key) history.Visit(key);
  std::size_t back = 0;
  std::optional<std::int32_t> oldest;
  while (const std::optional<std::int32_t> key = history.Back()) {
    oldest = key;
    ++back;
  }
  EXPECT_EQ(back, KeyHistory::kMaxKeys - 1);
  EXPECT_EQ(oldest, 10);
}

TEST(BrowserNavigation, AltLeftAndAltRightGoThroughTheKeysShown) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  f.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
  EXPECT_FALSE(f.window->BackAction()->isEnabled());
  EXPECT_FALSE(f.window->ForwardAction()->isEnabled());
  for (const char* path : {"Software", "Software\\Vendor", "Control Panel\\Desktop"})
    ASSERT_TRUE(f.window->SelectKey(f.Key(path))) << path;
  const struct {
    Qt::Key key;
    const char* shown;
    bool back, forward;
  } steps[] = {
      {Qt::Key_Left, "Software\\Vendor", true, true},
      {Qt::Key_Left, "Software", false, true},
      {Qt::Key_Left, "Software", false, true},  // nothing before the first
      {Qt::Key_Right, "Software\\Vendor", true, true},
      {Qt::Key_Right, "Control Panel\\Desktop", true, false},
      {Qt::Key_Right, "Control Panel\\Desktop", true, false},
  };
  for (const auto& step : steps) {
    f.window->Tree()->setFocus();
    QTest::keyClick(f.window.get(), step.key, Qt::AltModifier);
    EXPECT_EQ(f.window->SelectedKey(), f.Key(step.shown)) << step.shown;
    EXPECT_EQ(f.window->BackAction()->isEnabled(), step.back) << step.shown;
    EXPECT_EQ(f.window->ForwardAction()->isEnabled(), step.forward) << step.shown;
  }
  // A key chosen after going back ends what lay ahead.
  f.window->GoBack();
  ASSERT_TRUE(f.window->SelectKey(f.Key("Control Panel")));
  EXPECT_FALSE(f.window->ForwardAction()->isEnabled());
  f.window->GoBack();
  EXPECT_EQ(f.window->SelectedKey(), f.Key("Software\\Vendor"));
}

TEST(BrowserNavigation, AnotherFileStartsAFreshHistory) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  ASSERT_TRUE(f.window->SelectKey(f.Key("Software")));
  ASSERT_TRUE(f.window->SelectKey(f.Key("Software\\Vendor")));
  EXPECT_TRUE(f.window->BackAction()->isEnabled());
  ASSERT_TRUE(f.OpenFixture(Fixture::DeletedKey, "USER2.DAT"));
  EXPECT_FALSE(f.window->BackAction()->isEnabled());
  EXPECT_TRUE(f.window->KeyPathBox()->text().isEmpty());
}

TEST(BrowserNavigation, TheKeyPathBoxSelectsTheKeyTyped) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  const QString root = QString::fromStdString(f.Doc().RootKey());
  ASSERT_FALSE(root.isEmpty());
  const struct {
    QString typed;
    const char* selected;  // nullptr: no such key
  } cases[] = {
      {QStringLiteral("Software\\Vendor"), "Software\\Vendor"},
      {QStringLiteral("software\\VENDOR\\"), "Software\\Vendor"},
      {root + QStringLiteral("\\Control Panel\\Desktop"), "Control Panel\\Desktop"},
      {QStringLiteral("Software\\Vendor\\日本"), "Software\\Vendor\\日本"},
      {QStringLiteral("  Control Panel  "), "Control Panel"},
      {QStringLiteral("Software\\Vendr"), nullptr},
      {QString(), nullptr},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(f.window->SelectKey(f.Key("Software")));
    BrowserKeyPathBox* box = f.window->KeyPathBox();
    box->setFocus();
    box->clear();
    // Qt Test types ASCII only; the Japanese name is pasted.
    const bool ascii = std::all_of(c.typed.begin(), c.typed.end(), [](QChar ch) { return ch.unicode() < 0x80; });
    if (ascii)
      QTest::keyClicks(box, c.typed);
    else
      box->insert(c.typed);
    QTest::keyClick(box, Qt::Key_Return);
    if (box->completer()->popup()->isVisible()) box->completer()->popup()->hide();
    const std::string what = c.typed.toStdString();
    if (c.selected) {
      EXPECT_EQ(f.window->SelectedKey(), f.Key(c.selected)) << what;
      EXPECT_EQ(box->text(), root + QLatin1Char('\\') + QString::fromUtf8(c.selected)) << what;
    } else {
      EXPECT_EQ(f.window->SelectedKey(), f.Key("Software")) << what;
      EXPECT_TRUE(f.window->statusBar()->currentMessage().startsWith(QStringLiteral("No "))) << what;
    }
  }
}

TEST(BrowserNavigation, TheKeyPathBoxCompletesOneLevelAtATime) {
  BrowserFixture f;
  ASSERT_TRUE(f.OpenFixture(Fixture::DoubleByteNames));
  const QString root = QString::fromStdString(f.Doc().RootKey());
  const struct {
    QString typed;
    QStringList completions;
  } cases[] = {
      {QString(), {QStringLiteral("Software"), QStringLiteral("Control Panel"), root + QLatin1Char('\\')}},
      {QStringLiteral("soft"), {QStringLiteral("Software"), QStringLiteral("Control Panel"), root + QLatin1Char('\\')}},
      {QStringLiteral("software\\"), {QStringLiteral("software\\Vendor"), QStringLiteral("software\\Old")}},
      {QStringLiteral("Software\\Vendor\\"), {QStringLiteral("Software\\Vendor\\日本")}},
      {root + QStringLiteral("\\Control Panel\\De"), {root + QStringLiteral("\\Control Panel\\Desktop")}},
      {QStringLiteral("Software\\Nothing\\"), {}},
  };
  for (const auto& c : cases) EXPECT_EQ(KeyPathCompletions(f.Doc(), c.typed), c.completions) << c.typed.toStdString();

  // Typed into the box, the completer offers the names under the part typed.
  BrowserKeyPathBox* box = f.window->KeyPathBox();
  box->setFocus();
  box->clear();
  QTest::keyClicks(box, QStringLiteral("Software\\Ve"));
  QCompleter* completer = box->Completer();
  QStringList offered;
  for (int row = 0; row < completer->completionModel()->rowCount(); ++row)
    offered << completer->completionModel()->index(row, 0).data().toString();
  EXPECT_EQ(offered, QStringList{QStringLiteral("Software\\Vendor")});
  completer->popup()->hide();
}

}  // namespace
}  // namespace quarvex::ui::testing
