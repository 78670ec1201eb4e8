// What the stored name checksums say about the code page that wrote them.
//
// The system summed each key name classing its bytes by the lead bytes of its ANSI code page
// (hive/keyname.h). Three rules exist among the Windows pages: none (every single-byte page),
// 932's (0x81-0x9F, 0xE0-0xFC; 0xA1-0xDF are half-width katakana) and the one 936, 949 and
// 950 share (0x81-0xFE). A name of ASCII only sums alike under all three and tells nothing;
// a name with high bytes usually sums differently under each, and its stored sum shows which
// rule its writer followed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::detect {

struct ChecksumVote {
  std::size_t telling = 0;     // names whose three sums are not all equal
  std::size_t singleByte = 0;  // of them, stored sums matching the single-byte rule
  std::size_t japanese = 0;    // ... 932's rule
  std::size_t chinese = 0;     // ... the 0x81-0xFE rule of 936, 949 and 950
};

// A key's name (up to its first zero byte) with the checksum its node stores.
struct StoredName {
  hive::Bytes name;
  std::uint32_t stored = 0;
};
// The names that can tell the rules apart: those of keys with a record, not empty, with a
// byte above 0x7F, in key order.
std::vector<StoredName> HighNames(const salvage::SalvagedHive& hive);
// A name worth keeping for the votes (not empty, a byte above 0x7F).
bool IsHighName(hive::Bytes name);

ChecksumVote CountChecksumVotes(std::span<const StoredName> highNames);
ChecksumVote CountChecksumVotes(const salvage::SalvagedHive& hive);

// The code page the votes point to, with the reason in words; nothing when no name tells.
// The 0x81-0xFE rule is shared: among 936, 949 and 950 the names' decoding decides (Hangul
// syllables for 949; otherwise the page under which most names decode, 936 first).
struct VoteOutcome {
  text::CodePage codePage;
  std::string reason;
};
std::optional<VoteOutcome> CodePageFromVotes(std::span<const StoredName> highNames, const ChecksumVote& vote);
std::optional<VoteOutcome> CodePageFromVotes(const salvage::SalvagedHive& hive, const ChecksumVote& vote);

// Keys with a high byte in their name whose stored sum does not match it under cp: what a
// check reports when the chosen code page disagrees with the hive.
std::size_t NamesDisagreeing(const salvage::SalvagedHive& hive, text::CodePage cp);

}  // namespace quarvex::detect
