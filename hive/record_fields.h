// The field tables of the file's records, in the order each record stores its fields.
//
// Names are the ones the structure report prints and the findings give (RecNo and BlkNo are
// the columns "Rec#" and "Blk#" of the listings). 32-bit offsets and sizes are signed; the
// other numbers are unsigned. format.h checks that each table fills its record's size exactly.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "hive/field_table.h"

namespace quarvex::hive {

// File header.
enum class CregHeaderField : std::uint8_t {
  signature,
  wUnk1,
  wUnk2,
  iRGDB1st,
  iUnk3,
  wDBblks,
  wUnk5,
  wUnk6,
  wUnk7,
  iUnk8,
  iUnk9
};
inline constexpr std::array<FieldLayout, 11> kCregHeaderFields{{
    {"signature", 0, 4},
    {"wUnk1", 4, 2},
    {"wUnk2", 6, 2},
    {"iRGDB1st", 8, 4, true},
    {"iUnk3", 12, 4},
    {"wDBblks", 16, 2},
    {"wUnk5", 18, 2},
    {"wUnk6", 20, 2},
    {"wUnk7", 22, 2},
    {"iUnk8", 24, 4},
    {"iUnk9", 28, 4},
}};
constexpr std::span<const FieldLayout> FieldsOf(CregHeaderField) { return kCregHeaderFields; }

// Key-node block header.
enum class RgknHeaderField : std::uint8_t { signature, iBlkSize, iRec1stOfs, iERecOfs, iUnk1, iUnk2, iUnk3, iUnk4 };
inline constexpr std::array<FieldLayout, 8> kRgknHeaderFields{{
    {"signature", 0, 4},
    {"iBlkSize", 4, 4, true},
    {"iRec1stOfs", 8, 4, true},
    {"iERecOfs", 12, 4, true},
    {"iUnk1", 16, 4},
    {"iUnk2", 20, 4},
    {"iUnk3", 24, 4},
    {"iUnk4", 28, 4},
}};
constexpr std::span<const FieldLayout> FieldsOf(RgknHeaderField) { return kRgknHeaderFields; }

// Key node in use.
enum class KeyNodeField : std::uint8_t { Attr, Chksum, Unk1, UprOfs, LwrOfs, NextOfs, RecNo, BlkNo };
inline constexpr std::array<FieldLayout, 8> kKeyNodeFields{{
    {"Attr", 0, 4},
    {"Chksum", 4, 4},
    {"Unk1", 8, 4},
    {"UprOfs", 12, 4, true},
    {"LwrOfs", 16, 4, true},
    {"NextOfs", 20, 4, true},
    {"RecNo", 24, 2},
    {"BlkNo", 26, 2},
}};
constexpr std::span<const FieldLayout> FieldsOf(KeyNodeField) { return kKeyNodeFields; }

// Free area of the key-node block.
enum class FreeKeyNodeField : std::uint8_t { Attr, Size, NextOfs };
inline constexpr std::array<FieldLayout, 3> kFreeKeyNodeFields{{
    {"Attr", 0, 4},
    {"Size", 4, 4, true},
    {"NextOfs", 8, 4, true},
}};
constexpr std::span<const FieldLayout> FieldsOf(FreeKeyNodeField) { return kFreeKeyNodeFields; }

// Data block header.
enum class RgdbHeaderField : std::uint8_t {
  signature,
  iBlkSize,
  iRestSize,
  iUnk1,
  iERecOfs,
  wMaxRecNo,
  wRecNum,
  iUnk2,
  iUnk3
};
inline constexpr std::array<FieldLayout, 9> kRgdbHeaderFields{{
    {"signature", 0, 4},
    {"iBlkSize", 4, 4, true},
    {"iRestSize", 8, 4},
    {"iUnk1", 12, 4},
    {"iERecOfs", 16, 4, true},
    {"wMaxRecNo", 20, 2},
    {"wRecNum", 22, 2},
    {"iUnk2", 24, 4},
    {"iUnk3", 28, 4},
}};
constexpr std::span<const FieldLayout> FieldsOf(RgdbHeaderField) { return kRgdbHeaderFields; }

// Data record header.
enum class DataRecordField : std::uint8_t { NextOfs, RecNo, BlkNo, RecSize, KeyL, DatN, iUnk1 };
inline constexpr std::array<FieldLayout, 7> kDataRecordFields{{
    {"NextOfs", 0, 4, true},
    {"RecNo", 4, 2},
    {"BlkNo", 6, 2},
    {"RecSize", 8, 4, true},
    {"KeyL", 12, 2},
    {"DatN", 14, 2},
    {"iUnk1", 16, 4},
}};
constexpr std::span<const FieldLayout> FieldsOf(DataRecordField) { return kDataRecordFields; }

// Value entry.
enum class ValueField : std::uint8_t { Atr, Un1, Un2, NL, VL };
inline constexpr std::array<FieldLayout, 5> kValueFields{{
    {"Atr", 0, 2},
    {"Un1", 2, 2},
    {"Un2", 4, 4},
    {"NL", 8, 2},
    {"VL", 10, 2},
}};
constexpr std::span<const FieldLayout> FieldsOf(ValueField) { return kValueFields; }

// Free record of a data block: the record header's first 8 bytes (its size in place of NextOfs,
// RecNo 0xFFFF), then the link to the next free record where an in-use record has RecSize.
enum class FreeDataRecordField : std::uint8_t { Size, RecNo, BlkNo, NextOfs };
inline constexpr std::array<FieldLayout, 4> kFreeDataRecordFields{{
    {"Size", 0, 4, true},
    {"RecNo", 4, 2},
    {"BlkNo", 6, 2},
    {"NextOfs", 8, 4, true},
}};
constexpr std::span<const FieldLayout> FieldsOf(FreeDataRecordField) { return kFreeDataRecordFields; }
}  // namespace quarvex::hive
