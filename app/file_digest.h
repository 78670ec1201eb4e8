// The SHA-256 and MD5 of the bytes of a file read, as examiners record them beside every finding
// (and as sha256sum and md5sum print them): lowercase hex. Computed by OpenSSL's libcrypto, on
// Windows by the system's bcrypt.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quarvex::cli {

struct FileDigests {
  std::string sha256;  // 64 hex digits
  std::string md5;     // 32 hex digits
};

FileDigests DigestsOf(std::span<const std::uint8_t> bytes);

}  // namespace quarvex::cli
