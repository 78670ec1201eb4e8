// The cabinet reader of the image module: libmspack reading from and extracting to memory.
#include "image/cabinet_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <mspack.h>

namespace quarvex::image {

namespace {

// libmspack opens its files by name through an mspack_system; ours hands it these instead of
// names. Each starts with a NUL-terminated tag, so whatever the library does with the "name"
// it reads a short string.
struct MemoryName {
  char tag[8] = "memory";
  const std::vector<std::uint8_t>* source = nullptr;  // reading
  std::vector<std::uint8_t>* sink = nullptr;          // writing
  std::size_t largest = 0;                            // the sink's limit
};

struct MemoryFile {
  const MemoryName* name;
  std::size_t position = 0;
  bool overflow = false;
};

mspack_file* Open(mspack_system*, const char* filename, int mode) {
  const auto* name = reinterpret_cast<const MemoryName*>(filename);
  if (mode == MSPACK_SYS_OPEN_READ && !name->source) return nullptr;
  if (mode == MSPACK_SYS_OPEN_WRITE && !name->sink) return nullptr;
  if (mode != MSPACK_SYS_OPEN_READ && mode != MSPACK_SYS_OPEN_WRITE) return nullptr;
  return reinterpret_cast<mspack_file*>(new MemoryFile{name});
}

void Close(mspack_file* file) { delete reinterpret_cast<MemoryFile*>(file); }

int Read(mspack_file* handle, void* buffer, int bytes) {
  auto* file = reinterpret_cast<MemoryFile*>(handle);
  if (!file->name->source || bytes < 0) return -1;
  const std::vector<std::uint8_t>& source = *file->name->source;
  const std::size_t available = file->position < source.size() ? source.size() - file->position : 0;
  const std::size_t count = std::min(available, static_cast<std::size_t>(bytes));
  if (count > 0) std::memcpy(buffer, source.data() + file->position, count);
  file->position += count;
  return static_cast<int>(count);
}

int Write(mspack_file* handle, void* buffer, int bytes) {
  auto* file = reinterpret_cast<MemoryFile*>(handle);
  if (!file->name->sink || bytes < 0) return -1;
  std::vector<std::uint8_t>& sink = *file->name->sink;
  if (sink.size() + static_cast<std::size_t>(bytes) > file->name->largest) {
    file->overflow = true;
    return -1;
  }
  const auto* from = static_cast<const std::uint8_t*>(buffer);
  sink.insert(sink.end(), from, from + bytes);
  return bytes;
}

int Seek(mspack_file* handle, off_t offset, int mode) {
  auto* file = reinterpret_cast<MemoryFile*>(handle);
  if (!file->name->source) return -1;
  const off_t size = static_cast<off_t>(file->name->source->size());
  off_t target = offset;
  if (mode == MSPACK_SYS_SEEK_CUR)
    target = static_cast<off_t>(file->position) + offset;
  else if (mode == MSPACK_SYS_SEEK_END)
    target = size + offset;
  else if (mode != MSPACK_SYS_SEEK_START)
    return -1;
  if (target < 0 || target > size) return -1;
  file->position = static_cast<std::size_t>(target);
  return 0;
}

off_t Tell(mspack_file* handle) { return static_cast<off_t>(reinterpret_cast<MemoryFile*>(handle)->position); }

// libmspack's warnings about odd cabinets; the error code tells us what matters.
void Message(mspack_file*, const char*, ...) {}

void* Alloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void Free(void* pointer) { std::free(pointer); }
void Copy(void* source, void* destination, size_t bytes) { std::memmove(destination, source, bytes); }

mspack_system MemorySystem() {
  mspack_system system{};
  system.open = Open;
  system.close = Close;
  system.read = Read;
  system.write = Write;
  system.seek = Seek;
  system.tell = Tell;
  system.message = Message;
  system.alloc = Alloc;
  system.free = Free;
  system.copy = Copy;
  system.null_ptr = nullptr;
  return system;
}

std::string ErrorText(int code) {
  switch (code) {
    case MSPACK_ERR_OPEN:
      return "cannot be opened";
    case MSPACK_ERR_READ:
      return "read past its end (truncated)";
    case MSPACK_ERR_WRITE:
      return "a member larger than allowed";
    case MSPACK_ERR_SEEK:
      return "an offset outside the cabinet";
    case MSPACK_ERR_NOMEMORY:
      return "out of memory";
    case MSPACK_ERR_SIGNATURE:
      return "no cabinet signature 'MSCF' at offset 0";
    case MSPACK_ERR_DATAFORMAT:
      return "a damaged header or folder table";
    case MSPACK_ERR_CHECKSUM:
      return "a data block's checksum does not match";
    case MSPACK_ERR_CRUNCH:
      return "compressed data that cannot be read";
    case MSPACK_ERR_DECRUNCH:
      return "compressed data that does not decompress";
    default:
      return "error " + std::to_string(code);
  }
}

// One open cabinet, closed with its decompressor.
class OpenCabinet {
 public:
  explicit OpenCabinet(const std::vector<std::uint8_t>& bytes) : system_(MemorySystem()) {
    name_.source = &bytes;
    decompressor_ = mspack_create_cab_decompressor(&system_);
    if (decompressor_) cabinet_ = decompressor_->open(decompressor_, reinterpret_cast<const char*>(&name_));
  }
  ~OpenCabinet() {
    if (cabinet_) decompressor_->close(decompressor_, cabinet_);
    if (decompressor_) mspack_destroy_cab_decompressor(decompressor_);
  }
  OpenCabinet(const OpenCabinet&) = delete;
  OpenCabinet& operator=(const OpenCabinet&) = delete;

  mscabd_cabinet* cabinet() const { return cabinet_; }
  mscab_decompressor* decompressor() const { return decompressor_; }
  std::string Failure() const {
    if (!decompressor_) return "the cabinet reader could not be made";
    return "not a readable cabinet: " + ErrorText(decompressor_->last_error(decompressor_));
  }

 private:
  mspack_system system_;
  MemoryName name_;
  mscab_decompressor* decompressor_ = nullptr;
  mscabd_cabinet* cabinet_ = nullptr;
};

bool SameMemberName(std::string a, std::string b) {
  for (std::string* s : {&a, &b})
    for (char& c : *s) c = c == '/' ? '\\' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return a == b;
}

// Members are counted, so that a damaged file list that loops cannot hold us.
constexpr std::size_t kMostMembers = 65535;

}  // namespace

std::optional<std::vector<CabinetMember>> ListCabinetWithMspack(const std::vector<std::uint8_t>& bytes,
                                                                std::string& error) {
  const OpenCabinet open(bytes);
  if (!open.cabinet()) {
    error = open.Failure();
    return std::nullopt;
  }
  std::vector<CabinetMember> members;
  for (const mscabd_file* file = open.cabinet()->files; file && members.size() < kMostMembers; file = file->next)
    members.push_back({file->filename ? file->filename : "", file->length, file->date_y, file->date_m, file->date_d,
                       file->time_h, file->time_m, file->time_s});
  return members;
}

std::optional<std::vector<std::uint8_t>> ExtractCabinetMemberWithMspack(const std::vector<std::uint8_t>& bytes,
                                                                        const std::string& member, std::string& error,
                                                                        std::uint32_t largest) {
  const OpenCabinet open(bytes);
  if (!open.cabinet()) {
    error = open.Failure();
    return std::nullopt;
  }
  std::size_t seen = 0;
  for (mscabd_file* file = open.cabinet()->files; file && seen < kMostMembers; file = file->next, ++seen) {
    if (!file->filename || !SameMemberName(file->filename, member)) continue;
    if (file->length > largest) {
      error = "member " + member + " claims " + std::to_string(file->length) + " bytes, more than the " +
              std::to_string(largest) + " a registry file may have";
      return std::nullopt;
    }
    std::vector<std::uint8_t> out;
    out.reserve(file->length);
    MemoryName sink;
    sink.sink = &out;
    sink.largest = file->length;
    const int code = open.decompressor()->extract(open.decompressor(), file, reinterpret_cast<const char*>(&sink));
    if (code != MSPACK_ERR_OK) {
      error = "member " + member + " cannot be extracted: " + ErrorText(code);
      return std::nullopt;
    }
    if (out.size() != file->length) {
      error = "member " + member + " gave " + std::to_string(out.size()) + " bytes of the " +
              std::to_string(file->length) + " its entry claims";
      return std::nullopt;
    }
    return out;
  }
  error = "no member " + member + " in the cabinet";
  return std::nullopt;
}

}  // namespace quarvex::image
