// Which row the list of an image's registry files selects at first: the first live SYSTEM.DAT
// or USER.DAT in the listing's order (an allocated file), never a copy inside a backup
// cabinet nor a deleted file; with none, the first row that can be opened and is not deleted.
// The listings are built here as the image layer gives them; tests/gui/image_open_test.cpp
// reads a real image.
#include <QPushButton>
#include <QTreeWidget>

#include "browser_fixture.h"
#include "ui/common/hive_choice_dialog.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

using image::HiveKind;

// "WINDOWS/USER.DAT", "-TEMP/_SER.DAT" (deleted), "RB001.CAB/SYSTEM.DAT" (a member).
image::ListedHive Row(const std::string& rowText) {
  image::ListedHive row;
  std::string path = rowText;
  if (path.starts_with('-')) {
    row.file.deleted = true;
    path.erase(0, 1);
  }
  const std::size_t cab = path.find(".CAB/");
  if (cab != std::string::npos) {
    image::CabinetMember member;
    member.name = path.substr(cab + 5);
    member.size = 1000;
    row.member = member;
    row.file.kind = HiveKind::CabinetMember;
    path = path.substr(0, cab + 4);
  } else if (path.ends_with(".CAB")) {
    row.file.kind = HiveKind::CabinetBackup;
  } else {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    row.file.kind = image::HiveKindOfName(name, row.file.deleted).value_or(HiveKind::Live);
  }
  row.file.path = path;
  row.address = rowText;
  return row;
}

TEST(HivePreselection, TheFirstLiveSystemOrUserDatIsChosen) {
  const struct {
    const char* listing;
    std::vector<std::string> rows;
    int chosen;  // -1: none
  } cases[] = {
      {"LiveUserAfterItsSetupCopy", {"SYSTEM.1ST", "WINDOWS/USER.DAT"}, 1},
      {"BothLiveTheFirstInOrder", {"WINDOWS/USER.DAT", "WINDOWS/SYSTEM.DAT"}, 0},
      {"BothLiveSystemFirst", {"WINDOWS/SYSTEM.DAT", "WINDOWS/USER.DAT"}, 0},
      {"DeletedUserBeforeLiveSystem", {"-TEMP/_SER.DAT", "WINDOWS/SYSTEM.DAT"}, 1},
      {"CabinetMembersBeforeTheLiveFile",
       {"WINDOWS/SYSBCKUP/RB001.CAB", "WINDOWS/SYSBCKUP/RB001.CAB/SYSTEM.DAT", "WINDOWS/SYSBCKUP/RB001.CAB/USER.DAT",
        "WINDOWS/USER.DAT"},
       3},
      {"ClassesDatIsLiveButNotChosenFirst", {"WINDOWS/CLASSES.DAT", "WINDOWS/USER.DAT"}, 1},
      {"OnlyCabinetMembersTheFirstMember", {"RB002.CAB", "RB002.CAB/SYSTEM.DAT", "RB002.CAB/USER.DAT"}, 1},
      {"OnlyABackupCopy", {"-WINDOWS/_SER.DAT", "WINDOWS/USER.DA0"}, 1},
      {"OnlyDeletedFiles", {"-WINDOWS/_SER.DAT", "-WINDOWS/_YSTEM.DAT"}, -1},
      {"Empty", {}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.listing);
    image::HiveListing listing;
    for (const std::string& rowText : c.rows) listing.hives.push_back(Row(rowText));
    const std::optional<std::size_t> chosen = PreselectedHive(listing);
    EXPECT_EQ(chosen ? static_cast<int>(*chosen) : -1, c.chosen);
    // The dialog selects that row, and Open is enabled only with a row selected.
    HiveChoiceDialog dialog(QStringLiteral("disk.img"), listing);
    QTreeWidgetItem* current = dialog.List()->currentItem();
    EXPECT_EQ(current ? dialog.List()->indexOfTopLevelItem(current) : -1, c.chosen);
    EXPECT_EQ(dialog.OpenButton()->isEnabled(), c.chosen >= 0);
    if (c.chosen >= 0) {
      EXPECT_EQ(dialog.ChosenAddress(),
                QStringLiteral("disk.img::") + QString::fromStdString(c.rows[static_cast<std::size_t>(c.chosen)]));
    }
  }
}

}  // namespace
}  // namespace quarvex::ui::testing
