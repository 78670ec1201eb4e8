// The SHA-256 and MD5 of the bytes of a file read, as examiners record them beside every finding
// (and as sha256sum and md5sum print them): lowercase hex. Computed by OpenSSL's libcrypto, on
// Windows by the system's bcrypt.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quarvex::session {

struct FileDigests {
  std::string sha256;  // 64 hex digits
  std::string md5;     // 32 hex digits
};

FileDigests DigestsOf(std::span<const std::uint8_t> bytes);

struct SizedDigests {
  std::uint64_t size = 0;
  FileDigests digests;
};
// Of a file on disk read in pieces (a disk image may be larger than the memory); nullopt with
// the reason in error when it cannot be read.
std::optional<SizedDigests> DigestsOfFile(const std::string& path, std::string& error);

}  // namespace quarvex::session
