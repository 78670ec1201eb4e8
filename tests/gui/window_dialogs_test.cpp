// The file dialogs never look into files: icons and types come from names and file types, a
// directory of FIFOs and special files lists at once, and a Save As never reopens where a
// save failed nor in one of the kernel's directories.
#include <QFileSystemModel>
#include <QImage>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "ui/common/file_dialogs.h"
#include "ui/common/file_icon_provider.h"
#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

// A directory holding a FIFO, a FIFO nobody may read, and a file whose name says nothing
// while its first bytes are a PNG picture's.
struct OddDirectory {
  QTemporaryDir dir;
  OddDirectory() {
    EXPECT_EQ(mkfifo(InDir(dir, "pipe").c_str(), 0600), 0);
    EXPECT_EQ(mkfifo(InDir(dir, "locked").c_str(), 0000), 0);
    WriteBytes(InDir(dir, "picture"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  }
};

TEST(WindowDialogs, ADialogOnFifosAndSpecialFilesListsThemWithoutOpeningAny) {
  OddDirectory odd;
  for (bool save : {false, true}) {
    QFileDialog dialog;
    if (save)
      ConfigureSaveDialog(dialog, {}, odd.dir.path());
    else
      ConfigureOpenDialog(dialog, {}, odd.dir.path());
    EXPECT_EQ(dialog.iconProvider(), SharedIconProvider());
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseCustomDirectoryIcons));
    dialog.setNameFilter(QStringLiteral("* (*)"));
    dialog.setFilter(dialog.filter() | QDir::System);  // FIFOs and devices listed too
    dialog.show();
    auto* model = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    // Listed, icons and types asked for: a read of a FIFO would wait here for ever.
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowCount(model->index(odd.dir.path())) == 3; }));
    const QModelIndex parent = model->index(odd.dir.path());
    for (int row = 0; row < 3; ++row) {
      const QModelIndex entry = model->index(row, 0, parent);
      EXPECT_FALSE(model->fileIcon(entry).isNull()) << model->fileName(entry).toStdString();
      const QString name = model->fileName(entry);
      const QString type = model->type(entry);
      const QString expected = name == "picture" ? QStringLiteral("File") : QStringLiteral("Special file");
      EXPECT_EQ(type, expected) << name.toStdString() << ": decided by name and file type, not by content";
    }
    dialog.reject();
  }
}

TEST(WindowDialogs, TheProviderNeverReadsAKernelFile) {
  NameOnlyIconProvider provider;
  // /proc/kmsg blocks its reader until the kernel logs something.
  for (const char* path : {"/proc/kmsg", "/proc/self/status", "/dev/zero", "/proc"}) {
    const QFileInfo info(QString::fromLatin1(path));
    if (!info.exists()) continue;
    EXPECT_FALSE(provider.icon(info).isNull()) << path;
    EXPECT_FALSE(provider.type(info).isEmpty()) << path;
  }
}

struct Place {
  const char* path;
  bool ordinary;
};

TEST(WindowDialogs, OnlyDirectoriesThatStoreFilesAreOffered) {
  QTemporaryDir dir;
  const std::vector<Place> places = {
      {"/proc", false},       {"/proc/self", false}, {"/proc/self/fd", false}, {"/sys", false},
      {"/sys/kernel", false}, {"/dev", false},       {"/no/such/dir", false},  {"", false}};
  for (const Place& place : places)
    EXPECT_EQ(IsOrdinaryDirectory(QString::fromLatin1(place.path)), place.ordinary) << place.path;
  EXPECT_TRUE(IsOrdinaryDirectory(dir.path()));
  QFileDialog dialog;
  ConfigureSaveDialog(dialog, QStringLiteral("/proc/REPORT.TXT"), {});
  EXPECT_EQ(dialog.directory().absolutePath(), QDir::homePath());
  QFileDialog open;
  ConfigureOpenDialog(open, {}, QStringLiteral("/sys/kernel"));
  EXPECT_EQ(open.directory().absolutePath(), QDir::homePath());
}

// The directory and name the next Save As offers.
std::pair<QString, QStringList> NextSaveDialog(TForm1& form) {
  std::pair<QString, QStringList> offered;
  form.SetFileDialogHook([&](QFileDialog& dialog) {
    offered = {dialog.directory().absolutePath(), dialog.selectedFiles()};
    return QString();
  });
  form.Button2Click();
  return offered;
}

TEST(WindowDialogs, AfterASaveFailedInProcTheNextSaveAsOpensElsewhere) {
  auto form = MakeWindow();
  ASSERT_TRUE(ReportOnSample(*form));
  QStringList boxes;
  form->SetMessageBoxHook([&](const QString&, const QString& text) { boxes << text; });
  form->SetFileDialogHook([](QFileDialog&) { return QStringLiteral("/proc/quarvex-report.TXT"); });
  form->Button2Click();
  ASSERT_EQ(boxes.size(), 1) << "the failed save is reported";
  const auto [directory, files] = NextSaveDialog(*form);
  EXPECT_NE(directory, QStringLiteral("/proc"));
  EXPECT_TRUE(IsOrdinaryDirectory(directory)) << directory.toStdString();
  ASSERT_EQ(files.size(), 1);
  EXPECT_EQ(QFileInfo(files.front()).fileName(), QStringLiteral("quarvex-report.TXT")) << "the name is kept";
}

TEST(WindowDialogs, AfterASaveFailedInAnOrdinaryDirectoryTheNextSaveAsOpensElsewhere) {
  QTemporaryDir dir;
  auto form = MakeWindow();
  ASSERT_TRUE(ReportOnSample(*form));
  QStringList boxes;
  form->SetMessageBoxHook([&](const QString&, const QString& text) { boxes << text; });
  // The directory takes no more than 64 bytes from us: the write fails half way.
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const QString target = QString::fromStdString(InDir(dir, "OUT.TXT"));
  form->SetFileDialogHook([&](QFileDialog&) { return target; });
  form->Button2Click();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previousHandler);
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_EQ(form->FailedSaveDirectories(), QStringList{QFileInfo(target).absolutePath()});
  EXPECT_NE(NextSaveDialog(*form).first, QFileInfo(target).absolutePath());
  // A save that works leaves the next dialog where it saved.
  QTemporaryDir good;
  const QString saved = QString::fromStdString(InDir(good, "GOOD.TXT"));
  form->SetFileDialogHook([&](QFileDialog&) { return saved; });
  form->Button2Click();
  EXPECT_EQ(boxes.size(), 1);
  EXPECT_EQ(NextSaveDialog(*form).first, QFileInfo(saved).absolutePath());
}

}  // namespace
}  // namespace quarvex::ui::testing
