#include "session/hive_bytes.h"

#include <filesystem>
#include <iostream>
#include <limits>
#include <system_error>

#if defined(_WIN32)
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#endif

#include "hive/hive_image.h"
#include "image/hive_source.h"

namespace quarvex::session {

namespace {

struct StandardInput {
  std::istream* stream = &std::cin;
  std::optional<std::vector<std::uint8_t>> bytes;  // once read
  std::string error;                               // why it could not be
  bool read = false;
};

StandardInput& Stdin() {
  static StandardInput in;
  return in;
}

// Standard input to its end, bounded as a file is: past 2 GiB the format cannot address it.
void ReadStandardInput(StandardInput& in) {
  in.read = true;
#if defined(_WIN32)
  if (in.stream == &std::cin) _setmode(_fileno(stdin), _O_BINARY);
#endif
  constexpr std::size_t kLimit = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
  std::vector<std::uint8_t> bytes;
  std::vector<char> chunk(1 << 16);
  while (*in.stream) {
    in.stream->read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const auto got = static_cast<std::size_t>(in.stream->gcount());
    if (bytes.size() + got > kLimit) {
      in.error = "standard input: larger than 2 GiB, beyond what the format can address";
      return;
    }
    bytes.insert(bytes.end(), chunk.data(), chunk.data() + got);
  }
  if (in.stream->bad()) {
    in.error = "standard input: cannot read";
    return;
  }
  in.bytes = std::move(bytes);
}

std::optional<std::vector<std::uint8_t>> ReadDiskHive(const std::string& path, std::string& error) {
  std::error_code ec;
  const std::filesystem::path p(path);
  if (std::filesystem::is_directory(p, ec)) {
    error = "is a directory";
    return std::nullopt;
  }
  if (!std::filesystem::exists(p, ec)) {
    error = "no such file";
    return std::nullopt;
  }
  // The one loader every hive goes through: read-only, regular files only, never blocking.
  return hive::ReadWholeRegularFile(path, error);
}

}  // namespace

void UseStandardInput(std::istream& in) { Stdin() = StandardInput{&in, std::nullopt, {}, false}; }

std::optional<std::vector<std::uint8_t>> ReadHiveBytes(const HiveAddress& address, std::string& error) {
  if (address.IsStandardInput()) {
    StandardInput& in = Stdin();
    if (!in.read) ReadStandardInput(in);
    if (!in.bytes) error = in.error;
    return in.bytes;
  }
  if (!address.InContainer()) return ReadDiskHive(address.Text(), error);
  return image::ReadAddressedFile(address.Container(), error);
}

}  // namespace quarvex::session
