// The image, the record readers, the block chain and the record lookups, with the codes
// each one sets when the bytes are not there or not what they should be.
#include <gtest/gtest.h>

#include "hive/hive_state.h"
#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

Hive Loaded(const std::vector<std::uint8_t>& bytes) {
  Hive hive;
  hive.hiveImage = HiveImage(bytes);
  return hive;
}

// Reading n bytes at p copies what lies inside the image, nothing outside it.
TEST(HiveImage, ReadCopiesOnlyWhatLiesInside) {
  struct Case {
    std::int64_t offset;
    std::size_t asked;
    std::size_t copied;
  };
  const Case cases[] = {{0, 4, 4}, {6, 4, 4}, {8, 4, 2}, {10, 4, 0}, {-1, 4, 0}, {-4, 8, 0}, {INT64_MAX, 4, 0}};
  HiveImage image(Bytes("0123456789"));
  for (const Case& c : cases) {
    std::vector<std::uint8_t> out(c.asked, 0xEE);
    EXPECT_EQ(image.ReadAt(c.offset, out), c.copied) << "offset " << c.offset;
    for (std::size_t i = c.copied; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << "byte past the copy changed";
  }
  std::vector<std::uint8_t> two(2);
  image.ReadAt(3, two);
  EXPECT_EQ(image.Position(), 5);
  EXPECT_EQ(std::string(two.begin(), two.end()), "34");
}

// Rec# comes before Blk# in a key node: read as one little-endian number at offset 24 the
// pair 0x00030012 names record 0x12 of block 3.
TEST(RecordFormat, KeyNodeFieldsAreLittleEndianFieldByField) {
  std::vector<std::uint8_t> raw = {1,    0,    0,    0, 0x34, 0x12, 0,    0, 2, 0, 0,    0,    0xFF, 0xFF,
                                   0xFF, 0xFF, 0x40, 0, 0,    0,    0x5C, 0, 0, 0, 0x12, 0x00, 0x03, 0x00};
  const KeyNode node = KeyNode::Decode(raw);
  EXPECT_EQ(node.Attr, 1u);
  EXPECT_EQ(node.Chksum, 0x1234u);
  EXPECT_EQ(node.UprOfs, -1);
  EXPECT_EQ(node.LwrOfs, 0x40);
  EXPECT_EQ(node.NextOfs, 0x5C);
  EXPECT_EQ(node.RecNo, 0x12);
  EXPECT_EQ(node.BlkNo, 3);
  EXPECT_TRUE(node.HasDataRecord());
  raw[26] = raw[27] = 0xFF;
  EXPECT_FALSE(KeyNode::Decode(raw).HasDataRecord());
}

struct HeaderCase {
  const char* name;
  std::string bytes;
  std::int32_t code;
};

// The file header and the data block chain: the codes of ReadHiveHeader and BuildBlockTable.
TEST(HiveHeader, CodesForShortOrWrongHeaders) {
  BuiltHive good = [] {
    HiveBuilder b;
    b.AddKey(HiveBuilder::kRootParent, "root");
    return b.Build();
  }();
  std::string noRgdb = good.AsString();
  noRgdb.replace(static_cast<std::size_t>(good.block[0]), 4, "RGDX");
  const HeaderCase cases[] = {
      {"TenByteFile", std::string(10, 'C'), code::kHiveHeaderShort},
      {"EmptyFile", "", code::kHiveHeaderShort},
      {"LowerCaseSignature", HeaderOnlyFile("creg", 32, 0), code::kHiveSignature},
      {"HeaderNamingBlockBeyondEnd", HeaderOnlyFile("CREG", 0x1000, 1), code::kBlockHeaderShort},
      {"BlockWithoutRgdb", noRgdb, code::kBlockSignature},
      {"NoBlocks", HeaderOnlyFile("CREG", 0x1000, 0), code::kOk},
      {"Sound", good.AsString(), code::kOk},
  };
  for (const HeaderCase& c : cases) {
    Hive hive = Loaded(Bytes(c.bytes));
    if (hive.ReadHiveHeader()) hive.BuildBlockTable();
    EXPECT_EQ(hive.errorCode, c.code) << c.name;
    if (c.code != code::kOk) {
      EXPECT_EQ(hive.blockTableCount, 0) << c.name;
    }
  }
}

// iRGDB1st 0x1000, two blocks, the first 0x1000 long: the blocks start at 0x1000 and 0x2000.
TEST(BlockTable, EachBlockStartsWhereThePreviousEnds) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "root");
  const int child = b.AddKey(root, "child");
  b.PlaceInBlock(child, 1);
  b.SetDataBlockStart(0x1000);
  b.AddFreeRecord(0, 0x1000 - 32 - 24);  // root's record is 24 bytes: block 0 is 0x1000 long
  BuiltHive built = b.Build();
  ASSERT_EQ(built.block[0], 0x1000);
  ASSERT_EQ(built.block[1], 0x2000);
  Hive hive = Loaded(built.bytes);
  ASSERT_TRUE(hive.ReadHiveHeader());
  ASSERT_TRUE(hive.BuildBlockTable());
  EXPECT_EQ(hive.blockTableCount, 2);
  EXPECT_EQ(hive.DataBlockOffset(0).value, 0x1000);
  EXPECT_EQ(hive.DataBlockOffset(1).value, 0x2000);
  EXPECT_EQ(hive.errorCode, code::kOk);
  EXPECT_EQ(hive.DataBlockOffset(2).value, 0);  // block number wDBblks
  EXPECT_EQ(hive.errorCode, code::kNoSuchBlock);
}

TEST(BlockTable, NoTableMeansNoBlock) {
  Hive hive = Loaded(Bytes(HeaderOnlyFile("CREG", 0x1000, 3)));
  hive.ReadHiveHeader();
  EXPECT_EQ(hive.DataBlockOffset(0).value, 0);
  EXPECT_EQ(hive.errorCode, code::kNoSuchBlock);
}

// Each reader's code when its record runs past the end of the image; key-node offsets are
// relative to the key-node block at file offset 32.
TEST(Readers, ShortReadsSetTheirOwnCodes) {
  HiveBuilder b;
  b.AddKey(HiveBuilder::kRootParent, "root");
  b.AddFreeKeyNode(16);
  BuiltHive built = b.Build();
  const auto size = static_cast<std::int32_t>(built.bytes.size());
  struct Case {
    const char* name;
    std::function<bool(Hive&)> read;
    std::int32_t code;
  };
  const Case cases[] = {
      {"KeyNodeInside",
       [](Hive& h) {
         KeyNode n;
         return h.ReadKeyNode(KeyNodeOffset(32), n);
       },
       code::kOk},
      {"KeyNodePastEnd",
       [&](Hive& h) {
         KeyNode n;
         return h.ReadKeyNode(KeyNodeOffset(size - 32 - 27), n);
       },
       code::kKeyNodeShort},
      {"KeyNodeBeforeFile",
       [](Hive& h) {
         KeyNode n;
         return h.ReadKeyNode(KeyNodeOffset(-33), n);
       },
       code::kKeyNodeShort},
      {"FreeKeyNodePastEnd",
       [&](Hive& h) {
         FreeKeyNode n;
         return h.ReadFreeKeyNode(KeyNodeOffset(size - 32 - 11), n);
       },
       code::kFreeKeyNodeShort},
      {"FreeDataRecordPastEnd",
       [&](Hive& h) {
         FreeDataRecord f;
         return h.ReadFreeDataRecord(FileOffset(size - 11), 0, f);
       },
       code::kFreeRecordShort},
      {"FreeDataRecordInside",
       [&](Hive& h) {
         FreeDataRecord f;
         return h.ReadFreeDataRecord(FileOffset(size - 12), 0, f);
       },
       code::kOk},
  };
  for (const Case& c : cases) {
    Hive hive = Loaded(built.bytes);
    EXPECT_EQ(c.read(hive), c.code == code::kOk) << c.name;
    EXPECT_EQ(hive.errorCode, c.code) << c.name;
  }
}

TEST(Readers, KernelHeaderCodes) {
  BuiltHive built = [] {
    HiveBuilder b;
    b.AddKey(HiveBuilder::kRootParent, "root");
    return b.Build();
  }();
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::int32_t code;
  };
  std::vector<std::uint8_t> wrong = built.bytes;
  wrong[35] = 'n';
  const Case cases[] = {{"Sound", built.bytes, code::kOk},
                        {"CutInsideHeader", {built.bytes.begin(), built.bytes.begin() + 63}, code::kKernelHeaderShort},
                        {"LowerCaseLetter", wrong, code::kKernelSignature}};
  for (const Case& c : cases) {
    Hive hive = Loaded(c.bytes);
    RgknHeader header;
    hive.ReadKernelHeader(header);
    EXPECT_EQ(hive.errorCode, c.code) << c.name;
  }
}

// A free key node at relative offset 0x40 lies at file offset 0x60.
TEST(Readers, KeyNodeOffsetsAreRelativeToTheBlock) {
  std::vector<std::uint8_t> bytes(0x60 + 12, 0);
  BuiltHive h;
  h.bytes = bytes;
  h.PutU32(0x60 + 4, 0x1234);
  h.PutU32(0x60 + 8, 0xFFFFFFFF);
  Hive hive = Loaded(h.bytes);
  FreeKeyNode node;
  ASSERT_TRUE(hive.ReadFreeKeyNode(KeyNodeOffset(0x40), node));
  EXPECT_EQ(node.Size, 0x1234);
  EXPECT_EQ(node.NextOfs, -1);
}

// FindDataRecord: 11 while nothing is indexed, 12 for a record that is not there, also for
// a block number beyond the table.
TEST(FindDataRecord, CodesForMissingRecords) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "root");
  BuiltHive built = b.Build();
  auto run = RunJob(built, [] {
    AnalysisOptions o = AnalysisOptions::Initial();
    o.Set(Option::Analyse, false);
    return o;
  }());
  Hive& hive = run->result.hive;
  ASSERT_EQ(hive.errorCode, code::kOk);
  EXPECT_EQ(hive.FindDataRecord(0, built.keyRecordNo[root]).value, built.keyRecord[root]);
  struct Case {
    std::uint16_t block, record;
  };
  for (Case c : {Case{0, 1}, Case{1, 0}, Case{0xFFFF, 0}, Case{0, 0xFFFE}}) {
    hive.errorCode = code::kOk;
    EXPECT_EQ(hive.FindDataRecord(c.block, c.record).value, 0);
    EXPECT_EQ(hive.errorCode, code::kNoSuchRecord) << c.block << "/" << c.record;
  }
  Hive empty;
  EXPECT_EQ(empty.FindDataRecord(0, 0).value, 0);
  EXPECT_EQ(empty.errorCode, code::kIndexEmpty);
}

}  // namespace
}  // namespace quarvex::testing
