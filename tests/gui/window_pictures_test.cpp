// Writes pictures of the four pages after a job on the bundled sample, when asked to by
// QUARVEX_PICTURES_DIR (tools/screenshots.sh runs it under Xvfb). Otherwise skipped.
#include <QComboBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>

#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

TEST(WindowPictures, EachPageAfterAJobOnTheSample) {
  const QByteArray directory = qgetenv("QUARVEX_PICTURES_DIR");
  if (directory.isEmpty()) GTEST_SKIP() << "QUARVEX_PICTURES_DIR not set";
  // Advanced mode, so that the Options page shows every option.
  auto form = MakeWindow({"/Pro"});
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  ASSERT_TRUE(ReportOnSample(*form));
  auto* pages = form->findChild<QTabWidget*>(QStringLiteral("pgPage"));
  form->findChild<QComboBox*>(QStringLiteral("cbxSelChart"))->setCurrentIndex(1);
  // The report from its usage table on, where the key paths show Japanese names.
  form->findChild<QPlainTextEdit*>(QStringLiteral("reMemo"))->verticalScrollBar()->setValue(17);
  const char* names[] = {"window-analyze.png", "window-report.png", "window-options.png", "window-about.png"};
  for (int page = 0; page < 4; ++page) {
    pages->setCurrentIndex(page);
    QTest::qWait(300);  // let the chart settle its layout and animations
    const QString path = QDir(QString::fromLocal8Bit(directory)).filePath(QString::fromLatin1(names[page]));
    EXPECT_TRUE(form->grab().save(path)) << path.toStdString();
  }
}

}  // namespace
}  // namespace quarvex::ui::testing
