// 0x5C on screen: a yen sign in a code page 932 hive, a backslash in every other. The glyph is
// told from the painted image (a backslash leans down to the right, a yen sign stands upright),
// and the way of telling is itself checked on faces known to draw each.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeView>

#include "ui/common/backslash_fonts.h"
#include "ui/browser/browser_hex_view.h"
#include "ui/browser/browser_window.h"
#include "browser_fixture.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

std::string RealUserDat() { return std::string(QUARVEX_TEST_DATA_DIR) + "/USER.DAT"; }

TEST(BackslashFonts, TheGlyphTestTellsTheJapaneseFacesYenFromALatinBackslash) {
  const struct {
    const char* family;
    bool backslash;
  } rows[] = {{"IPAPGothic", false},
              {"IPAGothic", false},
              {"IPAPMincho", false},
              {"DejaVu Sans", true},
              {"DejaVu Sans Mono", true}};
  for (const auto& row : rows) {
    const QFont font(QString::fromLatin1(row.family));
    ASSERT_EQ(QFontInfo(font).family(), QString::fromLatin1(row.family)) << "installed: " << row.family;
    EXPECT_EQ(DrawsRealBackslash(font), row.backslash) << row.family;
  }
  EXPECT_TRUE(DrawsRealBackslash(QFont(BackslashFamily(false))));
  EXPECT_TRUE(DrawsRealBackslash(QFont(BackslashFamily(true))));
}

std::unique_ptr<TForm1> AnalysedIn(CodePage codePage, const std::string& file) {
  TForm1::Settings settings = MakeSettings();
  settings.job.codePage = codePage;
  auto form = std::make_unique<TForm1>(std::move(settings));
  OpenThroughDialog(*form, file);
  EXPECT_TRUE(WaitForJob(*form));
  EXPECT_TRUE(ShowReport(*form));
  form->sbShowCheckClick();
  return form;
}

// Every view of the analyser that shows the hive's text.
std::vector<std::pair<const char*, QFont>> HiveTextFonts(const TForm1& form) {
  return {{"reMemo", Child<QWidget>(form, "reMemo")->font()},
          {"edMes", Child<QWidget>(form, "edMes")->font()},
          {"StatusBar1_panel0", Child<QWidget>(form, "StatusBar1_panel0")->font()},
          {"StatusBar1_panel1", Child<QWidget>(form, "StatusBar1_panel1")->font()},
          {"meCheck", Child<QWidget>(*form.CheckDialog(), "meCheck")->font()}};
}

TEST(BackslashFonts, TheAnalyserDrawsAWesternHivesPathsWithABackslash) {
  auto form = AnalysedIn(CodePage::Cp1252, RealUserDat());
  ASSERT_EQ(form->JobCodePage(), CodePage::Cp1252);
  // A chart click names a key by its path: backslashes on the message line.
  form->OnUsingPointClick(1);
  ASSERT_TRUE(Child<QLineEdit>(*form, "edMes")->text().contains(QLatin1Char('\\')));
  for (const auto& [name, font] : HiveTextFonts(*form))
    EXPECT_TRUE(DrawsRealBackslash(font)) << name << ": " << QFontInfo(font).family().toStdString();
}

TEST(BackslashFonts, TheAnalyserKeepsItsPeriodFontsForACodePage932Hive) {
  auto western = AnalysedIn(CodePage::Cp1252, RealUserDat());
  auto japanese = AnalysedIn(CodePage::Cp932, SamplePath());
  const auto fonts = HiveTextFonts(*japanese);
  for (const auto& [name, font] : fonts) {
    EXPECT_FALSE(DrawsRealBackslash(font)) << name << ": the yen sign, as code page 932 shows 0x5C";
    const bool fixed = name == std::string("reMemo") || name == std::string("meCheck");
    EXPECT_EQ(font.family(), fixed ? QStringLiteral("IPAGothic") : QStringLiteral("IPAPGothic")) << name;
  }
  // The same size in either case: the layout is not disturbed.
  const auto westernFonts = HiveTextFonts(*western);
  for (std::size_t i = 0; i < fonts.size(); ++i)
    EXPECT_EQ(westernFonts[i].second.pixelSize(), fonts[i].second.pixelSize()) << fonts[i].first;
  // The code page decides, not the file: the Western file read in 932 shows 0x5C as a yen sign.
  OpenThroughDialog(*japanese, RealUserDat());
  ASSERT_TRUE(WaitForJob(*japanese));
  EXPECT_FALSE(DrawsRealBackslash(Child<QWidget>(*japanese, "reMemo")->font())) << "the job's code page is 932";
}

struct BrowserIn {
  explicit BrowserIn(CodePage codePage) {
    fixture.window = std::make_unique<BrowserWindow>(BrowserWindow::Settings{codePage});
    fixture.window->SetMessageHook([this](const QString& text) { fixture.messages << text; });
    fixture.window->show();
  }
  BrowserFixture fixture;
};

TEST(BackslashFonts, TheBrowserUsesTheDesktopsFontForANon932Hive) {
  BrowserIn browser(CodePage::Cp1252);
  ASSERT_TRUE(browser.fixture.Open(RealUserDat()));
  BrowserWindow& window = *browser.fixture.window;
  for (const auto& [name, font] :
       std::vector<std::pair<const char*, QFont>>{{"window", window.font()},
                                                  {"tree", window.Tree()->font()},
                                                  {"hex", window.HexView()->font()},
                                                  {"search", window.SearchField()->font()}}) {
    EXPECT_TRUE(DrawsRealBackslash(font)) << name;
    EXPECT_FALSE(font.families().contains(QStringLiteral("IPAPGothic"))) << name;
    EXPECT_FALSE(font.families().contains(QStringLiteral("IPAGothic"))) << name;
  }
}

TEST(BackslashFonts, TheBrowserKeepsTheJapaneseFacesForA932Hive) {
  BrowserIn browser(CodePage::Cp932);
  ASSERT_TRUE(browser.fixture.OpenFixture(Fixture::DoubleByteNames));
  BrowserWindow& window = *browser.fixture.window;
  EXPECT_TRUE(window.font().families().contains(QStringLiteral("IPAPGothic")));
  EXPECT_TRUE(window.HexView()->font().families().contains(QStringLiteral("IPAGothic")));
}

}  // namespace
}  // namespace quarvex::ui::testing
