// The records' field tables: their checks, the decoders that read through them, and the checked
// reads (FieldAt, DecodeAt) that stay inside the image.
#include <gtest/gtest.h>

#include <limits>
#include <set>

#include "hive/format.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

using hive::FieldLayout;

TEST(FieldTables, ChecksFindGapsOverlapsAndOverruns) {
  struct Case {
    const char* what;
    std::vector<FieldLayout> fields;
    std::size_t size;
    bool fit, cover;
  };
  const std::vector<Case> cases = {
      {"two fields filling 8 bytes", {{"a", 0, 4}, {"b", 4, 4}}, 8, true, true},
      {"a gap between fields", {{"a", 0, 4}, {"b", 6, 2}}, 8, true, false},
      {"bytes left at the end", {{"a", 0, 4}}, 8, true, false},
      {"a gap at the start", {{"a", 2, 2}, {"b", 4, 4}}, 8, true, false},
      {"overlapping fields", {{"a", 0, 4}, {"b", 2, 4}}, 8, false, false},
      {"a field past the record's end", {{"a", 0, 4}, {"b", 4, 4}}, 6, false, false},
      {"fields out of order", {{"b", 4, 4}, {"a", 0, 4}}, 8, false, false},
      {"a field of no bytes", {{"a", 0, 4}, {"z", 4, 0}, {"b", 4, 4}}, 8, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hive::FieldsFit(c.fields, c.size), c.fit) << c.what;
    EXPECT_EQ(hive::FieldsCover(c.fields, c.size), c.cover) << c.what;
  }
}

TEST(FieldTables, EachRecordIsFilledByFieldsOfDistinctNames) {
  struct Table {
    const char* record;
    std::span<const FieldLayout> fields;
    std::size_t size;
  };
  const std::vector<Table> tables = {
      {"CREG", hive::kCregHeaderFields, hive::CregHeader::kSize},
      {"RGKN", hive::kRgknHeaderFields, hive::RgknHeader::kSize},
      {"key node", hive::kKeyNodeFields, hive::KeyNode::kSize},
      {"free key node", hive::kFreeKeyNodeFields, hive::FreeKeyNode::kSize},
      {"RGDB", hive::kRgdbHeaderFields, hive::RgdbHeader::kSize},
      {"data record", hive::kDataRecordFields, hive::DataRecordHeader::kSize},
      {"value", hive::kValueFields, hive::ValueEntry::kSize},
      {"free data record", hive::kFreeDataRecordFields, hive::FreeDataRecord::kSize},
  };
  for (const Table& t : tables) {
    EXPECT_TRUE(hive::FieldsCover(t.fields, t.size)) << t.record;
    // A finding names its field: two fields of one record must not share a name.
    std::set<std::string_view> names;
    for (const FieldLayout& f : t.fields) {
      EXPECT_FALSE(f.name.empty()) << t.record;
      EXPECT_TRUE(names.insert(f.name).second) << t.record << ": " << f.name;
      EXPECT_TRUE(f.width == 2 || f.width == 4) << t.record << ": " << f.name;
      EXPECT_FALSE(f.isSigned && f.width != 4) << t.record << ": " << f.name;
    }
  }
}

// Bytes 1, 2, 3 ...: every field of a record decoded from them shows where it was read.
std::vector<std::uint8_t> Counting(std::size_t n) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i + 1);
  return bytes;
}

TEST(RecordDecoders, ReadEachFieldWhereItsTableSays) {
  const std::vector<std::uint8_t> bytes = Counting(32);
  const hive::KeyNode n = hive::KeyNode::Decode(bytes);
  EXPECT_EQ(n.Attr, 0x04030201u);
  EXPECT_EQ(n.UprOfs, 0x100F0E0D);
  EXPECT_EQ(n.NextOfs, 0x18171615);
  EXPECT_EQ(n.RecNo, 0x1A19);  // stored before Blk#
  EXPECT_EQ(n.BlkNo, 0x1C1B);

  const hive::DataRecordHeader r = hive::DataRecordHeader::Decode(bytes);
  EXPECT_EQ(r.NextOfs, 0x04030201);
  EXPECT_EQ(r.RecNo, 0x0605);
  EXPECT_EQ(r.BlkNo, 0x0807);
  EXPECT_EQ(r.RecSize, 0x0C0B0A09);
  EXPECT_EQ(r.KeyL, 0x0E0D);
  EXPECT_EQ(r.DatN, 0x100F);
  EXPECT_EQ(r.iUnk1, 0x14131211u);

  // A free record: its size where an in-use record has NextOfs, the link where it has RecSize.
  const hive::FreeDataRecord f = hive::FreeDataRecord::Decode(bytes);
  EXPECT_EQ(f.Size, 0x04030201);
  EXPECT_EQ(f.RecNo, 0x0605);
  EXPECT_EQ(f.BlkNo, 0x0807);
  EXPECT_EQ(f.NextOfs, 0x0C0B0A09);

  const hive::RgdbHeader h = hive::RgdbHeader::Decode(bytes);
  EXPECT_EQ(std::string(h.signature.begin(), h.signature.end()), "\x01\x02\x03\x04");
  EXPECT_EQ(h.iERecOfs, 0x14131211);
  EXPECT_EQ(h.wMaxRecNo, 0x1615);
  EXPECT_EQ(h.wRecNum, 0x1817);
}

TEST(FieldAt, ReadsOnlyFieldsWhollyInsideTheImage) {
  // 20 bytes: one data record header, KeyL (bytes 12-13) 0x0E0D.
  const std::vector<std::uint8_t> image = Counting(20);
  constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();
  struct Case {
    std::int64_t at;
    std::optional<std::uint16_t> keyL;
  };
  const std::vector<Case> cases = {
      {0, 0x0E0D},               // the header at the start
      {6, 0x1413},               // the field ends at the image's last byte
      {7, std::nullopt},         // one byte of it past the end
      {19, std::nullopt},        // the record starts inside, the field lies past the end
      {20, std::nullopt},        // the record starts at the end
      {-1, std::nullopt},        // before the image
      {kLargest, std::nullopt},  // at + offset must not wrap around
  };
  for (const Case& c : cases) EXPECT_EQ(hive::FieldAt<hive::DataRecordField::KeyL>(image, c.at), c.keyL) << c.at;

  // Signed fields read 0xFFFFFFFF as -1.
  const std::vector<std::uint8_t> none(12, 0xFF);
  EXPECT_EQ(hive::FieldAt<hive::FreeDataRecordField::NextOfs>(none, 0), -1);
  EXPECT_EQ(hive::FieldAt<hive::FreeDataRecordField::RecNo>(none, 0), hive::kNoNumber);
}

TEST(StoreField, WritesWhereTheDecoderReadsAndNeverPastTheRecord) {
  std::vector<std::uint8_t> bytes(hive::KeyNode::kSize, 0);
  hive::StoreField<hive::KeyNodeField::UprOfs>(bytes, hive::kNoOffset);
  hive::StoreField<hive::KeyNodeField::NextOfs>(bytes, 0x12345678);
  hive::StoreField<hive::KeyNodeField::BlkNo>(bytes, 0xBEEF);
  const hive::KeyNode n = hive::KeyNode::Decode(bytes);
  EXPECT_EQ(n.UprOfs, -1);
  EXPECT_EQ(n.NextOfs, 0x12345678);
  EXPECT_EQ(n.BlkNo, 0xBEEF);
  EXPECT_EQ(n.RecNo, 0);  // the bytes beside a field stay as they were
  EXPECT_EQ(n.LwrOfs, 0);

  // A record cut short takes no field that would end past it.
  std::vector<std::uint8_t> cut(26, 0xAA);
  hive::StoreField<hive::KeyNodeField::BlkNo>(cut, 0);  // bytes 26-27
  hive::StoreField<hive::KeyNodeField::RecNo>(cut, 0);  // bytes 24-25
  std::vector<std::uint8_t> expected(24, 0xAA);
  expected.insert(expected.end(), {0, 0});
  EXPECT_EQ(cut, expected);
  std::vector<std::uint8_t> header(6, 0);
  hive::StoreSignature(header, hive::RgdbHeaderField::signature, hive::kRgdbSignature);
  EXPECT_EQ(std::string(header.begin(), header.begin() + 4), "RGDB");
  std::vector<std::uint8_t> tiny(3, 0);
  hive::StoreSignature(tiny, hive::RgdbHeaderField::signature, hive::kRgdbSignature);
  EXPECT_EQ(tiny, std::vector<std::uint8_t>(3, 0));
}

TEST(DecodeAt, BytesOutsideTheImageReadAsZero) {
  const std::vector<std::uint8_t> image = Counting(40);
  // A key node whose last 8 bytes lie past the end: Rec# and Blk# read as 0, NextOfs in part.
  const hive::KeyNode cut = hive::DecodeAt<hive::KeyNode>(image, 20);
  EXPECT_EQ(cut.Attr, 0x18171615u);
  EXPECT_EQ(cut.NextOfs, 0);
  EXPECT_EQ(cut.RecNo, 0);
  EXPECT_EQ(cut.BlkNo, 0);
  const hive::KeyNode partly = hive::DecodeAt<hive::KeyNode>(image, 18);
  EXPECT_EQ(partly.NextOfs, 0x00002827);  // two bytes inside, two past the end
  for (const std::int64_t at : {std::int64_t{-4}, std::int64_t{40}, std::int64_t{1000}}) {
    const hive::KeyNode outside = hive::DecodeAt<hive::KeyNode>(image, at);
    EXPECT_EQ(outside.Attr, 0u) << at;
    EXPECT_EQ(outside.UprOfs, 0) << at;
  }
}

}  // namespace
}  // namespace quarvex::testing
