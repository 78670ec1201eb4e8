// Which data record a key is read from, when its node's record link reads wrong.
//
// A key node names its data record by block and record number (Blk#, Rec#) and stores the
// checksum of its key's name. A link reads wrong when it names no record (both 0xFFFF under a
// key that is not top-level), no data block, a number its block does not hold, or a record
// another key reads. The record may still be in the file, referred to by nothing: the evidence
// decides whether it is.
//
// - The node's checksum: a record is this key's only if its name gives the stored checksum.
//   Where two nodes link one record, the one whose checksum the name gives keeps it.
// - The records no key refers to (orphans, and records whose number another record of the
//   block already has): the candidates, searched in the node's block and, when the block
//   number is what was damaged, under the node's record number in the other blocks.
// - The parent's other children: a parent holds no two children of one name, so a record
//   whose name a sibling already reads is no candidate.
// - The block's numbering: of several candidates, the only one whose block and record
//   numbers differ from the node's in one byte (one byte written over) is taken.
// - Freed records (Rec# 0xFFFF) whose name fits are listed, never read as the key's: real
//   files keep older copies of live keys in freed records, with the same name.
//
// A record is taken when it is the only candidate of the key and no other key in the same
// trouble wants it; otherwise the candidates are listed and nothing is guessed. Each search is
// a lookup in a checksum index and scans a bounded number of entries, so deciding every key
// of a file is linear in the file (plus the index's sort).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "hive/keyname.h"
#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::salvage {

// How a key node's record link reads.
enum class LinkReading {
  TopLevel,      // Blk# and Rec# 0xFFFF on a top-level key: no record, as the root has none
  None,          // Blk# and Rec# 0xFFFF on a key below the top: its name is not linked
  NoBlock,       // Blk# names no data block that was found
  PastEnd,       // Blk# names a block that lay past the end of a cut file
  NoSuchRecord,  // the block holds no record of that number
  Record,        // the block holds a record of that number
};

enum class ChosenBy {
  Link,      // the record the link names
  Checksum,  // the only record no key reads whose name gives the node's checksum
  OneByte,   // of several such records, the only one whose numbers differ from the node's in one byte
};

// A record that could be a key's, as a finding lists it.
struct RecordCandidate {
  std::int64_t offset = 0;
  std::uint32_t block = 0;
  std::uint16_t recNo = 0xFFFF;    // 0xFFFF: a freed record (its number is gone)
  std::int32_t record = kNoIndex;  // index into records; kNoIndex for a freed record
  hive::Bytes name;                // up to its first zero byte
};

struct RecordChoice {
  std::size_t key = 0;
  LinkReading reading = LinkReading::TopLevel;
  std::int32_t linked = kNoIndex;  // the record the link names: the first of its number whose name fits, else the first
  std::int32_t holder = kNoIndex;  // the key that reads `linked`, when it is another
  bool holderFits = false;         // the linked record's name gives the holder's checksum
  ChosenBy by = ChosenBy::Link;    // how key.record was chosen (when the key has one)
  std::size_t orphansFound = 0;    // records no key reads whose name fits, when the evidence chose
  std::vector<RecordCandidate> candidates;  // listed when the evidence does not decide
  std::size_t moreCandidates = 0;           // candidates beyond those listed
  bool tooMany = false;                     // the search stopped before the end of its index range
};

class RecordEvidence {
 public:
  // numbers: (block << 16 | Rec#) -> index into hive.records, sorted by number, chain order
  // within one number. freeInChain: per block, the block-relative offsets of its free records.
  // blocksPastEnd: the file was cut before the blocks after the ones found (up to announced).
  RecordEvidence(SalvagedHive& hive, const std::vector<std::pair<std::uint64_t, std::int32_t>>& numbers,
                 const std::vector<std::vector<std::int32_t>>& freeInChain, const text::LeadByteSet& leadBytes,
                 bool blocksPastEnd, std::size_t announcedBlocks);

  // Decides the records of the given keys (indices into hive.keys, in the order their
  // findings are to come) against the records other keys already read, and sets them:
  // key.record and key.name, record.key for a record the key now reads alone. A key that
  // shares a record another key reads keeps record.key pointing at that other key.
  std::vector<RecordChoice> Choose(std::span<const std::size_t> keys);

  // Whether the record's name gives the checksum, under the code page or as single bytes.
  bool NameFits(std::int32_t record, std::uint32_t checksum) const;
  // The two checksums of the record's name (up to its first zero byte), each summed once.
  const hive::NameChecksums& NameSums(std::int32_t record) const { return Sums(record); }

 private:
  struct Entry {
    std::uint32_t checksum;
    std::uint32_t first;   // block, or Rec# (by the index)
    std::uint32_t second;  // Rec#, or block
    std::int32_t record;   // index into records, or into freed_
  };
  struct Search {
    std::vector<std::int32_t> records;  // orphans that fit, in index order
    bool tooMany = false;
  };

  void Attach(std::size_t key, std::int32_t record, bool own);
  RecordCandidate Candidate(std::int32_t record) const;
  void List(RecordChoice& choice, std::int32_t record) const;
  std::int32_t Decide(RecordChoice& choice, const Search& search,
                      const std::unordered_map<std::int32_t, int>& wanted) const;
  void IndexOrphans();
  Search FindOrphans(const RecordChoice& choice, std::int32_t exclude);
  void ListFreed(RecordChoice& choice) const;
  bool SiblingHasName(std::int32_t parent, hive::Bytes name) const;
  std::string SiblingKey(std::int32_t parent, hive::Bytes name) const;
  bool OneByteApart(const hive::KeyNode& node, const SalvagedRecord& record) const;
  void IndexFreed() const;
  const hive::NameChecksums& Sums(std::int32_t record) const;

  SalvagedHive& hive_;
  const std::vector<std::pair<std::uint64_t, std::int32_t>>& numbers_;
  text::LeadByteSet leadBytes_;
  bool blocksPastEnd_;
  std::size_t announcedBlocks_;
  const std::vector<std::vector<std::int32_t>>& freeInChain_;
  // What only a link that reads wrong needs is made at its first use: the checksums of the
  // records' names, the freed records and the names of each parent's children.
  mutable std::vector<hive::NameChecksums> sums_;  // per record, where summed_
  mutable std::vector<bool> summed_;
  bool indexed_ = false;
  std::vector<Entry> byBlock_;   // numbered records no key read at the first search: (checksum, block, Rec#)
  std::vector<Entry> byNumber_;  // the same: (checksum, Rec#, block)
  mutable bool freedIndexed_ = false;
  mutable std::vector<RecordCandidate> freed_;  // freed records whose header still holds a name
  mutable std::vector<Entry> freedByBlock_;     // (checksum, block, 0) -> index into freed_
  mutable bool namesIndexed_ = false;
  mutable std::unordered_set<std::string> childNames_;  // parent index + folded name, of keys reading their own record
};

// The texts of the findings a choice makes, for a key node's findings. pathOf names a key.
std::string RecordNote(const RecordChoice& choice, const SalvagedHive& hive,
                       const std::function<std::string(std::size_t)>& pathOf);
std::string CandidateList(const RecordChoice& choice, const SalvagedHive& hive,
                          const std::function<std::string(std::size_t)>& pathOf);

}  // namespace quarvex::salvage
