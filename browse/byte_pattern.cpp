#include "browse/byte_pattern.h"

namespace quarvex::browse {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\n' || c == '\r'; }

std::string Shown(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 0x20 && b < 0x7F) return std::string("'") + c + "'";
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("byte 0x") + kDigits[b >> 4] + kDigits[b & 0xF];
}

}  // namespace

std::optional<BytePattern> BytePattern::Parse(std::string_view text, std::string& error) {
  // One entry per pattern byte: 0-255, or -1 for a wildcard.
  std::vector<int> bytes;
  std::size_t i = 0;
  while (i < text.size()) {
    if (Blank(text[i])) {
      ++i;
      continue;
    }
    if (i + 1 >= text.size() || Blank(text[i + 1])) {
      error = HexDigit(text[i]) >= 0 || text[i] == '?'
                  ? "an odd number of hexadecimal digits: '" + std::string(text.substr(i, 1)) + "' at character " +
                        std::to_string(i + 1) + " is half a byte"
                  : Shown(text[i]) + " at character " + std::to_string(i + 1) + " is not a hexadecimal digit";
      return std::nullopt;
    }
    if (text[i] == '?' && text[i + 1] == '?') {
      bytes.push_back(-1);
    } else {
      for (std::size_t k = i; k < i + 2; ++k)
        if (HexDigit(text[k]) < 0) {
          error = Shown(text[k]) + " at character " + std::to_string(k + 1) +
                  (text[k] == '?' ? " is half a wildcard (a wildcard is two question marks)"
                                  : " is not a hexadecimal digit");
          return std::nullopt;
        }
      bytes.push_back(HexDigit(text[i]) * 16 + HexDigit(text[i + 1]));
    }
    i += 2;
    if (bytes.size() > kMaxBytes) {
      error = "more than " + std::to_string(kMaxBytes) + " bytes";
      return std::nullopt;
    }
  }
  if (bytes.empty()) {
    error = "no bytes";
    return std::nullopt;
  }
  bool concrete = false;
  for (int b : bytes) concrete = concrete || b >= 0;
  if (!concrete) {
    error = "only wildcards";
    return std::nullopt;
  }
  BytePattern p;
  p.size_ = bytes.size();
  p.words_ = (bytes.size() + 63) / 64;
  for (std::size_t k = 0; k < bytes.size(); ++k) {
    const std::uint64_t bit = std::uint64_t{1} << (k % 64);
    if (bytes[k] < 0) {
      for (Bits& m : p.masks_) m[k / 64] |= bit;
    } else {
      p.masks_[static_cast<std::size_t>(bytes[k])][k / 64] |= bit;
    }
  }
  return p;
}

std::optional<std::size_t> BytePattern::Find(hive::Bytes data, std::size_t from) const {
  // state bit i: the pattern's first i+1 bytes match the data ending at the current byte.
  Bits state{};
  const std::size_t last = size_ - 1;
  for (std::size_t at = from; at < data.size(); ++at) {
    const Bits& mask = masks_[data[at]];
    std::uint64_t carry = 1;  // a match of the first byte may start at every byte
    for (std::size_t w = 0; w < words_; ++w) {
      const std::uint64_t next = state[w] >> 63;
      state[w] = ((state[w] << 1) | carry) & mask[w];
      carry = next;
    }
    if (state[last / 64] >> (last % 64) & 1) return at + 1 - size_;
  }
  return std::nullopt;
}

}  // namespace quarvex::browse
