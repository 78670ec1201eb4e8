// Writes pictures of the browser on the bundled sample (Japanese names) and the real Windows
// Me user.dat when asked to by
// QUARVEX_PICTURES_DIR (tools/screenshots.sh runs it under Xvfb). Otherwise skipped.
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QLineEdit>
#include <QTableView>
#include <QTreeView>
#include <fstream>

#include "browser_fixture.h"
#include "ui/browser/browser_facts_model.h"
#include "ui/browser/browser_key_path_box.h"
#include "ui/browser/browser_search.h"
#include "tests/support/test_namespaces.h"
#include "tools/hive_generator.h"

namespace quarvex::ui::testing {
namespace {

void Save(BrowserWindow& window, const QString& name) {
  QTest::qWait(300);
  const QString path = QDir(QString::fromLocal8Bit(qgetenv("QUARVEX_PICTURES_DIR"))).filePath(name);
  EXPECT_TRUE(window.grab().save(path)) << path.toStdString();
}

TEST(BrowserPictures, TreeHexSearchProblemsAndADeletedKey) {
  if (qEnvironmentVariableIsEmpty("QUARVEX_PICTURES_DIR")) GTEST_SKIP() << "QUARVEX_PICTURES_DIR not set";
  BrowserFixture f;
  f.window->resize(1280, 860);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window.get()));
  const std::string real = std::string(QUARVEX_TEST_DATA_DIR) + "/USER.DAT";
  ASSERT_TRUE(f.Open(std::string(QUARVEX_SAMPLES_DIR) + "/USER-SAMPLE.DAT"));

  // A key with Japanese names and several values.
  std::int32_t best = -1;
  std::size_t bestValues = 0;
  const browse::HiveView& view = f.Doc().View();
  for (std::size_t k = 0; k < f.Doc().Hive().keys.size(); ++k) {
    const auto key = static_cast<std::int32_t>(k);
    const std::string path = view.Path(key);
    const bool japanese =
        std::any_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xE3; });
    const std::size_t values = view.Values(key).size();
    if (japanese && values > bestValues && values < 14) {
      best = key;
      bestValues = values;
    }
  }
  ASSERT_GE(best, 0);
  ASSERT_TRUE(f.window->SelectKey(best));
  f.window->Tree()->expand(f.window->Tree()->currentIndex());
  Save(*f.window, QStringLiteral("browser-tree.png"));

  QTableView* table = f.window->ValueTable();
  table->setCurrentIndex(table->model()->index(std::min(2, table->model()->rowCount() - 1), 0));
  Save(*f.window, QStringLiteral("browser-hex.png"));

  ASSERT_TRUE(f.Open(real));
  QSignalSpy finished(f.window->Search(), &BrowserSearch::finished);
  f.window->SearchField()->setText(QStringLiteral("Explorer"));
  f.window->StartSearch();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 20000));
  f.window->HitTable()->setCurrentIndex(f.window->HitTable()->model()->index(3, 0));
  f.window->SelectKey(f.window->Search()->Hits()->At(3).key);
  Save(*f.window, QStringLiteral("browser-search.png"));

  // A deleted key the real file still holds, with the highest confidence there is.
  const recover::Recovery& recovery = f.Doc().Recovery();
  std::optional<std::size_t> shown;
  for (std::size_t i = 0; i < recovery.keys.size(); ++i)
    if (!recovery.keys[i].values.empty() && (!shown || recovery.keys[i].confidence > recovery.keys[*shown].confidence))
      shown = i;
  if (shown) {
    ASSERT_TRUE(f.window->SelectRecovered(*shown));
    Save(*f.window, QStringLiteral("browser-recovered.png"));
  }

  // The Facts dock on the real file, in its place beside Problems, a shell folder selected
  // through its fact.
  if (auto* problemsDock = f.window->findChild<QDockWidget*>(QStringLiteral("problemsDock")))
    f.window->tabifyDockWidget(problemsDock, f.window->FactsDock());
  f.window->FactsDock()->show();
  f.window->FactsDock()->raise();
  for (std::size_t i = 0; i < f.Doc().Facts().facts.size(); ++i)
    if (f.Doc().Facts().facts[i].definition->id == "traces.shell-folders") {
      ASSERT_TRUE(f.window->SelectFact(i));
      f.window->FactsView()->setCurrentIndex(f.window->FactsModel()->IndexOfFact(i));
      break;
    }
  Save(*f.window, QStringLiteral("browser-facts.png"));

  // The same file cut short: the Problems dock lists what the check finds.
  std::ifstream in(real, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  bytes.resize(bytes.size() * 2 / 3);
  const std::string cut = f.dir.filePath("USER-CUT.DAT").toStdString();
  std::ofstream(cut, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(f.Open(cut));
  QTableView* problems = f.window->ProblemTable();
  if (problems->model()->rowCount() > 0) {
    problems->setCurrentIndex(problems->model()->index(0, 0));
    emit problems->clicked(problems->model()->index(0, 0));
  }
  Save(*f.window, QStringLiteral("browser-problems.png"));
}

// The search table with a hit inside REG_BINARY data (its bytes marked in the hex view), a
// Western hive's key path drawn with real backslashes, and the Bookmarks menu.
TEST(BrowserPictures, ABinaryHitAWesternPathAndBookmarks) {
  if (qEnvironmentVariableIsEmpty("QUARVEX_PICTURES_DIR")) GTEST_SKIP() << "QUARVEX_PICTURES_DIR not set";
  BrowserFixture f;
  f.window->SetBookmarkDirectory(f.dir.filePath(QStringLiteral("bookmarks")));
  f.window->resize(1280, 860);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window.get()));
  ASSERT_TRUE(f.Open(std::string(QUARVEX_TEST_DATA_DIR) + "/USER.DAT"));

  // A binary value of a few dozen bytes; its bytes 4 to 8 searched as hex.
  const salvage::SalvagedValue* binary = nullptr;
  std::int32_t binaryKey = -1;
  f.Doc().View().Walk(browse::kTop, 0, [&](std::int32_t key, int) {
    for (const salvage::SalvagedValue& v : f.Doc().View().Values(key))
      if (v.type == 3 && !v.cut && v.data.size() >= 24 && v.data.size() <= 96 && v.data[4] != 0) {
        binary = &v;
        binaryKey = key;
        return false;
      }
    return true;
  });
  ASSERT_NE(binary, nullptr);
  QStringList hex;
  for (std::size_t i = 4; i < 8; ++i)
    hex << QStringLiteral("%1").arg(binary->data[i], 2, 16, QLatin1Char('0')).toUpper();
  f.window->SyntaxBox()->setCurrentIndex(
      f.window->SyntaxBox()->findData(static_cast<int>(browse::PatternSyntax::Bytes)));
  f.window->SearchField()->setText(hex.join(QLatin1Char(' ')));
  QSignalSpy finished(f.window->Search(), &BrowserSearch::finished);
  f.window->StartSearch();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 20000));
  const std::size_t valueIndex = static_cast<std::size_t>(binary - f.Doc().Hive().values.data());
  for (int row = 0; row < f.window->Search()->Hits()->rowCount(); ++row)
    if (f.window->Search()->Hits()->At(row).value == valueIndex) {
      const QModelIndex index = f.window->HitTable()->model()->index(row, 0);
      f.window->HitTable()->setCurrentIndex(index);
      emit f.window->HitTable()->clicked(index);
      break;
    }
  ASSERT_EQ(f.window->SelectedKey(), binaryKey);
  Save(*f.window, QStringLiteral("browser-binary-hit.png"));

  // A generated Western (code page 1252) user.dat: a deep key, its path in the key path box and
  // the status line with backslashes, bookmarked.
  tools::GeneratorOptions options;
  options.codePage = text::CodePage::Cp1252;
  options.keys = 1500;
  ASSERT_TRUE(f.Open(f.Write(tools::GenerateHive(options), "user.dat")));
  ASSERT_EQ(f.Doc().CodePage(), text::CodePage::Cp1252);
  // A word of its "Words" key (accented names and texts), three levels down.
  std::int32_t deep = -1;
  f.Doc().View().Walk(browse::kTop, 0, [&](std::int32_t key, int depth) {
    const std::string path = f.Doc().View().Path(key);
    if (depth >= 2 && path.find("\\Words\\") != std::string::npos &&
        path.find_first_of("\x80\xC3") != std::string::npos && !f.Doc().View().Values(key).empty())
      deep = key;
    return deep < 0;
  });
  ASSERT_GE(deep, 0);
  f.window->SearchField()->clear();
  f.window->SyntaxBox()->setCurrentIndex(0);
  ASSERT_TRUE(f.window->SelectKey(deep));
  f.window->BookmarkCurrentKey();
  f.window->ValueTable()->setCurrentIndex(f.window->ValueTable()->model()->index(0, 0));
  Save(*f.window, QStringLiteral("browser-western-path.png"));
}

}  // namespace
}  // namespace quarvex::ui::testing
