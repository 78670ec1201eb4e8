// Detecting the code page that wrote a hive, in its order: the hive's own ACP or Locale, a
// system.dat beside it, the stored name checksums, then 1252.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "detect/checksum_vote.h"
#include "detect/codepage_choice.h"
#include "detect/codepage_detect.h"
#include "testkit/hive_builder.h"
#include "text/lcid_codepage.h"
#include "text/text_encoding.h"

namespace {

using namespace quarvex;
using detect::CodePageSource;
using testkit::HiveBuilder;
using text::CodePage;

// A system.dat with Nls\Codepage ACP, when acp is given.
std::vector<std::uint8_t> SystemHive(std::optional<std::string> acp) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);  // as in real hives: the root has no name record
  b.AddKey(root, "Config");
  b.AddKey(root, "Enum");
  const int system = b.AddKey(root, "System");
  const int current = b.AddKey(system, "CurrentControlSet");
  const int control = b.AddKey(current, "Control");
  const int nls = b.AddKey(control, "Nls");
  if (acp) b.AddKey(nls, "Codepage", {testkit::Text("ACP", *acp), testkit::Text("OEMCP", "850")});
  return b.Build().bytes;
}

// A user.dat with .DEFAULT\Control Panel\International Locale, when locale is given, and key
// names written under cp (their checksums too).
std::vector<std::uint8_t> UserHive(std::optional<std::string> locale, CodePage cp = CodePage::Cp1252,
                                   std::vector<std::string> namesUtf8 = {}) {
  HiveBuilder b;
  b.SetCodePage(cp);
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);  // as in real hives: the root has no name record
  const int def = b.AddKey(root, ".DEFAULT");
  const int panel = b.AddKey(def, "Control Panel");
  std::vector<testkit::Value> international{testkit::Text("sCountry", "x")};
  if (locale) international.push_back(testkit::Text("Locale", *locale));
  b.AddKey(panel, "International", international);
  const int software = b.AddKey(def, "Software");
  for (const std::string& name : namesUtf8) b.AddKey(software, text::Utf8ToCodePage(name, cp));
  return b.Build().bytes;
}

TEST(CodePageDetectTest, TheOrderOfTheEvidence) {
  struct Row {
    const char* what;
    std::vector<std::uint8_t> hive;
    std::vector<detect::Companion> companions;
    CodePage expected;
    CodePageSource source;
  };
  const std::vector<Row> rows = {
      {"system.dat with ACP", SystemHive("1251"), {}, CodePage::Cp1251, CodePageSource::Hive},
      {"user.dat with Locale", UserHive("00000411"), {}, CodePage::Cp932, CodePageSource::Hive},
      {"user.dat's Locale wins over a system.dat beside it",
       UserHive("00000408"),
       {{"beside/system.dat", SystemHive("1250")}},
       CodePage::Cp1253,
       CodePageSource::Hive},
      {"user.dat without Locale, a system.dat beside it",
       UserHive(std::nullopt),
       {{"beside/system.dat", SystemHive("1257")}},
       CodePage::Cp1257,
       CodePageSource::Companion},
      {"a companion without ACP is passed over",
       UserHive(std::nullopt),
       {{"a/system.dat", SystemHive(std::nullopt)}, {"b/system.dat", SystemHive("874")}},
       CodePage::Cp874,
       CodePageSource::Companion},
      {"a Locale of no known page falls through",
       UserHive("0000FFFF"),
       {{"s", SystemHive("1255")}},
       CodePage::Cp1255,
       CodePageSource::Companion},
      {"checksums only: Japanese names",
       UserHive(std::nullopt, CodePage::Cp932, {"設定", "ｽｸﾘｰﾝ ｾｰﾊﾞｰ"}),
       {},
       CodePage::Cp932,
       CodePageSource::Checksums},
      {"checksums only: Korean names",
       UserHive(std::nullopt, CodePage::Cp949, {"한국어", "설정"}),
       {},
       CodePage::Cp949,
       CodePageSource::Checksums},
      {"checksums only: Simplified Chinese names",
       UserHive(std::nullopt, CodePage::Cp936, {"设置", "中文"}),
       {},
       CodePage::Cp936,
       CodePageSource::Checksums},
      {"checksums only: Western names",
       UserHive(std::nullopt, CodePage::Cp1252, {"Öffnet", "fenêtre"}),
       {},
       CodePage::Cp1252,
       CodePageSource::Checksums},
      {"nothing: ASCII names only", UserHive(std::nullopt), {}, CodePage::Cp1252, CodePageSource::Default},
      {"not a hive at all", std::vector<std::uint8_t>(64, 0x41), {}, CodePage::Cp1252, CodePageSource::Default},
      {"an ACP of a page not read falls through", SystemHive("1361"), {}, CodePage::Cp1252, CodePageSource::Default},
  };
  for (const Row& r : rows) {
    const detect::CodePageChoice choice = detect::DetectCodePage(r.hive, r.companions);
    EXPECT_EQ(text::CodePageName(choice.codePage), text::CodePageName(r.expected)) << r.what << ": " << choice.reason;
    EXPECT_EQ(detect::SourceName(choice.source), detect::SourceName(r.source)) << r.what << ": " << choice.reason;
    EXPECT_FALSE(choice.reason.empty()) << r.what;
  }
}

TEST(CodePageDetectTest, ReasonsNameTheirEvidence) {
  EXPECT_EQ(detect::DetectCodePage(SystemHive("1252"), {}).reason, "the hive (Nls\\Codepage) says ACP \"1252\"");
  EXPECT_EQ(detect::DetectCodePage(UserHive("00000409"), {}).reason,
            "the hive's Locale \"00000409\" uses code page 1252");
  const auto fallThrough = detect::DetectCodePage(SystemHive("1361"), {});
  EXPECT_NE(fallThrough.reason.find("ACP \"1361\", a code page this program does not read"), std::string::npos)
      << fallThrough.reason;
}

TEST(CodePageDetectTest, ChecksumVotesAndDisagreement) {
  const auto japanese = UserHive(std::nullopt, CodePage::Cp932, {"設定", "ｽｸﾘｰﾝ"});
  const salvage::SalvagedHive hive = salvage::Salvage(japanese, {CodePage::SingleByte});
  const detect::ChecksumVote vote = detect::CountChecksumVotes(hive);
  EXPECT_EQ(vote.telling, 2u);
  EXPECT_EQ(vote.japanese, 2u);
  // Half-width katakana add nothing to a sum under any rule but the 0x81-0xFE one, so the
  // katakana name agrees with the single-byte rule too; the kanji name follows both
  // double-byte rules. Only 932 has both.
  EXPECT_EQ(vote.singleByte, 1u);
  EXPECT_EQ(vote.chinese, 1u);
  EXPECT_EQ(detect::NamesDisagreeing(hive, CodePage::Cp932), 0u);
  EXPECT_EQ(detect::NamesDisagreeing(hive, CodePage::Cp1252), 1u);
}

// What a check says about the code page: always a note with the choice and its reason; a
// warning only when the names' checksums follow another page's lead-byte rule better than the
// chosen one's (not when a name matches under no rule: that is damage, told key by key).
TEST(CodePageDetectTest, CheckFindingsOnTheChoice) {
  const auto japanese = UserHive(std::nullopt, CodePage::Cp932, {"設定", "ｽｸﾘｰﾝ"});
  const auto western = UserHive("00000409", CodePage::Cp1252, {"Öffnet", "fenêtre"});
  struct Row {
    const char* what;
    const std::vector<std::uint8_t>* hive;
    CodePage chosen;
    bool warns;
    const char* inWarning;
  } rows[] = {
      {"Japanese names read as 932", &japanese, CodePage::Cp932, false, ""},
      {"Japanese names read as 1252", &japanese, CodePage::Cp1252, true, "1 name with bytes above 0x7F"},
      {"Japanese names read as 950", &japanese, CodePage::Cp950, true, "--codepage 932 reads them"},
      {"Western names read as 1252", &western, CodePage::Cp1252, false, ""},
      {"Western names read as 1250", &western, CodePage::Cp1250, false, ""},  // same single-byte rule
      {"Western names read as 932", &western, CodePage::Cp932, true, "under code page 932"},
  };
  for (const Row& row : rows) {
    const salvage::SalvagedHive hive = salvage::Salvage(*row.hive, {row.chosen});
    const detect::CodePageChoice choice{row.chosen, CodePageSource::Option, "named with --codepage"};
    const std::vector<hive::Finding> findings = detect::CodePageFindings(hive, choice);
    ASSERT_EQ(findings.size(), row.warns ? 2u : 1u) << row.what;
    EXPECT_EQ(findings[0].severity, hive::Severity::Note) << row.what;
    EXPECT_EQ(findings[0].found, text::CodePageName(row.chosen)) << row.what;
    EXPECT_EQ(findings[0].expected, "(option: named with --codepage)") << row.what;
    if (!row.warns) continue;
    EXPECT_EQ(findings[1].severity, hive::Severity::Warning) << row.what;
    EXPECT_NE((findings[1].found + " " + findings[1].expected).find(row.inWarning), std::string::npos)
        << row.what << ": " << findings[1].found << " " << findings[1].expected;
  }
  // Added to the model, they are counted and kept in offset order.
  salvage::SalvagedHive hive = salvage::Salvage(japanese, {CodePage::Cp1252});
  const std::size_t before = hive.findings.size();
  salvage::AddFindings(hive, detect::CodePageFindings(hive, {CodePage::Cp1252, CodePageSource::Default, "x"}));
  EXPECT_EQ(hive.findings.size(), before + 2);
  EXPECT_EQ(hive.summary.notes, 1u);
  EXPECT_GE(hive.summary.warnings, 1u);
  EXPECT_TRUE(std::is_sorted(hive.findings.begin(), hive.findings.end(),
                             [](const hive::Finding& a, const hive::Finding& b) { return a.offset < b.offset; }));
}

TEST(CodePageDetectTest, LocalesToCodePages) {
  struct Row {
    const char* text;
    std::optional<CodePage> cp;
  };
  const Row rows[] = {
      {"00000409", CodePage::Cp1252},
      {"00000411", CodePage::Cp932},
      {"00000412", CodePage::Cp949},
      {"00000404", CodePage::Cp950},
      {"00000804", CodePage::Cp936},
      {"00000C04", CodePage::Cp950},
      {"00001004", CodePage::Cp936},
      {"00000419", CodePage::Cp1251},
      {"00000405", CodePage::Cp1250},
      {"00000408", CodePage::Cp1253},
      {"0000041f", CodePage::Cp1254},
      {"0000040D", CodePage::Cp1255},
      {"00000401", CodePage::Cp1256},
      {"00000425", CodePage::Cp1257},
      {"0000042A", CodePage::Cp1258},
      {"0000041E", CodePage::Cp874},
      {"00000C1A", CodePage::Cp1251},
      {"0000041A", CodePage::Cp1250},
      {"00000407", CodePage::Cp1252},
      {"409", CodePage::Cp1252},
      {"00000011", std::nullopt},
      {"0000FFFF", std::nullopt},
      {"", std::nullopt},
      {"0000040G", std::nullopt},
      {"000000409", std::nullopt},
  };
  for (const Row& r : rows) {
    const auto lcid = text::ParseLcidText(r.text);
    const auto cp = lcid ? text::AnsiCodePageForLcid(*lcid) : std::nullopt;
    EXPECT_EQ(cp.has_value(), r.cp.has_value()) << r.text;
    if (cp && r.cp) {
      EXPECT_EQ(text::CodePageName(*cp), text::CodePageName(*r.cp)) << r.text;
    }
  }
}

TEST(CodePageDetectTest, CompanionFilesBesideAndInTheWindowsDirectory) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("quarvex-detect-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "win");
  const auto touch = [](const fs::path& p) { std::ofstream(p) << "x"; };
  touch(dir / "USER.DAT");
  touch(dir / "System.Dat");
  touch(dir / "win" / "SYSTEM.DAT");
  const auto found = detect::CompanionSystemFiles((dir / "USER.DAT").string(), (dir / "win").string());
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(fs::path(found[0]).filename(), "System.Dat");
  EXPECT_EQ(fs::path(found[1]).filename(), "SYSTEM.DAT");
  // The analysed file itself is never its own companion.
  EXPECT_TRUE(detect::CompanionSystemFiles((dir / "System.Dat").string(), std::nullopt).empty());
  // Read only for a hive that is a file on disk: a hive inside an image has no folder of its
  // own, and the Windows directory named for the host is not its machine's.
  EXPECT_EQ(detect::ReadCompanions((dir / "USER.DAT").string(), (dir / "win").string()).size(), 2u);
  EXPECT_TRUE(detect::ReadCompanions((dir / "disk.img::WINDOWS/USER.DAT").string(), (dir / "win").string()).empty());
  fs::remove_all(dir);
}

}  // namespace

#include "detect/hive_root.h"

namespace {

TEST(HiveRootTest, TheRootKeyFromTheTopKeys) {
  const auto root = [](const std::vector<std::uint8_t>& bytes) {
    return detect::RootKeyForContent(salvage::Salvage(bytes, {CodePage::SingleByte}));
  };
  ASSERT_TRUE(root(SystemHive("1252")));
  EXPECT_EQ(root(SystemHive("1252"))->rootKey, "HKEY_LOCAL_MACHINE");
  ASSERT_TRUE(root(UserHive("00000409")));
  EXPECT_EQ(root(UserHive("00000409"))->rootKey, "HKEY_USERS");
  HiveBuilder profile;
  profile.SetNoRecord(profile.AddKey(HiveBuilder::kRootParent, ""));
  for (const char* top : {"AppEvents", "Control Panel", "Network", "Software"}) profile.AddKey(0, top);
  ASSERT_TRUE(root(profile.Build().bytes));
  EXPECT_EQ(root(profile.Build().bytes)->rootKey, "HKEY_CURRENT_USER");
  HiveBuilder neither;
  neither.SetNoRecord(neither.AddKey(HiveBuilder::kRootParent, ""));
  neither.AddKey(0, ".txt");
  EXPECT_FALSE(root(neither.Build().bytes));  // left to the file name
}

}  // namespace
