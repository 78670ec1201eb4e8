// A byte pattern, as an examiner types a signature: hexadecimal bytes with ?? for any byte,
// "4D 5A ?? 00" or "4d5a??00". Matched against a value's raw data with the shift-and method:
// each byte of the data is looked at once, whatever the pattern and its wildcards, so no
// pattern or data can make the search slower than linear.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hive/byte_cursor.h"

namespace quarvex::browse {

class BytePattern {
 public:
  static constexpr std::size_t kMaxBytes = 256;

  // nullopt and a reason naming the fault ("'G' at character 4 is not a hexadecimal digit",
  // "an odd number of hexadecimal digits", "only wildcards", more than kMaxBytes bytes).
  static std::optional<BytePattern> Parse(std::string_view text, std::string& error);

  // The first offset at or after `from` where the pattern matches; nullopt when none does.
  std::optional<std::size_t> Find(hive::Bytes data, std::size_t from = 0) const;
  std::size_t Size() const { return size_; }

 private:
  static constexpr std::size_t kWords = kMaxBytes / 64;
  using Bits = std::array<std::uint64_t, kWords>;

  BytePattern() = default;
  std::size_t size_ = 0;
  std::size_t words_ = 0;
  // For each byte value, bit i set when the pattern's byte i is that byte or a wildcard.
  std::vector<Bits> masks_ = std::vector<Bits>(256);
};

}  // namespace quarvex::browse
