// Writes pictures of the browser on the bundled sample (Japanese names) and the real Windows
// Me user.dat when asked to by
// QUARVEX_PICTURES_DIR (tools/screenshots.sh runs it under Xvfb). Otherwise skipped.
#include <QDir>
#include <QDockWidget>
#include <QLineEdit>
#include <QTableView>
#include <QTreeView>
#include <fstream>

#include "browser_fixture.h"
#include "ui/browser_facts_model.h"
#include "ui/browser_search.h"
#include "tests/support/test_namespaces.h"

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
    const bool japanese = std::any_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xE3; });
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
    if (!recovery.keys[i].values.empty() &&
        (!shown || recovery.keys[i].confidence > recovery.keys[*shown].confidence))
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

}  // namespace
}  // namespace quarvex::ui::testing
