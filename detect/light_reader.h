// A light read of a whole hive for code page detection: the key tree's links, every key's name
// with its stored checksum, and the values of the few keys asked for. It keeps a few numbers
// per key and per record and nothing else (no findings, no value list, no tree of vectors), so
// it costs a fraction of the salvage reader, whose model the detection used to build for this.
//
// It answers only for a hive whose structure is whole, where the salvage reader reads exactly
// the same keys, records, names and values:
//   - both signatures, the two headers agreeing on where the first data block starts, the
//     key-node block inside the file;
//   - every data block's size leading to the next "RGDB" or to the file's end;
//   - every record chain running to its block's end without a break;
//   - every link of the key tree inside the key-node block and no node reached twice;
//   - the free key-node list whole, and no stretch of the key-node block outside the nodes
//     and free areas large enough to hold a key node (which the salvage reader would look at
//     for lost keys);
//   - every key's record link read as it stands: each link finds a record (but a top-level
//     key's numbers 0xFFFF), no two records of a block share a number, no two keys link one
//     record, and no key whose name does not give its checksum (read without lead bytes, as
//     the detection's salvage reader reads it) has a checksum that a record no key links
//     gives. Where a link reads wrong the salvage reader weighs the evidence of checksums and
//     orphan records (salvage/record_evidence.h), which this reader does not repeat.
// Otherwise Sound() is false and the caller reads the hive with the salvage reader. Each check
// is a test of what the salvage reader would report as damage or take in besides, made the
// same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hive/format.h"
#include "hive/record_index.h"

namespace quarvex::detect {

class LightReader {
 public:
  explicit LightReader(hive::Bytes image);

  // Whether the hive is whole in the sense above; nothing else here may be used otherwise,
  // but TextValue on a hive whose paths are readable.
  bool Sound() const { return sound_; }
  // Whether, short of that, the headers, the data blocks with their record chains and the links
  // of the key tree are whole: the hive's damage lies elsewhere (a record no key links, room
  // for a lost key, a link that reads wrong), and a path whose every key reads as written
  // still leads where the salvage reader's does.
  bool PathsReadable() const { return pathsReadable_; }

  // The text of the value `name` (ASCII, matched as Windows 9x does: a-z fold) of the key at
  // `path` (ASCII names separated by backslashes, from the top), as the detection reads it:
  // up to its first zero byte, without surrounding blanks and tabs. Nothing when the key or the
  // value is not there; on a hive that is not sound, nothing too when a key on the path does not
  // read as written (its record shares its number or is linked by another key, or its name
  // does not give its checksum), where the salvage reader weighs the evidence instead. Nothing
  // then does not tell that the value is absent.
  std::optional<std::string> TextValue(std::string_view path, std::string_view name) const;

  // Calls visit(name, stored checksum) for every key with a readable record whose name holds
  // a byte above 0x7F (the names the checksum votes count), in key order.
  template <typename Visit>
  void ForEachHighName(Visit&& visit) const {
    for (const Key& key : keys_)
      if (key.record >= 0 && records_[static_cast<std::size_t>(key.record)].highName) visit(NameOf(key), key.chksum);
  }

 private:
  struct Record {
    std::int64_t offset = 0;       // of the record's header
    std::int64_t end = 0;          // where the record ends: its NextOfs
    std::uint16_t nameLength = 0;  // of its name, up to the first zero byte
    bool highName = false;         // the name has a byte above 0x7F
    std::uint16_t block = 0;       // its numbers: the block it lies in and its Rec#
    std::uint16_t number = 0;
  };
  struct Key {
    std::int32_t node = 0;     // offset in the key-node block
    std::int32_t parent = -1;  // index into keys_
    std::int32_t record = -1;  // index into records_
    std::uint32_t chksum = 0;
  };

  bool ReadHeaders();
  bool ReadBlocks();
  bool ReadRecordChain(std::uint16_t block, std::int64_t begin, std::int64_t end);
  bool WalkKeyTree();
  bool NoRoomForLostKeys();
  bool LinksAsWritten() const;
  std::int32_t FindRecord(std::uint16_t block, std::uint16_t number) const;
  hive::Bytes NameOf(const Key& key) const;
  hive::Bytes NameIn(const Record& record) const;  // up to its first zero byte, found anew
  bool NameIs(const Key& key, std::string_view asciiName) const;
  bool OwnsItsRecord(std::int32_t key) const;
  void MarkRecordsInDoubt();
  bool ReadsAsWritten(std::int32_t key) const;
  bool NodeInBlock(std::int64_t rel, std::int64_t size) const;

  hive::Bytes image_;
  std::int64_t size_ = 0;
  bool sound_ = false;
  bool pathsReadable_ = false;
  std::vector<bool> recordInDoubt_;  // not sound: shares its number, or two keys link it
  hive::CregHeader creg_;
  hive::RgknHeader rgkn_;
  std::int64_t keyAreaEnd_ = 0;
  std::vector<Record> records_;    // block by block, chain order
  hive::RecordIndex numbers_;      // (block, RecNo) -> index into records_; the first wins
  std::vector<Key> keys_;          // pre-order of the links, as the salvage reader
  std::int32_t hiddenRoot_ = -1;   // the unnamed root node, shown as the top
  bool linkFindsNothing_ = false;  // a key's record link (not a top-level 0xFFFF) found no record
};

}  // namespace quarvex::detect
