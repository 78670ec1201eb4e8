// Recovery of deleted keys and their values.
//
// When Windows 9x deletes a key, its 28-byte key node goes onto the key-node block's free list
// and its data record onto its block's free list. Only the first 12 bytes of each are
// overwritten by the free view: of the node Attr, Chksum and Unk1 (UprOfs, LwrOfs, NextOfs,
// Rec# and Blk# survive); of the record NextOfs, Rec#, Blk# and RecSize (KeyL, DatN, the name
// and the values survive). Neighbouring free records are merged, so a free area can hold the
// remains of several old records, a later one with its whole header. Dead gap (bytes on no
// list and used by no key, such as slack behind a record) holds more, and so do records that
// no key refers to (orphans) and key nodes that no link reaches (lost).
//
// Recover() looks at all of these, reads each record-shaped candidate within the bytes that
// no record in use claims, ties it to the key node that once named it on evidence, strongest
// first (the record's own numbers; a copy of a live key; elimination; the order of both free
// lists, which take each deletion at their heads), follows the nodes' surviving parent links
// to a live key for its path, names the live key at that path or with that content, and judges
// each by its evidence. It also lists the earlier values of live keys: in the slack behind a
// live record's bytes in use and in freed older copies of it. Every scan is linear in the
// file, with a hard cap on the work inside free space (proportional to the file's size), so
// adversarial bytes cannot make it quadratic. The stages live in files of their own
// (candidate_scan, old_nodes, pairing, live_copies, judge, slack_values), sharing scene.h.
//
// Names, paths and values are bytes in the hive's code page and view the image: the image must
// outlive the Recovery.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hive/byte_cursor.h"
#include "hive/offsets.h"
#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::recover {

enum class Confidence { Low = 0, Medium = 1, High = 2 };
std::string_view ConfidenceName(Confidence c);  // "high", "medium", "low"
std::optional<Confidence> ParseConfidence(std::string_view text);

// Where the record was found.
enum class Source {
  FreeRecord,    // at the start of a free record of the block's chain (its free view)
  InFreeArea,    // inside a free area, behind the start (merged in, often with its whole header)
  DeadGap,       // in bytes on no list and used by no record (slack, skipped chain parts)
  OrphanRecord,  // a numbered record in use that no key node refers to
  LostKey,       // the record of a key node that no link reaches any more
};
std::string_view SourceName(Source s);

// How the record was tied to a key node.
enum class Link {
  None,         // no key node names it
  Exact,        // the record's own Rec#/Blk# survive and a node names them
  Elimination,  // the record's numbers are lost; the only node left that names its block and a
                // released number, and the only record of the block left unexplained
  Order,        // the k-th freed node naming the block against the k-th unexplained record on the
                // block's free list: both lists take a deletion at their heads
  LiveCopy,     // no key node: the same name and values (or an older set of them) as a live key
};
std::string_view LinkName(Link l);  // "record numbers", "elimination", "free-list order", "live copy", "none"

// A value of the recovered (older) state against the live key's.
struct ValueChange {
  enum Kind { Added, Removed, Changed } kind = Changed;  // added or removed since, or its data changed
  std::string name;                                      // the value's name in the hive's bytes
};
std::string_view ValueChangeName(ValueChange::Kind k);  // "added", "removed", "changed"

// The live key a recovered key corresponds to: at its path, or with its name and values.
struct LiveCounterpart {
  std::int32_t key = -1;   // index into the salvaged keys
  std::string path;        // the live key's path, in the hive's bytes
  bool identical = false;  // the same values, byte for byte
  std::vector<ValueChange> changed;
};

struct RecoveredValue {
  hive::FileOffset offset;  // of the 12-byte value entry
  std::uint16_t type = 0;
  std::uint16_t nameLength = 0;  // NL and VL as the entry claims
  std::uint16_t dataLength = 0;
  hive::Bytes name;      // the surviving name bytes (all NL when whole)
  hive::Bytes data;      // the surviving data bytes (all VL when whole)
  bool partial = false;  // name or data runs into bytes that were overwritten or lie outside
};

struct RecoveredKey {
  hive::FileOffset offset;  // of the record (its header or free view)
  std::uint32_t block = 0;
  std::optional<std::uint16_t> recordNumber;  // when the record's own Rec# survives
  Source source = Source::FreeRecord;
  hive::Bytes name;          // KeyL bytes (fewer when cut)
  std::string path;          // "Software\Old\Name"; "(unknown parent)\Name" when no live key is reached
  bool parentKnown = false;  // the path starts at a live key (or the top level)
  bool pathGuessed = false;  // a link on the way is in doubt (a pairing another reading could contradict)
  std::optional<hive::KeyNodeOffset> node;  // the key node tied to it
  Link link = Link::None;
  Confidence confidence = Confidence::Low;
  std::vector<std::string> reasons;  // the evidence, for and against, in words
  std::vector<RecoveredValue> values;
  std::uint16_t valuesAnnounced = 0;  // DatN
  bool partial = false;               // the name or some values are cut, or fewer values than DatN survive
  std::optional<LiveCounterpart> liveCounterpart;
  bool olderCopy = false;  // no deleted key: an older copy of the live key liveCounterpart names
  bool IdenticalCopy() const { return olderCopy && liveCounterpart && liveCounterpart->identical; }
};

// A value a live key held earlier: in the slack behind its record's bytes in use, or in a freed
// older copy of its record (there and no longer, or with other data, in the live key).
struct EarlierValue {
  enum Where { Slack, OlderCopy } where = Slack;
  RecoveredValue value;
  hive::FileOffset record;  // the live record (slack) or the older copy
  Confidence confidence = Confidence::Low;
};
std::string_view EarlierValueWhere(EarlierValue::Where w);  // "slack of the live record", "older copy"

struct LiveKeyRemains {
  std::int32_t key = -1;  // index into the salvaged keys
  std::string path;       // in the hive's bytes
  std::vector<EarlierValue> values;
};

struct RecoverySummary {
  std::size_t keys = 0;
  std::size_t values = 0;
  std::size_t high = 0;
  std::size_t medium = 0;
  std::size_t low = 0;
  std::size_t identicalCopies = 0;  // of the keys: older copies identical to a live key
  std::size_t earlierValues = 0;    // values of live keys, in liveKeys
  bool workCapReached = false;      // the scan of free space stopped at its cap (adversarial bytes)
};

struct Recovery {
  std::vector<RecoveredKey> keys;        // by file offset
  std::vector<LiveKeyRemains> liveKeys;  // live keys with earlier values, in key order
  RecoverySummary summary;
};

struct RecoverOptions {
  text::CodePage codePage = text::CodePage::Cp932;  // for checksums and for judging names printable
};

// hive.image is read; nothing is written.
Recovery Recover(const salvage::SalvagedHive& hive, const RecoverOptions& options = {});

}  // namespace quarvex::recover
