// The pictures of the six views: six PNG files of the chart's size, each its own view.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "tests/gui/chart_fixture.h"
#include "ui/charts/chart_pictures.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::charttesting {
namespace {

TEST(ChartPictures, WritesSixNonEmptyPngsOneViewEach) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QString error;
  const QStringList written = WriteChartPictures(SampleSeries(), dir.filePath("charts"), error);
  EXPECT_TRUE(error.isEmpty()) << error.toStdString();
  ASSERT_EQ(written.size(), 6);
  std::vector<QImage> images;
  for (int view = 0; view < 6; ++view) {
    EXPECT_EQ(QFileInfo(written[view]).fileName(), ChartPictureNames()[view]);
    EXPECT_GT(QFileInfo(written[view]).size(), 1000) << written[view].toStdString();
    QImage image(written[view], "PNG");
    ASSERT_FALSE(image.isNull()) << written[view].toStdString();
    EXPECT_EQ(image.size(), QSize(673, 393));
    images.push_back(image);
  }
  for (int a = 0; a < 6; ++a)
    for (int b = a + 1; b < 6; ++b) EXPECT_NE(images[a], images[b]) << "views " << a << " and " << b;
  EXPECT_EQ(ChartPictureNames().front(), "chart-0-total.png");
  EXPECT_EQ(ChartPictureNames().back(), "chart-5-empty-size.png");
}

TEST(ChartPictures, ADirectoryThatCannotBeMadeIsReported) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile blocker(dir.filePath("file"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QString error;
  EXPECT_TRUE(WriteChartPictures(SampleSeries(), dir.filePath("file/charts"), error).isEmpty());
  EXPECT_FALSE(error.isEmpty());
}

}  // namespace
}  // namespace quarvex::ui::charttesting
