#include "app/file_digest.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>
#else
#include <openssl/evp.h>
#endif

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace quarvex::cli {

namespace {

std::string Hex(const unsigned char* digest, std::size_t length) {
  std::string hex;
  char pair[3];
  for (std::size_t i = 0; i < length; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", digest[i]);
    hex += pair;
  }
  return hex;
}

#ifdef _WIN32
// Windows ships both digests in its Cryptography API: Next Generation (bcrypt.dll), so the
// zip's program needs no library beside it.
std::string Digest(std::span<const std::uint8_t> bytes, LPCWSTR algorithm) {
  BCRYPT_ALG_HANDLE provider = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::vector<unsigned char> digest;
  bool ok = BCryptOpenAlgorithmProvider(&provider, algorithm, nullptr, 0) >= 0;
  DWORD length = 0;
  ULONG got = 0;
  ok = ok && BCryptGetProperty(provider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length), sizeof length, &got, 0) >= 0;
  ok = ok && BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0) >= 0;
  // BCryptHashData takes a 32-bit length: the bytes go in pieces.
  for (std::size_t at = 0; ok && at < bytes.size();) {
    const std::size_t piece = std::min<std::size_t>(bytes.size() - at, 1u << 30);
    ok = BCryptHashData(hash, const_cast<PUCHAR>(bytes.data() + at), static_cast<ULONG>(piece), 0) >= 0;
    at += piece;
  }
  if (ok) {
    digest.resize(length);
    ok = BCryptFinishHash(hash, digest.data(), length, 0) >= 0;
  }
  if (hash) BCryptDestroyHash(hash);
  if (provider) BCryptCloseAlgorithmProvider(provider, 0);
  if (!ok) throw std::runtime_error("the digest could not be computed");
  return Hex(digest.data(), digest.size());
}
#else
std::string Digest(std::span<const std::uint8_t> bytes, const EVP_MD* method) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), out, &length, method, nullptr) != 1)
    throw std::runtime_error("the digest could not be computed");
  return Hex(out, length);
}
#endif

}  // namespace

FileDigests DigestsOf(std::span<const std::uint8_t> bytes) {
#ifdef _WIN32
  return {Digest(bytes, BCRYPT_SHA256_ALGORITHM), Digest(bytes, BCRYPT_MD5_ALGORITHM)};
#else
  return {Digest(bytes, EVP_sha256()), Digest(bytes, EVP_md5())};
#endif
}

}  // namespace quarvex::cli
