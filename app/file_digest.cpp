#include "app/file_digest.h"

#include <openssl/evp.h>

#include <cstdio>
#include <stdexcept>

namespace quarvex::cli {

namespace {

std::string Digest(std::span<const std::uint8_t> bytes, const EVP_MD* method) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), out, &length, method, nullptr) != 1)
    throw std::runtime_error("the digest could not be computed");
  std::string hex;
  char pair[3];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", out[i]);
    hex += pair;
  }
  return hex;
}

}  // namespace

FileDigests DigestsOf(std::span<const std::uint8_t> bytes) {
  return {Digest(bytes, EVP_sha256()), Digest(bytes, EVP_md5())};
}

}  // namespace quarvex::cli
