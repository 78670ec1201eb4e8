// Little-endian writes into a hive's bytes, growing them as needed: how the hive builder lays
// out its records and the deletion helpers (hive_deletion.cpp) write new ones into free space.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "testkit/hive_builder.h"

namespace quarvex::testkit {

class Writer {
 public:
  std::vector<std::uint8_t>& bytes;
  void U16(std::int64_t at, std::uint16_t v) {
    Grow(at + 2);
    bytes[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(v & 0xFF);
    bytes[static_cast<std::size_t>(at) + 1] = static_cast<std::uint8_t>(v >> 8);
  }
  void U32(std::int64_t at, std::uint32_t v) {
    U16(at, static_cast<std::uint16_t>(v & 0xFFFF));
    U16(at + 2, static_cast<std::uint16_t>(v >> 16));
  }
  void I32(std::int64_t at, std::int32_t v) { U32(at, static_cast<std::uint32_t>(v)); }
  void Raw(std::int64_t at, const std::string& s) {
    Grow(at + static_cast<std::int64_t>(s.size()));
    std::copy(s.begin(), s.end(), bytes.begin() + at);
  }
  void Grow(std::int64_t size) {
    if (static_cast<std::size_t>(size) > bytes.size()) bytes.resize(static_cast<std::size_t>(size), 0);
  }
};

// A data record at `at` as Windows writes one: its 20-byte header (the record's size with any
// slack, its record and block numbers, the size in use, the name's length and the number of
// values), the key's name, then each value's 12-byte entry followed by its name and data.
void WriteDataRecord(Writer& w, std::int64_t at, std::int32_t size, std::uint16_t recNo, std::uint16_t block,
                     std::int32_t used, const std::string& name, const std::vector<Value>& values);

}  // namespace quarvex::testkit
