// Carved registry files in both windows' lists of an image's hives: a FAT16 image is built here
// (mkfs.fat, mtools) with one file its directory names, a whole hive written into its free
// clusters, a second hive there whose middle data block is overwritten, and a data block of it
// alone. The list shows the named file at once and, when the search of the unallocated
// clusters ends (on its own thread, its progress below the list), the carved hive and the two
// fragments with what each lacks. The carved hive opens in both windows by its address; the fragment opens in the
// browser with its surviving keys and a mark that says what it is and what is missing, and
// the analyser refuses it with the reason.
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "browser_fixture.h"
#include "carve/hive_chain.h"
#include "testkit/hive_builder.h"
#include "ui/common/hive_choice_dialog.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

constexpr std::uint64_t kWholeAt = 8u << 20;
constexpr std::uint64_t kFragmentAt = 16u << 20;
constexpr std::uint64_t kLooseAt = (20u << 20) + 100;

bool HaveTool(const char* tool) {
  return std::system((std::string("command -v ") + tool + " > /dev/null").c_str()) == 0;
}

void WriteAt(const std::string& path, std::uint64_t at, const std::vector<std::uint8_t>& bytes) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(at));
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A user.dat in three data blocks; the fragment's copy loses block 1 (Control Panel\Desktop).
testkit::BuiltHive ThreeBlockUserHive() {
  using testkit::HiveBuilder;
  using testkit::Text;
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software");
  const int explorer =
      b.AddKey(b.AddKey(b.AddKey(b.AddKey(software, "Microsoft"), "Windows"), "CurrentVersion"), "Explorer");
  b.AddKey(explorer, "RunMRU", {Text("a", "notepad\\1"), Text("MRUList", "a")});
  b.AddKey(root, "AppEvents");
  const int folders = b.AddKey(explorer, "Shell Folders", {Text("Personal", "C:\\My Documents")});
  const int panel = b.AddKey(root, "Control Panel");
  const int desktop = b.AddKey(panel, "Desktop", {Text("Wallpaper", "C:\\WINDOWS\\CLOUDS.BMP")});
  b.PlaceInBlock(panel, 1);
  b.PlaceInBlock(desktop, 1);
  b.PlaceInBlock(folders, 2);
  b.SetCodePage(text::CodePage::Cp1252);
  return b.Build();
}

struct CarveImage {
  QTemporaryDir dir;
  std::string disk, wholeAddress, fragmentAddress, looseAddress;
  std::uint64_t wholeSize = 0;
  bool made = false;

  CarveImage() {
    for (const char* tool : {"mkfs.fat", "mcopy", "truncate"})
      if (!HaveTool(tool)) return;
    const std::string at = dir.path().toStdString();
    disk = at + "/disk.img";
    MakeFixture(Fixture::DoubleByteNames).WriteFile(at + "/SYSTEM.DAT");
    if (std::system(("set -e; cd '" + at +
                     "'; export MTOOLS_SKIP_CHECK=1; truncate -s 24M disk.img;"
                     "mkfs.fat -F 16 -n CARVE disk.img > /dev/null; mcopy -i disk.img SYSTEM.DAT ::/SYSTEM.DAT")
                        .c_str()) != 0)
      return;
    const testkit::BuiltHive whole = MakeFixture(Fixture::DoubleByteNames);
    wholeSize = whole.bytes.size();
    WriteAt(disk, kWholeAt, whole.bytes);
    testkit::BuiltHive broken = ThreeBlockUserHive();
    // A data block alone, its file's header and key-node block long gone: a fragment whose
    // keys have no paths.
    WriteAt(disk, kLooseAt,
            std::vector<std::uint8_t>(broken.bytes.begin() + broken.block[0], broken.bytes.begin() + broken.block[1]));
    std::fill(broken.bytes.begin() + broken.block[1], broken.bytes.begin() + broken.block[2], 0);
    WriteAt(disk, kFragmentAt, broken.bytes);
    wholeAddress = "@" + carve::OffsetText(kWholeAt);
    fragmentAddress = "@" + carve::OffsetText(kFragmentAt);
    looseAddress = "@" + carve::OffsetText(kLooseAt);
    made = true;
  }
};

#define NEED_IMAGE(image)                                                      \
  if (!QUARVEX_TEST_HAVE_IMAGES) GTEST_SKIP() << "this build reads no images"; \
  if (!(image).made) GTEST_SKIP() << "mkfs.fat or mtools missing"

struct SeenList {
  std::vector<QStringList> atFirst;  // the rows as the list is first shown
  std::vector<QStringList> rows;     // every row once the search has ended
  QString status;                    // the line below the list then
  bool progressHidden = false;       // the progress bar, once the search has ended
};

std::vector<QStringList> Rows(const HiveChoiceDialog& dialog) {
  std::vector<QStringList> rows;
  const QTreeWidget* list = dialog.List();
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    QStringList columns;
    for (int c = 0; c < HiveChoiceDialog::kColumns; ++c) columns << list->topLevelItem(row)->text(c);
    rows.push_back(columns);
  }
  return rows;
}

// Drives the real list inside its exec(): notes its rows when shown, waits for the search of
// the unallocated clusters to end, then selects the row with this address and clicks "Open".
HiveChoiceRunner ChooseAfterCarving(const QString& address, SeenList& seen) {
  return [address, &seen](HiveChoiceDialog& dialog) {
    auto chosen = std::make_shared<bool>(false);
    const auto choose = [&dialog, address, &seen, chosen] {
      if (*chosen) return;
      *chosen = true;
      seen.rows = Rows(dialog);
      seen.status = dialog.CarveStatus()->text();
      seen.progressHidden = dialog.CarveProgress()->isHidden();
      QTreeWidget* list = dialog.List();
      for (int row = 0; row < list->topLevelItemCount(); ++row)
        if (list->topLevelItem(row)->text(HiveChoiceDialog::kAddress) == address)
          list->setCurrentItem(list->topLevelItem(row));
      QTest::mouseClick(dialog.OpenButton(), Qt::LeftButton);
    };
    QTimer::singleShot(0, &dialog, [&dialog, &seen, choose] {
      seen.atFirst = Rows(dialog);
      if (!dialog.Carving()) choose();
    });
    QObject::connect(&dialog, &HiveChoiceDialog::carvingEnded, &dialog,
                     [&dialog, choose] { QTimer::singleShot(0, &dialog, choose); });
    return dialog.exec();
  };
}

const QStringList* RowOf(const std::vector<QStringList>& rows, const std::string& address) {
  for (const QStringList& row : rows)
    if (row[HiveChoiceDialog::kAddress] == QString::fromStdString(address)) return &row;
  return nullptr;
}

void ExpectCarvedRows(const CarveImage& image, const SeenList& seen) {
  ASSERT_EQ(seen.atFirst.size(), 1u) << "the file the directory names, before the search ends";
  EXPECT_EQ(seen.atFirst[0][HiveChoiceDialog::kAddress], QStringLiteral("SYSTEM.DAT"));
  ASSERT_EQ(seen.rows.size(), 4u);
  const QStringList* whole = RowOf(seen.rows, image.wholeAddress);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ((*whole)[HiveChoiceDialog::kKind], QStringLiteral("carved"));
  EXPECT_EQ((*whole)[HiveChoiceDialog::kSize], QString::number(image.wholeSize));
  EXPECT_TRUE((*whole)[HiveChoiceDialog::kCarved].startsWith(QStringLiteral("whole: ")))
      << (*whole)[HiveChoiceDialog::kCarved].toStdString();
  const QStringList* fragment = RowOf(seen.rows, image.fragmentAddress);
  ASSERT_NE(fragment, nullptr);
  EXPECT_EQ((*fragment)[HiveChoiceDialog::kKind], QStringLiteral("carved fragment"));
  EXPECT_EQ((*fragment)[HiveChoiceDialog::kCarved],
            QStringLiteral("file header, key-node block, data blocks 0, 2; missing data block 1 of 3"));
  const QStringList* loose = RowOf(seen.rows, image.looseAddress);
  ASSERT_NE(loose, nullptr);
  EXPECT_EQ((*loose)[HiveChoiceDialog::kCarved],
            QStringLiteral("data block 0; missing the file header and the key-node block (key paths)"));
  EXPECT_TRUE(seen.status.contains(QStringLiteral("1 whole registry file, 2 fragments carved")))
      << seen.status.toStdString();
  EXPECT_TRUE(seen.progressHidden);
}

TEST(CarvedOpen, TheBrowserListsCarvedHivesAndFragmentsAndOpensBoth) {
  CarveImage image;
  NEED_IMAGE(image);
  BrowserFixture f;
  f.window->SetFileDialogHook([&](const QString&, const QString&) { return QString::fromStdString(image.disk); });
  {
    SeenList seen;
    f.window->SetHiveChoiceHook(ChooseAfterCarving(QString::fromStdString(image.fragmentAddress), seen));
    QSignalSpy loaded(f.window.get(), &BrowserWindow::loaded);
    f.window->OpenWithDialog();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 20000)) << f.messages.join('\n').toStdString();
    ExpectCarvedRows(image, seen);
    EXPECT_EQ(f.Doc().Path(), image.disk + "::" + image.fragmentAddress);
    EXPECT_EQ(f.window->windowTitle(), QStringLiteral("disk.img::@0x01000000 [carved fragment] — Quarvex"));
    // The surviving keys with their paths; the key whose record was overwritten has no values.
    EXPECT_GE(f.Key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU"), 0);
    const std::int32_t folders = f.Key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    ASSERT_GE(folders, 0);
    EXPECT_EQ(f.Doc().View().Values(folders).size(), 1u);
    // The keys whose records lay in the lost block have no names left to be found by.
    EXPECT_FALSE(f.Doc().View().Find("Control Panel\\Desktop").key.has_value());
    auto* mark = f.window->findChild<QLabel*>(QStringLiteral("lbCarvedFragment"));
    ASSERT_NE(mark, nullptr);
    EXPECT_TRUE(mark->isVisible());
    EXPECT_TRUE(mark->text().startsWith(QStringLiteral("Carved fragment at 0x01000000"))) << mark->text().toStdString();
    EXPECT_TRUE(mark->text().contains(QStringLiteral("\nMissing: data block 1 of 3\n"))) << mark->text().toStdString();
    // Its facts are marked carved.
    ASSERT_FALSE(f.Doc().Facts().facts.empty());
    for (const facts::Fact& fact : f.Doc().Facts().facts) EXPECT_TRUE(fact.carved) << fact.keyPath;
  }
  {
    // Without its key-node block each key is shown at the top under its own name.
    SeenList seen;
    f.window->SetHiveChoiceHook(ChooseAfterCarving(QString::fromStdString(image.looseAddress), seen));
    QSignalSpy loaded(f.window.get(), &BrowserWindow::loaded);
    f.window->OpenWithDialog();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 20000)) << f.messages.join('\n').toStdString();
    EXPECT_EQ(f.Doc().Path(), image.disk + "::" + image.looseAddress);
    const std::int32_t runMru = f.Key("RunMRU");
    ASSERT_GE(runMru, 0);
    EXPECT_EQ(f.Doc().View().Values(runMru).size(), 2u);
    EXPECT_GE(f.Key("AppEvents"), 0);
    const QString mark = f.window->findChild<QLabel*>(QStringLiteral("lbCarvedFragment"))->text();
    EXPECT_TRUE(mark.contains(QStringLiteral("their paths are unknown"))) << mark.toStdString();
    // The records in use are the fragment's keys, not remains of deleted ones.
    EXPECT_TRUE(f.Doc().Recovery().keys.empty()) << f.Doc().Recovery().keys.front().path;
  }
  SeenList seen;
  f.window->SetHiveChoiceHook(ChooseAfterCarving(QString::fromStdString(image.wholeAddress), seen));
  QSignalSpy loaded(f.window.get(), &BrowserWindow::loaded);
  f.window->OpenWithDialog();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 20000)) << f.messages.join('\n').toStdString();
  EXPECT_EQ(f.Doc().Path(), image.disk + "::" + image.wholeAddress);
  EXPECT_EQ(f.Doc().Image().size(), image.wholeSize);
  EXPECT_TRUE(f.Doc().CarvedMark().empty());
  EXPECT_FALSE(f.window->findChild<QLabel*>(QStringLiteral("lbCarvedFragment"))->isVisible());
  EXPECT_GE(f.Key("Software\\Vendor"), 0);
}

TEST(CarvedOpen, TheAnalyserOpensACarvedHiveAndRefusesAFragmentWithTheReason) {
  CarveImage image;
  NEED_IMAGE(image);
  auto form = MakeWindow();
  QStringList errors;
  form->SetMessageBoxHook([&](const QString&, const QString& text) { errors << text; });
  form->SetFileDialogHook(TypeIntoDialog(image.disk));
  {
    SeenList seen;
    form->SetHiveChoiceHook(ChooseAfterCarving(QString::fromStdString(image.wholeAddress), seen));
    form->Button1Click();
    ASSERT_TRUE(WaitForJob(*form));
    ExpectCarvedRows(image, seen);
    EXPECT_EQ(form->Job().code, 0);
    EXPECT_EQ(form->StatusText(0).toStdString(), image.disk + "::" + image.wholeAddress);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
  }
  SeenList seen;
  form->SetHiveChoiceHook(ChooseAfterCarving(QString::fromStdString(image.fragmentAddress), seen));
  form->Button1Click();
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].startsWith(QString::fromStdString(image.disk + "::" + image.fragmentAddress) +
                                   QStringLiteral(": a carved fragment, not a whole registry file")))
      << errors[0].toStdString();
  EXPECT_TRUE(errors[0].contains(QStringLiteral("browser window"))) << errors[0].toStdString();
  EXPECT_FALSE(form->JobRunning());
  EXPECT_EQ(form->StatusText(0).toStdString(), image.disk + "::" + image.wholeAddress) << "the last hive stays";
}

TEST(CarvedOpen, ClosingTheListWhileTheSearchRunsOpensNothing) {
  CarveImage image;
  NEED_IMAGE(image);
  BrowserFixture f;
  f.window->SetFileDialogHook([&](const QString&, const QString&) { return QString::fromStdString(image.disk); });
  f.window->SetHiveChoiceHook([&](HiveChoiceDialog& dialog) {
    QTimer::singleShot(0, &dialog,
                       [&dialog] { dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click(); });
    return dialog.exec();
  });
  // The dialog is gone when this returns: its search has stopped (or ended) and its thread is joined.
  f.window->OpenWithDialog();
  EXPECT_EQ(f.window->Document(), nullptr);
  EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join('\n').toStdString();
}

}  // namespace
}  // namespace quarvex::ui::testing
