// One bounds-checked way to read little-endian fields out of untrusted bytes.
//
// A ByteCursor walks a span of bytes field by field and keeps two things together: where it
// stands and the first read that did not fit. After a failed read it stays where the failure
// happened and every later read yields zero, so a reader decodes a whole record and checks
// once at the end, and the error still says which offset and how many bytes were wanted.
// `offset + length` is never computed before it is known not to overflow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quarvex::hive {

using Bytes = std::span<const std::uint8_t>;

// Why a read failed: `wanted` bytes at `offset`, of which only `available` lay inside.
struct CursorError {
  std::uint64_t offset = 0;
  std::uint64_t wanted = 0;
  std::uint64_t available = 0;
};

class ByteCursor {
 public:
  // `base` is the absolute offset of data[0], so that errors and Offset() name file offsets.
  explicit ByteCursor(Bytes data, std::uint64_t start = 0, std::uint64_t base = 0)
      : data_(data), position_(start), base_(base) {}

  std::uint8_t U8() { return static_cast<std::uint8_t>(Little(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Little(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Little(4)); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  // The next n bytes, or an empty span (and the error) when they do not all lie inside.
  Bytes Take(std::uint64_t n) {
    if (!Fits(n)) return {};
    const Bytes taken = data_.subspan(static_cast<std::size_t>(position_), static_cast<std::size_t>(n));
    position_ += n;
    return taken;
  }
  void Skip(std::uint64_t n) { Take(n); }
  // Moves to a position relative to the start of the data; a seek never fails by itself.
  void Seek(std::uint64_t position) {
    if (!error_) position_ = position;
  }

  bool Ok() const { return !error_.has_value(); }
  explicit operator bool() const { return Ok(); }
  const std::optional<CursorError>& Error() const { return error_; }
  // The absolute offset the cursor stands at (where it failed, after a failure).
  std::uint64_t Offset() const { return base_ + position_; }
  std::uint64_t Position() const { return position_; }
  std::uint64_t Remaining() const { return position_ < data_.size() ? data_.size() - position_ : 0; }

 private:
  bool Fits(std::uint64_t n) {
    if (error_) return false;
    if (position_ <= data_.size() && n <= data_.size() - position_) return true;
    error_ = CursorError{base_ + position_, n, Remaining()};
    return false;
  }
  std::uint64_t Little(std::size_t n) {
    const Bytes b = Take(n);
    std::uint64_t value = 0;
    for (std::size_t i = b.size(); i-- > 0;) value = (value << 8) | b[i];
    return value;
  }

  Bytes data_;
  std::uint64_t position_ = 0;
  std::uint64_t base_ = 0;
  std::optional<CursorError> error_;
};

}  // namespace quarvex::hive
