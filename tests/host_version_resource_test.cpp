// The version resource reader: the block encoder against literal bytes, value look-up in both
// forms, the PE and NE resource walks, and damaged files and blocks (no crash, no read outside
// the bytes, "nothing" rather than a wrong answer).
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "host/version_resource.h"
#include "testkit/host_fixtures.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

using Block = std::vector<std::uint8_t>;

Block FromString(const std::string& s) { return Block(s.begin(), s.end()); }

std::optional<std::string> Query(const Block& block, std::string_view path) {
  const auto value = QueryVersionBlock(block, path);
  if (!value) return std::nullopt;
  return value->data;
}

// Where the node with this key starts (the key follows the node's header).
std::size_t NodeOf(const Block& block, const std::string& key, VersionBlockForm form) {
  std::string pattern;
  for (char c : key) {
    pattern += c;
    if (form == VersionBlockForm::Wide) pattern += '\0';
  }
  const std::string text(block.begin(), block.end());
  const std::size_t at = text.find(pattern);
  EXPECT_NE(at, std::string::npos) << key;
  return at - (form == VersionBlockForm::Wide ? 6 : 4);
}

void Put16(Block& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

TEST(VersionResource, EncoderWritesTheSixteenBitForm) {
  const Block leaf = EncodeVersionNode({"A", true, "1", {}}, VersionBlockForm::Narrow);
  EXPECT_EQ(leaf, FromString(std::string("\x0A\0\x02\0A\0\0\0"
                                         "1\0",
                                         10)));
  const Block parent = EncodeVersionNode({"P", false, "", {{"C", false, "xy", {}}}}, VersionBlockForm::Narrow);
  EXPECT_EQ(parent, FromString(std::string("\x12\0\0\0P\0\0\0"
                                           "\x0A\0\x02\0"
                                           "C\0\0\0xy",
                                           18)));
}

TEST(VersionResource, EncoderWritesTheThirtyTwoBitForm) {
  const Block leaf = EncodeVersionNode({"A", true, "1", {}}, VersionBlockForm::Wide);
  EXPECT_EQ(leaf, FromString(std::string("\x10\0\x02\0\x01\0"
                                         "A\0\0\0"
                                         "\0\0"
                                         "1\0\0\0",
                                         16)));
}

TEST(VersionResource, ProgramBlockHoldsOneJapaneseTranslationAndItsFileVersion) {
  const Block block = EncodeVersionBlock(0x0411, 0x03A4, "1.2.3");
  EXPECT_EQ(Query(block, "\\VarFileInfo\\Translation"), std::string("\x11\x04\xA4\x03", 4));
  EXPECT_EQ(Query(block, "\\StringFileInfo\\041103A4\\FileVersion"), std::string("1.2.3\0", 6));
  const auto fixed = Query(block, "\\");
  ASSERT_TRUE(fixed);
  ASSERT_EQ(fixed->size(), 52u);
  EXPECT_EQ(fixed->substr(0, 4), Le32(0xFEEF04BD));
  EXPECT_EQ(fixed->substr(8, 8), Le32(0x00010002) + Le32(0x00030000));
  EXPECT_TRUE(QueryVersionBlock(block, "\\StringFileInfo\\041103A4\\FileVersion")->text);
  EXPECT_FALSE(QueryVersionBlock(block, "\\VarFileInfo\\Translation")->text);
}

TEST(VersionResource, KeysMatchWhateverTheirLetterCase) {
  const Block block = EncodeVersionBlock(0x0411, 0x03A4, "1.2.3");
  EXPECT_EQ(Query(block, "\\stringfileinfo\\041103a4\\FILEVERSION"), std::string("1.2.3\0", 6));
}

TEST(VersionResource, MissingKeysGiveNothing) {
  const Block block = EncodeVersionBlock(0x0411, 0x03A4, "1.2.3");
  EXPECT_FALSE(Query(block, "\\StringFileInfo\\040904E4\\FileVersion"));
  EXPECT_FALSE(Query(block, "\\StringFileInfo\\041103A4\\ProductVersion"));
  EXPECT_FALSE(Query(block, "\\NoSuchInfo"));
}

TEST(VersionResource, SixteenBitTextIsTheFilesOwnBytes) {
  const Block block = VersionBlockFor(VersionBlockForm::Narrow, 0x0409, 0x04E4, {{"FileVersion", "4.10.1998"}});
  const auto value = QueryVersionBlock(block, "\\StringFileInfo\\040904E4\\FileVersion");
  ASSERT_TRUE(value);
  EXPECT_TRUE(value->text);
  EXPECT_TRUE(value->eightBit);
  EXPECT_EQ(value->data, std::string("4.10.1998\0", 10));
  EXPECT_EQ(Query(block, "\\VarFileInfo\\Translation"), std::string("\x09\x04\xE4\x04", 4));
}

TEST(VersionResource, ThirtyTwoBitTextComesOutAsUtf8) {
  Block block = VersionBlockFor(VersionBlockForm::Wide, 0x0409, 0x04B0, {{"FileVersion", "1.x"}});
  const std::string text(block.begin(), block.end());
  const std::size_t x = text.find(std::string("x\0", 2), NodeOf(block, "FileVersion", VersionBlockForm::Wide) + 20);
  Put16(block, x, 0x00E9);  // é
  EXPECT_EQ(Query(block, "\\StringFileInfo\\040904B0\\FileVersion"), std::string("1.\xC3\xA9\0", 5));
}

TEST(VersionResource, Utf16SurrogatesPairedAndUnpaired) {
  EXPECT_EQ(Utf16ToUtf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800}) + u"a"),
            "\xEF\xBF\xBD"
            "a");
}

Block SampleBlock() { return EncodeVersionBlock(0x0411, 0x03A4, "4.80.1675"); }

TEST(VersionResource, FoundInPeFiles) {
  for (bool pe32plus : {false, true}) {
    const ExecutableFixture pe = BuildPeFixture(SampleBlock(), pe32plus);
    EXPECT_EQ(FindPeVersionBlock(pe.bytes), SampleBlock()) << pe32plus;
    EXPECT_EQ(FindVersionBlock(pe.bytes), SampleBlock()) << pe32plus;
    EXPECT_FALSE(FindNeVersionBlock(pe.bytes));
  }
}

TEST(VersionResource, FoundInNeFilesAfterOtherResourceTypes) {
  const Block block = VersionBlockFor(VersionBlockForm::Narrow, 0x0409, 0x04E4, {{"FileVersion", "4.10.1998"}});
  const ExecutableFixture ne = BuildNeFixture(block);
  EXPECT_EQ(FindNeVersionBlock(ne.bytes), block);
  EXPECT_EQ(FindVersionBlock(ne.bytes), block);
  EXPECT_FALSE(FindPeVersionBlock(ne.bytes));
}

struct DamagedFile {
  const char* defect;
  std::function<void(ExecutableFixture&)> damage;
};

void ExpectNoBlock(const ExecutableFixture& intact, const std::vector<DamagedFile>& cases) {
  for (const DamagedFile& c : cases) {
    ExecutableFixture f = intact;
    c.damage(f);
    EXPECT_FALSE(FindVersionBlock(f.bytes)) << c.defect;
  }
}

TEST(VersionResource, DamagedPeFilesHaveNoBlock) {
  const ExecutableFixture pe = BuildPeFixture(SampleBlock());
  const std::size_t dirCount = pe.optionalHeader + 92;
  const std::size_t root = pe.resources;
  ExpectNoBlock(
      pe,
      {
          {"NotMz", [](ExecutableFixture& f) { f.bytes[0] = 'X'; }},
          {"NewHeaderOffsetPastEnd", [](ExecutableFixture& f) { f.Put32(0x3C, 0xFFFFFFF0u); }},
          {"NoPeSignature", [](ExecutableFixture& f) { f.bytes[f.newHeader + 1] = 'X'; }},
          {"OptionalHeaderMagicUnknown", [](ExecutableFixture& f) { f.Put16(f.optionalHeader, 0x107); }},
          {"TwoDataDirectoriesOnly", [=](ExecutableFixture& f) { f.Put32(dirCount, 2); }},
          {"NoResourceDirectory", [=](ExecutableFixture& f) { f.Put32(dirCount + 20, 0); }},
          {"ResourcesInNoSection", [=](ExecutableFixture& f) { f.Put32(dirCount + 20, 0x9000); }},
          {"SectionTablePastEnd", [](ExecutableFixture& f) { f.Put16(f.newHeader + 6, 0xFFFF); }},
          {"SectionRawDataPastEnd", [](ExecutableFixture& f) { f.Put32(f.sectionTable + 20, 0x7FFFFFF0); }},
          {"NoVersionTypeAndEntryCountPastEnd",
           [=](ExecutableFixture& f) {
             f.Put32(root + 16, 3);
             f.Put16(root + 12, 0xFFFF);
             f.Put16(root + 14, 0xFFFF);
           }},
          {"VersionTypeIsNotADirectory", [=](ExecutableFixture& f) { f.Put32(root + 20, 0x18); }},
          {"NameDirectoryPastEnd", [=](ExecutableFixture& f) { f.Put32(root + 20, 0x80000000u | 0x7FFFFFF0u); }},
          {"LanguageEntryIsADirectory", [=](ExecutableFixture& f) { f.Put32(root + 0x30 + 20, 0x80000000u | 0x48); }},
          {"DataSizePastEnd", [](ExecutableFixture& f) { f.Put32(f.dataEntry + 4, 0xFFFFFFFFu); }},
          {"DataBeforeEverySection", [](ExecutableFixture& f) { f.Put32(f.dataEntry, 0x10); }},
          {"DataInMemoryOnly",
           [](ExecutableFixture& f) {
             f.Put32(f.sectionTable + 8, 0x100000);  // a large virtual size, zero-filled past the raw data
             f.Put32(f.dataEntry, 0x1000 + 0x80000);
           }},
      });
}

TEST(VersionResource, DamagedNeFilesHaveNoBlock) {
  const ExecutableFixture ne =
      BuildNeFixture(VersionBlockFor(VersionBlockForm::Narrow, 0x0409, 0x04E4, {{"FileVersion", "4.10.1998"}}));
  const std::size_t table = ne.resources;
  ExpectNoBlock(ne,
                {
                    {"NotMz", [](ExecutableFixture& f) { f.bytes[1] = 'X'; }},
                    {"NoNeSignature", [](ExecutableFixture& f) { f.bytes[f.newHeader] = 'X'; }},
                    {"ResourceTableEmpty", [](ExecutableFixture& f) { f.Put16(f.newHeader + 0x26, 0x40); }},
                    {"ResidentNamesBeforeResources", [](ExecutableFixture& f) { f.Put16(f.newHeader + 0x26, 0x10); }},
                    {"ResourceTablePastEnd", [](ExecutableFixture& f) { f.Put16(f.newHeader + 0x26, 0xFFFF); }},
                    {"AlignmentShiftHuge", [=](ExecutableFixture& f) { f.Put16(table, 40); }},
                    {"NoVersionType", [](ExecutableFixture& f) { f.Put16(f.dataEntry - 8, 0x8006); }},
                    {"TypeCountRunsPastTable", [=](ExecutableFixture& f) { f.Put16(table + 4, 0xFFFF); }},
                    {"TypeListWithoutEnd",
                     [=](ExecutableFixture& f) {
                       f.Put16(f.dataEntry - 8, 0x8006);
                       f.Put16(table + 2 + 8 + 24 + 8 + 12, 0x8007);
                     }},
                    {"ResourceOffsetPastEnd", [](ExecutableFixture& f) { f.Put16(f.dataEntry, 0xFFFF); }},
                    {"ResourceLengthPastEnd", [](ExecutableFixture& f) { f.Put16(f.dataEntry + 2, 0xFFFF); }},
                });
}

// Every prefix of a good file: either the whole block or nothing, and never a read past the
// prefix (the copy is exactly as long as the prefix, so the sanitizer would see one).
TEST(VersionResource, EveryTruncationOfPeAndNeFiles) {
  const Block narrow = VersionBlockFor(VersionBlockForm::Narrow, 0x0409, 0x04E4, {{"FileVersion", "4.10.1998"}});
  for (const ExecutableFixture& f :
       {BuildPeFixture(SampleBlock()), BuildPeFixture(SampleBlock(), true), BuildNeFixture(narrow)}) {
    const auto whole = FindVersionBlock(f.bytes);
    ASSERT_TRUE(whole);
    for (std::size_t n = 0; n < f.bytes.size(); ++n) {
      const Block cut(f.bytes.begin(), f.bytes.begin() + static_cast<std::ptrdiff_t>(n));
      const auto found = FindVersionBlock(cut);
      if (found) {
        EXPECT_EQ(*found, *whole) << n;
      }
      if (n < f.block + f.blockSize) {
        EXPECT_FALSE(found) << n;
      }
    }
  }
}

struct DamagedBlock {
  const char* defect;
  std::function<void(Block&)> damage;
  std::optional<std::string> fileVersion;  // what the look-up still finds
};

TEST(VersionResource, DamagedBlocksAnswerWithinTheirBytes) {
  const VersionBlockForm wide = VersionBlockForm::Wide;
  const Block intact = SampleBlock();
  const std::size_t strings = NodeOf(intact, "StringFileInfo", wide);
  const std::size_t version = NodeOf(intact, "FileVersion", wide);
  const std::string path = "\\StringFileInfo\\041103A4\\FileVersion";
  const std::vector<DamagedBlock> cases = {
      {"Empty", [](Block& b) { b.clear(); }, std::nullopt},
      {"RootLengthZero", [](Block& b) { Put16(b, 0, 0); }, std::nullopt},
      {"RootLengthBelowItsHeader", [](Block& b) { Put16(b, 0, 5); }, std::nullopt},
      {"CutInsideTheRootKey", [](Block& b) { b.resize(12); }, std::nullopt},
      {"CutInsideTheFileVersion", [=](Block& b) { b.resize(version + 10); }, std::nullopt},
      {"ChildLengthZero", [=](Block& b) { Put16(b, strings, 0); }, std::nullopt},
      {"ChildLongerThanItsParent", [=](Block& b) { Put16(b, strings, 0xFFFF); }, std::string("4.80.1675\0", 10)},
      {"ValueLengthPastItsNode", [=](Block& b) { Put16(b, version + 2, 0xFFFF); }, std::string("4.80.1675\0", 10)},
      {"KeyWithoutTerminator",
       [=](Block& b) {
         for (std::size_t i = version + 6; i < b.size(); ++i)
           if (b[i] == 0) b[i] = 'x';
       },
       std::nullopt},
  };
  for (const DamagedBlock& c : cases) {
    Block b = intact;
    c.damage(b);
    b.shrink_to_fit();
    EXPECT_EQ(Query(b, path), c.fileVersion) << c.defect;
  }
}

TEST(VersionResource, TranslationShorterThanOneEntryIsReturnedAsStored) {
  Block b = SampleBlock();
  Put16(b, NodeOf(b, "Translation", VersionBlockForm::Wide) + 2, 2);
  EXPECT_EQ(Query(b, "\\VarFileInfo\\Translation"), std::string("\x11\x04", 2));
}

// Random bytes over a block of either form: every look-up ends, inside the block.
TEST(VersionResource, RandomlyDamagedBlocksNeverReadOutside) {
  std::mt19937 random(7);
  const Block blocks[] = {SampleBlock(),
                          VersionBlockFor(VersionBlockForm::Narrow, 0x0409, 0x04E4, {{"FileVersion", "4.10.1998"}})};
  for (const Block& intact : blocks) {
    for (int round = 0; round < 3000; ++round) {
      Block b = intact;
      for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
        b[random() % b.size()] = static_cast<std::uint8_t>(random());
      if (random() % 3 == 0) b.resize(random() % b.size());
      b.shrink_to_fit();
      QueryVersionBlock(b, "\\VarFileInfo\\Translation");
      QueryVersionBlock(b, "\\StringFileInfo\\041103A4\\FileVersion");
      QueryVersionBlock(b, "\\StringFileInfo\\040904E4\\FileVersion");
    }
  }
}

}  // namespace
}  // namespace quarvex::testing
