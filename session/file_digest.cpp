#include "session/file_digest.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>
#elif defined(__EMSCRIPTEN__)
#include <md5.h>
#include <sha2.h>
#else
#include <openssl/evp.h>
#endif

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace quarvex::session {

namespace {

[[maybe_unused]] std::string Hex(const unsigned char* digest, std::size_t length) {  // not in the web build
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
class Hash {
 public:
  explicit Hash(LPCWSTR algorithm) {
    ok_ = BCryptOpenAlgorithmProvider(&provider_, algorithm, nullptr, 0) >= 0;
    ULONG got = 0;
    ok_ = ok_ && BCryptGetProperty(provider_, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length_), sizeof length_,
                                   &got, 0) >= 0;
    ok_ = ok_ && BCryptCreateHash(provider_, &hash_, nullptr, 0, nullptr, 0, 0) >= 0;
  }
  ~Hash() {
    if (hash_) BCryptDestroyHash(hash_);
    if (provider_) BCryptCloseAlgorithmProvider(provider_, 0);
  }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  void Add(std::span<const std::uint8_t> bytes) {
    // BCryptHashData takes a 32-bit length: the bytes go in pieces.
    for (std::size_t at = 0; ok_ && at < bytes.size();) {
      const std::size_t piece = std::min<std::size_t>(bytes.size() - at, 1u << 30);
      ok_ = BCryptHashData(hash_, const_cast<PUCHAR>(bytes.data() + at), static_cast<ULONG>(piece), 0) >= 0;
      at += piece;
    }
  }
  std::string Finish() {
    std::vector<unsigned char> digest(length_);
    ok_ = ok_ && BCryptFinishHash(hash_, digest.data(), length_, 0) >= 0;
    if (!ok_) throw std::runtime_error("the digest could not be computed");
    return Hex(digest.data(), digest.size());
  }

 private:
  BCRYPT_ALG_HANDLE provider_ = nullptr;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
  DWORD length_ = 0;
  bool ok_ = false;
};
Hash Sha256() { return Hash(BCRYPT_SHA256_ALGORITHM); }
Hash Md5() { return Hash(BCRYPT_MD5_ALGORITHM); }
#elif defined(__EMSCRIPTEN__)
// The web page's engine: nettle's SHA-256 and MD5, compiled from Debian's nettle source
// (tools/fetch-nettle-source.sh), as neither libcrypto nor bcrypt builds for WebAssembly here.
template <typename Context, std::size_t kDigestSize, void (*kInit)(Context*),
          void (*kUpdate)(Context*, std::size_t, const std::uint8_t*),
          void (*kDigest)(Context*, std::size_t, std::uint8_t*)>
class NettleHash {
 public:
  NettleHash() { kInit(&context_); }
  void Add(std::span<const std::uint8_t> bytes) { kUpdate(&context_, bytes.size(), bytes.data()); }
  std::string Finish() {
    unsigned char out[kDigestSize];
    kDigest(&context_, kDigestSize, out);
    return Hex(out, kDigestSize);
  }

 private:
  Context context_{};
};
using Sha256Hash =
    NettleHash<sha256_ctx, SHA256_DIGEST_SIZE, nettle_sha256_init, nettle_sha256_update, nettle_sha256_digest>;
using Md5Hash = NettleHash<md5_ctx, MD5_DIGEST_SIZE, nettle_md5_init, nettle_md5_update, nettle_md5_digest>;
Sha256Hash Sha256() { return {}; }
Md5Hash Md5() { return {}; }
#else
class Hash {
 public:
  explicit Hash(const EVP_MD* method) : context_(EVP_MD_CTX_new()) {
    ok_ = context_ != nullptr && EVP_DigestInit_ex(context_, method, nullptr) == 1;
  }
  ~Hash() { EVP_MD_CTX_free(context_); }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  void Add(std::span<const std::uint8_t> bytes) {
    ok_ = ok_ && EVP_DigestUpdate(context_, bytes.data(), bytes.size()) == 1;
  }
  std::string Finish() {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    ok_ = ok_ && EVP_DigestFinal_ex(context_, out, &length) == 1;
    if (!ok_) throw std::runtime_error("the digest could not be computed");
    return Hex(out, length);
  }

 private:
  EVP_MD_CTX* context_;
  bool ok_ = false;
};
Hash Sha256() { return Hash(EVP_sha256()); }
Hash Md5() { return Hash(EVP_md5()); }
#endif

}  // namespace

FileDigests DigestsOf(std::span<const std::uint8_t> bytes) {
  auto sha256 = Sha256();
  auto md5 = Md5();
  sha256.Add(bytes);
  md5.Add(bytes);
  return {sha256.Finish(), md5.Finish()};
}

std::optional<SizedDigests> DigestsOfFile(const std::string& path, std::string& error) {
  // Opened read-only and read in pieces: a disk image may be larger than the memory.
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    error = "cannot open " + path + " to compute its digests";
    return std::nullopt;
  }
  auto sha256 = Sha256();
  auto md5 = Md5();
  std::vector<std::uint8_t> piece(1 << 20);
  std::uint64_t size = 0;
  for (;;) {
    const std::size_t got = std::fread(piece.data(), 1, piece.size(), file);
    if (got == 0) break;
    const std::span<const std::uint8_t> bytes(piece.data(), got);
    sha256.Add(bytes);
    md5.Add(bytes);
    size += got;
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    error = "cannot read " + path + " to compute its digests";
    return std::nullopt;
  }
  return SizedDigests{size, {sha256.Finish(), md5.Finish()}};
}

}  // namespace quarvex::session
