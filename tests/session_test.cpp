// Opening a hive, the one way every face does it: what an argument names (kinds, the file on
// disk, the name that tells the root key), and what an opened hive keeps — the view, the
// recovery and the digests worked out once, the same objects for every thread that asks; the
// report's reading run only when asked; an empty file said to be one.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "session/container_digests.h"
#include "session/hive_address.h"
#include "session/opened_hive.h"
#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

using session::HiveAddress;

TEST(HiveAddress, KindsAndNamesOfWhatAnArgumentNames) {
  TempDir dir;
  const std::string image = dir.Write("disk.img", std::string("x"));
  const std::string odd = dir.Write("odd::name.dat", std::string("x"));
  struct Row {
    std::string text;
    bool standardInput;
    HiveAddress::Kind kind;
    std::string diskFile;
    std::string innermost;
    bool carved;
  };
  const std::vector<Row> rows{
      {"-", true, HiveAddress::Kind::StandardInput, "-", "-", false},
      // A script's or a window's "-" is a file of that name.
      {"-", false, HiveAddress::Kind::DiskFile, "-", "-", false},
      {odd, true, HiveAddress::Kind::DiskFile, odd, odd, false},
      {image + "::WINDOWS/USER.DAT", true, HiveAddress::Kind::InContainer, image, "WINDOWS/USER.DAT", false},
      {image + "::WINDOWS\\SYSBCKUP\\RB001.CAB::SYSTEM.DAT", true, HiveAddress::Kind::InContainer, image, "SYSTEM.DAT",
       false},
      {image + "::@0x1A2B000", true, HiveAddress::Kind::InContainer, image, "@0x1A2B000", true},
      // No part of it exists: the first part is taken as the container, so the error names it.
      {"missing.img::USER.DAT", true, HiveAddress::Kind::InContainer, "missing.img", "USER.DAT", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const HiveAddress address = HiveAddress::Parse(row.text, row.standardInput);
    EXPECT_EQ(address.Text(), row.text);
    EXPECT_EQ(address.What(), row.kind);
    EXPECT_EQ(address.DiskFile(), row.diskFile);
    EXPECT_EQ(address.InnermostName(), row.innermost);
    EXPECT_EQ(address.IsCarved(), row.carved);
    EXPECT_EQ(address.HasFolder(), row.kind == HiveAddress::Kind::DiskFile);
  }
}

BuiltHive Hive(bool damaged) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {testkit::Text("Name", "Quarvex")});
  const int gone = b.AddKey(software, "Gone", {testkit::Dword("Runs", 5)});
  b.AddKey(root, "Control Panel");
  BuiltHive hive = b.Build();
  testkit::DeleteKey(hive, gone);
  // A ghost key: its record link finds nothing.
  if (damaged) hive.PutU16(hive.KeyNodeFileOffset(software) + 24, 0x0300);
  return hive;
}

TEST(OpenedHive, WhatIsWorkedOutOnDemandIsWorkedOutOnceForEveryThread) {
  TempDir dir;
  const std::string file = dir.Write("USER.DAT", Hive(false));
  std::string error;
  const auto opened = session::Open(HiveAddress::Parse(file), session::OpenOptions{}, error);
  ASSERT_TRUE(opened) << error;
  ASSERT_TRUE(opened->IsHive());
  std::vector<std::thread> threads;
  std::vector<const void*> seen(3 * 4);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      seen[3 * t] = &opened->View();
      seen[3 * t + 1] = &opened->Recovery();
      seen[3 * t + 2] = &opened->Digests();
    });
  for (std::thread& thread : threads) thread.join();
  for (int t = 1; t < 4; ++t)
    for (int what = 0; what < 3; ++what) EXPECT_EQ(seen[3 * t + what], seen[what]) << what;
  EXPECT_EQ(opened->Digests().sha256.size(), 64u);
  EXPECT_EQ(opened->Digests().md5.size(), 32u);
  // The deleted key is among the recovered ones.
  bool found = false;
  for (const recover::RecoveredKey& key : opened->Recovery().keys) found = found || key.path == "Software\\Gone";
  EXPECT_TRUE(found);
  // A loose file is read out of nothing else.
  std::string containerError;
  EXPECT_TRUE(session::ContainerDigests(opened->address, containerError).empty());
}

TEST(OpenedHive, TheReportIsReadWhenAskedAndAnEmptyFileIsSaidToBeOne) {
  TempDir dir;
  struct Row {
    const char* what;
    bool damaged;
    session::ReportCheck report;
    bool reportRead;
  };
  const Row rows[] = {
      {"sound-hive-report-always", false, session::ReportCheck::Always, true},
      {"sound-hive-report-when-damaged", false, session::ReportCheck::WhenDamaged, false},
      {"ghost-key-report-when-damaged", true, session::ReportCheck::WhenDamaged, true},
      {"ghost-key-report-never", true, session::ReportCheck::Never, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string file = dir.Write(std::string(row.what) + ".DAT", Hive(row.damaged));
    std::string error;
    const auto opened =
        session::Open(HiveAddress::Parse(file), session::OpenOptions::With(std::nullopt, row.report), error);
    ASSERT_TRUE(opened) << error;
    EXPECT_EQ(opened->report.has_value(), row.reportRead);
    EXPECT_EQ(opened->hive.summary.damage > 0, row.damaged);
  }
  const std::string empty = dir.Write("EMPTY.DAT", std::string());
  std::string error;
  const auto opened = session::Open(HiveAddress::Parse(empty), session::OpenOptions{}, error);
  ASSERT_TRUE(opened) << error;
  EXPECT_FALSE(opened->IsHive());
  EXPECT_EQ(opened->NotAHiveText(), "not a registry file: the file is empty (0 bytes)");
  EXPECT_FALSE(session::Open(HiveAddress::Parse(dir.Path("MISSING.DAT").string()), session::OpenOptions{}, error));
  EXPECT_EQ(error, "no such file");
}

}  // namespace
}  // namespace quarvex::testing
