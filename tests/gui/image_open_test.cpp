// Both windows open a hive inside a disk image through their real dialogs: the open dialog
// is answered with the image, the list of its registry files (kind, size, dates, address) is
// shown, a row chosen and "Open" clicked. The analyser's report then names the hive by its
// address and equals that of the same file on disk line for line but for that name; the
// browser's title shows the address. The image is built here with Debian's tools (a DOS
// partition table, FAT16, mtools), as tests/images/images_test.sh builds its own.
#include <QApplication>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <cstdlib>
#include <functional>

#include "browser_fixture.h"
#include "ui/common/file_dialogs.h"
#include "ui/common/hive_choice_dialog.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

bool HaveTool(const char* tool) {
  return std::system((std::string("command -v ") + tool + " > /dev/null").c_str()) == 0;
}

bool RunScript(const std::string& command) { return std::system(command.c_str()) == 0; }

// disk.img: a DOS partition table, FAT16 in its first partition holding WINDOWS/USER.DAT (the
// bundled sample), SYSTEM.1ST (the browser's fixture hive) and a deleted TEMP/USER.DAT;
// empty.img: the same disk with no registry file on it.
struct DiskImages {
  QTemporaryDir dir;
  std::string disk, empty, browserHive;
  bool made = false;

  DiskImages() {
    for (const char* tool : {"sfdisk", "mkfs.fat", "mcopy", "mmd", "mdel"})
      if (!HaveTool(tool)) return;
    const std::string at = dir.path().toStdString();
    disk = at + "/disk.img";
    empty = at + "/empty.img";
    browserHive = at + "/SYSTEM.1ST";
    MakeFixture(Fixture::DoubleByteNames).WriteFile(browserHive);
    const std::string sample = SamplePath();
    const std::string script = "set -e; cd '" + at +
                               "'; export MTOOLS_SKIP_CHECK=1;"
                               "for img in disk.img empty.img; do"
                               "  truncate -s 24M $img;"
                               "  echo 'start=2048, type=6' | sfdisk -q $img;"
                               "  mkfs.fat -F 16 -n WIN98 --offset=2048 $img $(((24 * 2048 - 2048) / 2)) > /dev/null;"
                               "done;"
                               "mmd -i disk.img@@1M ::WINDOWS ::TEMP;"
                               "mcopy -i disk.img@@1M '" +
                               sample +
                               "' ::WINDOWS/USER.DAT;"
                               "mcopy -i disk.img@@1M SYSTEM.1ST ::/SYSTEM.1ST;"
                               "mcopy -i disk.img@@1M '" +
                               sample +
                               "' ::TEMP/USER.DAT;"
                               "mdel -i disk.img@@1M ::TEMP/USER.DAT;"
                               "mcopy -i empty.img@@1M SYSTEM.1ST ::/NOTES.TXT";
    made = RunScript(script);
  }
};

#define NEED_IMAGES(images)                                                    \
  if (!QUARVEX_TEST_HAVE_IMAGES) GTEST_SKIP() << "this build reads no images"; \
  if (!(images).made) GTEST_SKIP() << "sfdisk, mkfs.fat or mtools missing"

struct SeenList {
  bool shown = false;
  QString title;
  QString summary;
  std::vector<QStringList> rows;  // every column of every row
};

// Drives the real list of an image's hives inside its exec(): remembers what it shows, selects
// the row whose address is `address` and clicks "Open" (an empty address clicks "Cancel").
HiveChoiceRunner ChooseRow(const QString& address, SeenList& seen) {
  return [address, &seen](HiveChoiceDialog& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog, address, &seen] {
      seen.shown = dialog.isVisible();
      seen.title = dialog.windowTitle();
      seen.summary = dialog.Summary()->text();
      QTreeWidget* list = dialog.List();
      for (int row = 0; row < list->topLevelItemCount(); ++row) {
        QStringList columns;
        for (int c = 0; c < HiveChoiceDialog::kColumns; ++c) columns << list->topLevelItem(row)->text(c);
        seen.rows.push_back(columns);
        if (!address.isEmpty() && columns[HiveChoiceDialog::kAddress] == address)
          list->setCurrentItem(list->topLevelItem(row));
      }
      if (address.isEmpty()) {
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        return;
      }
      QTest::mouseClick(dialog.OpenButton(), Qt::LeftButton);
    });
    return dialog.exec();
  };
}

const QStringList* RowOf(const SeenList& seen, const QString& address) {
  for (const QStringList& row : seen.rows)
    if (row[HiveChoiceDialog::kAddress] == address) return &row;
  return nullptr;
}

std::vector<std::string> ReportOf(const TForm1& form) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < form.Job().report.Count(); ++i) lines.emplace_back(form.Job().report[i]);
  return lines;
}

QLineEdit* MessageLine(const TForm1& form) { return Child<QLineEdit>(form, "edMes"); }

TEST(ImageOpen, TheAnalyserListsTheImagesHivesAndReportsTheChosenOneByItsAddress) {
  DiskImages images;
  NEED_IMAGES(images);
  auto form = MakeWindow();
  form->show();
  SeenList seen;
  form->SetFileDialogHook(TypeIntoDialog(images.disk));
  form->SetHiveChoiceHook(ChooseRow(QStringLiteral("WINDOWS/USER.DAT"), seen));
  form->Button1Click();
  ASSERT_TRUE(WaitForJob(*form));
  ASSERT_TRUE(seen.shown);
  EXPECT_TRUE(seen.title.contains(QStringLiteral("disk.img")));
  EXPECT_TRUE(seen.summary.contains(QStringLiteral(": raw, 25165824 bytes, partition table dos")))
      << seen.summary.toStdString();
  EXPECT_TRUE(seen.summary.contains(QStringLiteral("file system 1: FAT16 at byte 1048576")));
  struct Expected {
    const char* address;
    const char* kind;
  };
  for (const Expected& e : {Expected{"WINDOWS/USER.DAT", "live"}, Expected{"SYSTEM.1ST", "setup copy"},
                            Expected{"TEMP/_SER.DAT", "deleted live"}}) {
    const QStringList* row = RowOf(seen, QString::fromLatin1(e.address));
    ASSERT_NE(row, nullptr) << e.address;
    EXPECT_EQ((*row)[HiveChoiceDialog::kKind], QString::fromLatin1(e.kind)) << e.address;
    EXPECT_FALSE((*row)[HiveChoiceDialog::kWritten].isEmpty());
  }
  EXPECT_EQ((*RowOf(seen, QStringLiteral("WINDOWS/USER.DAT")))[HiveChoiceDialog::kSize],
            QString::number(ReadBytes(SamplePath()).size()));
  EXPECT_EQ(seen.rows.size(), 3u);

  const std::string address = images.disk + "::WINDOWS/USER.DAT";
  EXPECT_EQ(form->Job().code, 0);
  EXPECT_EQ(form->OpenFileName().toStdString(), address);
  EXPECT_EQ(form->StatusText(0).toStdString(), address);
  const std::vector<std::string> throughImage = ReportOf(*form);

  // The same file on disk: the same report but for its file name line.
  OpenThroughDialog(*form, SamplePath());
  ASSERT_TRUE(WaitForJob(*form));
  const std::vector<std::string> onDisk = ReportOf(*form);
  ASSERT_EQ(throughImage.size(), onDisk.size());
  std::size_t differing = 0;
  for (std::size_t i = 0; i < onDisk.size(); ++i) {
    if (throughImage[i] == onDisk[i]) continue;
    ++differing;
    EXPECT_EQ(throughImage[i], "  FileName: " + address);
    EXPECT_EQ(onDisk[i], "  FileName: " + SamplePath());
  }
  EXPECT_EQ(differing, 1u);
}

TEST(ImageOpen, ALooseHiveOpensAsBeforeWithoutAList) {
  DiskImages images;
  NEED_IMAGES(images);
  auto form = MakeWindow();
  bool listed = false;
  form->SetHiveChoiceHook([&](HiveChoiceDialog&) {
    listed = true;
    return int(QDialog::Rejected);
  });
  form->SetFileDialogHook(TypeIntoDialog(SamplePath()));
  form->Button1Click();
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_FALSE(listed);
  EXPECT_EQ(form->Job().code, 0);
  EXPECT_EQ(form->OpenFileName().toStdString(), SamplePath());
}

TEST(ImageOpen, ACancelledListOpensNothingAndKeepsTheLastFile) {
  DiskImages images;
  NEED_IMAGES(images);
  auto form = MakeWindow();
  ASSERT_TRUE(ReportOnSample(*form));
  SeenList seen;
  form->SetFileDialogHook(TypeIntoDialog(images.disk));
  form->SetHiveChoiceHook(ChooseRow({}, seen));
  form->Button1Click();
  EXPECT_TRUE(seen.shown);
  EXPECT_FALSE(form->JobRunning());
  EXPECT_EQ(form->OpenFileName().toStdString(), SamplePath()) << "Re-Analyze still means the last hive";
}

// A disk image is listed even when its directories name no registry file: its unallocated
// clusters are searched for carved ones. Here the search finds none and says so.
TEST(ImageOpen, AnImageWithoutRegistryFilesIsListedEmptyAndSearchedAndNothingStarts) {
  DiskImages images;
  NEED_IMAGES(images);
  auto form = MakeWindow();
  QStringList errors;
  form->SetMessageBoxHook([&](const QString&, const QString& text) { errors << text; });
  int rows = -1;
  QString status;
  form->SetHiveChoiceHook([&](HiveChoiceDialog& dialog) {
    QObject::connect(&dialog, &HiveChoiceDialog::carvingEnded, &dialog, [&] {
      rows = dialog.List()->topLevelItemCount();
      status = dialog.CarveStatus()->text();
      dialog.reject();
    });
    return dialog.exec();
  });
  form->SetFileDialogHook(TypeIntoDialog(images.empty));
  form->Button1Click();
  EXPECT_EQ(rows, 0);
  EXPECT_TRUE(status.contains(QStringLiteral("0 whole registry files, 0 fragments carved"))) << status.toStdString();
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
  EXPECT_FALSE(form->JobRunning());
}

TEST(ImageOpen, AnAddressNothingAnswersFailsWithTheReasonOnTheMessageLine) {
  DiskImages images;
  NEED_IMAGES(images);
  struct Case {
    std::string address;
    std::int32_t code;
    const char* says;  // on the message line
  };
  const std::vector<Case> cases = {
      {images.disk + "::WINDOWS/NOPE.DAT", 20, "no file WINDOWS/NOPE.DAT in the image"},
      {images.disk + "::2:WINDOWS/USER.DAT", 20, "file system 2 is not in the image"},
      {images.dir.path().toStdString() + "/missing.img::WINDOWS/USER.DAT", -9, ""},
  };
  auto form = MakeWindow();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    form->SetOpenFileName(QString::fromStdString(c.address));
    form->StartAnalysis();
    ASSERT_TRUE(WaitForJob(*form));
    EXPECT_EQ(form->Job().code, c.code);
    EXPECT_TRUE(form->StatusText(1).endsWith(QStringLiteral("Fail(%1)").arg(c.code)))
        << form->StatusText(1).toStdString();
    EXPECT_TRUE(MessageLine(*form)->text().contains(QString::fromLatin1(c.says)))
        << MessageLine(*form)->text().toStdString();
  }
}

TEST(ImageOpen, SaveAsNeverWritesTheImageAndTheNextOpenDialogOffersItAgain) {
  DiskImages images;
  NEED_IMAGES(images);
  auto form = MakeWindow();
  SeenList seen;
  form->SetFileDialogHook(TypeIntoDialog(images.disk));
  form->SetHiveChoiceHook(ChooseRow(QStringLiteral("SYSTEM.1ST"), seen));
  form->Button1Click();
  ASSERT_TRUE(WaitForJob(*form) && ShowReport(*form));
  const std::string before = ReadBytes(images.disk);
  QStringList errors;
  form->SetMessageBoxHook([&](const QString&, const QString& text) { errors << text; });
  form->SetFileDialogHook([&](QFileDialog&) { return QString::fromStdString(images.disk); });
  form->Button2Click();
  EXPECT_EQ(errors.size(), 1);
  EXPECT_EQ(ReadBytes(images.disk), before);

  bool asked = false;
  form->SetFileDialogHook([&](QFileDialog& dialog) {
    asked = true;
    EXPECT_EQ(dialog.directory().absolutePath(), images.dir.path());
    EXPECT_EQ(dialog.selectedFiles().value(0).toStdString(), images.disk);
    EXPECT_EQ(dialog.nameFilters().size(), 4);
    EXPECT_TRUE(dialog.nameFilters().value(3).startsWith(QStringLiteral("ﾃﾞｨｽｸｲﾒｰｼﾞ/Disk images")));
    return QString();
  });
  form->Button1Click();
  EXPECT_TRUE(asked);
}

TEST(ImageOpen, TheBrowserListsTheImagesHivesAndShowsTheAddressInItsTitle) {
  DiskImages images;
  NEED_IMAGES(images);
  BrowserFixture f;
  SeenList seen;
  f.window->SetFileDialogHook([&](const QString&, const QString&) { return QString::fromStdString(images.disk); });
  f.window->SetHiveChoiceHook(ChooseRow(QStringLiteral("SYSTEM.1ST"), seen));
  QSignalSpy loaded(f.window.get(), &BrowserWindow::loaded);
  f.window->OpenWithDialog();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 20000)) << f.messages.join('\n').toStdString();
  EXPECT_TRUE(seen.shown);
  EXPECT_EQ(seen.rows.size(), 3u);
  EXPECT_EQ(f.Doc().Path(), images.disk + "::SYSTEM.1ST");
  EXPECT_EQ(f.window->windowTitle(), QStringLiteral("disk.img::SYSTEM.1ST — Quarvex"));
  // The hive read through the image is the fixture: its keys are there.
  EXPECT_GE(f.Key("Software\\Vendor"), 0);
  EXPECT_EQ(f.Doc().Image().size(), ReadBytes(images.browserHive).size());
  EXPECT_EQ(f.window->RecentFiles().value(0).toStdString(), images.disk + "::SYSTEM.1ST");
}

TEST(ImageOpen, AnImageDroppedOnTheBrowserOffersItsHivesToo) {
  DiskImages images;
  NEED_IMAGES(images);
  BrowserFixture f;
  SeenList seen;
  f.window->SetHiveChoiceHook(ChooseRow(QStringLiteral("WINDOWS/USER.DAT"), seen));
  QSignalSpy loaded(f.window.get(), &BrowserWindow::loaded);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(images.disk))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.window.get(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.window.get(), &drop);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 20000))
      << f.messages.join('\n').toStdString() << " shown " << seen.shown << " rows " << seen.rows.size();
  EXPECT_TRUE(seen.shown);
  EXPECT_EQ(f.Doc().Path(), images.disk + "::WINDOWS/USER.DAT");
}

TEST(ImageOpen, TheAnalysersBrowseButtonOpensTheHiveInTheImage) {
  DiskImages images;
  NEED_IMAGES(images);
  QStandardPaths::setTestModeEnabled(true);
  auto form = MakeWindow();
  SeenList seen;
  form->SetFileDialogHook(TypeIntoDialog(images.disk));
  form->SetHiveChoiceHook(ChooseRow(QStringLiteral("SYSTEM.1ST"), seen));
  form->Button1Click();
  ASSERT_TRUE(WaitForJob(*form));
  form->sbBrowseClick();
  BrowserWindow* browser = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* b = qobject_cast<BrowserWindow*>(w); b && b->isVisible()) browser = b;
  ASSERT_NE(browser, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return browser->Document() != nullptr; }, 20000));
  EXPECT_EQ(browser->Document()->Path(), images.disk + "::SYSTEM.1ST");
  browser->close();
}

TEST(ImageOpen, ACabinetBackupOffersItsHives) {
  DiskImages images;
  NEED_IMAGES(images);
  if (!HaveTool("gcab")) GTEST_SKIP() << "gcab missing";
  const std::string at = images.dir.path().toStdString();
  ASSERT_TRUE(RunScript(
      "set -e; cd '" + at + "'; mkdir -p old; cp '" + SamplePath() +
      "' old/USER.DAT; cp SYSTEM.1ST old/SYSTEM.DAT; gcab -c -z -n RB001.CAB old/SYSTEM.DAT old/USER.DAT > /dev/null"));
  auto form = MakeWindow();
  SeenList seen;
  form->SetFileDialogHook(TypeIntoDialog(at + "/RB001.CAB"));
  form->SetHiveChoiceHook(ChooseRow(QStringLiteral("USER.DAT"), seen));
  form->Button1Click();
  ASSERT_TRUE(WaitForJob(*form));
  ASSERT_EQ(seen.rows.size(), 2u);
  EXPECT_TRUE(seen.summary.contains(QStringLiteral(": cabinet, ")));
  for (const QStringList& row : seen.rows) EXPECT_EQ(row[HiveChoiceDialog::kKind], QStringLiteral("in cabinet backup"));
  EXPECT_EQ(form->Job().code, 0);
  EXPECT_EQ(form->StatusText(0).toStdString(), at + "/RB001.CAB::USER.DAT");
}

TEST(ImageOpen, AnImageOnTheCommandLineOffersItsHivesAndAnAddressOpensAtOnce) {
  DiskImages images;
  NEED_IMAGES(images);
  {
    auto form = MakeWindow({images.disk});
    SeenList seen;
    form->SetHiveChoiceHook(ChooseRow(QStringLiteral("WINDOWS/USER.DAT"), seen));
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.shown; }, 20000));
    ASSERT_TRUE(WaitForJob(*form));
    EXPECT_EQ(form->Job().code, 0);
    EXPECT_EQ(form->OpenFileName().toStdString(), images.disk + "::WINDOWS/USER.DAT");
    EXPECT_EQ(form->SaveFileName(), QStringLiteral("USER.TXT"));
    EXPECT_EQ(form->SaveInitialDirectory(), images.dir.path() + QLatin1Char('/'));
  }
  auto form = MakeWindow({images.disk + "::SYSTEM.1ST"});
  bool listed = false;
  form->SetHiveChoiceHook([&](HiveChoiceDialog&) {
    listed = true;
    return int(QDialog::Rejected);
  });
  ASSERT_TRUE(WaitForJob(*form));
  EXPECT_FALSE(listed);
  EXPECT_EQ(form->Job().code, 0);
  EXPECT_EQ(form->StatusText(0).toStdString(), images.disk + "::SYSTEM.1ST");
}

}  // namespace
}  // namespace quarvex::ui::testing
