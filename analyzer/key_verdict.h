// The verdict on a key's stored name checksum.
//
// The checksum a key node stores was computed over the key's name by the system that wrote
// the file, with double-byte characters of its code page folded in their own way. Comparing
// it with both of our sums tells three cases apart:
//   Good:  it matches the double-byte-aware sum, and the plain sum agrees (a name that has
//          no double-byte character, or one whose two sums happen to be equal);
//   Bad:   it matches the double-byte-aware sum only: the name holds double-byte characters,
//          and a reader that sums the name byte by byte would find the key damaged;
//   Ghost: it does not match the name at all: the node and its record no longer belong together.
#pragma once

#include <cstdint>

#include "text/codepage.h"
#include "hive/format.h"

namespace quarvex::analyzer {

enum class Verdict { Good, Bad, Ghost };

// name: the key name's bytes (taken up to the first zero byte); stored: the node's Chksum.
Verdict JudgeKeyName(hive::Bytes name, std::uint32_t stored, const text::LeadByteSet& leadBytes);

}  // namespace quarvex::analyzer
