#include "hive/hive_image.h"

#include <sys/stat.h>

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "hive/error_codes.h"

namespace quarvex {

std::size_t HiveImage::ReadAt(std::int64_t offset, std::span<std::uint8_t> destination) {
  Bytes inside = Slice(offset, destination.size());
  std::copy(inside.begin(), inside.end(), destination.begin());
  if (!inside.empty()) position_ = offset + static_cast<std::int64_t>(inside.size());
  return inside.size();
}

Bytes HiveImage::Slice(std::int64_t offset, std::size_t count) const {
  if (offset < 0 || static_cast<std::uint64_t>(offset) >= bytes_.size()) return {};
  const std::size_t start = static_cast<std::size_t>(offset);
  const std::size_t available = bytes_.size() - start;
  return Bytes(bytes_).subspan(start, count < available ? count : available);
}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

void Fail(std::int32_t& errorCode, std::string* reason, const std::string& why) {
  errorCode = code::kLoadFailed;
  if (reason) *reason = why;
}

std::string SystemReason(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

void LoadHiveImage(const std::string& path, HiveImage& image, std::int32_t& errorCode,
                   std::string* reason) {
  // Read-only, and never created: "rb" opens an existing file for reading and lets others
  // read and write it meanwhile.
  std::FILE* raw = std::fopen(path.c_str(), "rb");
  if (!raw) return Fail(errorCode, reason, SystemReason("cannot open"));
  std::unique_ptr<std::FILE, FileCloser> file(raw);

  image.Clear();
  struct stat info {};
  if (fstat(fileno(file.get()), &info) != 0) return Fail(errorCode, reason, SystemReason("cannot size"));
  if (!S_ISREG(info.st_mode)) return Fail(errorCode, reason, "not a regular file");
  // Offsets in the format are signed 32-bit: nothing past 2 GiB can be addressed.
  if (info.st_size > std::numeric_limits<std::int32_t>::max())
    return Fail(errorCode, reason, "larger than 2 GiB, beyond what the format can address");

  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
  if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
    return Fail(errorCode, reason, SystemReason("cannot read"));
  if (std::fclose(file.release()) != 0) return Fail(errorCode, reason, SystemReason("cannot close"));
  image = HiveImage(std::move(bytes));
}

}  // namespace quarvex
