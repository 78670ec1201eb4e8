// Writes a picture of the analyser after a job on a cut copy of the bundled sample failed: the
// failed run's lines with why it stopped, the reason on the message line, when asked to by
// QUARVEX_PICTURES_DIR (tools/screenshots.sh runs it under Xvfb). Otherwise skipped.
#include <QDir>
#include <QPushButton>
#include <QTabWidget>

#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

TEST(WindowPictures, AFailedJobWithItsReason) {
  const QByteArray directory = qgetenv("QUARVEX_PICTURES_DIR");
  if (directory.isEmpty()) GTEST_SKIP() << "QUARVEX_PICTURES_DIR not set";
  QTemporaryDir dir;
  const std::string cut = InDir(dir, "USER-CUT.DAT");
  WriteBytes(cut, ReadBytes(SamplePath()).substr(0, 20000));
  auto form = MakeWindow();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  OpenThroughDialog(*form, cut);
  ASSERT_TRUE(WaitForJob(*form));
  ASSERT_GT(form->Job().code, 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Child<QPushButton>(*form, "Button2")->isEnabled(); }));
  form->findChild<QTabWidget*>(QStringLiteral("pgPage"))->setCurrentIndex(1);
  QTest::qWait(300);
  const QString path = QDir(QString::fromLocal8Bit(directory)).filePath(QStringLiteral("window-failure.png"));
  EXPECT_TRUE(form->grab().save(path)) << path.toStdString();
}

}  // namespace
}  // namespace quarvex::ui::testing
