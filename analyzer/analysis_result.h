// What one completed analysis found, as plain values: the space table, the checksum verdicts
// with the flagged keys, every key's record size and every free record. The report section,
// the chart series and the JSON are all drawn from this; nothing reads them back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analyzer/key_verdict.h"
#include "hive/offsets.h"

namespace quarvex::analyzer {

// Bytes of one block (or of the whole file) by what they hold. Counted in 64 bits: a damaged
// file's sizes are 32-bit values that may add up beyond 32 bits; a sound file's never do.
struct SpaceUsage {
  std::int64_t Using = 0;    // in use: 28 per key node, RecSize per data record
  std::int64_t Empty = 0;    // on the free lists
  std::int64_t DeadGap = 0;  // neither, after the block header is allowed for
  std::int64_t Total() const { return Using + Empty + DeadGap; }
  friend bool operator==(const SpaceUsage&, const SpaceUsage&) = default;
};

// A key whose stored name checksum did not pass, and its path with a backslash after every
// name ("" when it cannot be resolved): as the report prints it (the hive's code page) and
// in UTF-8.
struct FlaggedKey {
  hive::KeyNodeOffset node;
  std::string reportPath;
  std::string path;
};

// A key with a data record, in key-walk order: its node, its record's RecSize, its verdict.
struct KeyRecordFact {
  hive::KeyNodeOffset node;
  std::int32_t recordSize = 0;
  Verdict verdict = Verdict::Good;
};

// A free record of a data block's free list, in block and list order.
struct FreeRecordFact {
  std::uint16_t block = 0;
  hive::BlockOffset offset;
  std::int32_t size = 0;
};

// Sizes of one kind of data record. average follows the analyser's own rule (see
// space_analysis.cpp); 0 when there are no records.
struct RecordSizeStatistics {
  std::size_t count = 0;
  std::int64_t max = 0;
  std::int64_t min = 0;
  std::int64_t average = 0;
};

struct AnalysisResult {
  SpaceUsage keyNodeBlock;             // the RGKN block, without its 32-byte header
  std::vector<SpaceUsage> dataBlocks;  // one per RGDB block, in block order, without headers
  SpaceUsage wholeFile;                // every byte of the file, headers as Using
  std::int32_t goodCount = 0;
  std::int32_t badCount = 0;
  std::int32_t ghostCount = 0;
  std::vector<FlaggedKey> badKeys;    // in key-walk order
  std::vector<FlaggedKey> ghostKeys;  // in key-walk order
  std::vector<KeyRecordFact> keys;    // every key with a data record, in key-walk order
  std::vector<FreeRecordFact> freeRecords;
  RecordSizeStatistics usingRecords;
  RecordSizeStatistics emptyRecords;
};

}  // namespace quarvex::analyzer
