// Key names: the two checksums computed over a name, and a key's full path.
//
// A key node stores a checksum of its name; the name itself lies in the key's data record.
// The system's checksum folds single-byte a-z to upper case, adds nothing for half-width
// katakana (0xA1-0xDF), and adds b XOR 0x80 for each byte of a double-byte character. The
// plain variant ignores double-byte rules. A stored sum that matches the first but not the
// second marks a "bad" key; one that matches neither a "ghost".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "text/codepage.h"
#include "hive/format.h"
#include "hive/hive_state.h"

namespace quarvex::hive {

// Both take the name's bytes and stop at the first zero byte.
std::uint32_t KeyNameChecksum(Bytes name, const text::LeadByteSet& leadBytes);
std::uint32_t KeyNameChecksumPlain(Bytes name);
// The two in one pass over the name, for the walk that judges every key.
struct NameChecksums {
  std::uint32_t system = 0;  // KeyNameChecksum
  std::uint32_t plain = 0;   // KeyNameChecksumPlain
};
NameChecksums KeyNameChecksums(Bytes name, const text::LeadByteSet& leadBytes);

// The name bytes up to (not including) the first zero byte.
Bytes UpToFirstZero(Bytes name);

// The key's path from its topmost named ancestor down to itself, each name followed by a
// backslash ("A\B\C\"). Sets errorCode to 0 first; a node that cannot be read (5) or an
// empty index (11) empties the result and leaves the code set; a key whose record is not
// indexed (12) contributes no name and the code is cleared. A parent chain that links back
// onto itself ends with an empty result and code::kLinkLoop. Names are taken whole.
std::string ResolveKeyPath(Hive& hive, KeyNodeOffset keyNode);

// The paths of many keys of one hive, each as ResolveKeyPath gives it, with every parent's
// path climbed to once: a climb reads a node and a record at far places in the file for each
// level, and the keys named together (the flagged keys of a report) are often siblings. A
// failure gives an empty path, as there, but is cleared: the key is only being named.
class KeyPathCache {
 public:
  explicit KeyPathCache(Hive& hive) : hive_(hive) {}
  std::string PathOf(KeyNodeOffset key);

 private:
  Hive& hive_;
  std::unordered_map<std::int32_t, std::optional<std::string>> parentPaths_;  // nothing: the climb failed
};

}  // namespace quarvex::hive
