// What the window tests share: a window made with a fixed clock, waiting for its jobs, the
// bundled sample, scratch files, and answering its dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "text/text_locale.h"
#include "ui/analyser/main_window.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {

inline constexpr LocalDateTime kFixedTime{2026, 12, 7, 10, 30, 0};
inline constexpr const char* kFixedTimeText = "2026-12-07T10:30:00";

inline std::string SamplePath() { return std::string(QUARVEX_SAMPLES_DIR) + "/USER-SAMPLE.DAT"; }

inline TForm1::Settings MakeSettings(std::vector<std::string> arguments = {}, std::string windowsDir = {}) {
  TForm1::Settings settings;
  settings.arguments = std::move(arguments);
  settings.windowsDirectory = WindowsDirectory(windowsDir);
  settings.job.locale = TextLocale::FromEnvironment();
  settings.job.clock = [] { return kFixedTime; };
  // The facts of this machine, as quarvex-cli collects them.
  settings.probeHost = ThisHostProbe(windowsDir.empty() ? std::nullopt : std::optional<std::string>(windowsDir),
                                     CodePage::Cp932, settings.job.locale);
  return settings;
}

inline std::unique_ptr<TForm1> MakeWindow(std::vector<std::string> arguments = {}, std::string windowsDir = {}) {
  return std::make_unique<TForm1>(MakeSettings(std::move(arguments), std::move(windowsDir)));
}

// Waits until the running job's worker has ended and its calls have reached the window.
inline bool WaitForJob(TForm1& form, int timeoutMs = 20000) {
  return QTest::qWaitFor([&] { return !form.JobRunning() && !form.WorkerActive(); }, timeoutMs);
}

// "See the Report", waiting until the view has it.
inline bool ShowReport(TForm1& form) {
  form.sbShowRepClick();
  return QTest::qWaitFor([&] { return form.StatusText(1) == QStringLiteral("Complete."); });
}

// Starts a job the way the user does: Button1, the dialog answered with `file`.
inline void OpenThroughDialog(TForm1& form, const std::string& file) {
  form.SetFileDialogHook([file](QFileDialog&) { return QString::fromStdString(file); });
  form.Button1Click();
  form.SetFileDialogHook({});
}

// A completed job on the bundled sample with its report shown, as most tests need it.
inline bool ReportOnSample(TForm1& form) {
  OpenThroughDialog(form, SamplePath());
  return WaitForJob(form) && ShowReport(form);
}

template <typename T>
T* Child(const QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string InDir(const QTemporaryDir& dir, const char* name) {
  return QDir(dir.path()).filePath(QString::fromLatin1(name)).toStdString();
}

// Answers the real open dialog: the name typed into its name field and Return pressed there,
// inside its own exec().
inline TForm1::FileDialogHook TypeIntoDialog(const std::string& file) {
  return [file](QFileDialog& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog, file] {
      auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!name) {
        dialog.reject();
        return;
      }
      dialog.selectFile(QString::fromStdString(file));
      QTest::keyClick(name, Qt::Key_Return);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
  };
}

}  // namespace quarvex::ui::testing
