// What the browser tests share: hives built byte by byte (double-byte names, damage, a cut
// file, deleted keys), written to scratch files, and a browser that has opened one.
#pragma once

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <memory>
#include <string>

#include "testkit/hive_builder.h"
#include "ui/browser/browser_document.h"
#include "ui/browser/browser_key_tree_model.h"
#include "ui/browser/browser_window.h"

namespace quarvex::ui::testing {

using testkit::BuiltHive;
using testkit::HiveBuilder;

// 日本 and ソフト in code page 932; ソ is 0x83 0x5C, whose second byte is a backslash in ASCII.
inline const std::string kNihon = "\x93\xfa\x96\x7b";
inline const std::string kSofuto = "\x83\x5c\x83\x74\x83\x67";

// root (no record) - Software (unnamed value, Count, Blob)
//                      - Vendor - 日本 (Title = "ソフト")
//                  - Control Panel - Desktop
//                  - Old (deleted in the Deleted fixture)
enum FixtureKey { kRoot, kSoftware, kVendor, kNihonKey, kControl, kDesktop, kOld, kFixtureKeys };

inline HiveBuilder FixtureBuilder() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software",
                                {testkit::Dword("Count", 42), testkit::Text("", "default"),
                                 testkit::Binary("Blob", std::string("\x01\x02\x03", 3))});
  const int vendor = b.AddKey(software, "Vendor", {testkit::Text("Name", "Quarvex")});
  b.AddKey(vendor, kNihon, {testkit::Text("Title", kSofuto)});
  const int control = b.AddKey(root, "Control Panel", {testkit::Text("Wallpaper", "(None)")});
  b.AddKey(control, "Desktop", {testkit::Text("Pattern", "(None)")});
  b.AddKey(software, "Old", {testkit::Text("Gone", "deleted data")});
  return b;
}

enum class Fixture { DoubleByteNames, DamagedChecksum, TruncatedFile, DeletedKey };

inline BuiltHive MakeFixture(Fixture which) {
  HiveBuilder b = FixtureBuilder();
  if (which == Fixture::DamagedChecksum) b.SetChecksum(kDesktop, 0xDEADBEEF);
  BuiltHive h = b.Build();
  if (which == Fixture::TruncatedFile) h.bytes.resize(static_cast<std::size_t>(h.keyRecord[kDesktop] + 10));
  if (which == Fixture::DeletedKey) testkit::DeleteKey(h, kOld);
  return h;
}

// A browser with a temporary settings store, its dialogs and messages answered by the test.
struct BrowserFixture {
  QTemporaryDir dir;
  std::unique_ptr<BrowserWindow> window;
  QStringList messages;

  BrowserFixture() {
    QStandardPaths::setTestModeEnabled(true);
    window = std::make_unique<BrowserWindow>(BrowserWindow::Settings{});
    window->SetMessageHook([this](const QString& text) { messages << text; });
    window->show();
  }
  std::string Write(const BuiltHive& hive, const std::string& name = "USER.DAT") {
    const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
    hive.WriteFile(path);
    return path;
  }
  bool Open(const std::string& path) {
    QSignalSpy loaded(window.get(), &BrowserWindow::loaded);
    QSignalSpy failed(window.get(), &BrowserWindow::loadFailed);
    window->OpenFile(QString::fromStdString(path));
    return QTest::qWaitFor([&] { return !loaded.isEmpty() || !failed.isEmpty(); }, 20000) && !loaded.isEmpty();
  }
  bool OpenFixture(Fixture which, const std::string& name = "USER.DAT") {
    return Open(Write(MakeFixture(which), name));
  }
  const BrowserDocument& Doc() const { return *window->Document(); }
  // The key index of the live key at this UTF-8 path.
  std::int32_t Key(const std::string& path) const {
    const auto found = Doc().View().Find(path);
    EXPECT_TRUE(found.key.has_value()) << path;
    return found.key.value_or(-1);
  }
};

}  // namespace quarvex::ui::testing
