// The analysed file in memory: one byte buffer with one shared read position.
//
// Every reader of the format goes through ReadAt, which never reads outside the buffer:
// asking for n bytes at offset p copies min(n, size - p) bytes when 0 <= p < size and none
// otherwise. A read that copies fewer bytes than asked is a "short read", which each reader
// turns into its own status code.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hive/format.h"

namespace quarvex::hive {

class HiveImage {
 public:
  HiveImage() = default;
  explicit HiveImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  std::size_t Size() const { return bytes_.size(); }
  Bytes View() const { return bytes_; }
  std::int64_t Position() const { return position_; }

  // Copies what lies inside the image and returns how many bytes that was; the read
  // position then stands behind the last byte copied.
  std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> destination);
  bool ReadFull(std::int64_t offset, std::span<std::uint8_t> destination) {
    return ReadAt(offset, destination) == destination.size();
  }

  // The bytes inside the image from offset, at most count of them (empty outside it).
  Bytes Slice(std::int64_t offset, std::size_t count) const;

  void Clear() {
    bytes_.clear();
    bytes_.shrink_to_fit();
    position_ = 0;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t position_ = 0;
};

// The whole of a regular file, read-only and opened without blocking (a named pipe or a device
// named by mistake cannot hang the read); nothing, with the reason, otherwise. `opened` says
// whether the file could be opened at all.
std::optional<std::vector<std::uint8_t>> ReadWholeRegularFile(const std::string& path, std::string& reason,
                                                              bool* opened = nullptr);

// Reads the whole file, read-only, into image. A file that cannot be opened leaves the
// previous image in place; one that opens but cannot be sized or read leaves it empty.
// Sets errorCode to code::kLoadFailed and fills reason on failure.
void LoadHiveImage(const std::string& path, HiveImage& image, std::int32_t& errorCode, std::string* reason = nullptr);

}  // namespace quarvex::hive
