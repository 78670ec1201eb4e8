// The carver over disk-like byte arrays made in memory: generated hives of real size (5,000
// keys, 20+ blocks of 20-60 KiB) laid at sector starts among zeros, random bytes and each other,
// then damaged the way reused clusters damage them. What it lists must be what the original
// held at that place: every fragment key is a record of the original file, at the same place
// relative to the file's start, with the same path when one is given.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <regex>

#include "carve/carver.h"
#include "carve/fragment_reader.h"
#include "carve/fragment_recovery.h"
#include "carve/hive_chain.h"
#include "salvage/salvage.h"
#include "testkit/hive_builder.h"
#include "tools/hive_generator.h"

namespace quarvex::carve {
namespace {

constexpr std::uint64_t kCluster = 4096;

std::vector<std::uint8_t> Generated(int keys, unsigned seed) {
  tools::GeneratorOptions options;
  options.kind = tools::HiveKind::System;
  options.keys = keys;
  options.seed = seed;
  return tools::GenerateHive(options).bytes;
}

void Put(std::vector<std::uint8_t>& image, std::uint64_t at, std::span<const std::uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
}

void Noise(std::vector<std::uint8_t>& image, std::uint64_t from, std::uint64_t to, unsigned seed) {
  std::mt19937 random(seed);
  for (std::uint64_t i = from; i < to; ++i) image[i] = static_cast<std::uint8_t>(random());
}

CarveResult CarveAll(const std::vector<std::uint8_t>& image) {
  const MemorySource source(image);
  return Carve(source, RangeSet({{0, image.size()}}));
}

// The original's records by file offset, with their key's path (empty when no key).
struct Original {
  std::vector<std::uint8_t> bytes;
  salvage::SalvagedHive hive;
  std::map<std::int64_t, std::string> pathOfRecord;
  explicit Original(std::vector<std::uint8_t> b) : bytes(std::move(b)) {
    hive = salvage::Salvage(bytes);  // the generator writes hives of code page 932
    for (const salvage::SalvagedRecord& r : hive.records)
      pathOfRecord[r.offset.value] =
          r.key == salvage::kNoIndex ? "" : hive.KeyPathBytes(static_cast<std::size_t>(r.key));
  }
};

// A listed path equals the original's but where a key's name was lost ("{key node 0x...}"),
// which stands for any name (names may hold a backslash).
bool SamePath(const std::string& listed, const std::string& original) {
  static const std::regex lost(R"(\{key node 0x[0-9A-F]+\})");
  const auto literal = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || u >= 0x80 ? std::string(1, c) : std::string("\\") + c;
  };
  std::string pattern;
  std::size_t from = 0;
  for (std::sregex_iterator it(listed.begin(), listed.end(), lost), end; it != end; ++it) {
    for (std::size_t i = from; i < static_cast<std::size_t>(it->position()); ++i) pattern += literal(listed[i]);
    pattern += ".+";
    from = static_cast<std::size_t>(it->position() + it->length());
  }
  for (std::size_t i = from; i < listed.size(); ++i) pattern += literal(listed[i]);
  return std::regex_match(original, std::regex(pattern));
}

// Every key of the fragment is a record of the original, whose file offset is the key's
// offset in the image less `shift`, with its path.
void ExpectNothingInvented(const Original& original, std::int64_t shift, const FragmentContents& contents) {
  for (const FragmentKey& k : contents.keys) {
    const std::int64_t inFile = static_cast<std::int64_t>(k.offset) - shift;
    const auto it = original.pathOfRecord.find(inFile);
    ASSERT_NE(it, original.pathOfRecord.end()) << "no record of the original at " << inFile;
    if (k.pathKnown) {
      EXPECT_TRUE(SamePath(k.path, it->second)) << k.path << " for " << it->second;
    }
    const salvage::SalvagedRecord& r = contents.hive.records[k.record];
    const salvage::SalvagedRecord& o =
        *std::find_if(original.hive.records.begin(), original.hive.records.end(),
                      [&](const salvage::SalvagedRecord& x) { return x.offset.value == it->first; });
    EXPECT_TRUE(std::equal(r.name.begin(), r.name.end(), o.name.begin(), o.name.end()));
    ASSERT_EQ(r.valueCount, o.valueCount);
    for (std::uint32_t j = 0; j < r.valueCount; ++j) {
      const salvage::SalvagedValue& v = contents.hive.values[r.firstValue + j];
      const salvage::SalvagedValue& w = original.hive.values[o.firstValue + j];
      EXPECT_TRUE(std::equal(v.name.begin(), v.name.end(), w.name.begin(), w.name.end())) << "at " << inFile;
      EXPECT_TRUE(std::equal(v.data.begin(), v.data.end(), w.data.begin(), w.data.end())) << "at " << inFile;
    }
  }
}

TEST(Carve, RangeSetsMergeAndSubtract) {
  struct Case {
    std::vector<ByteRange> a, b, expected;
  };
  const std::vector<Case> cases = {
      {{{0, 10}, {5, 20}, {30, 40}}, {}, {{0, 20}, {30, 40}}},
      {{{0, 100}}, {{10, 20}, {50, 60}}, {{0, 10}, {20, 50}, {60, 100}}},
      {{{0, 100}}, {{0, 100}}, {}},
      {{{10, 20}, {30, 40}}, {{15, 35}}, {{10, 15}, {35, 40}}},
      {{{10, 20}}, {{0, 5}, {25, 30}}, {{10, 20}}},
      {{{0, 10}, {10, 20}}, {{0, 0}}, {{0, 20}}},
  };
  for (const Case& c : cases) EXPECT_EQ(RangeSet::Without(RangeSet(c.a), RangeSet(c.b)).Ranges(), c.expected);
  const RangeSet set({{100, 200}, {300, 400}});
  EXPECT_TRUE(set.Covers(100, 200));
  EXPECT_FALSE(set.Covers(150, 250));
  EXPECT_FALSE(set.Covers(50, 60));
  EXPECT_EQ(set.EndOfRangeAt(350), 400u);
  EXPECT_EQ(set.EndOfRangeAt(250), 250u);
}

TEST(Carve, WholeHiveAmongZerosIsCarvedByteIdentical) {
  const std::vector<std::uint8_t> hive = Generated(8000, 1);
  ASSERT_GT(hive.size(), 1'000'000u);
  std::vector<std::uint8_t> image(hive.size() + 64 * kCluster, 0);
  const std::uint64_t at = 17 * kCluster;
  Put(image, at, hive);
  const CarveResult result = CarveAll(image);
  ASSERT_EQ(result.hives.size(), 1u);
  EXPECT_TRUE(result.fragments.empty());
  EXPECT_EQ(result.hives[0].start, at);
  EXPECT_EQ(result.bytesScanned, image.size());
  std::string error;
  const auto carved = ReadCarvedHive(MemorySource(image), at, error);
  ASSERT_TRUE(carved) << error;
  EXPECT_EQ(*carved, hive);
}

TEST(Carve, TwoHivesBackToBackAreBothCarved) {
  const std::vector<std::uint8_t> first = Generated(2000, 2), second = Generated(3000, 3);
  const std::uint64_t secondAt = (first.size() + 511) / 512 * 512;  // the next sector
  std::vector<std::uint8_t> image(secondAt + second.size() + 512, 0);
  Put(image, 0, first);
  Put(image, secondAt, second);
  const CarveResult result = CarveAll(image);
  ASSERT_EQ(result.hives.size(), 2u);
  EXPECT_EQ(result.hives[0].start, 0u);
  EXPECT_EQ(result.hives[1].start, secondAt);
  EXPECT_EQ(result.hives[1].End() - result.hives[1].start, second.size());
  EXPECT_TRUE(result.fragments.empty());
}

TEST(Carve, ZerosAndRandomBytesHoldNothing) {
  std::vector<std::uint8_t> zeros(8u << 20, 0), random(8u << 20, 0);
  Noise(random, 0, random.size(), 35);
  for (const auto* image : {&zeros, &random}) {
    const CarveResult result = CarveAll(*image);
    EXPECT_TRUE(result.hives.empty());
    EXPECT_TRUE(result.fragments.empty());
    EXPECT_EQ(result.bytesScanned, image->size());
  }
}

// A third of the clusters in the middle overwritten with random bytes: the blocks before the
// damage stay on the chain, those after are found by their signature and join the header's
// fragment by their block numbers, so their keys keep their paths.
TEST(Carve, OverwrittenClustersLeaveAFragmentOfTheSurvivingBlocks) {
  const Original original(Generated(5000, 4));
  const std::uint64_t at = 8 * kCluster;
  std::vector<std::uint8_t> image(original.bytes.size() + 16 * kCluster, 0);
  Put(image, at, original.bytes);
  const std::uint64_t third = original.bytes.size() / 3 / kCluster * kCluster;
  Noise(image, at + third, at + 2 * third, 7);
  const CarveResult result = CarveAll(image);
  EXPECT_TRUE(result.hives.empty());
  ASSERT_EQ(result.fragments.size(), 1u);
  const Fragment& f = result.fragments[0];
  ASSERT_TRUE(f.chain);
  EXPECT_TRUE(f.chain->HasKeyNodes());
  EXPECT_FALSE(f.blocks.empty());
  ASSERT_FALSE(f.missing.empty());
  EXPECT_NE(f.missing[0].find("data block"), std::string::npos) << f.missing[0];
  const FragmentContents contents = ReadFragment(MemorySource(image), f);
  EXPECT_TRUE(contents.unreadable.empty());
  ExpectNothingInvented(original, static_cast<std::int64_t>(at), contents);
  std::size_t withPath = 0, afterDamage = 0;
  for (const FragmentKey& k : contents.keys) {
    withPath += k.pathKnown;
    afterDamage += k.offset >= at + 2 * third;
  }
  // About two thirds survive: of the records before and after the damage, most are listed.
  EXPECT_GT(contents.keys.size(), original.hive.records.size() / 2);
  EXPECT_LT(contents.keys.size(), original.hive.records.size());
  EXPECT_GT(afterDamage, original.hive.records.size() / 5);
  EXPECT_GT(withPath, contents.keys.size() * 9 / 10);
}

// The file in two pieces far apart (fragmented clusters): the piece with the header and the
// piece found by its blocks' signature make one fragment holding every key with its path.
TEST(Carve, HiveSplitInTwoPiecesIsReadBackWhole) {
  const Original original(Generated(3000, 5));
  const salvage::SalvagedHive& h = original.hive;
  ASSERT_GT(h.blocks.size(), 4u);
  const std::uint64_t cut = static_cast<std::uint64_t>(h.blocks[h.blocks.size() / 2].offset.value);
  std::vector<std::uint8_t> image(original.bytes.size() + 256 * kCluster, 0);
  const std::uint64_t firstAt = 4 * kCluster, secondAt = firstAt + cut + 100 * kCluster + 36;  // not on a sector
  Put(image, firstAt, std::span(original.bytes).first(cut));
  Put(image, secondAt, std::span(original.bytes).subspan(cut));
  const CarveResult result = CarveAll(image);
  EXPECT_TRUE(result.hives.empty());
  ASSERT_EQ(result.fragments.size(), 1u);
  const Fragment& f = result.fragments[0];
  EXPECT_TRUE(f.missing.empty()) << f.missing[0];
  const FragmentContents contents = ReadFragment(MemorySource(image), f);
  std::size_t withPath = 0;
  for (const FragmentKey& k : contents.keys) {
    withPath += k.pathKnown;
    const std::uint64_t inFile = k.offset >= secondAt ? k.offset - secondAt + cut : k.offset - firstAt;
    const auto it = original.pathOfRecord.find(static_cast<std::int64_t>(inFile));
    ASSERT_NE(it, original.pathOfRecord.end());
    if (k.pathKnown) {
      EXPECT_EQ(k.path, it->second);
    }
  }
  EXPECT_EQ(contents.keys.size(), original.hive.records.size());
  EXPECT_GT(withPath, contents.keys.size() * 9 / 10);
}

// Data blocks with no header before them: listed by their records' names, with no path, and
// their block numbers say which of the file's blocks they are.
TEST(Carve, LooseDataBlocksAreListedByName) {
  const Original original(Generated(3000, 6));
  const salvage::SalvagedHive& h = original.hive;
  const std::uint64_t from = static_cast<std::uint64_t>(h.blocks[2].offset.value);
  const std::uint64_t to = static_cast<std::uint64_t>(h.blocks[4].offset.value);
  std::vector<std::uint8_t> image(64 * kCluster + (to - from), 0);
  const std::uint64_t at = 3 * kCluster + 100;
  Put(image, at, std::span(original.bytes).subspan(from, to - from));
  const CarveResult result = CarveAll(image);
  ASSERT_EQ(result.fragments.size(), 1u);
  const Fragment& f = result.fragments[0];
  ASSERT_EQ(f.blocks.size(), 2u);
  EXPECT_EQ(f.blocks[0].number, 2);
  EXPECT_EQ(f.blocks[1].number, 3);
  EXPECT_EQ(f.missing[0], "the file header and the key-node block (key paths)");
  EXPECT_EQ(f.missing[1], "data blocks 0-1 (of at least 4)");
  const FragmentContents contents = ReadFragment(MemorySource(image), f);
  ExpectNothingInvented(original, static_cast<std::int64_t>(at) - static_cast<std::int64_t>(from), contents);
  EXPECT_EQ(contents.keys.size(), h.blocks[2].records + h.blocks[3].records);
  for (const FragmentKey& k : contents.keys) EXPECT_FALSE(k.pathKnown);
}

// Sizes that lead out of the image or out of the bytes searched are never followed.
TEST(Carve, SizesPastTheImageOrTheSearchedBytesAreNotFollowed) {
  const std::vector<std::uint8_t> hive = Generated(800, 8);
  struct Case {
    const char* name;
    std::uint64_t imageSize;  // the hive is cut when it does not fit
    std::vector<ByteRange> searched;
    std::size_t hives;
  };
  const std::uint64_t at = 2 * kCluster;
  const std::vector<Case> cases = {
      {"WholeHive", at + hive.size(), {{0, at + hive.size()}}, 1},
      {"ImageEndsInsideTheLastBlock", at + hive.size() - 100, {{0, at + hive.size() - 100}}, 0},
      {"AClusterInsideIsAllocated",
       at + hive.size(),
       {{0, at + kCluster * 3}, {at + kCluster * 4, at + hive.size()}},
       0},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> image(c.imageSize, 0);
    Put(image, at, std::span(hive).first(std::min<std::size_t>(hive.size(), c.imageSize - at)));
    const MemorySource source(image);
    const CarveResult result = Carve(source, RangeSet(c.searched));
    EXPECT_EQ(result.hives.size(), c.hives) << c.name;
    for (const Fragment& f : result.fragments) {
      for (const LooseBlock& b : f.blocks)
        EXPECT_TRUE(RangeSet(c.searched).Covers(b.offset, b.offset + b.size)) << c.name;
      const FragmentContents contents = ReadFragment(source, f);
      EXPECT_TRUE(contents.unreadable.empty()) << c.name;
    }
  }
  // A header whose key-node block claims 2 GiB, and one whose block count runs on past the end.
  std::vector<std::uint8_t> image(64 * kCluster, 0);
  Put(image, kCluster, std::span(hive).first(4096));
  image[kCluster + 32 + 4] = 0xFF;
  image[kCluster + 32 + 5] = 0xFF;
  image[kCluster + 32 + 6] = 0xFF;
  image[kCluster + 32 + 7] = 0x7F;
  const CarveResult result = CarveAll(image);
  EXPECT_TRUE(result.hives.empty());
  EXPECT_TRUE(result.fragments.empty());
  ASSERT_EQ(result.notes.size(), 1u);
  EXPECT_NE(result.notes[0].find("runs past the end of the image"), std::string::npos) << result.notes[0];
}

// A deleted key in a fragment's free space is recovered, at its place in the image; one in a
// block that did not survive is not.
TEST(Carve, DeletedKeysInAFragmentAreRecoveredAtTheirPlaceInTheImage) {
  testkit::HiveBuilder b;
  const int root = b.AddKey(testkit::HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software");
  const int gone = b.AddKey(software, "Gone", {testkit::Text("Name", "deleted value")});
  const int middle = b.AddKey(software, "Middle", {testkit::Text("Name", "in the lost block")});
  const int lost = b.AddKey(software, "LostToo", {testkit::Text("Name", "also in the lost block")});
  const int last = b.AddKey(software, "Last", {testkit::Text("Name", "in the last block")});
  b.PlaceInBlock(middle, 1);
  b.PlaceInBlock(lost, 1);
  b.PlaceInBlock(last, 2);
  testkit::BuiltHive built = b.Build();
  testkit::DeleteKey(built, gone);
  testkit::DeleteKey(built, lost);
  std::vector<std::uint8_t> image(64 * kCluster, 0);
  const std::uint64_t at = 5 * kCluster;
  Put(image, at, built.bytes);
  // Block 1 overwritten with zeros: the chain breaks there, block 2 joins by its number.
  std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(at + static_cast<std::uint64_t>(built.block[1])),
              built.block[2] - built.block[1], 0);
  const CarveResult result = CarveAll(image);
  ASSERT_EQ(result.fragments.size(), 1u);
  EXPECT_EQ(result.fragments[0].missing, std::vector<std::string>{"data block 1 of 3"});
  const FragmentContents contents = ReadFragment(MemorySource(image), result.fragments[0]);
  std::vector<std::string> listed;
  for (const FragmentKey& k : contents.keys) listed.push_back(k.path);
  EXPECT_EQ(listed, (std::vector<std::string>{"Software", "Software\\Last"}));
  const CarvedRecovery recovered = RecoverInFragment(contents);
  ASSERT_EQ(recovered.keys.size(), 1u);
  EXPECT_EQ(recovered.keys[0].offset, at + static_cast<std::uint64_t>(built.keyRecord[gone]));
  EXPECT_EQ(recovered.keys[0].key->path, "Software\\Gone");
}

// A loose block whose records claim block 60000 is read where it lies, not behind 60,000
// stand-ins: its keys are listed by name, and the work stays that of its own bytes.
TEST(Carve, BlockNumbersBeyondAnyRealFileAskForNoStandIns) {
  testkit::HiveBuilder b;
  const int root = b.AddKey(testkit::HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  b.AddKey(root, "Software", {testkit::Dword("Count", 7)});
  testkit::BuiltHive built = b.Build();
  const std::int64_t record = built.block[0] + 32;
  built.PutU16(record + 6, 60000);  // the record's Blk#
  const std::vector<std::uint8_t> block(built.bytes.begin() + built.block[0], built.bytes.end());
  std::vector<std::uint8_t> image(16 * kCluster, 0);
  Put(image, 3 * kCluster + 7, block);
  const CarveResult result = CarveAll(image);
  ASSERT_EQ(result.fragments.size(), 1u);
  ASSERT_EQ(result.fragments[0].blocks.size(), 1u);
  EXPECT_EQ(result.fragments[0].blocks[0].number, 60000);
  const FragmentContents contents = ReadFragment(MemorySource(image), result.fragments[0]);
  EXPECT_LT(contents.image.size(), 2 * kCluster);
  ASSERT_EQ(contents.keys.size(), 1u);
  EXPECT_EQ(contents.keys[0].path, "Software");
  EXPECT_FALSE(contents.keys[0].pathKnown);
  EXPECT_EQ(contents.keys[0].block, 60000u);
}

// Planted headers with nothing behind them are noted, the first hundred one by one; none is a
// fragment (no key survives of them).
TEST(Carve, LoneFileHeadersAreNotedNotListed) {
  std::vector<std::uint8_t> image(150 * 512, 0);
  for (std::size_t s = 0; s < 150; ++s) std::copy_n("CREG", 4, image.begin() + static_cast<std::ptrdiff_t>(s * 512));
  const CarveResult result = CarveAll(image);
  EXPECT_TRUE(result.hives.empty());
  EXPECT_TRUE(result.fragments.empty());
  ASSERT_EQ(result.notes.size(), kMostLoneHeaderNotes + 1);
  EXPECT_EQ(result.notes[0],
            "file header (\"CREG\") at 0x00000000: key-node block: \"\\x00\\x00\\x00\\x00\" at "
            "0x00000020 where \"RGKN\" belongs; nothing else of its file was found");
  EXPECT_EQ(result.notes.back(), "50 more file headers with nothing else of their files found");
}

}  // namespace
}  // namespace quarvex::carve
