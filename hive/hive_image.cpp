#include "hive/hive_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>

#include "hive/error_codes.h"

namespace quarvex::hive {

namespace {

// A big hive is read in tree order, which jumps about the whole file: on 4 KiB pages each
// jump is a miss of the processor's page table cache, and each page a fault when first
// read into. Where the system gives large pages on request (Linux: transparent huge pages in
// "madvise" mode), the buffer asks for them before anything is written to it.
void AskForLargePages([[maybe_unused]] std::uint8_t* start, [[maybe_unused]] std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kLargePage = 2u << 20;
  const auto from = (reinterpret_cast<std::uintptr_t>(start) + kLargePage - 1) & ~(kLargePage - 1);
  const auto to = (reinterpret_cast<std::uintptr_t>(start) + size) & ~(kLargePage - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);  // a hint: failure is harmless
#endif
}

}  // namespace

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

void Fail(std::int32_t& errorCode, std::string* reason, const std::string& why) {
  errorCode = code::kLoadFailed;
  if (reason) *reason = why;
}

std::string SystemReason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// The file, opened read-only; closed on every way out.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path) {
#if defined(_WIN32)
    fd_ = ::_open(path.c_str(), _O_RDONLY | _O_BINARY);
#else
    // Non-blocking, so that a named pipe or a device named by mistake cannot hang the open;
    // anything but a regular file is refused right after it.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
#endif
  }
  ~ReadOnlyFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_ = -1;
};

// The file's status, with a 64-bit size on every platform (MinGW's plain stat has 32 bits).
#if defined(_WIN32)
using FileStatus = struct _stat64;
int StatusOf(int fd, FileStatus& status) { return ::_fstat64(fd, &status); }
#else
using FileStatus = struct stat;
int StatusOf(int fd, FileStatus& status) { return ::fstat(fd, &status); }
#endif

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeRegularFile(const std::string& path, std::string& reason,
                                                              bool* opened) {
  if (opened) *opened = false;
  auto fail = [&reason](std::string why) -> std::optional<std::vector<std::uint8_t>> {
    reason = std::move(why);
    return std::nullopt;
  };
  // Read-only and never created; others may go on reading and writing the file meanwhile.
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return fail(SystemReason("cannot open"));
  if (opened) *opened = true;
  FileStatus info{};
  if (StatusOf(file.Descriptor(), info) != 0) return fail(SystemReason("cannot size"));
  if (!S_ISREG(info.st_mode)) return fail("not a regular file");
  // Offsets in the format are signed 32-bit: nothing past 2 GiB can be addressed.
  if (info.st_size > std::numeric_limits<std::int32_t>::max())
    return fail("larger than 2 GiB, beyond what the format can address");

  std::vector<std::uint8_t> bytes;
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  AskForLargePages(bytes.data(), bytes.capacity());
  bytes.resize(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto got = ::read(file.Descriptor(), bytes.data() + done,
                            static_cast<unsigned>(std::min<std::size_t>(bytes.size() - done, 1u << 30)));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return fail(got == 0 ? "the file became shorter while read" : SystemReason("cannot read"));
    done += static_cast<std::size_t>(got);
  }
  if (!file.Close()) return fail(SystemReason("cannot close"));
  return bytes;
}

void LoadHiveImage(const std::string& path, HiveImage& image, std::int32_t& errorCode, std::string* reason) {
  std::string why;
  bool opened = false;
  std::optional<std::vector<std::uint8_t>> bytes = ReadWholeRegularFile(path, why, &opened);
  if (!bytes) {
    // A file that cannot be opened leaves the previous image in place; any later failure
    // leaves it empty.
    if (opened) image.Clear();
    return Fail(errorCode, reason, why);
  }
  image = HiveImage(std::move(*bytes));
}

}  // namespace quarvex::hive
