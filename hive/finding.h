// A finding: one thing a reader noticed about the file, as a value.
//
// It names the structure it concerns, where that structure lies in the file, the field (as
// the structure report prints its name), the value found and what was expected, so that a
// user can go to the offset with a hex viewer and see it. Readers on the report's path attach
// one to the status code they set; the salvage reader makes one for every decision it takes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hive/offsets.h"

namespace quarvex::hive {

enum class Severity { Damage, Warning, Note };

enum class Structure {
  File,            // the file as a whole (its size, its end)
  CregHeader,      // the 32-byte file header
  RgknHeader,      // the key-node block's header
  KeyNode,         // a 28-byte key node in use
  FreeKeyNode,     // a free area of the key-node block
  RgdbHeader,      // a data block's header
  DataRecord,      // a data record in use
  FreeDataRecord,  // a free record of a data block
  Value,           // one value of a data record
};

struct Finding {
  Severity severity = Severity::Damage;
  Structure structure = Structure::File;
  FileOffset offset;
  std::optional<std::uint32_t> block;   // data block number, when the structure lies in one
  std::optional<std::uint32_t> record;  // record number, for a data record or a value
  std::string field;                    // "iBlkSize", "signature", "NextOfs" ...
  std::string found;                    // the value read, as text ("0x00000010", "\"RGDX\"")
  std::string expected;                 // what a sound file has there
  std::string keyPath;                  // the key concerned, when known (UTF-8)

  // "data block 3 at 0x0001A000: iBlkSize 0x00000010, expected at least 0x00000020"
  std::string Text() const;
  friend bool operator==(const Finding&, const Finding&) = default;
};

std::string_view SeverityName(Severity severity);     // "damage", "warning", "note"
std::string_view StructureName(Structure structure);  // "data block", "key node" ...
// The structure with its numbers: "data block 3", "data record (block 0, record 12)".
std::string StructureLabel(const Finding& finding);

// A finding about `field` of the structure at `at` (found and expected to be filled in).
Finding FindingAt(Structure structure, FileOffset at, std::string_view field, std::optional<std::uint32_t> block = {});

// A field the file ends inside of: `wanted` bytes at `at`, only `got` of them there.
Finding FieldCutShort(Structure structure, FileOffset at, std::string_view field, std::uint64_t wanted,
                      std::uint64_t got);

// Value texts as findings show them.
std::string Hex32(std::uint32_t value);  // "0x0000ABCD"
// An offset that may lie past 4 GiB (in a disk image): as Hex32 up to 0xFFFFFFFF, with every
// digit beyond ("0x1A2B3C4D5").
std::string HexOffset(std::int64_t value);
std::string Hex16(std::uint16_t value);    // "0xABCD"
std::string Quoted(std::string_view raw);  // "\"RGDB\"", bytes outside ASCII as \xNN

}  // namespace quarvex::hive
