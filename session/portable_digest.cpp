#include "session/portable_digest.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace quarvex::session {

namespace {

constexpr std::array<std::uint32_t, 64> kSha256Rounds = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

// MD5's per-step shifts and sine-derived constants (RFC 1321, 3.4).
constexpr std::array<int, 64> kMd5Shifts = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
constexpr std::array<std::uint32_t, 64> kMd5Sines = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

const char kHexDigits[] = "0123456789abcdef";

void AppendHex(std::string& out, std::uint8_t byte) {
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 15];
}

// Both digests take 64-byte blocks and end with 0x80, zeros and the bit count in eight bytes.
template <typename Digest>
void AddBytes(std::span<const std::uint8_t> bytes, std::array<std::uint8_t, 64>& pending, std::size_t& pendingSize,
              std::uint64_t& total, Digest&& block) {
  total += bytes.size();
  std::size_t at = 0;
  if (pendingSize > 0) {
    const std::size_t take = std::min(bytes.size(), pending.size() - pendingSize);
    std::memcpy(pending.data() + pendingSize, bytes.data(), take);
    pendingSize += take;
    at = take;
    if (pendingSize < pending.size()) return;
    block(pending.data());
    pendingSize = 0;
  }
  for (; bytes.size() - at >= 64; at += 64) block(bytes.data() + at);
  std::memcpy(pending.data(), bytes.data() + at, bytes.size() - at);
  pendingSize = bytes.size() - at;
}

// The padding's bytes with the message's bit count, big-endian (SHA-256) or little-endian (MD5).
std::array<std::uint8_t, 72> Padding(std::uint64_t total, std::size_t pendingSize, bool bigEndian,
                                     std::size_t& length) {
  std::array<std::uint8_t, 72> tail{};
  tail[0] = 0x80;
  const std::size_t zeros = (pendingSize < 56 ? 56 : 120) - pendingSize - 1;
  const std::uint64_t bits = total * 8;
  for (int i = 0; i < 8; ++i)
    tail[1 + zeros + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (bigEndian ? 56 - 8 * i : 8 * i));
  length = 1 + zeros + 8;
  return tail;
}

}  // namespace

PortableSha256::PortableSha256()
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void PortableSha256::Block(const std::uint8_t* block) {
  std::array<std::uint32_t, 64> w{};
  for (std::size_t i = 0; i < 16; ++i)
    w[i] = std::uint32_t{block[4 * i]} << 24 | std::uint32_t{block[4 * i + 1]} << 16 |
           std::uint32_t{block[4 * i + 2]} << 8 | std::uint32_t{block[4 * i + 3]};
  for (std::size_t i = 16; i < 64; ++i) {
    const std::uint32_t s0 = std::rotr(w[i - 15], 7) ^ std::rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const std::uint32_t s1 = std::rotr(w[i - 2], 17) ^ std::rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  std::uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
  for (std::size_t i = 0; i < 64; ++i) {
    const std::uint32_t t1 =
        h + (std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25)) + ((e & f) ^ (~e & g)) + kSha256Rounds[i] + w[i];
    const std::uint32_t t2 = (std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state_[0] += a, state_[1] += b, state_[2] += c, state_[3] += d;
  state_[4] += e, state_[5] += f, state_[6] += g, state_[7] += h;
}

void PortableSha256::Add(std::span<const std::uint8_t> bytes) {
  AddBytes(bytes, pending_, pendingSize_, total_, [this](const std::uint8_t* b) { Block(b); });
}

std::string PortableSha256::FinishHex() {
  std::size_t length = 0;
  const auto tail = Padding(total_, pendingSize_, true, length);
  Add(std::span(tail.data(), length));
  std::string hex;
  for (std::uint32_t word : state_)
    for (int shift = 24; shift >= 0; shift -= 8) AppendHex(hex, static_cast<std::uint8_t>(word >> shift));
  return hex;
}

PortableMd5::PortableMd5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void PortableMd5::Block(const std::uint8_t* block) {
  std::array<std::uint32_t, 16> m{};
  for (std::size_t i = 0; i < 16; ++i)
    m[i] = std::uint32_t{block[4 * i]} | std::uint32_t{block[4 * i + 1]} << 8 | std::uint32_t{block[4 * i + 2]} << 16 |
           std::uint32_t{block[4 * i + 3]} << 24;
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (std::size_t i = 0; i < 64; ++i) {
    std::uint32_t f = 0;
    std::size_t g = 0;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    const std::uint32_t next = b + std::rotl(a + f + kMd5Sines[i] + m[g], kMd5Shifts[i]);
    a = d;
    d = c;
    c = b;
    b = next;
  }
  state_[0] += a, state_[1] += b, state_[2] += c, state_[3] += d;
}

void PortableMd5::Add(std::span<const std::uint8_t> bytes) {
  AddBytes(bytes, pending_, pendingSize_, total_, [this](const std::uint8_t* b) { Block(b); });
}

std::string PortableMd5::FinishHex() {
  std::size_t length = 0;
  const auto tail = Padding(total_, pendingSize_, false, length);
  Add(std::span(tail.data(), length));
  std::string hex;
  for (std::uint32_t word : state_)
    for (int shift = 0; shift <= 24; shift += 8) AppendHex(hex, static_cast<std::uint8_t>(word >> shift));
  return hex;
}

}  // namespace quarvex::session
