// Where a carver reads from: a disk image through The Sleuth Kit, a raw device or file, or
// bytes in memory (the tests, the fuzz target). Reads are by absolute offset and never leave
// the source: a read that would is refused as a whole.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quarvex::carve {

// The bytes [begin, end) of a source.
struct ByteRange {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  std::uint64_t Size() const { return end > begin ? end - begin : 0; }
  friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Fills `into` with the bytes at `at`; false (and nothing promised about `into`) when any of
  // them lies past the end or cannot be read.
  virtual bool Read(std::uint64_t at, std::span<std::uint8_t> into) const = 0;
};

// A source over bytes in memory, which must outlive it.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool Read(std::uint64_t at, std::span<std::uint8_t> into) const override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// A set of byte ranges kept sorted and merged: the parts of a source a carver may scan and
// read (the unallocated clusters, or everything but the files the file system names).
class RangeSet {
 public:
  RangeSet() = default;
  explicit RangeSet(std::vector<ByteRange> ranges);
  // Every range of `a` with the bytes of `b` taken out.
  static RangeSet Without(const RangeSet& a, const RangeSet& b);
  const std::vector<ByteRange>& Ranges() const { return ranges_; }
  // Whether [begin, end) lies wholly inside the set.
  bool Covers(std::uint64_t begin, std::uint64_t end) const;
  // The end of the range holding `at` (at itself when none does).
  std::uint64_t EndOfRangeAt(std::uint64_t at) const;
  std::uint64_t TotalSize() const;

 private:
  std::vector<ByteRange> ranges_;
};

}  // namespace quarvex::carve
