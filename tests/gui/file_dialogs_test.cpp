// The open dialog's filters: which file names each one lists. The names are matched as the
// dialog matches them on a case-sensitive file system, so a pattern that misses a letter
// case shows here.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ui/common/file_dialogs.h"

namespace quarvex::ui {
namespace {

// The patterns a filter's text carries in its last parentheses (which the dialog hides).
QStringList PatternsOf(const QString& filter) {
  const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
  const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
  EXPECT_GT(open, 0) << filter.toStdString();
  EXPECT_GT(close, open) << filter.toStdString();
  return filter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool Lists(const QString& filter, const QString& name) {
  QTemporaryDir dir;
  QFile file(QDir(dir.path()).filePath(name));
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  return QDir(dir.path()).entryList(PatternsOf(filter), QDir::Files | QDir::CaseSensitive).contains(name);
}

TEST(FileDialogs, TheOpenDialogOffersThePeriodFilterThenAllRegistryFilesThenAllFiles) {
  const QStringList filters = OpenDialogFilters();
  ASSERT_EQ(filters.size(), 4);
  EXPECT_TRUE(filters[0].startsWith(QStringLiteral("ﾚｼﾞｽﾄﾘﾌｧｲﾙ(*.da?) (")));
  EXPECT_TRUE(filters[1].startsWith(QStringLiteral("All registry files (*.dat *.da0 *.da1 *.1st *.cab) (")));
  EXPECT_EQ(filters[1], AllRegistryFilesFilter());
  EXPECT_TRUE(filters[2].startsWith(QStringLiteral("すべてのﾌｧｲﾙ(*.*) (")));
  EXPECT_TRUE(filters[3].startsWith(QStringLiteral("ﾃﾞｨｽｸｲﾒｰｼﾞ/Disk images, backups (")));
}

TEST(FileDialogs, EachFilterListsTheNamesItShould) {
  const QStringList filters = OpenDialogFilters();
  struct Row {
    const char* name;
    bool period;       // the names Windows gives its own hives
    bool allRegistry;  // any name a registry file or its backup may have
  } rows[] = {
      {"USER.DAT", true, true},     {"user.dat", true, true},         {"system.da0", true, true},
      {"SYSTEM.DA1", true, true},   {"SYSTEM.1ST", true, true},       {"CLASSES.DAT", false, true},
      {"me_USER.DAT", false, true}, {"case12_user.dat", false, true}, {"Classes.Dat", false, true},
      {"USER.DA0", true, true},     {"rb000.cab", false, true},       {"RB001.CAB", false, true},
      {"notes.txt", false, false},  {"disk.img", false, false},       {"user.data", false, false},
  };
  for (const Row& row : rows) {
    const QString name = QString::fromLatin1(row.name);
    EXPECT_EQ(Lists(filters[0], name), row.period) << row.name;
    EXPECT_EQ(Lists(filters[1], name), row.allRegistry) << row.name;
    EXPECT_TRUE(Lists(filters[2], name)) << row.name << ": all files";
  }
}

}  // namespace
}  // namespace quarvex::ui
