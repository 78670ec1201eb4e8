// SHA-256 (FIPS 180-4) and MD5 (RFC 1321) in plain C++, for the builds that have neither
// OpenSSL nor Windows' bcrypt: the WebAssembly engine of the web page. The native builds keep
// their system's digests, and the unit tests check these against them byte for byte.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace quarvex::session {

class PortableSha256 {
 public:
  PortableSha256();
  void Add(std::span<const std::uint8_t> bytes);
  std::string FinishHex();  // 64 lowercase hex digits; the object is spent afterwards

 private:
  void Block(const std::uint8_t* block);
  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pendingSize_ = 0;
  std::uint64_t total_ = 0;
};

class PortableMd5 {
 public:
  PortableMd5();
  void Add(std::span<const std::uint8_t> bytes);
  std::string FinishHex();  // 32 lowercase hex digits; the object is spent afterwards

 private:
  void Block(const std::uint8_t* block);
  std::array<std::uint32_t, 4> state_;
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pendingSize_ = 0;
  std::uint64_t total_ = 0;
};

}  // namespace quarvex::session
