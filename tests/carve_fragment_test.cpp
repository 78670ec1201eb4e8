// A carved fragment read again by its address, as `quarvex-cli facts` and the browser read it:
// its facts come only from keys whose records survive, each marked carved (a deleted key of its
// free space carved, deleted, with its confidence); a key whose record lay in an overwritten
// block gives none. Where the key-node block is lost, the browser's stand-in file hangs each
// record found below an unnamed root, and nothing else is made up. The carve listing's text
// is compared with a golden file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <tuple>
#include <unistd.h>

#include "carve/carve_text.h"
#include "carve/carver.h"
#include "carve/fragment_lookup.h"
#include "carve/fragment_reader.h"
#include "carve/fragment_recovery.h"
#include "cli/carved_fragment.h"
#include "browse/hive_view.h"
#include "facts/collect.h"
#include "tools/hive_generator.h"
#include "salvage/salvage.h"
#include "testkit/hive_builder.h"
#include "tests/support/test_support.h"

namespace quarvex::carve {
namespace {

using testkit::HiveBuilder;
using testkit::Text;

constexpr std::uint64_t kCluster = 4096;
constexpr std::uint64_t kFragmentAt = 5 * kCluster;
constexpr std::uint64_t kWholeAt = 40 * kCluster;
constexpr std::uint64_t kLooseAt = 50 * kCluster + 100;

// A user.dat in three data blocks: AppEvents, the Run dialog's list and a deleted start page in block 0,
// the wallpaper in block 1 (overwritten in the image), the shell folders in block 2.
struct UserHive {
  testkit::BuiltHive built;
  int deleted = -1;  // the deleted start page's key
  UserHive() {
    HiveBuilder b;
    const int root = b.AddKey(HiveBuilder::kRootParent, "");
    b.SetNoRecord(root);
    const int software = b.AddKey(root, "Software");
    const int microsoft = b.AddKey(software, "Microsoft");
    const int ie = b.AddKey(microsoft, "Internet Explorer");
    const int main = b.AddKey(ie, "Main", {Text("Start Page", "http://deleted.example/")});
    const int windows = b.AddKey(microsoft, "Windows");
    const int current = b.AddKey(windows, "CurrentVersion");
    const int explorer = b.AddKey(current, "Explorer");
    b.AddKey(explorer, "RunMRU", {Text("a", "notepad\\1"), Text("MRUList", "a")});
    const int folders = b.AddKey(explorer, "Shell Folders", {Text("Personal", "C:\\My Documents")});
    b.AddKey(root, "AppEvents");  // a user.dat's top-level key, in the surviving block
    const int panel = b.AddKey(root, "Control Panel");
    const int desktop = b.AddKey(panel, "Desktop", {Text("Wallpaper", "C:\\WINDOWS\\CLOUDS.BMP")});
    b.PlaceInBlock(panel, 1);
    b.PlaceInBlock(desktop, 1);
    b.PlaceInBlock(folders, 2);
    b.SetCodePage(text::CodePage::Cp1252);
    built = b.Build();
    testkit::DeleteKey(built, main);
    deleted = main;
  }
};

// IMAGE: zeros, the user.dat at kFragmentAt with its block 1 overwritten, a whole small hive
// at kWholeAt and a loose data block at kLooseAt; no file system, so that every byte is searched.
struct FragmentImage {
  std::filesystem::path dir, path;
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(64 * kCluster, 0);
  UserHive user;
  testkit::BuiltHive whole;

  FragmentImage() {
    dir = std::filesystem::temp_directory_path() / ("quarvex-carve-fragment-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    path = dir / "disk.img";
    std::copy(user.built.bytes.begin(), user.built.bytes.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(kFragmentAt));
    std::fill_n(
        bytes.begin() + static_cast<std::ptrdiff_t>(kFragmentAt + static_cast<std::uint64_t>(user.built.block[1])),
        user.built.block[2] - user.built.block[1], 0);
    HiveBuilder b;
    const int root = b.AddKey(HiveBuilder::kRootParent, "");
    b.SetNoRecord(root);
    b.AddKey(b.AddKey(root, "System"), "CurrentControlSet");
    whole = b.Build();
    std::copy(whole.bytes.begin(), whole.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(kWholeAt));
    // A loose copy of the user.dat's data block 0, not at a sector start, after the whole hive:
    // a fragment of its own whose keys have no paths.
    std::copy(user.built.bytes.begin() + user.built.block[0], user.built.bytes.begin() + user.built.block[1],
              bytes.begin() + static_cast<std::ptrdiff_t>(kLooseAt));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ~FragmentImage() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string Address(std::uint64_t at) const { return path.string() + "::@" + OffsetText(at); }
};

#if QUARVEX_TEST_HAVE_IMAGES

TEST(CarvedFragmentFacts, OnlySurvivingKeysGiveFactsEachMarkedCarved) {
  const FragmentImage image;
  const std::string address = image.Address(kFragmentAt);
  const testing::CliResult text = testing::Cli({"facts", address});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("  [1] " + address + ": user hive, a carved fragment: only what survives\n"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("      Missing: data block 1 of 3\n"), std::string::npos) << text.out;
  // Each key's line with the value's line after it.
  for (const char* expected :
       {"  [1] Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU  (carved)\n      1. a = notepad\n",
        "  [1] Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders  (carved)\n"
        "      Personal = C:\\My Documents\n",
        "  [1] Software\\Microsoft\\Internet Explorer\\Main  (carved, deleted, confidence high)\n"
        "      Start Page = http://deleted.example/\n"})
    EXPECT_NE(text.out.find(expected), std::string::npos) << expected << "\n--- in ---\n" << text.out;
  // The wallpaper's key is in the surviving key-node block, its record in the lost block.
  EXPECT_EQ(text.out.find("Control Panel\\Desktop"), std::string::npos) << text.out;

  const testing::CliResult json = testing::Cli({"facts", "--json", "-", address});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_NE(json.out.find("\"kind\": \"user\", \"carved\": true, \"notes\": [\"Carved fragment at "), std::string::npos)
      << json.out;
  EXPECT_EQ(json.out.find("\"carved\": false"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"recovered\": true, \"carved\": true, \"confidence\": \"high\""), std::string::npos);
  const testing::CliResult csv = testing::Cli({"facts", "--csv", "-", address});
  EXPECT_NE(csv.out.find("\"carved, deleted, confidence high\""), std::string::npos) << csv.out;

  // Without recovered keys the deleted start page is left out like any recovered key.
  const testing::CliResult live = testing::Cli({"facts", "--no-recovered", address});
  EXPECT_EQ(live.out.find("Internet Explorer"), std::string::npos) << live.out;
}

// recover of a fragment: the deleted keys its free space keeps, placed in the image (the
// record's offset there, not in the stand-in file the reader laid out), marked carved; the
// fragment's live keys are not listed again as deleted. A whole carved hive is read as a file.
TEST(CarvedFragmentFacts, RecoverListsTheFragmentsDeletedKeysWhereTheyLieInTheImage) {
  const FragmentImage image;
  const std::string address = image.Address(kFragmentAt);
  const std::int64_t inImage = static_cast<std::int64_t>(kFragmentAt) + image.user.built.keyRecord[image.user.deleted];
  const testing::CliResult text = testing::Cli({"recover", address});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find(address + ": Carved fragment at "), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("key at " + hive::HexOffset(inImage) + " ("), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Software\\Microsoft\\Internet Explorer\\Main"), std::string::npos) << text.out;
  EXPECT_EQ(text.out.find("RunMRU"), std::string::npos) << text.out;

  const testing::CliResult json = testing::Cli({"recover", "--json", "-", address});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_NE(json.out.find("\"carved\": true, \"notes\": [\"Carved fragment at "), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("{\"offset\": " + std::to_string(inImage) + ", "), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"confidence\": \"high\""), std::string::npos) << json.out;

  const testing::CliResult whole = testing::Cli({"recover", image.Address(kWholeAt)});
  EXPECT_EQ(whole.status, 0) << whole.err;
  EXPECT_EQ(whole.out.find("Carved fragment"), std::string::npos) << whole.out;
}

// At real size: a generated 5,000-key system.dat with data blocks 6-11 overwritten. Every fact
// of the fragment is one the whole file gives, with the same key, value and bytes.
TEST(CarvedFragmentFacts, AtRealSizeEveryFactIsOneOfTheWholeFile) {
  tools::GeneratorOptions options;
  options.kind = tools::HiveKind::System;
  options.keys = 5000;
  options.seed = 21;
  const std::vector<std::uint8_t> original = tools::GenerateHive(options).bytes;
  const salvage::SalvagedHive hive = salvage::Salvage(hive::Bytes(original));
  ASSERT_GE(hive.blocks.size(), 20u);
  const FragmentImage image;  // for its folder
  const std::filesystem::path path = image.dir / "big.img";
  std::vector<std::uint8_t> bytes(original.size() + 2 * kFragmentAt, 0);
  std::copy(original.begin(), original.end(), bytes.begin() + static_cast<std::ptrdiff_t>(kFragmentAt));
  std::fill_n(bytes.begin() +
                  static_cast<std::ptrdiff_t>(kFragmentAt + static_cast<std::uint64_t>(hive.blocks[6].offset.value)),
              hive.blocks[12].offset.value - hive.blocks[6].offset.value, 0);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

  std::ostringstream err;
  const std::unique_ptr<cli::LoadedFragment> fragment =
      cli::LoadFragment("facts", path.string() + "::@" + OffsetText(kFragmentAt), std::nullopt, false, err);
  ASSERT_NE(fragment, nullptr) << err.str();
  EXPECT_EQ(fragment->read.fragment.missing,
            std::vector<std::string>{"data blocks 6-11 of " + std::to_string(hive.blocks.size())});
  const facts::HiveSource carved[] = {cli::FragmentFactSource(*fragment, false)};
  const facts::FactsResult fromFragment = facts::CollectFacts(carved);

  const browse::HiveView view(hive, text::CodePage::Cp932);
  const facts::HiveSource whole[] = {{"whole", &view, nullptr}};
  const facts::FactsResult fromWhole = facts::CollectFacts(whole);
  ASSERT_FALSE(fromFragment.facts.empty());
  EXPECT_LT(fromFragment.facts.size(), fromWhole.facts.size()) << "the lost blocks' facts are not there";
  std::set<std::tuple<std::string, std::string, std::string, std::vector<std::uint8_t>>> known;
  for (const facts::Fact& f : fromWhole.facts) known.emplace(f.definition->id, f.keyPath, f.valueName, f.data);
  for (const facts::Fact& f : fromFragment.facts) {
    EXPECT_TRUE(f.carved);
    EXPECT_TRUE(known.count({std::string(f.definition->id), f.keyPath, f.valueName, f.data}))
        << f.definition->id << " " << f.keyPath << " " << f.valueName;
  }
}

TEST(CarvedFragmentFacts, AddressesThatNameNoFragmentAreRefusedWithTheReason) {
  const FragmentImage image;
  struct Case {
    std::string address;
    const char* says;
  };
  const std::vector<Case> cases{
      {image.Address(kFragmentAt + 512), "no carved fragment starts at 0x00005200"},
      {image.Address(kFragmentAt + 1), "no carved fragment starts at 0x00005001"},
      {image.path.string() + "::@0x7FFFFFFF00", "no carved fragment starts at"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    const testing::CliResult r = testing::Cli({"facts", c.address});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  // A whole carved hive at the address is read as any hive: not marked carved.
  const testing::CliResult whole = testing::Cli({"facts", image.Address(kWholeAt)});
  EXPECT_EQ(whole.status, 0) << whole.err;
  EXPECT_EQ(whole.out.find("carved"), std::string::npos) << whole.out;
  // Other commands read no fragment, and say where it is read.
  const testing::CliResult check = testing::Cli({"check", image.Address(kFragmentAt)});
  EXPECT_EQ(check.status, 1);
  EXPECT_NE((check.out + check.err).find("`quarvex-cli facts`, `quarvex-cli recover` and the browser window read it"),
            std::string::npos)
      << check.out << check.err;
}

TEST(CarvedFragmentFacts, TheCarveListingMatchesItsGoldenText) {
  const FragmentImage image;
  testing::CliResult r = testing::Cli({"hives", "--carve-all", image.path.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  // The image's place in the temporary folder is no part of the listing's form.
  for (std::size_t at; (at = r.out.find(image.path.string())) != std::string::npos;)
    r.out.replace(at, image.path.string().size(), "disk.img");
  EXPECT_TRUE(testing::MatchesGolden("carve_listing.txt", r.out));
}

#endif

TEST(CarvedFragmentFacts, AFragmentWithoutKeyNodesIsBrowsedByItsRecordsNamesAlone) {
  const UserHive user;
  std::vector<std::uint8_t> image(64 * kCluster, 0);
  // Data block 0 alone, its file header and key-node block overwritten.
  const auto from = static_cast<std::size_t>(user.built.block[0]), to = static_cast<std::size_t>(user.built.block[1]);
  std::copy(user.built.bytes.begin() + static_cast<std::ptrdiff_t>(from),
            user.built.bytes.begin() + static_cast<std::ptrdiff_t>(to),
            image.begin() + static_cast<std::ptrdiff_t>(kFragmentAt + 100));
  const MemorySource source(image);
  const CarveResult result = Carve(source, RangeSet({{0, image.size()}}));
  ASSERT_EQ(result.fragments.size(), 1u);
  const FragmentContents contents = ReadFragment(source, result.fragments[0]);
  ASSERT_FALSE(contents.keys.empty());
  const std::vector<std::uint8_t> browsable = BrowsableImage(contents);
  const salvage::SalvagedHive hive = salvage::Salvage(hive::Bytes(browsable), {contents.codePage});
  ASSERT_TRUE(hive.isHive);
  // The unnamed root and one key per record listed, each with the record's name and values.
  ASSERT_EQ(hive.keys.size(), contents.keys.size() + 1);
  for (const FragmentKey& k : contents.keys) {
    SCOPED_TRACE(k.path);
    const salvage::SalvagedRecord& listed = contents.hive.records[k.record];
    bool found = false;
    for (const salvage::SalvagedKey& key : hive.keys) {
      if (key.record < 0 || hive.KeyPathBytes(static_cast<std::size_t>(&key - hive.keys.data())) != k.path) continue;
      found = true;
      EXPECT_EQ(hive.records[static_cast<std::size_t>(key.record)].valueCount, listed.valueCount);
    }
    EXPECT_TRUE(found);
  }
  for (const hive::Finding& f : hive.findings) EXPECT_NE(f.severity, hive::Severity::Damage) << f.Text();
  // The records in use are the fragment's keys, not orphans of deleted ones: the deleted start
  // page alone is recovered.
  const CarvedRecovery recovered = RecoverInFragment(contents);
  ASSERT_EQ(recovered.keys.size(), 1u);
  EXPECT_EQ(recovered.keys[0].key->path, "(unknown parent)\\Main");
  const std::vector<std::string> mark = FragmentMark(result.fragments[0], contents);
  EXPECT_NE(
      std::find(mark.begin(), mark.end(),
                "No key node names its records: their paths are unknown, each key is shown at the top by its own name"),
      mark.end());
  // With its key-node block the stand-in file is shown as it was read.
  const std::vector<std::uint8_t> whole(user.built.bytes);
  const MemorySource wholeSource(whole);
  const CarveResult wholeResult = Carve(wholeSource, RangeSet({{0, whole.size() - 1}}));
  ASSERT_EQ(wholeResult.fragments.size(), 1u);
  const FragmentContents withNodes = ReadFragment(wholeSource, wholeResult.fragments[0]);
  EXPECT_EQ(BrowsableImage(withNodes), withNodes.image);
}

// The windows search on a thread of their own and stop when their list is closed: the search
// tells its progress after each piece and stops when asked, keeping what it found until then.
TEST(CarveProgress, AStoppedSearchKeepsWhatItFoundAndSaysWhereItStopped) {
  const UserHive user;
  std::vector<std::uint8_t> image(3u << 20, 0);
  std::copy(user.built.bytes.begin(), user.built.bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(kFragmentAt));
  const MemorySource source(image);
  std::vector<std::pair<std::uint64_t, std::uint64_t>> told;
  const CarveResult all = Carve(source, RangeSet({{0, image.size()}}), [&](std::uint64_t done, std::uint64_t total) {
    told.emplace_back(done, total);
    return true;
  });
  EXPECT_EQ(told, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{
                      {1u << 20, 3u << 20}, {2u << 20, 3u << 20}, {3u << 20, 3u << 20}}));
  EXPECT_EQ(all.hives.size(), 1u);
  EXPECT_TRUE(all.notes.empty());
  const CarveResult stopped =
      Carve(source, RangeSet({{0, image.size()}}), [](std::uint64_t, std::uint64_t) { return false; });
  EXPECT_EQ(stopped.bytesScanned, 1u << 20);
  EXPECT_EQ(stopped.hives.size(), 1u) << "found in the first piece";
  EXPECT_EQ(stopped.notes,
            std::vector<std::string>{"the search was stopped at 0x00100000, after 1048576 of 3145728 bytes"});
}

}  // namespace
}  // namespace quarvex::carve
