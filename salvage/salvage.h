// The salvage reader: reads whatever a registry file still holds, and says what is wrong.
//
// The report's readers stop at the first fault, because their report ends with a failure
// code. This reader never stops: it reads a truncated file to its last byte, follows every
// data block's record chain to the block's end whatever the header's counts say, cuts a loop
// at its first repeat, skips a damaged subtree and goes on with its siblings, finds data
// blocks by their signature when the header's sizes are wrong, and takes in key nodes that
// no link reaches any more. Each problem it sees and each decision it takes is a finding.
//
// Every walk is bounded by the image's size (visited bits, forward-only chains), never by a
// count or size a header claims, so the time is linear in the file (plus one sort).
//
// The model views the image: names and data are spans into it, so the image must outlive the
// SalvagedHive made from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hive/byte_cursor.h"
#include "hive/finding.h"
#include "hive/format.h"
#include "hive/offsets.h"
#include "text/codepage.h"

namespace quarvex::salvage {

inline constexpr std::int32_t kNoIndex = -1;

struct SalvagedValue {
  hive::FileOffset offset;  // of the 12-byte value entry
  std::uint16_t type = 0;
  hive::Bytes name;  // NL bytes (fewer when cut by the record's end)
  hive::Bytes data;  // VL bytes (fewer when cut by the record's end)
  bool cut = false;  // name or data ran past the record
};

struct SalvagedKey {
  hive::KeyNodeOffset node;
  hive::KeyNode fields;
  std::int32_t parent = kNoIndex;  // index into keys; always lower than the key's own index
  bool lost = false;               // found between the nodes, not by a link from the root
  std::int32_t record = kNoIndex;  // index into records, when the key's record was found
  hive::Bytes name;                // the record's key name up to its first zero byte
};

// The root key is the top of the hive and names no level of a path. Windows 98 and Me write
// no record for it (its numbers 0xFFFF); Windows 95 a record whose name is one zero byte. A
// root whose record gives it a real name (only hand-made files do) is a key like the others.
bool IsUnnamedRoot(const SalvagedKey& key);

struct SalvagedRecord {
  hive::FileOffset offset;
  std::uint32_t block = 0;  // the block the record lies in (its index in blocks)
  hive::DataRecordHeader header;
  std::int64_t extent = 0;       // bytes the record may use: up to the next record or the block's end
  std::int32_t key = kNoIndex;   // the first key that refers to it
  hive::Bytes name;              // KeyL bytes (fewer when cut)
  std::uint32_t firstValue = 0;  // values[firstValue, firstValue + valueCount): read whole or cut;
  std::uint32_t valueCount = 0;  //   the rest of DatN could not be read
  bool duplicate = false;        // a record number already taken in its block
};

struct SalvagedBlock {
  hive::FileOffset offset;
  hive::RgdbHeader header;
  std::int64_t end = 0;           // file offset where the block was taken to end
  bool foundBySignature = false;  // located by scanning for "RGDB"
  bool cut = false;               // the file ends inside the header or the block
  std::uint32_t records = 0;      // numbered records in the chain
  std::uint32_t freeRecords = 0;  // free records in the chain
  std::uint16_t highestRecNo = 0;
};

struct SalvageSummary {
  std::size_t keys = 0;
  std::size_t values = 0;  // values read (whole or cut)
  std::size_t blocks = 0;
  std::size_t damage = 0;
  std::size_t warnings = 0;
  std::size_t notes = 0;
  std::size_t keysUnreadable = 0;    // keys whose record (name and values) could not be read
  std::size_t valuesUnreadable = 0;  // values a record announces but that could not be read
  // Bytes skipped because of damage: those of the file the reader could not use, and those a
  // cut removed, as far as the headers still tell (the key-node block's and the cut data block's
  // sizes; blocks wholly past the end leave no size behind, so then it is a least count).
  std::uint64_t bytesLost = 0;
  std::uint64_t bytesPastEnd = 0;  // of bytesLost: what the headers place past the file's end
  bool blocksPastEnd = false;      // whole data blocks lie past the end: bytesLost is a least count
};

struct SalvagedHive {
  hive::Bytes image;
  bool isHive = false;  // false: no CREG or RGKN signature, nothing was read
  hive::CregHeader creg;
  hive::RgknHeader rgkn;
  std::vector<SalvagedKey> keys;  // reachable keys in pre-order, then lost ones
  std::vector<SalvagedValue> values;
  std::vector<SalvagedRecord> records;
  std::vector<SalvagedBlock> blocks;
  std::vector<hive::Finding> findings;  // sorted by file offset
  SalvageSummary summary;

  // "Software\Microsoft\Windows" in the hive's own bytes (no trailing backslash); a key
  // without a readable name shows as "{key node 0x000000AC}".
  std::string KeyPathBytes(std::size_t key) const;
};

struct SalvageOptions {
  text::CodePage codePage = text::CodePage::Cp932;  // for checksums and for key paths in findings
};

SalvagedHive Salvage(hive::Bytes image, const SalvageOptions& options = {});

// Adds findings made outside the reader (what a caller learnt about the file as a whole), in
// file-offset order after those at the same offset, and counts them in the summary.
void AddFindings(SalvagedHive& hive, std::vector<hive::Finding> findings);

}  // namespace quarvex::salvage
