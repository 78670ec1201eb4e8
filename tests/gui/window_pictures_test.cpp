// Writes pictures of the four pages after a job on the bundled sample, of the maximised window's
// bar view of a 21-block system.dat and of the record-size view zoomed in on the real user.dat,
// when asked to by QUARVEX_PICTURES_DIR (tools/screenshots.sh runs it under Xvfb). Otherwise
// skipped.
#include <QComboBox>
#include <QScreen>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>

#include "tools/hive_generator.h"
#include "ui/charts/analysis_chart.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace chartviews = quarvex::analyzer::chartviews;

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

QString PicturePath(const QByteArray& directory, const char* name) {
  return QDir(QString::fromLocal8Bit(directory)).filePath(QString::fromLatin1(name));
}

TEST(WindowPictures, MaximisedBarViewOfATwentyOneBlockHive) {
  const QByteArray directory = qgetenv("QUARVEX_PICTURES_DIR");
  if (directory.isEmpty()) GTEST_SKIP() << "QUARVEX_PICTURES_DIR not set";
  QTemporaryDir dir;
  tools::GeneratorOptions options;
  options.kind = tools::HiveKind::System;
  options.keys = 5200;  // 21 data blocks
  const testkit::BuiltHive built = tools::GenerateHive(options);
  const std::string hive = InDir(dir, "system.dat");
  WriteBytes(hive, std::string(built.bytes.begin(), built.bytes.end()));
  auto form = MakeWindow();
  form->showMaximized();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  // Under a bare X server no window manager maximises it: the screen's room, as one would.
  if (!QTest::qWaitFor([&] { return form->size() != form->minimumSize(); }, 500))
    form->setGeometry(form->screen()->availableGeometry());
  QTest::qWait(100);
  OpenThroughDialog(*form, hive);
  ASSERT_TRUE(WaitForJob(*form));
  form->findChild<QComboBox*>(QStringLiteral("cbxSelChart"))->setCurrentIndex(1);
  QTest::qWait(300);
  const QString path = PicturePath(directory, "window-maximised-blocks.png");
  EXPECT_TRUE(form->grab().save(path)) << path.toStdString();
}

TEST(WindowPictures, RecordSizeViewZoomedIn) {
  const QByteArray directory = qgetenv("QUARVEX_PICTURES_DIR");
  if (directory.isEmpty()) GTEST_SKIP() << "QUARVEX_PICTURES_DIR not set";
  auto form = MakeWindow();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  OpenThroughDialog(*form, std::string(QUARVEX_TEST_DATA_DIR) + "/USER.DAT");
  ASSERT_TRUE(WaitForJob(*form));
  form->findChild<QComboBox*>(QStringLiteral("cbxSelChart"))->setCurrentIndex(4);
  QTest::qWait(300);
  // The first half of the keys, sizes up to 1,000 bytes: under the two large records.
  auto* chart = form->findChild<AnalysisChart*>(QStringLiteral("chAna"));
  QAbstractSeries* points = chart->chart()->series().front();
  auto toViewport = [&](QPointF value) {
    return chart->viewportTransform().map(chart->chart()->mapToScene(chart->chart()->mapToPosition(value, points)));
  };
  const double half = chart->PointCount(chartviews::kRecordSizes) / 2.0;
  chart->ZoomInto(QRectF(toViewport(QPointF(0, 1000)), toViewport(QPointF(half, 0))).normalized());
  QTest::qWait(300);
  const QString path = PicturePath(directory, "window-sizes-zoomed.png");
  EXPECT_TRUE(form->grab().save(path)) << path.toStdString();
}

}  // namespace
}  // namespace quarvex::ui::testing
