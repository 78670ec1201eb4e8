// On-disk records of a Windows 95/98/Me registry file (CREG).
//
// A file has three layers: the 32-byte CREG header at offset 0, the RGKN key-node block at
// offset 32 (its own header, then 28-byte key nodes and free areas), and wDBblks RGDB data
// blocks, the first at iRGDB1st, each followed directly by the next. All integers are
// little-endian; every record is decoded field by field from bytes, never by overlaying a
// struct, so neither the compiler's packing nor the host's byte order matters.
//
// Each record's fields, their offsets and widths are in its table in record_fields.h, which
// the decoders read through; the members here have the types the tables give. 32-bit offsets
// and sizes are signed (0xFFFFFFFF reads as -1, "none"); 16-bit numbers are unsigned (0xFFFF
// means "none").
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "hive/byte_cursor.h"
#include "hive/record_fields.h"

namespace quarvex::hive {

// The readers of a file take its records through the decoders or FieldAt and a value's data
// through a ByteCursor, which stay inside the bytes; no unchecked load is offered outside hive/.

using Signature = std::array<char, 4>;
inline constexpr Signature kCregSignature{'C', 'R', 'E', 'G'};
inline constexpr Signature kRgknSignature{'R', 'G', 'K', 'N'};
inline constexpr Signature kRgdbSignature{'R', 'G', 'D', 'B'};

// Offset links inside the key-node block are relative to its start, file offset 32.
inline constexpr std::int64_t kKeyNodeBlockStart = 32;
inline constexpr std::int32_t kNoOffset = -1;       // 0xFFFFFFFF in a 32-bit link
inline constexpr std::uint16_t kNoNumber = 0xFFFF;  // in a 16-bit block or record number

inline constexpr std::int64_t KeyNodeFileOffset(std::int32_t relative) { return kKeyNodeBlockStart + relative; }

// File header, 32 bytes at offset 0.
struct CregHeader {
  static constexpr std::size_t kSize = 32;
  Signature signature{};
  std::uint16_t wUnk1 = 0;
  std::uint16_t wUnk2 = 0;
  std::int32_t iRGDB1st = 0;  // absolute offset of the first data block
  std::uint32_t iUnk3 = 0;
  std::uint16_t wDBblks = 0;  // number of data blocks
  std::uint16_t wUnk5 = 0;
  std::uint16_t wUnk6 = 0;
  std::uint16_t wUnk7 = 0;
  std::uint32_t iUnk8 = 0;
  std::uint32_t iUnk9 = 0;
  static CregHeader Decode(Bytes b);
};

// Key-node block header, 32 bytes at file offset 32 (relative offset 0).
struct RgknHeader {
  static constexpr std::size_t kSize = 32;
  Signature signature{};
  std::int32_t iBlkSize = 0;    // whole block, header included
  std::int32_t iRec1stOfs = 0;  // relative offset of the root key node
  std::int32_t iERecOfs = 0;    // relative offset of the first free key node, -1 = none
  std::uint32_t iUnk1 = 0;
  std::uint32_t iUnk2 = 0;
  std::uint32_t iUnk3 = 0;
  std::uint32_t iUnk4 = 0;
  static RgknHeader Decode(Bytes b);
};

// One in-use key, 28 bytes at a relative offset in the key-node block.
struct KeyNode {
  static constexpr std::size_t kSize = 28;
  std::uint32_t Attr = 0;
  std::uint32_t Chksum = 0;  // checksum of the key's name
  std::uint32_t Unk1 = 0;
  std::int32_t UprOfs = 0;   // parent, -1 for the root
  std::int32_t LwrOfs = 0;   // first child, -1 when none
  std::int32_t NextOfs = 0;  // next sibling, -1 for the last child
  std::uint16_t RecNo = 0;   // Rec#: record number in the data block (stored first)
  std::uint16_t BlkNo = 0;   // Blk#: data block number
  bool HasDataRecord() const { return RecNo != kNoNumber && BlkNo != kNoNumber; }
  static KeyNode Decode(Bytes b);
};

// View of a free area in the key-node block, 12 bytes.
struct FreeKeyNode {
  static constexpr std::size_t kSize = 12;
  std::uint32_t Attr = 0;
  std::int32_t Size = 0;
  std::int32_t NextOfs = 0;  // relative offset of the next free area, -1 ends the list
  static FreeKeyNode Decode(Bytes b);
};

// Data block header, 32 bytes at the block's absolute offset.
struct RgdbHeader {
  static constexpr std::size_t kSize = 32;
  Signature signature{};
  std::int32_t iBlkSize = 0;  // whole block, header included; the next block follows
  std::uint32_t iRestSize = 0;
  std::uint32_t iUnk1 = 0;
  std::int32_t iERecOfs = 0;    // first free record, relative to the block, -1 = none
  std::uint16_t wMaxRecNo = 0;  // highest record number in the block
  std::uint16_t wRecNum = 0;
  std::uint32_t iUnk2 = 0;
  std::uint32_t iUnk3 = 0;
  static RgdbHeader Decode(Bytes b);
};

// Header of one data record, 20 bytes; the key name (KeyL bytes) and DatN values follow.
struct DataRecordHeader {
  static constexpr std::size_t kSize = 20;
  std::int32_t NextOfs = 0;  // distance to the next record of the block
  std::uint16_t RecNo = 0;   // Rec#, 0xFFFF: not in use
  std::uint16_t BlkNo = 0;   // Blk#
  std::int32_t RecSize = 0;  // bytes of the record in use
  std::uint16_t KeyL = 0;    // key name length
  std::uint16_t DatN = 0;    // number of values
  std::uint32_t iUnk1 = 0;
  static DataRecordHeader Decode(Bytes b);
};

// Header of one value, 12 bytes; the name (NL bytes) and the data (VL bytes) follow.
struct ValueEntry {
  static constexpr std::size_t kSize = 12;
  static constexpr std::uint16_t kText = 1;
  static constexpr std::uint16_t kDword = 4;
  std::uint16_t Atr = 0;  // value type
  std::uint16_t Un1 = 0;
  std::uint32_t Un2 = 0;
  std::uint16_t NL = 0;  // name length, 0 for the unnamed value
  std::uint16_t VL = 0;  // data length
  static ValueEntry Decode(Bytes b);
};

// View of a free record in a data block, 12 bytes at block start + a block-relative offset.
struct FreeDataRecord {
  static constexpr std::size_t kSize = 12;
  std::int32_t Size = 0;
  std::uint16_t RecNo = 0;  // 0xFFFF: the mark of a free record
  std::uint16_t BlkNo = 0;
  std::int32_t NextOfs = 0;  // block-relative offset of the next free record, -1 ends the list
  static FreeDataRecord Decode(Bytes b);
};

// Decodes the record at `at` of the image; bytes of it that lie outside the image (all of them
// when `at` does) read as zero.
template <typename Record>
Record DecodeAt(Bytes image, std::int64_t at) {
  std::array<std::uint8_t, Record::kSize> bytes{};
  const auto size = static_cast<std::int64_t>(image.size());
  if (at >= 0 && at < size) {
    const auto n = std::min<std::int64_t>(size - at, static_cast<std::int64_t>(Record::kSize));
    std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(at), n, bytes.begin());
  }
  return Record::Decode(Bytes(bytes));
}

// Writes a record's signature where its table places it (not when `record` is too short).
template <typename Field>
void StoreSignature(std::span<std::uint8_t> record, Field field, const Signature& signature) {
  const std::size_t at = FieldOffset(field);
  if (record.size() < at + signature.size()) return;
  std::copy(signature.begin(), signature.end(), record.begin() + static_cast<std::ptrdiff_t>(at));
}

// Every table lays out its record's bytes whole, each field after the previous one.
static_assert(FieldsCover(kCregHeaderFields, CregHeader::kSize));
static_assert(FieldsCover(kRgknHeaderFields, RgknHeader::kSize));
static_assert(FieldsCover(kKeyNodeFields, KeyNode::kSize));
static_assert(FieldsCover(kFreeKeyNodeFields, FreeKeyNode::kSize));
static_assert(FieldsCover(kRgdbHeaderFields, RgdbHeader::kSize));
static_assert(FieldsCover(kDataRecordFields, DataRecordHeader::kSize));
static_assert(FieldsCover(kValueFields, ValueEntry::kSize));
static_assert(FieldsCover(kFreeDataRecordFields, FreeDataRecord::kSize));

}  // namespace quarvex::hive
